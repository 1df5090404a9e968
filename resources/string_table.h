#pragma once
// The program's string table: texts known by number, as the resources of the
// program file hold them (registry names, messages).

#include <string>

namespace korv {

enum StringId : int {
    IDS_REGISTRY_KEY = 33004,        // "Halcyra\Screen Saver"
    IDS_SETTINGS_SECTION = 33006,    // "Settings"
    IDS_STANDARD = 33007,
    IDS_MOUSE_MOVE = 33008,
    IDS_BUTTON_DOWN = 33009,
    IDS_DOUBLE_CLICK = 33010,
    IDS_KEY_DOWN = 33011,
    IDS_ESCAPE = 33012,
    IDS_MUTE = 33013,
    IDS_UPDATE_STATUS = 33014,
    IDS_PROXY_STATUS = 33015,
    IDS_PROXY_ADDRESS = 33016,
    IDS_PROXY_PORT = 33017,
    IDS_REMOTE_SITE = 33018,
    IDS_TEXT_BITMAP_FAILED = 34002,  // "\ntext bitmap cannot be made."
    IDS_CHOOSE_IMAGE = 34003,
    IDS_CANNOT_READ_DATA = 34013,
    IDS_CANNOT_MAKE_DATA_FILE = 34014,
    IDS_SYSINFO = 34024,
    IDS_TIMES = 34025,
    IDS_CHOOSE_MEDIA = 34023,
    IDS_SCENARIO_SIGNATURE = 34026,  // the 15-character first text of scenario files
    IDS_FILE_ACCESS_ERROR = 34027,   // "Error during file access!"
    IDS_LAST_UPDATE = 34200,
    IDS_NEWER_FORMAT = 34206,
    IDS_INTERVAL_TIME = 34201,
    IDS_INTERVAL_TYPE = 34202,
    IDS_SESSION_STATUS = 34207,
    IDS_REDIRECT_VALUE = 34209,
};

// The text of string `id`; empty for an id the table does not hold.
const std::string& LoadString(int id);

}  // namespace korv
