// Folders on POSIX systems, following the XDG base-directory rules.

#include "platform/folders.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <vector>

namespace korv::platform {

namespace {

// Removes final separators, but keeps a lone "/".
std::string WithoutFinalSeparator(std::string path) {
    while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
    return path;
}

// An XDG variable counts only when it holds an absolute path; an empty or
// relative value is ignored and the default applies.
std::string XdgFolder(const char* variable, const char* defaultUnderHome) {
    const char* value = getenv(variable);
    if (value && value[0] == '/') return WithoutFinalSeparator(value);
    std::string home = HomeFolder();
    if (home.empty()) return {};
    return JoinPath(home, defaultUnderHome);
}

// A real folder (not a link) of this user that nobody else can enter.
bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() &&
           (info.st_mode & 077) == 0;
}

// `path` as a private folder: made 0700 when missing, its mode tightened when
// it is ours but open to others. False when it is a link, not a folder, or
// another user's.
bool MakePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return false;
    if ((info.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) return false;
    return IsPrivateFolder(path);
}

}  // namespace

std::string PrivateTempFolder() {
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && IsPrivateFolder(WithoutFinalSeparator(runtime))) {
        std::string folder = JoinPath(WithoutFinalSeparator(runtime), "korv");
        if (MakePrivateFolder(folder)) return folder;
    }
    std::string base = TempFolder();
    std::string folder = JoinPath(base, "korv-" + std::to_string(::geteuid()));
    if (MakePrivateFolder(folder)) return folder;

    // Someone else holds the usual name: a folder with a random name, made
    // once per process and temporary folder.
    static std::mutex mutex;
    static std::map<std::string, std::string> fallbacks;
    std::lock_guard lock(mutex);
    auto known = fallbacks.find(base);
    if (known != fallbacks.end() && IsPrivateFolder(known->second)) return known->second;
    std::string pattern = folder + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) return {};
    fallbacks[base] = buffer.data();
    return buffer.data();
}

std::string HomeFolder() {
    const char* home = getenv("HOME");
    if (home && home[0] != '\0') return WithoutFinalSeparator(home);

    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 4096);
    for (int attempt = 0; attempt < 8; ++attempt) {
        passwd entry{};
        passwd* found = nullptr;
        int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || !found || !found->pw_dir || found->pw_dir[0] == '\0') return {};
        return WithoutFinalSeparator(found->pw_dir);
    }
    return {};
}

std::string ApplicationDataFolder() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

std::string ConfigFolder() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

std::string StateFolder() { return XdgFolder("XDG_STATE_HOME", ".local/state"); }

std::string TempFolder() {
    const char* value = getenv("TMPDIR");
    if (value && value[0] != '\0') return WithoutFinalSeparator(value);
    return "/tmp";
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    size_t folderEnd = folder.size();
    while (folderEnd > 0 && folder[folderEnd - 1] == kPathSeparator) --folderEnd;
    size_t nameStart = 0;
    while (nameStart < name.size() && name[nameStart] == kPathSeparator) ++nameStart;
    std::string joined = folder.substr(0, folderEnd);
    joined += kPathSeparator;
    joined.append(name, nameStart, std::string::npos);
    return joined;
}

std::string CreateUniqueTempFile(const std::string& folder, const std::string& prefix) {
    if (folder.empty()) return {};
    std::string pattern = JoinPath(folder, prefix + "XXXXXX");
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) return {};
    close(fd);
    return std::string(buffer.data());
}

}  // namespace korv::platform
