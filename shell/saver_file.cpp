#include "shell/saver_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace korv {

namespace {

namespace fs = std::filesystem;

bool ReadAll(const std::string& path, std::vector<char>& bytes) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

void PutU32(std::ofstream& out, uint32_t value) {
    char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                     static_cast<char>(value >> 24)};
    out.write(bytes, 4);
}

}  // namespace

std::string BuildSaver(const SaverBuildRequest& request) {
    std::vector<char> engine;
    if (!ReadAll(request.enginePath, engine)) return "cannot read the engine " + request.enginePath;
    if (engine.size() > kEngineSize)
        return "the engine " + request.enginePath + " is " + std::to_string(engine.size()) + " bytes, larger than the " +
               std::to_string(kEngineSize) + " bytes a saver reserves for it";

    std::vector<char> scenario;
    if (request.scenarioPath && !ReadAll(*request.scenarioPath, scenario))
        return "cannot read the scenario " + *request.scenarioPath;
    uint64_t payloadOffset = kEngineSize + (request.scenarioPath ? 4 + scenario.size() : 0);
    if (payloadOffset > UINT32_MAX) return "the scenario is too large for a saver";

    std::string temp = request.outputPath + ".partial";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return "cannot write " + request.outputPath;
        out.write(engine.data(), static_cast<std::streamsize>(engine.size()));
        std::vector<char> padding(kEngineSize - engine.size(), 0);
        out.write(padding.data(), static_cast<std::streamsize>(padding.size()));
        if (request.scenarioPath) {
            PutU32(out, static_cast<uint32_t>(scenario.size()));
            out.write(scenario.data(), static_cast<std::streamsize>(scenario.size()));
        }
        auto record = EncodePayloadRecord(request.payload);
        out.write(reinterpret_cast<const char*>(record.data()), static_cast<std::streamsize>(record.size()));
        PutU32(out, static_cast<uint32_t>(payloadOffset));
        out.put(request.settingsDisabled ? 1 : 0);
        out.flush();
        if (!out) {
            std::error_code ignored;
            fs::remove(temp, ignored);
            return "cannot write " + request.outputPath;
        }
    }
    std::error_code error;
    fs::permissions(temp,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    error);
    fs::rename(temp, request.outputPath, error);
    if (error) {
        fs::remove(temp, error);
        return "cannot write " + request.outputPath;
    }
    return {};
}

}  // namespace korv
