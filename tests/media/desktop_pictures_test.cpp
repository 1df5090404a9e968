// The desktop and wallpaper pictures: layouts checked pixel by pixel, the
// settings that choose the wallpaper (the store, and GNOME's settings read
// for real through a compiled schema), and captures of a real X server.

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "media/desktop/desktop_picture_writer.h"
#include "media/desktop/desktop_pictures.h"
#include "media/image/bmp_writer.h"
#include "media/image/decoders.h"
#include "media/image/image_layer.h"
#include "media/image/jpeg_codec.h"
#include "media/image/png_writer.h"
#include "platform/painter.h"
#include "platform/screen_metrics.h"
#include "tests/support/command_runner.h"
#include "tests/support/rgb24_pictures.h"
#include "tests/support/test_environment.h"
#include "tests/support/xvfb_server.h"

namespace korv {
namespace {

namespace fs = std::filesystem;
using Rgb3 = std::array<uint8_t, 3>;

constexpr Size kScreen{1024, 768};
constexpr platform::Colour kBackground = platform::Rgb(10, 200, 30);
constexpr Rgb3 kBackgroundRgb{10, 200, 30};

// Every pixel differs from every other (up to 2048 × 2048), and blue always
// has its top bit set, so no pixel looks like black or the background.
platform::Surface Pattern(int width, int height) {
    platform::Surface picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Set(x, y,
                        platform::PixelRgb(static_cast<uint8_t>(x), static_cast<uint8_t>(y),
                                           static_cast<uint8_t>(128 | ((x >> 8) & 7) | (((y >> 8) & 7) << 3))));
    return picture;
}

Rgb3 At(const platform::Surface& picture, int x, int y) {
    const platform::Pixel p = picture.At(x, y);
    return {platform::PixelRed(p), platform::PixelGreen(p), platform::PixelBlue(p)};
}

// Compares every pixel of `actual` with `expected(x, y)`; reports the first
// difference.
::testing::AssertionResult EveryPixel(const platform::Surface& actual, Size size,
                                      const std::function<Rgb3(int, int)>& expected) {
    if (actual.Width() != size.width || actual.Height() != size.height)
        return ::testing::AssertionFailure() << "size " << actual.Width() << "x" << actual.Height();
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            if (At(actual, x, y) != expected(x, y)) {
                Rgb3 a = At(actual, x, y), e = expected(x, y);
                return ::testing::AssertionFailure() << "at (" << x << "," << y << "): " << int(a[0]) << ","
                                                     << int(a[1]) << "," << int(a[2]) << " instead of " << int(e[0])
                                                     << "," << int(e[1]) << "," << int(e[2]);
            }
    return ::testing::AssertionSuccess();
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
    std::string text = test::ReadFileBytes(path);
    return {text.begin(), text.end()};
}

std::optional<platform::Surface> ReadBmpFile(const fs::path& path) {
    std::vector<uint8_t> bytes = FileBytes(path);
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
    return DecodeBmp(bytes);
}

// Whether the JPEG's frame is progressive (start-of-frame marker C2),
// walking the marker segments up to the first scan.
bool IsProgressiveJpeg(const std::vector<uint8_t>& bytes) {
    size_t at = 2;
    while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
        uint8_t marker = bytes[at + 1];
        if (marker == 0xC2) return true;
        if (marker == 0xDA) return false;
        at += 2 + ((size_t{bytes[at + 2]} << 8) | bytes[at + 3]);
    }
    return false;
}

// A progressive JPEG of `size` whose every pixel is `colour` within what the
// encoding loses.
::testing::AssertionResult IsPlainJpeg(const fs::path& path, Size size, Rgb3 colour) {
    std::vector<uint8_t> bytes = FileBytes(path);
    if (bytes.size() < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF)
        return ::testing::AssertionFailure() << path << " is not a JPEG";
    if (!IsProgressiveJpeg(bytes)) return ::testing::AssertionFailure() << "not progressive";
    auto pixels = DecodeJpeg(bytes);
    if (!pixels || pixels->Width() != size.width || pixels->Height() != size.height)
        return ::testing::AssertionFailure() << "not decoded at screen size";
    const std::vector<uint8_t> rgb = test::Rgb24Bytes(*pixels);
    for (size_t i = 0; i < rgb.size(); ++i)
        if (std::abs(rgb[i] - colour[i % 3]) > 2)
            return ::testing::AssertionFailure() << "byte " << i << " is " << int(rgb[i]);
    return ::testing::AssertionSuccess();
}

class WallpaperLayoutTest : public ::testing::Test {
protected:
    test::CapturedMessages messages_;
};

TEST_F(WallpaperLayoutTest, TiledPictureRepeatsElevenByEightTimesCutAtTheEdges) {
    platform::Surface picture = Pattern(100, 100);
    auto result = LayOutWallpaper(picture, WallpaperTiled, kScreen, kBackground);
    ASSERT_TRUE(result);
    EXPECT_TRUE(EveryPixel(*result, kScreen, [&](int x, int y) { return At(picture, x % 100, y % 100); }));
    int corners = 0;
    for (int y = 0; y < kScreen.height; ++y)
        for (int x = 0; x < kScreen.width; ++x) corners += At(*result, x, y) == At(picture, 0, 0);
    EXPECT_EQ(corners, 11 * 8);
    // The last column holds 24 pixels of its tile, the last row 68.
    EXPECT_EQ(At(*result, 1023, 767), At(picture, 23, 67));

    // A tile larger than the screen is drawn once, from its top-left corner.
    platform::Surface large = Pattern(1100, 800);
    result = LayOutWallpaper(large, WallpaperTiled, kScreen, kBackground);
    ASSERT_TRUE(result);
    EXPECT_TRUE(EveryPixel(*result, kScreen, [&](int x, int y) { return At(large, x, y); }));
}

TEST_F(WallpaperLayoutTest, CentredPictureSitsOnTheBackgroundOrIsCutEvenly) {
    platform::Surface small = Pattern(101, 51);  // at ((1024 - 101) / 2, (768 - 51) / 2) = (461, 358)
    auto result = LayOutWallpaper(small, WallpaperCentred, kScreen, kBackground);
    ASSERT_TRUE(result);
    EXPECT_TRUE(EveryPixel(*result, kScreen, [&](int x, int y) {
        return Rect::FromSize(461, 358, 101, 51).Contains(x, y) ? At(small, x - 461, y - 358) : kBackgroundRgb;
    }));

    platform::Surface large = Pattern(1124, 868);  // 50 cut on every side
    result = LayOutWallpaper(large, WallpaperCentred, kScreen, kBackground);
    ASSERT_TRUE(result);
    EXPECT_TRUE(EveryPixel(*result, kScreen, [&](int x, int y) { return At(large, x + 50, y + 50); }));

    platform::Surface wide = Pattern(1224, 100);  // cut 100 left and right, background above and below
    result = LayOutWallpaper(wide, WallpaperCentred, kScreen, kBackground);
    ASSERT_TRUE(result);
    EXPECT_TRUE(EveryPixel(*result, kScreen, [&](int x, int y) {
        return y >= 334 && y < 434 ? At(wide, x + 100, y - 334) : kBackgroundRgb;
    }));
}

TEST_F(WallpaperLayoutTest, StretchedPictureCoversTheWholeScreen) {
    const std::vector<uint8_t> quarterBytes = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    platform::Surface quarters = test::PictureFromRgb24(2, 2, quarterBytes);
    auto result = LayOutWallpaper(quarters, WallpaperStretched, kScreen, kBackground);
    ASSERT_TRUE(result);
    EXPECT_TRUE(EveryPixel(*result, kScreen, [&](int x, int y) { return At(quarters, x / 512, y / 384); }));

    // Pictures larger than the screen in one or both directions come out as
    // a plain stretch of the whole picture would draw them.
    for (Size size : {Size{100, 100}, Size{1500, 1000}, Size{1500, 300}, Size{300, 2000}, Size{2048, 1536}}) {
        platform::Surface picture = Pattern(size.width, size.height);
        platform::Surface reference(kScreen.width, kScreen.height);
        platform::Painter(reference).StretchCopy(reference.Bounds(), picture, picture.Bounds());
        const platform::Surface& expected = reference;
        result = LayOutWallpaper(picture, WallpaperStretched, kScreen, kBackground);
        ASSERT_TRUE(result);
        EXPECT_TRUE(EveryPixel(*result, kScreen, [&](int x, int y) { return At(expected, x, y); }))
            << size.width << "x" << size.height;
    }
}

TEST_F(WallpaperLayoutTest, PictureThatCannotBeDrawnShowsTheMemoryMessage) {
    // A picture of no pixels, and one beyond the image layer's bounds.
    const platform::Surface empty;
    const platform::Surface absurd(100000, 1);
    for (const platform::Surface* picture : {&empty, &absurd})
        EXPECT_FALSE(LayOutWallpaper(*picture, WallpaperTiled, kScreen, kBackground));
    EXPECT_FALSE(LayOutWallpaper(Pattern(4, 4), WallpaperCentred, {100000, 100000}, kBackground));
    EXPECT_EQ(messages_.texts(), std::vector<std::string>(3, kWallpaperMemoryMessage));
}

// MakeWallpaperImage with the store in a temporary folder and GNOME's
// settings given by the test.
class WallpaperImageTest : public ::testing::Test {
protected:
    WallpaperImageTest() { sources_.gnome = [this] { return gnome_; }; }

    fs::path Output() const { return dir_ / "wallpaper.bmp"; }
    WallpaperImageResult Make() { return MakeWallpaperImage(Output().string(), sources_, kScreen); }
    void SetStore(const std::string& path, std::optional<std::string> style, std::optional<std::string> tile) {
        store_.WriteString(kDesktopKey, "Wallpaper", path);
        if (style) store_.WriteString(kDesktopKey, "WallpaperStyle", *style);
        if (tile) store_.WriteString(kDesktopKey, "TileWallpaper", *tile);
    }
    fs::path WriteBmpPicture(const std::string& name, const platform::Surface& picture) {
        fs::path path = dir_ / name;
        EXPECT_TRUE(WriteBmp(path.string(), picture));
        return path;
    }
    // The written file is a BMP of `picture` laid out in `style`.
    void ExpectLaidOut(const platform::Surface& picture, int style, platform::Colour background) {
        auto written = ReadBmpFile(Output());
        ASSERT_TRUE(written) << "not a BMP";
        auto expected = LayOutWallpaper(picture, style, kScreen, background);
        ASSERT_TRUE(expected);
        EXPECT_TRUE(EveryPixel(*written, kScreen, [&](int x, int y) { return At(*expected, x, y); }));
    }

    test::TempDir dir_;
    test::CapturedMessages messages_;
    platform::SettingsStore store_{(dir_ / "store").string()};
    DesktopSettingsSources sources_{&store_};
    std::optional<platform::GnomeBackground> gnome_;
};

TEST_F(WallpaperImageTest, StoreValuesChooseTheLayoutAndTilingWins) {
    platform::Surface picture = Pattern(100, 60);
    fs::path path = WriteBmpPicture("tile.bmp", picture);
    store_.WriteString(kColoursKey, "Background", "10 200 30");
    struct Case {
        std::optional<std::string> style, tile;
        int expected;
    };
    for (const Case& c : {Case{"2", "1", WallpaperTiled}, Case{"2", "0", WallpaperStretched},
                          Case{"2", std::nullopt, WallpaperStretched}, Case{"0", "1", WallpaperTiled},
                          Case{"0", std::nullopt, WallpaperCentred}, Case{"7", "3", WallpaperCentred}}) {
        SCOPED_TRACE(c.style.value_or("-") + "/" + c.tile.value_or("-"));
        store_.DeleteValue(kDesktopKey, "TileWallpaper");
        SetStore(path.string(), c.style, c.tile);
        WallpaperImageResult result = Make();
        EXPECT_TRUE(result.written);
        EXPECT_EQ(result.style, c.expected);
        ExpectLaidOut(picture, c.expected, kBackground);
    }

    // Numbers stored as numbers count as well as numbers stored as text.
    store_.DeleteValue(kDesktopKey, "WallpaperStyle");
    store_.DeleteValue(kDesktopKey, "TileWallpaper");
    store_.WriteNumber(kDesktopKey, "WallpaperStyle", 2);
    EXPECT_EQ(Make().style, WallpaperStretched);
    EXPECT_TRUE(messages_.all().empty());
}

TEST_F(WallpaperImageTest, JpegWallpaperIsDecodedAndLaidOut) {
    platform::Surface picture = Pattern(64, 48);
    fs::path path = dir_ / "photo.JPG";
    ASSERT_TRUE(WriteJpeg(path.string(), picture, 90, false));
    SetStore(path.string(), "0", "1");
    EXPECT_TRUE(Make().written);
    auto decoded = DecodeJpeg(FileBytes(path));
    ASSERT_TRUE(decoded);
    ExpectLaidOut(*decoded, WallpaperTiled, kDefaultDesktopColour);
}

TEST_F(WallpaperImageTest, UnusablePicturesGiveThePlainBackground) {
    store_.WriteString(kColoursKey, "Background", "10 200 30");
    platform::Surface picture = Pattern(100, 100);
    std::vector<uint8_t> header(54, 0);  // a BMP header claiming 100000 × 100000 pixels
    header[0] = 'B', header[1] = 'M', header[10] = 54, header[14] = 40;
    header[18] = 0xA0, header[19] = 0x86, header[20] = 0x01;  // width 100000
    header[22] = 0xA0, header[23] = 0x86, header[24] = 0x01;  // height 100000
    header[26] = 1, header[28] = 24;
    test::WriteFileBytes(dir_ / "huge.bmp", std::string(header.begin(), header.end()) + std::string(4096, '\x55'));
    test::WriteFileBytes(dir_ / "broken.bmp", "BM" + std::string(100, '\x01'));
    ASSERT_TRUE(WritePng((dir_ / "picture.png").string(), picture));

    // GIF, HTM and HTML names are refused by name, even with BMP content.
    const std::vector<std::string> paths = {
        "",
        WriteBmpPicture("animation.gif", picture).string(),
        WriteBmpPicture("page.Htm", picture).string(),
        WriteBmpPicture("page.HTML", picture).string(),
        (dir_ / "missing.bmp").string(),
        (dir_ / "picture.png").string(),
        (dir_ / "broken.bmp").string(),
        (dir_ / "huge.bmp").string(),
        dir_.str(),
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        fs::remove(Output());
        SetStore(path, "2", "1");
        WallpaperImageResult result = Make();
        EXPECT_TRUE(result.written);
        EXPECT_EQ(result.style, WallpaperTiled);
        EXPECT_TRUE(IsPlainJpeg(Output(), kScreen, kBackgroundRgb));
    }
    EXPECT_TRUE(messages_.all().empty());
}

TEST_F(WallpaperImageTest, StoreWinsOverGnomeAndGnomeFillsInWhatTheStoreLacks) {
    platform::Surface storePicture = Pattern(30, 20);
    platform::Surface gnomePicture = Pattern(40, 50);
    fs::path storePath = WriteBmpPicture("store.bmp", storePicture);
    WriteBmpPicture("gnome picture.bmp", gnomePicture);
    int gnomeReads = 0;
    sources_.gnome = [&]() -> std::optional<platform::GnomeBackground> {
        ++gnomeReads;
        platform::GnomeBackground background;
        background.pictureUri = "file://" + (dir_ / "gnome%20picture.bmp").string();
        background.pictureOptions = "wallpaper";
        background.primaryColour = "#0a141e";
        return background;
    };

    // Store values only: GNOME's picture and colour are both left aside.
    SetStore(storePath.string(), "0", std::nullopt);
    store_.WriteString(kColoursKey, "Background", "10 200 30");
    EXPECT_EQ(Make().style, WallpaperCentred);
    ExpectLaidOut(storePicture, WallpaperCentred, kBackground);
    EXPECT_EQ(gnomeReads, 0);

    // No store colour: GNOME's colour behind the store's picture.
    store_.DeleteValue(kColoursKey, "Background");
    Make();
    ExpectLaidOut(storePicture, WallpaperCentred, platform::Rgb(10, 20, 30));

    // No store wallpaper: GNOME's picture, tiled, read once for both values.
    gnomeReads = 0;
    store_.DeleteValue(kDesktopKey, "Wallpaper");
    EXPECT_EQ(Make().style, WallpaperTiled);
    ExpectLaidOut(gnomePicture, WallpaperTiled, platform::Rgb(10, 20, 30));
    EXPECT_EQ(gnomeReads, 1);

    // A store wallpaper without a style is no picture, and GNOME is not asked.
    gnomeReads = 0;
    store_.WriteString(kDesktopKey, "Wallpaper", storePath.string());
    store_.DeleteValue(kDesktopKey, "WallpaperStyle");
    Make();
    EXPECT_TRUE(IsPlainJpeg(Output(), kScreen, {10, 20, 30}));
    EXPECT_EQ(ReadWallpaperSetting(sources_), WallpaperSetting{});
}

TEST_F(WallpaperImageTest, NoSettingsAnywhereGiveTheDefaultPlainBackground) {
    EXPECT_EQ(ReadWallpaperSetting(sources_), WallpaperSetting{});
    EXPECT_TRUE(Make().written);
    EXPECT_TRUE(IsPlainJpeg(Output(), kScreen, {58, 110, 165}));

    sources_.store = nullptr;
    sources_.gnome = nullptr;
    EXPECT_TRUE(Make().written);
    EXPECT_TRUE(IsPlainJpeg(Output(), kScreen, {58, 110, 165}));
}

TEST_F(WallpaperImageTest, ScreenTooLargeToDrawWritesNothing) {
    SetStore(WriteBmpPicture("w.bmp", Pattern(8, 8)).string(), "0", "1");
    EXPECT_FALSE(MakeWallpaperImage(Output().string(), sources_, {100000, 100000}).written);
    EXPECT_FALSE(fs::exists(Output()));
    EXPECT_EQ(messages_.texts(), std::vector<std::string>{kWallpaperMemoryMessage});

    store_.DeleteValue(kDesktopKey, "Wallpaper");
    EXPECT_FALSE(MakeWallpaperImage(Output().string(), sources_, {100000, 100000}).written);
    EXPECT_FALSE(fs::exists(Output()));
}

TEST(GnomeBackgroundTest, FileUrisBecomeLocalPaths) {
    EXPECT_EQ(PathFromFileUri("file:///usr/share/backgrounds/a.jpg"), "/usr/share/backgrounds/a.jpg");
    EXPECT_EQ(PathFromFileUri("file:///home/me/My%20Pictures/caf%C3%A9%25.bmp"), "/home/me/My Pictures/café%.bmp");
    EXPECT_EQ(PathFromFileUri("FILE://localhost/tmp/x.bmp"), "/tmp/x.bmp");
    for (const char* refused : {"", "file://", "file://otherhost/tmp/x.bmp", "http://host/x.jpg", "/tmp/x.bmp",
                                "file:///tmp/bad%2", "file:///tmp/bad%zz.bmp", "file:///tmp/a%2Fb.bmp",
                                "file:///tmp/a%00b.bmp"})
        EXPECT_EQ(PathFromFileUri(refused), "") << refused;
}

TEST(GnomeBackgroundTest, OptionsAndColoursAreUnderstood) {
    EXPECT_EQ(StyleFromPictureOptions("wallpaper"), WallpaperTiled);
    EXPECT_EQ(StyleFromPictureOptions("centered"), WallpaperCentred);
    for (const char* stretched : {"stretched", "zoom", "scaled", "spanned", ""})
        EXPECT_EQ(StyleFromPictureOptions(stretched), WallpaperStretched) << stretched;
    EXPECT_EQ(StyleFromPictureOptions("none"), std::nullopt);

    EXPECT_EQ(ParseDesktopColour("#023c88"), platform::Rgb(0x02, 0x3c, 0x88));
    EXPECT_EQ(ParseDesktopColour("#F0a"), platform::Rgb(0xff, 0x00, 0xaa));
    EXPECT_EQ(ParseDesktopColour("#12345678abcd"), platform::Rgb(0x12, 0x56, 0xab));
    EXPECT_EQ(ParseDesktopColour("58 110 165"), platform::Rgb(58, 110, 165));
    for (const char* refused : {"", "#", "#12345", "#12345g", "blue", "1 2", "1 2 256", "1 2 3 4", "-1 2 3"})
        EXPECT_EQ(ParseDesktopColour(refused), std::nullopt) << refused;
}

TEST(GnomeBackgroundTest, DarkPictureServesOnlyTheDarkScheme) {
    platform::GnomeBackground background;
    background.pictureUri = "file:///light.jpg";
    background.pictureUriDark = "file:///dark.jpg";
    background.pictureOptions = "centered";
    EXPECT_EQ(WallpaperFromGnome(background), (WallpaperSetting{"/light.jpg", WallpaperCentred}));
    background.preferDark = true;
    EXPECT_EQ(WallpaperFromGnome(background), (WallpaperSetting{"/dark.jpg", WallpaperCentred}));
    background.pictureUriDark.clear();
    EXPECT_EQ(WallpaperFromGnome(background), (WallpaperSetting{"/light.jpg", WallpaperCentred}));
    background.pictureOptions = "none";
    EXPECT_EQ(WallpaperFromGnome(background), WallpaperSetting{});
}

// GIO keeps the schemas it found for the life of the process, so each real
// read runs in a fresh copy of this program (a death test in threadsafe
// style re-runs it) with its own schema folder and the memory backend, which
// serves the schema's defaults.
class GnomeSettingsReadTest : public ::testing::Test {
protected:
    GnomeSettingsReadTest() { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    static std::string SchemaXml(const std::string& lightUri, const std::string& darkUri) {
        return "<schemalist>\n"
               "  <enum id='org.gnome.desktop.GDesktopBackgroundStyle'>\n"
               "    <value nick='none' value='0'/><value nick='wallpaper' value='1'/>\n"
               "    <value nick='centered' value='2'/><value nick='scaled' value='3'/>\n"
               "    <value nick='stretched' value='4'/><value nick='zoom' value='5'/>\n"
               "    <value nick='spanned' value='6'/>\n"
               "  </enum>\n"
               "  <schema id='org.gnome.desktop.background' path='/org/gnome/desktop/background/'>\n"
               "    <key name='picture-uri' type='s'><default>'" + lightUri + "'</default></key>\n"
               "    <key name='picture-uri-dark' type='s'><default>'" + darkUri + "'</default></key>\n"
               "    <key name='picture-options' enum='org.gnome.desktop.GDesktopBackgroundStyle'>"
               "<default>'wallpaper'</default></key>\n"
               "    <key name='primary-color' type='s'><default>'#0a141e'</default></key>\n"
               "    <key name='picture-opacity' type='i'><default>100</default></key>\n"
               "  </schema>\n"
               "  <schema id='org.gnome.desktop.interface' path='/org/gnome/desktop/interface/'>\n"
               "    <key name='color-scheme' type='s'><default>'prefer-dark'</default></key>\n"
               "  </schema>\n"
               "</schemalist>\n";
    }

    // Returns the exit code for the death test: 0 when everything matched.
    static int ReadWithSchema() {
        int failures = 0;
        auto check = [&](bool ok, const char* what) {
            if (!ok) {
                std::fprintf(stderr, "failed: %s\n", what);
                ++failures;
            }
        };
        {
            test::TempDir dir;
            fs::create_directories(dir / "schemas");
            fs::create_directories(dir / "data");
            platform::Surface dark = Pattern(30, 40);
            WriteBmp((dir / "dark picture.bmp").string(), dark);
            std::string darkUri = "file://" + (dir / "dark%20picture.bmp").string();
            test::WriteFileBytes(dir / "schemas" / "test.gschema.xml", SchemaXml("file:///nowhere/light.bmp", darkUri));
            auto compiled = test::RunCommand("glib-compile-schemas", {(dir / "schemas").string()});
            check(compiled.exitCode == 0, "glib-compile-schemas");
            test::ScopedEnv schemaDir("GSETTINGS_SCHEMA_DIR", (dir / "schemas").string());
            test::ScopedEnv backend("GSETTINGS_BACKEND", "memory");
            test::ScopedEnv dataDirs("XDG_DATA_DIRS", (dir / "data").string());
            test::ScopedEnv dataHome("XDG_DATA_HOME", (dir / "data").string());

            auto background = platform::ReadGnomeBackground();
            check(background.has_value(), "schema found");
            if (background) {
                check(background->pictureUri == "file:///nowhere/light.bmp", "picture-uri");
                check(background->pictureUriDark == darkUri, "picture-uri-dark");
                check(background->pictureOptions == "wallpaper", "picture-options");
                check(background->primaryColour == "#0a141e", "primary-color");
                check(background->preferDark, "color-scheme");
            }

            // The whole way: an empty store leaves the choice to GNOME.
            platform::SettingsStore store((dir / "store").string());
            fs::path output = dir / "wallpaper.bmp";
            WallpaperImageResult result = MakeWallpaperImage(output.string(), DesktopSettingsSources{&store}, kScreen);
            check(result.written && result.style == WallpaperTiled, "made tiled");
            auto written = ReadBmpFile(output);
            auto expected = LayOutWallpaper(dark, WallpaperTiled, kScreen, platform::Rgb(10, 20, 30));
            check(written && expected && test::Rgb24Bytes(*written) == test::Rgb24Bytes(*expected), "dark picture tiled");
        }
        return failures;
    }

    static int ReadWithoutSchema() {
        int failures = 0;
        {
            test::TempDir dir;
            test::ScopedEnv schemaDir("GSETTINGS_SCHEMA_DIR", std::nullopt);
            test::ScopedEnv backend("GSETTINGS_BACKEND", "memory");
            test::ScopedEnv dataDirs("XDG_DATA_DIRS", dir.str());
            test::ScopedEnv dataHome("XDG_DATA_HOME", dir.str());
            if (platform::ReadGnomeBackground()) ++failures;
            platform::SettingsStore store((dir / "store").string());
            fs::path output = dir / "wallpaper.bmp";
            if (!MakeWallpaperImage(output.string(), DesktopSettingsSources{&store}, kScreen).written) ++failures;
            if (!IsPlainJpeg(output, kScreen, {58, 110, 165})) ++failures;
        }
        return failures;
    }

    // GNOME's settings backend without a session bus: nothing is read and no
    // bus is started (a stand-in dbus-launch first on PATH says if GIO tried).
    static int ReadWithoutSessionBus() {
        int failures = 0;
        {
            test::TempDir dir;
            fs::create_directories(dir / "schemas");
            fs::create_directories(dir / "bin");
            fs::create_directories(dir / "runtime");
            test::WriteFileBytes(dir / "schemas" / "test.gschema.xml", SchemaXml("file:///a.bmp", "file:///b.bmp"));
            if (test::RunCommand("glib-compile-schemas", {(dir / "schemas").string()}).exitCode != 0) ++failures;
            const fs::path launched = dir / "launched";
            test::WriteFileBytes(dir / "bin" / "dbus-launch", "#!/bin/sh\ntouch '" + launched.string() + "'\nexit 1\n");
            fs::permissions(dir / "bin" / "dbus-launch", fs::perms::owner_all);
            test::ScopedEnv schemaDir("GSETTINGS_SCHEMA_DIR", (dir / "schemas").string());
            test::ScopedEnv backend("GSETTINGS_BACKEND", std::nullopt);
            test::ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
            test::ScopedEnv runtime("XDG_RUNTIME_DIR", (dir / "runtime").string());
            test::ScopedEnv path("PATH", (dir / "bin").string() + ":" + std::getenv("PATH"));
            if (platform::ReadGnomeBackground()) ++failures;
            if (fs::exists(launched)) ++failures;
        }
        return failures;
    }
};

TEST_F(GnomeSettingsReadTest, InstalledSchemaIsReadAndUsed) {
    if (test::RunCommand("sh", {"-c", "command -v glib-compile-schemas"}).exitCode != 0)
        GTEST_SKIP() << "glib-compile-schemas is not installed";
    EXPECT_EXIT(std::exit(ReadWithSchema()), ::testing::ExitedWithCode(0), "");
}

TEST_F(GnomeSettingsReadTest, WithoutASessionBusNothingIsReadAndNoBusIsStarted) {
    if (test::RunCommand("sh", {"-c", "command -v glib-compile-schemas"}).exitCode != 0)
        GTEST_SKIP() << "glib-compile-schemas is not installed";
    EXPECT_EXIT(std::exit(ReadWithoutSessionBus()), ::testing::ExitedWithCode(0), "");
}

TEST_F(GnomeSettingsReadTest, MissingSchemaReadsAsNothing) {
    EXPECT_EXIT(std::exit(ReadWithoutSchema()), ::testing::ExitedWithCode(0), "");
}

class DesktopCaptureTest : public ::testing::Test {
protected:
    test::TempDir dir_;
    test::CapturedMessages messages_;
    test::ScopedEnv wayland_{"WAYLAND_DISPLAY", std::nullopt};

    // ImageMagick's display sets the root window's background to a picture.
    void ShowOnRoot(const platform::Surface& picture) {
        const fs::path file = dir_ / ("root" + std::to_string(++shown_) + ".bmp");
        ASSERT_TRUE(WriteBmp(file.string(), picture));
        test::RunCommand("display", {"-window", "root", file.string()}, {"DISPLAY=" + xvfb_->Display()});
    }
    static bool CanShowOnRoot() { return test::RunCommand("sh", {"-c", "command -v display"}).exitCode == 0; }
    // A private screen of 320 x 200 showing `pattern_`, named by $DISPLAY;
    // false when Xvfb does not start.
    bool ShowPatternOnAScreen() {
        xvfb_.emplace(320, 200);
        if (!xvfb_->Running()) return false;
        ShowOnRoot(pattern_);
        display_.emplace("DISPLAY", xvfb_->Display());
        return true;
    }
    void ExpectPatternIn(const fs::path& file) {
        auto written = ReadBmpFile(file);
        ASSERT_TRUE(written);
        EXPECT_TRUE(EveryPixel(*written, {320, 200}, [&](int x, int y) { return At(pattern_, x, y); }));
    }

    const platform::Surface pattern_ = Pattern(320, 200);
    std::optional<test::XvfbServer> xvfb_;
    std::optional<test::ScopedEnv> display_;
    int shown_ = 0;
};

TEST_F(DesktopCaptureTest, RootWindowIsWrittenAtItsFullSize) {
    if (!CanShowOnRoot()) GTEST_SKIP() << "ImageMagick's display is not installed";
    ASSERT_TRUE(ShowPatternOnAScreen());
    fs::path output = dir_ / "desktop.bmp";
    EXPECT_TRUE(CaptureDesktop(output.string()));
    ExpectPatternIn(output);
}

TEST_F(DesktopCaptureTest, TheWriterCapturesAtOnceAndWritesBothFilesWhileTheCallerGoesOn) {
    if (!CanShowOnRoot()) GTEST_SKIP() << "ImageMagick's display is not installed";
    ASSERT_TRUE(ShowPatternOnAScreen());
    const fs::path desktop = dir_ / "desktop.bmp", wallpaper = dir_ / "wallpaper.bmp";
    {
        DesktopPictureWriter writer;
        writer.Start(desktop.string(), wallpaper.string(), DesktopSettingsSources{});
        // What covers the screen after Start (the saver's window) is not in the picture.
        platform::Surface red(320, 200);
        platform::Painter(red).Fill(red.Bounds(), platform::Rgb(255, 0, 0));
        ShowOnRoot(red);
        ASSERT_EQ(CaptureDesktopPicture().At(10, 10), 0x00FF0000u);
        writer.Wait();
        writer.Wait();  // a second wait returns at once
        EXPECT_TRUE(fs::is_regular_file(wallpaper));
    }
    ExpectPatternIn(desktop);
}

TEST_F(DesktopCaptureTest, WithoutADisplayTheScreenIsBlack) {
    struct HeadlessScreen {
        HeadlessScreen() { platform::SetHeadlessScreen(640, 480); }
        ~HeadlessScreen() { platform::ClearHeadlessScreen(); }
    } screen;
    fs::path output = dir_ / "desktop.bmp";
    // No display named, and one that cannot be opened.
    for (std::optional<std::string> name : {std::optional<std::string>{}, std::optional<std::string>{":9999"}}) {
        test::ScopedEnv display("DISPLAY", name);
        fs::remove(output);
        EXPECT_TRUE(CaptureDesktop(output.string()));
        auto written = ReadBmpFile(output);
        ASSERT_TRUE(written);
        EXPECT_TRUE(EveryPixel(*written, {640, 480}, [](int, int) { return Rgb3{0, 0, 0}; }));
    }
    EXPECT_TRUE(messages_.all().empty());
}

}  // namespace
}  // namespace korv
