#include "platform/webkit/page_events.h"

#include <cmath>
#include <cstring>

namespace korv::platform::webkit {

namespace {

constexpr const char* kSinkKey = "korv-page-event-sink";

constexpr int kHostNotFound = -2146697211;     // 0x800C0005
constexpr int kCannotConnect = -2146697212;    // 0x800C0004
constexpr int kDownloadFailure = -2146697208;  // 0x800C0008

PageEventSink* Sink(gpointer data) { return static_cast<PageEventSink*>(data); }

void Send(gpointer data, WebPageEventKind kind, int a = 0, int b = 0, std::string text = {}) {
    Sink(data)->Report(WebPageEvent{kind, a, b, std::move(text)});
}

std::string Text(const char* text) { return text ? text : ""; }

bool IsAttachment(WebKitURIResponse* response) {
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    if (!headers) return false;
    const char* disposition = soup_message_headers_get_one(headers, "Content-Disposition");
    return disposition && g_ascii_strncasecmp(disposition, "attachment", std::strlen("attachment")) == 0;
}

// Responses the view may not show: error statuses of the page itself (the
// server's error page stays hidden) and what would be a download.
gboolean OnResponsePolicy(WebKitResponsePolicyDecision* decision, gpointer data) {
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
    guint status = webkit_uri_response_get_status_code(response);
    if (status >= 400 && webkit_response_policy_decision_is_main_frame_main_resource(decision)) {
        webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
        Send(data, WebPageEventKind::NavigationFailed, static_cast<int>(status));
        return TRUE;
    }
    if (IsAttachment(response) || !webkit_response_policy_decision_is_mime_type_supported(decision)) {
        webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
        Send(data, WebPageEventKind::DownloadRefused, 0, 0, Text(webkit_uri_response_get_uri(response)));
        return TRUE;
    }
    return FALSE;
}

gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                        gpointer data) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
        WebKitURIRequest* request = webkit_navigation_action_get_request(action);
        Send(data, WebPageEventKind::NavigationRequested, 0, 0, Text(webkit_uri_request_get_uri(request)));
        return FALSE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
        return OnResponsePolicy(WEBKIT_RESPONSE_POLICY_DECISION(decision), data);
    return FALSE;
}

void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
    switch (event) {
        case WEBKIT_LOAD_STARTED:
            Send(data, WebPageEventKind::LoadStarted);
            break;
        case WEBKIT_LOAD_COMMITTED: {
            Send(data, WebPageEventKind::LoadCommitted, 0, 0, Text(webkit_web_view_get_uri(view)));
            GTlsCertificate* certificate = nullptr;
            GTlsCertificateFlags errors{};
            if (webkit_web_view_get_tls_info(view, &certificate, &errors))
                Send(data, WebPageEventKind::SecureConnection);
            break;
        }
        case WEBKIT_LOAD_FINISHED:
            Send(data, WebPageEventKind::LoadFinished);
            break;
        default:
            break;
    }
}

void OnProgress(WebKitWebView* view, gpointer, gpointer data) {
    double progress = webkit_web_view_get_estimated_load_progress(view);
    Send(data, WebPageEventKind::Progress, static_cast<int>(std::lround(progress * 10000)), 10000);
}

void OnTitle(WebKitWebView* view, gpointer, gpointer data) {
    Send(data, WebPageEventKind::TitleChanged, 0, 0, Text(webkit_web_view_get_title(view)));
}

void OnMouseTarget(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer data) {
    if (webkit_hit_test_result_context_is_link(hit))
        Send(data, WebPageEventKind::StatusText, 0, 0, Text(webkit_hit_test_result_get_link_uri(hit)));
}

void OnHistoryChanged(WebKitBackForwardList* history, WebKitBackForwardListItem*, gpointer, gpointer data) {
    Send(data, WebPageEventKind::CommandState, 2, webkit_back_forward_list_get_back_item(history) ? 1 : 0);
    Send(data, WebPageEventKind::CommandState, 1, webkit_back_forward_list_get_forward_item(history) ? 1 : 0);
}

GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer data) {
    Send(data, WebPageEventKind::NewWindowRefused);
    return nullptr;
}

gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error, gpointer data) {
    if (int code = FailedLoadCode(error)) Send(data, WebPageEventKind::NavigationFailed, code);
    return TRUE;
}

gboolean LeaveFullScreen(gpointer view) {
    constexpr const char* kLeave = "if (document.fullscreenElement) document.exitFullscreen();";
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(view), kLeave, -1, nullptr, nullptr, nullptr, nullptr, nullptr);
    return G_SOURCE_REMOVE;
}

// The window stays as it is; the page, which WebKit lets enter full screen
// within the view, is taken out of it again.
gboolean OnEnterFullScreen(WebKitWebView* view, gpointer data) {
    Send(data, WebPageEventKind::FullScreenRefused);
    g_idle_add_full(G_PRIORITY_DEFAULT, LeaveFullScreen, g_object_ref(view), g_object_unref);
    return TRUE;
}

gboolean OnPrint(WebKitWebView*, WebKitPrintOperation*, gpointer data) {
    Send(data, WebPageEventKind::PrintRefused);
    return TRUE;
}

void OnClose(WebKitWebView*, gpointer data) { Send(data, WebPageEventKind::CloseRequested); }

void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data) {
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    char* text = jsc_value_is_string(value) ? jsc_value_to_string(value) : jsc_value_to_json(value, 0);
    Sink(data)->ReportScriptMessage(Text(text));
    g_free(text);
}

}  // namespace

int FailedLoadCode(const GError* error) {
    if (!error) return kDownloadFailure;
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
        return 0;
    if (error->domain == G_RESOLVER_ERROR || g_error_matches(error, G_IO_ERROR, G_IO_ERROR_HOST_NOT_FOUND))
        return kHostNotFound;
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_HOST_UNREACHABLE) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE))
        return kCannotConnect;
    return kDownloadFailure;
}

void ConnectPageEvents(WebKitWebView* view, PageEventSink* sink) {
    g_object_set_data(G_OBJECT(view), kSinkKey, sink);
    g_signal_connect(view, "decide-policy", G_CALLBACK(OnDecidePolicy), sink);
    g_signal_connect(view, "load-changed", G_CALLBACK(OnLoadChanged), sink);
    g_signal_connect(view, "notify::estimated-load-progress", G_CALLBACK(OnProgress), sink);
    g_signal_connect(view, "notify::title", G_CALLBACK(OnTitle), sink);
    g_signal_connect(view, "mouse-target-changed", G_CALLBACK(OnMouseTarget), sink);
    g_signal_connect(view, "create", G_CALLBACK(OnCreate), sink);
    g_signal_connect(view, "load-failed", G_CALLBACK(OnLoadFailed), sink);
    g_signal_connect(view, "enter-fullscreen", G_CALLBACK(OnEnterFullScreen), sink);
    g_signal_connect(view, "print", G_CALLBACK(OnPrint), sink);
    g_signal_connect(view, "close", G_CALLBACK(OnClose), sink);
    g_signal_connect(webkit_web_view_get_back_forward_list(view), "changed", G_CALLBACK(OnHistoryChanged), sink);
    WebKitUserContentManager* scripts = webkit_web_view_get_user_content_manager(view);
    g_signal_connect(scripts, (std::string("script-message-received::") + kScriptMessageHandler).c_str(),
                     G_CALLBACK(OnScriptMessage), sink);
    webkit_user_content_manager_register_script_message_handler(scripts, kScriptMessageHandler);
}

void DisconnectPageEvents(WebKitWebView* view, PageEventSink* sink) {
    g_object_set_data(G_OBJECT(view), kSinkKey, nullptr);
    g_signal_handlers_disconnect_by_data(view, sink);
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(view), sink);
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_user_content_manager(view), sink);
}

PageEventSink* PageEventSinkOf(WebKitWebView* view) {
    return static_cast<PageEventSink*>(g_object_get_data(G_OBJECT(view), kSinkKey));
}

}  // namespace korv::platform::webkit
