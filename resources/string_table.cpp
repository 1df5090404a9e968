#include "resources/string_table.h"

#include <unordered_map>

namespace korv {

namespace {

const std::unordered_map<int, std::string>& Table() {
    static const std::unordered_map<int, std::string> table = {
        {IDS_REGISTRY_KEY, "Halcyra\\Screen Saver"},
        {IDS_SETTINGS_SECTION, "Settings"},
        {IDS_STANDARD, "Standard"},
        {IDS_MOUSE_MOVE, "MouseMove"},
        {IDS_BUTTON_DOWN, "ButtonDown"},
        {IDS_DOUBLE_CLICK, "DoubleClick"},
        {IDS_KEY_DOWN, "KeyDown"},
        {IDS_ESCAPE, "Escape"},
        {IDS_MUTE, "Mute"},
        {IDS_UPDATE_STATUS, "UpdateStatus"},
        {IDS_PROXY_STATUS, "ProxyStatus"},
        {IDS_PROXY_ADDRESS, "ProxyAddress"},
        {IDS_PROXY_PORT, "ProxyPort"},
        {IDS_REMOTE_SITE, "RemoteSite"},
        {IDS_TEXT_BITMAP_FAILED, "\ntext bitmap cannot be made."},
        {IDS_CHOOSE_IMAGE, "You have to choose the image."},
        {IDS_CANNOT_READ_DATA, "\nCannot be read data."},
        {IDS_CANNOT_MAKE_DATA_FILE, "It cannot be made data file."},
        {IDS_SYSINFO, "SysInfo"},
        {IDS_TIMES, "Times"},
        {IDS_CHOOSE_MEDIA, "You have to choose the media."},
        {IDS_SCENARIO_SIGNATURE, "KORV-SCENE-FILE"},
        {IDS_FILE_ACCESS_ERROR, "Error during file access!"},
        {IDS_LAST_UPDATE, "LastUpdate"},
        {IDS_NEWER_FORMAT,
         "Downloaded scenario uses newer format unsupported by this screensaver engine.\nPlease go to screensaver's "
         "homepage and download new version."},
        {IDS_INTERVAL_TIME, "IntervalTime"},
        {IDS_INTERVAL_TYPE, "IntervalType"},
        {IDS_SESSION_STATUS, "SessionStatus"},
        {IDS_REDIRECT_VALUE, "RedirectValue"},
    };
    return table;
}

}  // namespace

const std::string& LoadString(int id) {
    static const std::string empty;
    auto it = Table().find(id);
    return it == Table().end() ? empty : it->second;
}

}  // namespace korv
