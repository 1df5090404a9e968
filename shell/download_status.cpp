#include "shell/download_status.h"

#include <cstdio>

#include "platform/painter.h"
#include "platform/text_drawing.h"
#include "saver/log.h"

namespace korv {

namespace {

constexpr platform::Colour kYellow = platform::Rgb(255, 255, 50);
constexpr platform::Colour kRed = platform::Rgb(255, 0, 0);
constexpr platform::Colour kBlack = platform::Rgb(0, 0, 0);

// A font of `points` points on a 96 dpi screen.
std::shared_ptr<platform::Font> MakeFont(const char* face, int points) {
    platform::FontDescription description;
    description.height = -(points * 96 + 36) / 72;
    description.weight = 400;
    description.faceName = face;
    return platform::Font::Create(description);
}

}  // namespace

std::string StatusMessage(int code, const std::string& text) {
    switch (code) {
        case 0: return "";
        case -1: return "Failed to download script file, check remote files";
        case -2: return "Script tags are missing";
        case -3: return "Script parsing failed";
        case -4: return "Error in script";
        case -5: return "Warning! Update file is missing, will use default.";
        case -6: return "Redirecting to:" + text + ", please wait...";
        case -20: return text;  // a failure described by the update itself
        case -100:
            return "Warning! 'Do not check for updates' option enabled (check SCR settings dialog). No new data will be "
                   "downloaded.";
        default: break;
    }
    if (code < 0) return "";
    // The file name comes from the site: shown as text, never as a format.
    return "File: " + text + FormatText(" does not exist on server [%d]", code);
}

DownloadStatus::DownloadStatus(Size screen) : screen_(screen) {
    headingFont_ = MakeFont("Verdana", 25);
    subheadingFont_ = MakeFont("Verdana", 20);
    progressFont_ = MakeFont("Arial", 15);
    gdiReady_ = headingFont_ && subheadingFont_ && progressFont_;
}

void DownloadStatus::ReportStatus(int code, const std::string& text) {
    std::lock_guard lock(statusMutex_);
    statusCode_ = code;
    statusText_ = text;
}

int DownloadStatus::StatusCode() const {
    std::lock_guard lock(statusMutex_);
    return statusCode_;
}

std::string DownloadStatus::Message() const {
    std::lock_guard lock(statusMutex_);
    return StatusMessage(statusCode_, statusText_);
}

Rect DownloadStatus::DrawCentred(platform::Surface& surface, const platform::Font& font, const std::string& text,
                                 int middleOffset, platform::Colour colour) {
    Size size = platform::MeasureTextExtent(font, text, 0);
    int left = screen_.width / 2 - size.width / 2;
    int top = screen_.height / 2 - size.height / 2 + middleOffset;
    Rect rect = Rect::FromSize(left, top, size.width, size.height);
    platform::DrawText(surface, font, text, rect, platform::TextFormat::Left, colour, kBlack,
                       platform::BackgroundMode::Transparent);
    return rect;
}

void DownloadStatus::DrawBar(platform::Surface& surface, int top, bool clear, int filled) {
    platform::Painter painter(surface);
    const int left = screen_.width / 2 - 300;
    Rect bar = Rect::FromSize(left, top, kBarWidth, kBarHeight);
    if (clear) painter.Fill(bar, kBlack);
    painter.RaisedEdge(bar);
    painter.Fill(Rect::FromSize(left, top + 1, filled, 38), kRed);
}

void DownloadStatus::Draw(platform::Surface& surface) {
    platform::Painter painter(surface);
    if (!gdiReady_) {
        if (auto fallback = platform::Font::Create({}))
            platform::DrawText(surface, *fallback, "Failed to initialize GDI objects!", surface.Bounds(),
                               platform::TextFormat::Left, kYellow, kBlack, platform::BackgroundMode::Transparent);
        return;
    }
    DrawCentred(surface, *headingFont_, "Downloading screen saver data", -100, kYellow);
    DrawCentred(surface, *subheadingFont_, "Please wait...", -20, kYellow);

    const int total = progress_.objectTotal, number = progress_.objectNumber;
    const int size = progress_.objectSize, received = progress_.bytesReceived;
    painter.Fill(percentRect_, kBlack);
    painter.Fill(objectRect_, kBlack);
    double percent = total > 0 && number > 1 ? (number - 1) * 100.0 / total : 0.0;
    percentRect_ = DrawCentred(surface, *progressFont_, FormatText("%.0f%% completed", percent), 90, kYellow);
    objectRect_ = DrawCentred(surface, *progressFont_,
                              FormatText("Object %d/%d, size: %d, downloaded %d", number, total, size, received), 200, kYellow);

    painter.Fill(messageRect_, kBlack);
    messageRect_ = {};
    std::string message = Message();
    if (StatusCode() != 0) messageRect_ = DrawCentred(surface, *progressFont_, message, 230, kRed);

    const int cy = screen_.height / 2;
    int overall = total > 0 && number > 0 ? static_cast<int>(static_cast<int64_t>(number - 1) * kBarWidth / total) : 0;
    DrawBar(surface, cy + 25, number == 0, std::max(overall, 0));
    int current = size > 0 && received > 0 ? static_cast<int>(static_cast<int64_t>(received) * kBarWidth / size) : 0;
    DrawBar(surface, cy + 125, received == 0, std::clamp(current, 0, kBarWidth));
}

}  // namespace korv
