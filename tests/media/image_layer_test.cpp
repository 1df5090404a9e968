// The image layer against real encoders: pictures made by ImageMagick (and
// libjpeg's cjpeg) decode to what ImageMagick itself decodes.

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "media/image/bmp_writer.h"
#include "media/image/decoders.h"
#include "media/image/image_buffer.h"
#include "media/image/image_error.h"
#include "media/image/image_format.h"
#include "media/image/image_layer.h"
#include "media/image/jpeg_codec.h"
#include "media/image/png_writer.h"
#include "media/image/resize.h"
#include "tests/support/command_runner.h"
#include "tests/support/rgb24_pictures.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A picture as packed RGB bytes, with its size.
struct Rgb24Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;
};

class ImageLayerTest : public ::testing::Test {
protected:
    // A picture with distinct corners and an odd size, in the format that
    // `name`'s extension (or an ImageMagick prefix) gives, with extra convert
    // options.
    fs::path Make(const std::string& name, const std::vector<std::string>& options = {}) {
        fs::path path = dir_ / name;
        std::vector<std::string> arguments = {"-size", "37x23", "gradient:#ff0000-#0000ff", "-fill", "#20e040",
                                              "-draw", "rectangle 0,0 5,4", "-fill", "#ffffff", "-draw",
                                              "rectangle 30,17 36,22"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(path.string());
        auto result = test::RunCommand("convert", arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return path;
    }
    // ImageMagick's own decode as packed RGB.
    Rgb24Picture Reference(const fs::path& path) {
        auto result = test::RunCommand("convert", {path.string(), "-depth", "8", "rgb:-"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        auto size = test::RunCommand("identify", {"-format", "%w %h", path.string()});
        Rgb24Picture reference;
        std::sscanf(size.out.c_str(), "%d %d", &reference.width, &reference.height);
        reference.bytes.assign(result.out.begin(), result.out.end());
        return reference;
    }
    std::vector<uint8_t> Read(const fs::path& path) { return Bytes(test::ReadFileBytes(path)); }

    test::TempDir dir_;
    test::CapturedMessages messages_;
};

int MaxDifference(const platform::Surface& picture, const Rgb24Picture& reference) {
    const std::vector<uint8_t> bytes = test::Rgb24Bytes(picture);
    if (picture.Width() != reference.width || picture.Height() != reference.height ||
        bytes.size() != reference.bytes.size())
        return 999;
    int worst = 0;
    for (size_t i = 0; i < bytes.size(); ++i) worst = std::max(worst, std::abs(bytes[i] - reference.bytes[i]));
    return worst;
}

TEST_F(ImageLayerTest, PngOfEveryColourTypeAndDepthMatchesTheReference) {
    const std::vector<std::vector<std::string>> variants = {
        {},
        {"-interlace", "PNG"},
        {"-type", "Palette"},
        {"-type", "Grayscale", "-depth", "8"},
        {"-type", "Grayscale", "-depth", "16"},
        {"-type", "Bilevel"},
        {"-depth", "16"},
        {"-define", "png:color-type=2", "-depth", "16", "-interlace", "PNG"},
    };
    int n = 0;
    for (const auto& options : variants) {
        fs::path path = Make("v" + std::to_string(n++) + ".png", options);
        auto decoded = DecodePng(Read(path));
        ASSERT_TRUE(decoded) << path;
        EXPECT_EQ(MaxDifference(*decoded, Reference(path)), 0) << path;
    }
}

// Transparency, whether an alpha channel or a tRNS chunk, is dropped the same
// way for every colour type: each pixel keeps the colour it stores (for a
// palette, its entry), as ImageMagick's colour channels show.
TEST_F(ImageLayerTest, PngTransparencyOfEveryColourTypeKeepsTheStoredColours) {
    auto convert = [&](const std::string& name, const std::vector<std::string>& arguments,
                       const std::string& prefix = "") {
        fs::path path = dir_ / name;
        std::vector<std::string> all = arguments;
        all.insert(all.end(), {"-strip", prefix + path.string()});
        auto result = test::RunCommand("convert", all);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return path;
    };
    // Fully transparent columns on the left, as pngquant and GIMP's indexed
    // mode leave them: the palette gets a tRNS chunk.
    const std::vector<std::string> clearLeft = {"-alpha", "set", "-channel", "A", "-fx", "i<30?0:1", "+channel"};
    auto join = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<fs::path> files = {
        convert("palette8.png", join({"-size", "97x61", "gradient:red-blue", "-type", "palette", "-colors", "30"}, clearLeft)),
        convert("palette4.png", join({"-size", "37x23", "gradient:red-blue", "-type", "palette", "-colors", "6"}, clearLeft)),
        convert("rgb8.png", {"-size", "37x23", "gradient:red-blue", "-fill", "red", "-draw", "rectangle 0,0 5,4",
                             "-transparent", "red", "-define", "png:color-type=2", "-depth", "8"}),
        convert("rgb16.png", {"-size", "37x23", "gradient:red-blue", "-depth", "16", "-transparent", "blue",
                              "-define", "png:color-type=2"}),
        convert("grey8.png", {"-size", "37x23", "gradient:white-black", "-fill", "black", "-draw", "rectangle 0,0 5,4",
                              "-transparent", "black", "-define", "png:color-type=0", "-define", "png:bit-depth=8"}),
        convert("grey2.png", {"-size", "37x23", "gradient:white-black", "-colorspace", "gray", "-colors", "4", "-fill",
                              "black", "-draw", "rectangle 0,0 5,4", "-transparent", "black", "-define",
                              "png:color-type=0", "-define", "png:bit-depth=2"}),
        convert("alpha.png", {"-size", "37x23", "gradient:red-blue", "-alpha", "set", "-channel", "A", "-evaluate",
                              "set", "50%", "+channel"},
                "PNG32:"),
    };
    for (const fs::path& path : files) {
        const std::string data = test::ReadFileBytes(path);
        ASSERT_GT(data.size(), 25u);
        ASSERT_TRUE((data[25] & 4) != 0 || data.find("tRNS") != std::string::npos) << path << " is opaque";
        auto decoded = DecodePng(Read(path));
        ASSERT_TRUE(decoded) << path << ": " << ImageErrorText(GetImageError());
        EXPECT_EQ(MaxDifference(*decoded, Reference(path)), 0) << path;
    }
    // The palette's first entry, under a transparent pixel, is not black.
    auto palette = DecodePng(Read(files[0]));
    ASSERT_TRUE(palette);
    const platform::Pixel first = palette->At(0, 0);
    EXPECT_GT(platform::PixelRed(first) + platform::PixelGreen(first) + platform::PixelBlue(first), 0);
}

TEST_F(ImageLayerTest, JpegBaselineProgressiveGreyAndExifDecodeWithinTwo) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> variants = {
        {"base.jpg", {"-quality", "92"}},
        {"prog.jpg", {"-interlace", "JPEG"}},
        {"grey.jpg", {"-colorspace", "Gray"}},
        {"sub.jpg", {"-sampling-factor", "2x2"}},
    };
    for (const auto& [name, options] : variants) {
        fs::path path = Make(name, options);
        auto decoded = DecodeJpeg(Read(path));
        ASSERT_TRUE(decoded) << name;
        EXPECT_LE(MaxDifference(*decoded, Reference(path)), 2) << name;
    }
    // An EXIF file starts FF D8 FF E1 and is still recognised.
    auto exif = Read(Make("exif.jpg"));
    ASSERT_GE(exif.size(), 4u);
    exif[3] = 0xE1;
    auto source = ImageSource::OpenMemory(exif.data(), exif.size());
    EXPECT_EQ(GuessFormat(*source), FormatJpeg);
}

TEST_F(ImageLayerTest, DamagedJpegAndPngAreRefusedWithTheirCodes) {
    auto jpeg = Read(Make("cut.jpg"));
    auto png = Read(Make("cut.png"));
    for (size_t cut : {size_t{3}, size_t{20}, jpeg.size() / 2, jpeg.size() - 2}) {
        EXPECT_FALSE(DecodeJpeg({jpeg.data(), cut})) << cut;
        EXPECT_EQ(GetImageError(), ImageBadJpeg);
    }
    for (size_t cut : {size_t{8}, size_t{30}, png.size() / 2, png.size() - 1}) {
        EXPECT_FALSE(DecodePng({png.data(), cut})) << cut;
        EXPECT_EQ(GetImageError(), ImageBadPng);
    }
    // A tiny PNG that claims 16000 × 16000 is refused before decoding.
    auto huge = Read(Make("huge.png"));
    const uint8_t side[4] = {0, 0, 0x3E, 0x80};
    std::memcpy(&huge[16], side, 4);
    std::memcpy(&huge[20], side, 4);
    EXPECT_FALSE(DecodePng(huge));
}

TEST_F(ImageLayerTest, FormatsAreGuessedBySignatureThenByExtension) {
    auto guess = [](std::string head, const std::string& fileName = "") {
        head.resize(44, 'x');
        if (fileName.empty()) {
            auto source = ImageSource::OpenMemory(reinterpret_cast<const uint8_t*>(head.data()), head.size());
            return GuessFormat(*source);
        }
        test::WriteFileBytes(fileName, head);
        auto source = ImageSource::OpenFile(fileName);
        return GuessFormat(*source);
    };
    EXPECT_EQ(guess("BM"), FormatBmp);
    EXPECT_EQ(guess("GIF89a"), FormatGif);
    EXPECT_EQ(guess("\xFF\xD8\xFF\xDB"), FormatJpeg);
    EXPECT_EQ(guess("\x89PNG\r\n\x1A\n"), FormatPng);
    EXPECT_EQ(guess(std::string("\x0A\x05", 2)), FormatPcx);
    EXPECT_EQ(guess("II*"), FormatTiff);
    EXPECT_EQ(guess("8BPS"), FormatPsd);
    EXPECT_EQ(guess(std::string("\x01\x00\x09\x00\x00", 5)), FormatWindowsMetafile);
    EXPECT_EQ(guess(std::string(40, 'y') + " EMF"), FormatEnhancedMetafile);
    EXPECT_EQ(guess("TLAU"), FormatTlaU);
    EXPECT_EQ(guess(std::string("\x00\x00", 2)), FormatWbmp);
    EXPECT_EQ(guess("nothing"), FormatUnknown);
    EXPECT_EQ(guess(std::string("\x00\x00", 2), (dir_ / "a.TGA").string()), FormatTga);
    EXPECT_EQ(guess(std::string("\x00\x00", 2), (dir_ / "a.bin").string()), FormatWbmp);
    EXPECT_EQ(guess(std::string("\x00\x01", 2), (dir_ / "b.tga").string()), FormatUnknown);

    std::string shortFile(43, '\0');
    auto source = ImageSource::OpenMemory(reinterpret_cast<const uint8_t*>(shortFile.data()), shortFile.size());
    EXPECT_EQ(GuessFormat(*source), FormatUnknown);
    EXPECT_EQ(GetImageError(), ImageFileRead);
}

TEST_F(ImageLayerTest, LoadPixelsDispatchesAndReportsUnsupportedFormats) {
    fs::path png = Make("ok.png");
    auto fromFile = LoadPixels(png.string(), {});
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->Width(), 37);
    auto bytes = Read(png);
    EXPECT_TRUE(LoadPixels("", bytes));

    for (const char* unsupported : {"pic.gif", "pic.tif", "pic.psd"}) {
        fs::path path = Make(unsupported);
        EXPECT_FALSE(LoadPixels(path.string(), {})) << unsupported;
    }
    EXPECT_EQ(messages_.texts(), std::vector<std::string>(3, kUnsupportedImageMessage));

    // 00 00 at the start: a TGA from memory, nothing (and no message) from a non-.tga file.
    fs::path tga = Make("pic.tga", {"-compress", "None"});
    auto tgaBytes = Read(tga);
    ASSERT_EQ(tgaBytes[0], 0);
    ASSERT_EQ(tgaBytes[1], 0);
    EXPECT_TRUE(LoadPixels("", tgaBytes));
    fs::copy_file(tga, dir_ / "pic.bin");
    EXPECT_FALSE(LoadPixels((dir_ / "pic.bin").string(), {}));
    EXPECT_TRUE(LoadPixels(tga.string(), {}));
    EXPECT_EQ(messages_.texts().size(), 3u);
    EXPECT_FALSE(LoadPixels((dir_ / "missing.png").string(), {}));
    EXPECT_EQ(GetImageError(), ImageFileOpen);
}

TEST(ImageResize, BilinearWeightsFollowTheSourcePosition) {
    const std::vector<uint8_t> sourceBytes = {0, 0, 0, 200, 100, 50};
    platform::Surface source = test::PictureFromRgb24(2, 1, sourceBytes);
    auto wide = ResizePixels(source, 4, 1);
    ASSERT_TRUE(wide);
    // Positions 0, 0.5, 1, 1.5 → clamped to 1 from 1 on.
    EXPECT_EQ(test::Rgb24Bytes(*wide), (std::vector<uint8_t>{0, 0, 0, 100, 50, 25, 200, 100, 50, 200, 100, 50}));

    std::vector<uint8_t> gridBytes(27);
    for (size_t i = 0; i < gridBytes.size(); ++i) gridBytes[i] = static_cast<uint8_t>(i * 9);
    platform::Surface grid = test::PictureFromRgb24(3, 3, gridBytes);
    auto same = ResizePixels(grid, 3, 3);
    ASSERT_TRUE(same);
    EXPECT_EQ(test::Rgb24Bytes(*same), gridBytes);

    EXPECT_FALSE(ResizePixels(grid, 0, 5));
    EXPECT_EQ(GetImageError(), ImageBadParam);
}

TEST_F(ImageLayerTest, WrittenBmpAndJpegReadBackInImageMagick) {
    auto decoded = LoadPixels(Make("src.png").string(), {});
    ASSERT_TRUE(decoded);
    fs::path bmp = dir_ / "out.bmp";
    ASSERT_TRUE(WriteBmp(bmp.string(), *decoded));
    EXPECT_EQ(MaxDifference(*decoded, Reference(bmp)), 0);
    EXPECT_EQ(fs::file_size(bmp), 54u + 23u * ((37u * 3 + 3) & ~3u));

    fs::path jpeg = dir_ / "out.jpg";
    ASSERT_TRUE(WriteJpeg(jpeg.string(), *decoded, 100, true));
    // Chroma subsampling blurs the sharp colour edges; on average it stays close.
    Rgb24Picture back = Reference(jpeg);
    const std::vector<uint8_t> decodedBytes = test::Rgb24Bytes(*decoded);
    ASSERT_EQ(back.bytes.size(), decodedBytes.size());
    double total = 0;
    for (size_t i = 0; i < back.bytes.size(); ++i) total += std::abs(back.bytes[i] - decodedBytes[i]);
    EXPECT_LT(total / back.bytes.size(), 4.0);
    auto bytes = Read(jpeg);
    const uint8_t progressiveFrame[2] = {0xFF, 0xC2};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), progressiveFrame, progressiveFrame + 2), bytes.end());
    EXPECT_FALSE(WriteBmp((dir_ / "no-such-folder" / "x.bmp").string(), *decoded));
    EXPECT_FALSE(WriteJpeg(jpeg.string(), platform::Surface{}, 100, true));
}

// A disk that fills up mid-picture: each writer reports a write error and
// leaves no half-written file. The file size limit is set in a child process
// so that the test's own files are not affected.
TEST_F(ImageLayerTest, WritersThatRunOutOfRoomLeaveNoFileBehind) {
    std::vector<uint8_t> noiseBytes(200 * 200 * 3);
    uint32_t seed = 12345;
    for (uint8_t& byte : noiseBytes) byte = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    const platform::Surface noise = test::PictureFromRgb24(200, 200, noiseBytes);
    const fs::path bmp = dir_ / "full.bmp", jpeg = dir_ / "full.jpg", png = dir_ / "full.png";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
        int failures = 0;
        auto check = [&](bool written, const fs::path& path, int bit) {
            if (written || GetImageError() != ImageFileWrite || fs::exists(path)) failures |= bit;
        };
        check(WriteBmp(bmp.string(), noise), bmp, 1);
        check(WriteJpeg(jpeg.string(), noise, 100, false), jpeg, 2);
        check(WritePng(png.string(), noise), png, 4);
        _exit(failures);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "bit 1: BMP, 2: JPEG, 4: PNG kept a file or gave another error";
}

TEST_F(ImageLayerTest, ImageBufferScalesCapturesAndKeys) {
    auto png = Read(Make("b.png"));
    CImageBuffer buffer;
    Size natural;
    ASSERT_TRUE(buffer.Measure(png, natural));
    EXPECT_EQ(natural, (Size{37, 23}));
    EXPECT_EQ(buffer.GetSize(), (Size{0, 0}));  // measuring keeps nothing

    auto bitmap = buffer.LoadAndCreateBitmap(png, natural, 74, 46);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Width(), 74);
    EXPECT_EQ(natural, (Size{37, 23}));  // the natural size, not the target
    EXPECT_FALSE(buffer.LoadAndCreateBitmap(png, natural, 0, 10));  // 0 × n cannot be scaled

    ASSERT_TRUE(buffer.Load(png));
    EXPECT_FALSE(buffer.Scale(0, 5));
    EXPECT_EQ(GetImageError(), ImageBadParam);

    platform::Surface small(3, 2);
    small.Set(2, 1, platform::ColourToPixel(platform::Rgb(1, 2, 3)));
    ASSERT_TRUE(buffer.CaptureBitmap(small));
    EXPECT_EQ(test::Rgb24Bytes(buffer.Base()).size(), 18u);  // no row padding
    EXPECT_EQ(buffer.CapturedBytes(), 18u);

    // Key-coloured pixels leave the destination as it was.
    platform::Surface keyed(3, 2);
    keyed.Set(0, 0, platform::ColourToPixel(platform::kKeyColour));
    keyed.Set(1, 0, platform::ColourToPixel(platform::Rgb(9, 9, 9)));
    ASSERT_TRUE(buffer.CaptureBitmap(keyed));
    platform::Surface screen(4, 4);
    for (auto& p : screen.Pixels()) p = 0x123456;
    ASSERT_TRUE(buffer.DrawKeyed(screen, 1, 1));
    EXPECT_EQ(screen.At(1, 1), 0x123456u);
    EXPECT_EQ(screen.At(2, 1), platform::ColourToPixel(platform::Rgb(9, 9, 9)));
    EXPECT_EQ(screen.At(0, 0), 0x123456u);

    auto capture = CaptureDC(screen, 3, 3, 4, 4);  // partly outside: black there
    ASSERT_TRUE(capture);
    const std::vector<uint8_t> captured = test::Rgb24Bytes(*capture);
    EXPECT_EQ(captured[0], 0x12);
    EXPECT_EQ(captured[3 * 12 + 9], 0);
    EXPECT_FALSE(CaptureDC(screen, 0, 0, 0, 3));
}

}  // namespace
}  // namespace korv
