// The dialog a message-box helper shows: a small window, titled with the
// caption, that holds the request's icon, the text and an "OK" button, drawn with our own fonts
// (the X server need not have any). It stays above other windows, a full-
// screen saver included, and ends on the button, Enter, Space, Escape or
// the window's close.

#include "platform/message_box_helpers.h"

#include <SDL.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/message_box_icon.h"
#include "platform/painter.h"
#include "platform/sdl/sdl_video.h"
#include "platform/text_drawing.h"

namespace korv::platform {

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kMinimumWidth = 240;
constexpr int kMaximumWidth = 960;
constexpr int kMaximumLines = 30;
const Colour kFace = Rgb(240, 240, 240);
const Colour kInk = Rgb(0, 0, 0);

struct Layout {
    Size window;
    Point icon;
    Rect text;
    Rect button;
};

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start <= text.size() && lines.size() < kMaximumLines) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

Layout Arrange(const Font& font, std::string_view text) {
    int widest = 0;
    const std::vector<std::string_view> lines = Lines(text);
    for (std::string_view line : lines) widest = std::max(widest, TextWidth8(font, line));
    // The icon sits at the top left, the text to its right, centred on the
    // icon when it is shorter.
    const int textLeft = kMargin + kMessageBoxIconSize + kMargin;
    const int width = std::clamp(textLeft + widest + kMargin, kMinimumWidth, kMaximumWidth);
    const int textHeight = static_cast<int>(lines.size()) * font.Height();
    const int bodyHeight = std::max(textHeight, kMessageBoxIconSize);
    Layout layout;
    layout.window = {width, kMargin + bodyHeight + kMargin + kButtonHeight + kMargin};
    layout.icon = {kMargin, kMargin};
    layout.text = Rect::FromSize(textLeft, kMargin + (bodyHeight - textHeight) / 2, width - textLeft - kMargin, textHeight);
    layout.button = Rect::FromSize((width - kButtonWidth) / 2, kMargin + bodyHeight + kMargin, kButtonWidth, kButtonHeight);
    return layout;
}

Surface Paint(const Font& font, std::string_view text, MessageBoxIcon icon, const Layout& layout) {
    Surface surface(layout.window.width, layout.window.height);
    Painter painter(surface);
    painter.Fill(surface.Bounds(), kFace);
    DrawMessageBoxIcon(surface, layout.icon, icon);
    DrawText(surface, font, text, layout.text, TextFormat::Left, kInk, kFace, BackgroundMode::Transparent);
    painter.RaisedEdge(layout.button);
    Rect caption = layout.button;
    caption.top += (kButtonHeight - font.Height()) / 2;
    DrawText(surface, font, "OK", caption, TextFormat::Centre, kInk, kFace, BackgroundMode::Transparent);
    return surface;
}

bool Present(SDL_Renderer* renderer, SDL_Texture* texture, const Surface& frame) {
    if (SDL_UpdateTexture(texture, nullptr, frame.Row(0), frame.Width() * 4) != 0) return false;
    SDL_RenderCopy(renderer, texture, nullptr, nullptr);
    SDL_RenderPresent(renderer);
    return true;
}

bool Answered(const SDL_Event& event, const Layout& layout) {
    switch (event.type) {
    case SDL_QUIT: return true;
    case SDL_WINDOWEVENT: return event.window.event == SDL_WINDOWEVENT_CLOSE;
    case SDL_MOUSEBUTTONUP: return layout.button.Contains(event.button.x, event.button.y);
    case SDL_KEYDOWN:
        switch (event.key.keysym.sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
        case SDLK_SPACE:
        case SDLK_ESCAPE: return true;
        default: return false;
        }
    default: return false;
    }
}

}  // namespace

bool ShowDialogAndWait(const MessageBoxRequest& request) {
    FontDescription description;
    description.height = -13;
    description.faceName = "Arial";
    std::shared_ptr<Font> font = Font::Create(description);
    if (!font) return false;
    const Layout layout = Arrange(*font, request.text);
    const Surface frame = Paint(*font, request.text, request.icon, layout);

    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // SIGTERM keeps ending the helper at once.
    if (!StartSdlVideo()) return false;
    SDL_Window* window = SDL_CreateWindow(request.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          layout.window.width, layout.window.height,
                                          SDL_WINDOW_SHOWN | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE) : nullptr;
    SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                                        layout.window.width, layout.window.height)
                                    : nullptr;
    bool shown = texture && Present(renderer, texture, frame);
    if (shown) {
        SDL_RaiseWindow(window);
        SDL_Event event;
        while (SDL_WaitEvent(&event)) {
            if (Answered(event, layout)) break;
            if (event.type == SDL_WINDOWEVENT) Present(renderer, texture, frame);
        }
    }
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return shown;
}

}  // namespace korv::platform
