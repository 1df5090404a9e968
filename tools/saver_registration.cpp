#include "tools/saver_registration.h"

#include <cctype>
#include <filesystem>
#include <optional>

#include "platform/atomic_file.h"
#include "platform/file.h"
#include "platform/folders.h"
#include "shell/runtime_app.h"
#include "tools/commands.h"
#include "tools/desktop_entry.h"
#include "tools/xscreensaver_config.h"

namespace korv::tool {

namespace {

namespace fs = std::filesystem;

// The full-screen switch as xscreensaver's settings write it in the list,
// and as the desktop screen savers' own .desktop files write it.
constexpr const char* kRootSwitch = "--root";
constexpr const char* kDesktopRootSwitch = "-root";
// The system's list, the one in use while ~/.xscreensaver has none.
constexpr const char* kSystemDefaults = "/etc/X11/app-defaults/XScreenSaver";

std::string HomeFile(const std::string& name) {
    std::string home = platform::HomeFolder();
    if (home.empty()) throw ToolError("the home folder is unknown (set HOME)");
    return platform::JoinPath(home, name);
}

// Where the previous contents of ~/.xscreensaver go before it changes.
std::string XScreenSaverBackupPath() { return HomeFile(".xscreensaver.korv-backup"); }

// A ~/.xscreensaver that links to a file kept elsewhere is changed there.
std::string XScreenSaverPath() {
    std::string path = HomeFile(".xscreensaver");
    std::error_code error;
    if (fs::is_symlink(path, error)) {
        fs::path target = fs::weakly_canonical(path, error);
        if (!error) return target.string();
    }
    return path;
}

// The name the saver goes by everywhere (its settings too).
std::string SaverName(const std::string& saverPath) { return ProgramSaverName(saverPath); }

std::string DesktopFilePath(const std::string& saverPath) {
    std::string id = "korv-";
    for (char c : SaverName(saverPath))
        id += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
    return platform::JoinPath(platform::JoinPath(platform::ApplicationDataFolder(), "applications/screensavers"),
                              id + ".desktop");
}

void WriteWhole(const std::string& path, const std::string& bytes, unsigned permissions) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    bool written = platform::WriteFileReplacing(
        path, [&](std::FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(); },
        permissions);
    if (!written) throw ToolError("cannot write " + path);
}

// The file's permission bits, or `fallback` when it does not exist.
unsigned PermissionsOf(const std::string& path, unsigned fallback) {
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::exists(status)) return fallback;
    return static_cast<unsigned>(status.permissions()) & 07777;
}

std::optional<std::string> ReadIfPresent(const std::string& path) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error))) return std::nullopt;
    auto text = platform::ReadFileText(path);
    if (!text) throw ToolError("cannot read " + path);
    return text;
}

// Replaces ~/.xscreensaver with `changed`, after keeping `original` in the
// backup file.
void ReplaceXScreenSaverFile(const std::string& path, const std::optional<std::string>& original,
                             const std::string& changed) {
    unsigned permissions = PermissionsOf(path, 0644);
    if (original) WriteWhole(XScreenSaverBackupPath(), *original, permissions);
    WriteWhole(path, changed, permissions);
}

}  // namespace

std::vector<std::string> RegisterSaver(const std::string& saverPath) {
    if (!FitsProgramsList(saverPath))
        throw ToolError("cannot register " + saverPath + ": a backslash or control character in its path");
    std::vector<std::string> notes;
    const std::string name = SaverName(saverPath);
    // Another saver of the same name keeps its .desktop file; nothing changes.
    const std::string desktopPath = DesktopFilePath(saverPath);
    std::optional<std::string> desktop = ReadIfPresent(desktopPath);
    std::string wanted = ScreensaverDesktopEntry(name, saverPath, kDesktopRootSwitch);
    if (desktop && DesktopEntryProgram(*desktop) != saverPath)
        throw ToolError(desktopPath + " belongs to " + DesktopEntryProgram(*desktop) + "; uninstall that saver first");

    const std::string configPath = XScreenSaverPath();
    std::optional<std::string> original = ReadIfPresent(configPath);
    auto entries = original ? ReadProgramsList(*original) : std::nullopt;
    bool listed = false;
    for (const ProgramsEntry& entry : entries.value_or(std::vector<ProgramsEntry>()))
        listed = listed || entry.program == saverPath;
    if (listed) {
        notes.push_back(name + " is already in the list of " + configPath);
    } else {
        std::string defaults;
        if (!entries) {
            auto system = platform::ReadFileText(kSystemDefaults);
            defaults = system ? ProgramsValueText(*system).value_or("") : "";
        }
        std::string text = original ? *original : "# XScreenSaver preferences, made by korv-tool install\n";
        ReplaceXScreenSaverFile(configPath, original,
                                AddProgramsEntry(text, FormatProgramsEntry(name, saverPath, kRootSwitch), defaults));
        notes.push_back("added " + name + " to the list of " + configPath +
                        (original ? " (its previous contents are in " + XScreenSaverBackupPath() + ")" : ""));
    }

    if (desktop == wanted) {
        notes.push_back(desktopPath + " is already there");
    } else {
        WriteWhole(desktopPath, wanted, 0644);
        notes.push_back("wrote " + desktopPath);
    }
    return notes;
}

std::vector<std::string> UnregisterSaver(const std::string& saverPath) {
    std::vector<std::string> notes;
    const std::string name = SaverName(saverPath);

    const std::string configPath = XScreenSaverPath();
    std::optional<std::string> original = ReadIfPresent(configPath);
    std::string changed = original ? RemoveProgramsEntries(*original, saverPath) : std::string();
    if (original && changed != *original) {
        ReplaceXScreenSaverFile(configPath, original, changed);
        notes.push_back("removed " + name + " from the list of " + configPath + " (its previous contents are in " +
                        XScreenSaverBackupPath() + ")");
    } else {
        notes.push_back(name + " was not in the list of " + configPath);
    }

    const std::string desktopPath = DesktopFilePath(saverPath);
    std::optional<std::string> desktop = ReadIfPresent(desktopPath);
    if (desktop && DesktopEntryProgram(*desktop) == saverPath) {
        std::error_code error;
        if (!fs::remove(desktopPath, error)) throw ToolError("cannot remove " + desktopPath);
        notes.push_back("removed " + desktopPath);
    } else {
        notes.push_back("no .desktop file of " + name + " to remove");
    }
    return notes;
}

}  // namespace korv::tool
