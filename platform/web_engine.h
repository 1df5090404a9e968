#pragma once
// A browser engine for web pages and the Flash player. Pages load in views
// that are never on the screen themselves: each view sends its picture back
// at a steady pace, and the caller composes it where it wants (an overlay
// child surface of the saver window). The view reports what its page does
// as events, and a page can send text messages to its host.
//
// The engine runs on one thread of its own, started on first need (it costs
// hundreds of megabytes and a second or two). Every call here may come from
// any thread; the listener's calls come on the engine's thread.
//
// Pages are sandboxed and leave nothing behind: no cookies, cache or other
// site data are written, no new windows open, downloads are refused, failed
// navigations show no error page.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace korv::platform {

// What a page did.
enum class WebPageEventKind {
    NavigationRequested,  // a navigation of the page is about to start (text: the address)
    LoadStarted,          // the engine asks for the page's data
    LoadCommitted,        // the page's first data arrived (text: the address)
    Progress,             // a: progress so far, b: the maximum (10000)
    TitleChanged,         // text: the page's title
    StatusText,           // text: what a browser shows in its status bar (the link under the pointer)
    CommandState,         // a: 1 forward, 2 back; b: 1 when that command is now possible
    SecureConnection,     // the page came over a secure connection
    LoadFinished,         // the document and what it needs are loaded
    NewWindowRefused,     // the page asked for a new window and got none
    DownloadRefused,      // the page started a download and got none (text: the address)
    NavigationFailed,     // a: the status code (HTTP status, or a negative network error code)
    FullScreenRefused,    // the page asked for full screen and got none
    PrintRefused,         // the page asked to print and nothing was printed
    CloseRequested,       // the page asked to close its window
};

struct WebPageEvent {
    WebPageEventKind kind;
    int a = 0;
    int b = 0;
    std::string text;
};

// A picture of a view: 32-bit pixels 0x00RRGGBB, rows `stride` pixels apart.
struct WebFrame {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
};

class WebViewListener {
public:
    virtual ~WebViewListener() = default;
    virtual void OnPageEvent(const WebPageEvent& event) {}
    // A new picture; `frame` is valid only during the call.
    virtual void OnFrame(const WebFrame& frame) {}
    // Text the page sent with window.webkit.messageHandlers.korv.postMessage.
    virtual void OnScriptMessage(const std::string& message) {}
};

struct WebViewOptions {
    Size size{640, 480};
    // Milliseconds between pictures (0: none).
    uint32_t frameIntervalMs = 100;
};

class WebView {
public:
    // Closes the view. The engine destroys it on its thread a little later;
    // until then the listener may still hear from it (the engine keeps its
    // own reference to the listener).
    virtual ~WebView() = default;
    virtual void Load(const std::string& url) = 0;
    // Runs JavaScript in the page; its result is ignored.
    virtual void RunScript(const std::string& script) = 0;
    virtual void Resize(Size size) = 0;
    virtual void SetFrameInterval(uint32_t ms) = 0;
    // A left click at `point` (view coordinates), for views that take input.
    virtual void Click(Point point) = 0;
};

// An answer of a scheme of our own: the bytes and their Content-Type.
struct WebResource {
    std::vector<uint8_t> bytes;
    std::string contentType;
};
// Answers "scheme://host/path" with the path (from its first "/"); nullopt
// when there is no such resource. Called on the engine's thread.
using WebResourceProvider = std::function<std::optional<WebResource>(const std::string& path)>;

class WebEngine {
public:
    virtual ~WebEngine() = default;
    // Starts the engine's thread once and waits until the engine can take
    // views (or could not start). Empty when it runs; otherwise why not.
    // Later calls return the first answer at once.
    virtual std::string Start() = 0;
    virtual bool Running() const = 0;
    // Serves a scheme of our own to the views made after it.
    virtual void RegisterScheme(const std::string& scheme, WebResourceProvider provider) = 0;
    // A view of `options.size` that loads nothing yet; nullptr when the
    // engine does not run.
    virtual std::unique_ptr<WebView> CreateView(const WebViewOptions& options,
                                                std::shared_ptr<WebViewListener> listener) = 0;
    // Ends the engine's thread, waiting for it at most `timeoutMs`. Views
    // left open stop. The engine cannot be started again.
    virtual void Shutdown(uint32_t timeoutMs) = 0;
};

// The engine of the process: WebKitGTK, loaded from its module the first
// time it is started, unless replaced (tests).
WebEngine& SystemWebEngine();
void SetSystemWebEngine(WebEngine* engine);  // nullptr restores the system's
// Whether the process ever started the system's engine (its end must then
// skip the libraries' own destructors).
bool WebEngineWasStarted();

}  // namespace korv::platform
