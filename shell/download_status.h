#pragma once
// The status screen a saver without content shows while it downloads its
// first version: a heading, the overall and the current-object progress
// bars, the figures, and one red message line when something went wrong.
// The download thread writes the counters and the status; the scene thread
// draws.

#include <memory>
#include <mutex>
#include <string>

#include "platform/font.h"
#include "platform/geometry.h"
#include "platform/surface.h"
#include "update/download_progress.h"

namespace korv {

class DownloadStatus {
public:
    // `screen` is the size the screen is drawn at (the primary screen).
    explicit DownloadStatus(Size screen);

    DownloadProgress& Progress() { return progress_; }
    void ReportStatus(int code, const std::string& text);
    int StatusCode() const;
    // The message line for the current status ("" for none).
    std::string Message() const;

    // Draws the status screen, erasing only what the previous drawing put
    // where figures and the message change.
    void Draw(platform::Surface& surface);

    static constexpr int kBarWidth = 600;
    static constexpr int kBarHeight = 40;

private:
    // Draws `text` centred at the row that puts its middle at `middle`
    // (minus its half height); returns its rectangle.
    Rect DrawCentred(platform::Surface& surface, const platform::Font& font, const std::string& text, int middleOffset,
                     platform::Colour colour);
    void DrawBar(platform::Surface& surface, int top, bool clear, int filled);

    DownloadProgress progress_;
    mutable std::mutex statusMutex_;
    int statusCode_ = 0;
    std::string statusText_;

    bool gdiReady_ = false;
    std::shared_ptr<platform::Font> headingFont_, subheadingFont_, progressFont_;
    Size screen_;
    Rect percentRect_, objectRect_, messageRect_;
};

// The message of a status code, with `text` where it has one.
std::string StatusMessage(int code, const std::string& text);

}  // namespace korv
