#include "platform/module_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <vector>

namespace korv::platform {

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Candidates(const ModuleInfo& info) {
    std::vector<fs::path> candidates;
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        fs::path folder = program.parent_path();
        candidates.push_back(folder / info.fileName);
        candidates.push_back((folder / ".." / "lib" / "korv" / info.fileName).lexically_normal());
    }
    if (info.buildPath) candidates.push_back(info.buildPath);
#ifdef KORV_MODULE_INSTALL_FOLDER
    candidates.push_back(fs::path(KORV_MODULE_INSTALL_FOLDER) / info.fileName);
#endif
    return candidates;
}

void* Load(const ModuleInfo& info, std::string& failure) {
    const std::string what = info.description;
    fs::path path;
    const char* chosen = info.pathVariable ? std::getenv(info.pathVariable) : nullptr;
    if (chosen && *chosen) {
        path = chosen;
        std::error_code error;
        if (!fs::exists(path, error)) {
            failure = what + " " + path.string() + " was not found";
            return nullptr;
        }
    } else {
        for (const fs::path& candidate : Candidates(info)) {
            std::error_code error;
            if (fs::exists(candidate, error)) {
                path = candidate;
                break;
            }
        }
        if (path.empty()) {
            failure = what + " " + info.fileName + " was not found";
            return nullptr;
        }
    }
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* reason = dlerror();
        failure = what + " could not be loaded: " + std::string(reason ? reason : path.string());
        return nullptr;
    }
    void* entry = dlsym(module, info.entryName);
    if (!entry) failure = what + " " + path.string() + " has no " + info.entryName;
    return entry;
}

struct Answer {
    void* entry = nullptr;
    std::string failure;
};

std::mutex gAnswersMutex;
std::map<std::string, Answer> gAnswers;  // by file name

}  // namespace

void* LoadModuleEntry(const ModuleInfo& info, std::string& failure) {
    std::lock_guard lock(gAnswersMutex);
    auto [answer, fresh] = gAnswers.try_emplace(info.fileName);
    if (fresh) answer->second.entry = Load(info, answer->second.failure);
    failure = answer->second.failure;
    return answer->second.entry;
}

void* LoadedModuleEntry(const ModuleInfo& info) {
    std::lock_guard lock(gAnswersMutex);
    auto answer = gAnswers.find(info.fileName);
    return answer == gAnswers.end() ? nullptr : answer->second.entry;
}

}  // namespace korv::platform
