#include "tools/scenario_source.h"

#include "platform/archive.h"
#include "platform/exception.h"
#include "platform/message_box.h"
#include "resources/string_table.h"
#include "platform/folders.h"
#include "shell/runtime_app.h"
#include "saver/program_file.h"
#include "tools/commands.h"
#include "update/content_store.h"

namespace korv::tool {

namespace {

bool StartsWithSignature(platform::File& file) {
    const std::string& signature = LoadString(IDS_SCENARIO_SIGNATURE);
    std::string head(signature.size() + 1, '\0');
    file.Seek(0, platform::File::Origin::Begin);
    size_t got = file.Read(head.data(), head.size());
    file.Seek(0, platform::File::Origin::Begin);
    return got == head.size() && static_cast<uint8_t>(head[0]) == signature.size() && head.substr(1) == signature;
}

}  // namespace

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

ScenarioLocation LocateScenario(platform::File& file, const std::string& path) {
    ScenarioLocation location;
    try {
        if (StartsWithSignature(file)) return location;
        location.isSaver = true;
        uint64_t payloadOffset = 0;
        try {
            if (file.Length() < kEngineSize) throw ArchiveException("too short");
            location.payload = ReadPayloadRecord(file, location.settingsDisabled, payloadOffset);
        } catch (const Exception& error) {
            throw ToolError(path + " is neither a scenario nor a built saver: " + error.what());
        }
        // The embedded scenario: a 32-bit field, then the scenario, up to the payload.
        location.begin = payloadOffset > kEngineSize ? kEngineSize + 4 : payloadOffset;
        location.end = payloadOffset;
        if (payloadOffset > kEngineSize && payloadOffset < kEngineSize + 4)
            throw ToolError(path + " is damaged: embedded scenario cut short");
    } catch (const Exception& error) {
        throw ToolError(path + ": " + error.what());
    }
    return location;
}

void LoadScenarioAt(platform::File& file, const ScenarioLocation& location, Scenario& scenario, const std::string& path,
                    const ObjectPictures& pictures) {
    std::string messages;
    platform::SetMessageBoxSink([&](const platform::MessageBoxRequest& request) { messages += request.text + " "; });
    bool loaded = false;
    try {
        file.Seek(static_cast<int64_t>(location.begin), platform::File::Origin::Begin);
        platform::ArchiveReader archive(file, platform::kArchiveBufferSize, location.end);
        loaded = scenario.Load(archive, pictures);
    } catch (const Exception& error) {
        messages += error.what();
    }
    platform::SetMessageBoxSink([](const platform::MessageBoxRequest&) {});
    if (!loaded) {
        std::string reason = scenario.LoadError();
        if (!messages.empty()) reason += ": " + messages;
        throw ToolError(path + " is damaged: " + OneLine(reason));
    }
}

std::string LoadStartUpScenario(platform::File& file, const ScenarioLocation& location, Scenario& scenario,
                                const std::string& path, std::ostream& messages) {
    const int32_t type = location.payload.playerType;
    const bool embeddedOnly = type == PlayerClassic || type == PlayerClassicExitButton;
    if (!embeddedOnly) {
        const std::string saverName = ProgramSaverName(path);
        std::string played = FindPlayableVersion(ListVersions(saverName), saverName, [&](const std::string& folder, bool) {
            const std::string stored = ScenarioFileIn(folder, saverName);
            platform::File storedFile;
            if (!storedFile.Open(stored, platform::File::Mode::Read)) return false;
            try {
                scenario.Clear();
                LoadScenarioAt(storedFile, ScenarioLocation{}, scenario, stored);
                return true;
            } catch (const ToolError& error) {
                scenario.Clear();
                messages << error.what() << "\n";
                return false;
            }
        });
        if (!played.empty()) return ScenarioFileIn(played, saverName);
        if (type != PlayerBuiltIn)
            throw ToolError(path + " has no playable version yet: the saver would show \"Please wait...\" and download");
    }
    if (!location.HasScenario()) throw ToolError(path + " embeds no scenario");
    LoadScenarioAt(file, location, scenario, path);
    return {};
}

}  // namespace korv::tool
