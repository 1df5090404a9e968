#include "media/desktop/desktop_pictures.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string_view>
#include <vector>

#include "media/image/bmp_writer.h"
#include "media/image/decoders.h"
#include "media/image/image_format.h"
#include "media/image/image_source.h"
#include "media/image/jpeg_codec.h"
#include "platform/desktop_capture.h"
#include "platform/message_box.h"
#include "platform/painter.h"
#include "platform/screen_metrics.h"

namespace korv {

namespace {

constexpr Size kFallbackScreen{1024, 768};

// A store value that holds a number, written either as decimal text (read
// as the system reads it: leading digits, 0 without any) or as a number.
std::optional<long> ReadStoreNumber(const platform::SettingsStore& store, const std::string& name) {
    if (auto text = store.ReadString(kDesktopKey, name)) return std::strtol(text->c_str(), nullptr, 10);
    if (auto number = store.ReadNumber(kDesktopKey, name)) return static_cast<long>(*number);
    return std::nullopt;
}

// Reads GNOME's settings at most once, however many values are asked for.
class GnomeCache {
public:
    explicit GnomeCache(const DesktopSettingsSources& sources) : reader_(sources.gnome) {}
    const std::optional<platform::GnomeBackground>& Get() {
        if (!read_) {
            read_ = true;
            if (reader_) value_ = reader_();
        }
        return value_;
    }

private:
    std::function<std::optional<platform::GnomeBackground>()> reader_;
    bool read_ = false;
    std::optional<platform::GnomeBackground> value_;
};

WallpaperSetting ReadWallpaperSetting(const DesktopSettingsSources& sources, GnomeCache& gnome) {
    if (sources.store) {
        if (auto path = sources.store->ReadString(kDesktopKey, "Wallpaper")) {
            WallpaperSetting setting;
            auto style = ReadStoreNumber(*sources.store, "WallpaperStyle");
            if (!style) return setting;
            setting.path = *path;
            if (*style == 2) setting.style = WallpaperStretched;
            if (ReadStoreNumber(*sources.store, "TileWallpaper") == 1) setting.style = WallpaperTiled;
            return setting;
        }
    }
    if (const auto& background = gnome.Get()) return WallpaperFromGnome(*background);
    return {};
}

platform::Colour ReadDesktopColour(const DesktopSettingsSources& sources, GnomeCache& gnome) {
    if (sources.store) {
        if (auto text = sources.store->ReadString(kColoursKey, "Background"))
            if (auto colour = ParseDesktopColour(*text)) return *colour;
    }
    if (const auto& background = gnome.Get())
        if (auto colour = ParseDesktopColour(background->primaryColour)) return *colour;
    return kDefaultDesktopColour;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string UpperExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}

// The wallpaper as pixels when it is a readable BMP or JPEG.
std::optional<platform::Surface> DecodeWallpaper(const std::string& path) {
    try {
        std::unique_ptr<ImageSource> source = ImageSource::OpenFile(path);
        if (!source) return std::nullopt;
        switch (GuessFormat(*source)) {
            case FormatBmp: return DecodeGuarded(DecodeBmp, source->Bytes());
            case FormatJpeg: return DecodeGuarded(DecodeJpeg, source->Bytes());
            default: return std::nullopt;
        }
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// Source positions that land on a screen `screen` pixels long. Centred: the
// middle of a longer picture; tiled: its start; stretched: the positions that
// the stretch samples, so a picture larger than the screen is thinned out
// beforehand exactly as the stretch would thin it.
std::vector<int> ShownPositions(int length, int screen, int style) {
    const int shown = std::min(length, screen);
    std::vector<int> positions(static_cast<size_t>(shown));
    int first = 0;
    if (style == WallpaperCentred && length > screen) first = -((screen - length) / 2);
    for (int i = 0; i < shown; ++i) positions[i] = first + i;
    if (style == WallpaperStretched && length > screen) {
        for (int i = 0; i < shown; ++i)
            positions[i] = static_cast<int>((2 * int64_t{i} + 1) * length / (2 * int64_t{screen}));
    }
    return positions;
}

// The part of the picture that the layout shows, as a surface of at most the
// screen's size: a huge picture costs no more to draw than the screen.
platform::Surface ShownPart(const platform::Surface& picture, int style, Size screen) {
    const std::vector<int> columns = ShownPositions(picture.Width(), screen.width, style);
    const std::vector<int> rows = ShownPositions(picture.Height(), screen.height, style);
    platform::Surface part(static_cast<int>(columns.size()), static_cast<int>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y) {
        const platform::Pixel* in = picture.Row(rows[y]);
        platform::Pixel* out = part.Row(static_cast<int>(y));
        for (size_t x = 0; x < columns.size(); ++x) out[x] = in[columns[x]] & kPictureColourBits;
    }
    return part;
}

platform::Surface DrawWallpaper(const platform::Surface& picture, int style, Size screen,
                                platform::Colour background) {
    if (style != WallpaperTiled && style != WallpaperStretched) style = WallpaperCentred;
    platform::Surface part = ShownPart(picture, style, screen);
    platform::Surface target(screen.width, screen.height);
    platform::Painter painter(target);
    if (style == WallpaperTiled) {
        // A copy of the picture at every multiple of its size; the last
        // column and row are cut at the screen's edge.
        for (int y = 0; y < screen.height; ++y) {
            const platform::Pixel* in = part.Row(y % picture.Height());
            platform::Pixel* out = target.Row(y);
            for (int x = 0; x < screen.width; ++x) out[x] = in[x % picture.Width()];
        }
    } else if (style == WallpaperStretched) {
        painter.StretchCopy(target.Bounds(), part, part.Bounds());
    } else {
        painter.Fill(target.Bounds(), background);
        Point at{std::max(0, (screen.width - picture.Width()) / 2), std::max(0, (screen.height - picture.Height()) / 2)};
        painter.Copy(at, part, part.Bounds());
    }
    return target;
}

}  // namespace

WallpaperSetting ReadWallpaperSetting(const DesktopSettingsSources& sources) {
    GnomeCache gnome(sources);
    return ReadWallpaperSetting(sources, gnome);
}

platform::Colour ReadDesktopColour(const DesktopSettingsSources& sources) {
    GnomeCache gnome(sources);
    return ReadDesktopColour(sources, gnome);
}

WallpaperSetting WallpaperFromGnome(const platform::GnomeBackground& background) {
    WallpaperSetting setting;
    std::optional<int> style = StyleFromPictureOptions(background.pictureOptions);
    if (!style) return setting;
    setting.style = *style;
    const std::string& uri =
        background.preferDark && !background.pictureUriDark.empty() ? background.pictureUriDark : background.pictureUri;
    setting.path = PathFromFileUri(uri);
    return setting;
}

std::string PathFromFileUri(const std::string& uri) {
    constexpr std::string_view kScheme = "file://";
    if (uri.size() < kScheme.size()) return {};
    for (size_t i = 0; i < kScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(uri[i])) != kScheme[i]) return {};
    std::string rest = uri.substr(kScheme.size());
    size_t slash = rest.find('/');
    if (slash == std::string::npos) return {};
    std::string host = rest.substr(0, slash);
    if (!host.empty() && host != "localhost") return {};
    std::string path;
    for (size_t i = slash; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        int high = i + 2 < rest.size() ? HexDigit(rest[i + 1]) : -1;
        int low = i + 2 < rest.size() ? HexDigit(rest[i + 2]) : -1;
        if (high < 0 || low < 0) return {};
        char decoded = static_cast<char>(high * 16 + low);
        // An escaped NUL or slash cannot be part of one file name.
        if (decoded == '\0' || decoded == '/') return {};
        path += decoded;
        i += 2;
    }
    return path;
}

std::optional<int> StyleFromPictureOptions(const std::string& options) {
    if (options == "none") return std::nullopt;
    if (options == "wallpaper") return WallpaperTiled;
    if (options == "centered") return WallpaperCentred;
    return WallpaperStretched;
}

std::optional<platform::Colour> ParseDesktopColour(const std::string& text) {
    if (!text.empty() && text[0] == '#') {
        const size_t digits = text.size() - 1;
        if (digits != 3 && digits != 6 && digits != 12) return std::nullopt;
        const size_t width = digits / 3;
        int channel[3];
        for (int c = 0; c < 3; ++c) {
            int value = 0;
            for (size_t d = 0; d < width; ++d) {
                int digit = HexDigit(text[1 + c * width + d]);
                if (digit < 0) return std::nullopt;
                value = value * 16 + digit;
            }
            // Keep the most significant 8 bits; a single digit d means dd.
            channel[c] = width == 1 ? value * 17 : value >> (4 * (width - 2));
        }
        return platform::Rgb(static_cast<uint8_t>(channel[0]), static_cast<uint8_t>(channel[1]),
                             static_cast<uint8_t>(channel[2]));
    }
    int channel[3];
    const char* at = text.c_str();
    for (int c = 0; c < 3; ++c) {
        char* end = nullptr;
        long value = std::strtol(at, &end, 10);
        if (end == at || value < 0 || value > 255) return std::nullopt;
        channel[c] = static_cast<int>(value);
        at = end;
    }
    while (*at == ' ' || *at == '\t') ++at;
    if (*at != '\0') return std::nullopt;
    return platform::Rgb(static_cast<uint8_t>(channel[0]), static_cast<uint8_t>(channel[1]),
                         static_cast<uint8_t>(channel[2]));
}

Size DesktopScreenSize() {
    Rect screen = platform::PrimaryScreenBounds();
    if (screen.IsEmpty()) return kFallbackScreen;
    return {screen.Width(), screen.Height()};
}

platform::Surface CaptureDesktopPicture() {
    try {
        platform::Surface desktop = platform::CaptureRootWindow(kMaxImagePixels);
        if (desktop.Empty() || !AcceptableImageSize(desktop.Width(), desktop.Height())) {
            Size screen = DesktopScreenSize();
            if (!AcceptableImageSize(screen.width, screen.height)) screen = kFallbackScreen;
            desktop = platform::Surface(screen.width, screen.height);
        }
        return desktop;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool CaptureDesktop(const std::string& fileName) {
    try {
        platform::Surface desktop = CaptureDesktopPicture();
        if (!desktop.Empty()) WriteBmp(fileName, desktop);
    } catch (const std::bad_alloc&) {
    }
    return true;
}

std::optional<platform::Surface> LayOutWallpaper(const platform::Surface& picture, int style, Size screen,
                                                 platform::Colour background) {
    std::optional<platform::Surface> laidOut;
    if (AcceptableImageSize(picture.Width(), picture.Height()) && AcceptableImageSize(screen.width, screen.height)) {
        try {
            laidOut = DrawWallpaper(picture, style, screen, background);
        } catch (const std::bad_alloc&) {
        }
    }
    if (!laidOut) platform::ShowMessageBox(kWallpaperMemoryMessage);
    return laidOut;
}

bool WritePlainBackground(const std::string& fileName, Size screen, platform::Colour colour) {
    try {
        if (!AcceptableImageSize(screen.width, screen.height)) return false;
        platform::Surface plain(screen.width, screen.height);
        platform::Painter(plain).Fill(plain.Bounds(), colour);
        return WriteJpeg(fileName, plain, 100, true);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

WallpaperRequest ReadWallpaperRequest(const DesktopSettingsSources& sources, Size screen) {
    GnomeCache gnome(sources);
    WallpaperRequest request;
    request.setting = ReadWallpaperSetting(sources, gnome);
    request.background = ReadDesktopColour(sources, gnome);
    request.screen = screen;
    return request;
}

WallpaperImageResult MakeWallpaperImage(const std::string& fileName, const DesktopSettingsSources& sources,
                                        Size screen) {
    return MakeWallpaperImage(fileName, ReadWallpaperRequest(sources, screen));
}

WallpaperImageResult MakeWallpaperImage(const std::string& fileName, const WallpaperRequest& request) {
    const WallpaperSetting& setting = request.setting;
    const platform::Colour background = request.background;
    const Size screen = request.screen;
    WallpaperImageResult result;
    result.style = setting.style;

    std::optional<platform::Surface> picture;
    const std::string extension = UpperExtension(setting.path);
    if (!setting.path.empty() && extension != "HTML" && extension != "HTM" && extension != "GIF")
        picture = DecodeWallpaper(setting.path);
    if (!picture) {
        result.written = WritePlainBackground(fileName, screen, background);
        return result;
    }
    std::optional<platform::Surface> laidOut = LayOutWallpaper(*picture, setting.style, screen, background);
    picture.reset();
    if (laidOut) result.written = WriteBmp(fileName, *laidOut);
    return result;
}

WallpaperImageResult MakeWallpaperImage(const std::string& fileName, const DesktopSettingsSources& sources) {
    return MakeWallpaperImage(fileName, sources, DesktopScreenSize());
}

}  // namespace korv
