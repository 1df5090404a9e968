#include "media/html/html_view_events.h"

#include "saver/log.h"

namespace korv {

void LogHtmlViewEvent(const platform::WebPageEvent& event) {
    using Kind = platform::WebPageEventKind;
    switch (event.kind) {
    case Kind::NavigationRequested: FileLog("Html Before Navigate2"); return;
    case Kind::LoadStarted: FileLog("Html Download begin"); return;
    case Kind::LoadCommitted: FileLog("Html Navigate Complete2"); return;
    case Kind::Progress: FileLogFormat("HTML Progress:%d, ProgressMax:%d\n", event.a, event.b); return;
    case Kind::TitleChanged:
    case Kind::StatusText: FileLog(event.text); return;
    case Kind::CommandState: FileLogFormat("Html Command:%d, Enabled:%d\n", event.a, event.b); return;
    case Kind::SecureConnection: FileLog("Html SetSecureLockIcon"); return;
    case Kind::LoadFinished:
        FileLog("Html Document complete");
        FileLog("Html Document complete - scroll bar off");
        FileLog("Html Download complete");
        return;
    case Kind::NewWindowRefused: FileLog("Html New Window2"); return;
    case Kind::DownloadRefused: FileLog("Html FileDownload"); return;
    case Kind::NavigationFailed: FileLogFormat("Html NavigateError Code:[%d]", event.a); return;
    case Kind::FullScreenRefused: FileLog("Html Fullscreen"); return;
    case Kind::PrintRefused: FileLog("Html PrintTemplateInstantiation"); return;
    case Kind::CloseRequested: FileLog("Html WindowClosing"); return;
    }
}

}  // namespace korv
