// korv-tool dump: what a built saver carries, as one JSON object.

#include "platform/exception.h"
#include "platform/file.h"
#include "shell/payload.h"
#include "shell/saver_file.h"
#include "tools/commands.h"
#include "tools/json_writer.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

int RunDump(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {}, {});
    if (args.Positional().size() != 1) throw UsageError("usage: korv-tool dump FILE");
    const std::string& path = args.Positional()[0];

    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) throw ToolError("cannot open " + path);
    PayloadRecord record;
    uint8_t settingsDisabled = 0;
    uint64_t payloadOffset = 0;
    try {
        if (file.Length() < kEngineSize) throw ArchiveException("too short");
        record = ReadPayloadRecord(file, settingsDisabled, payloadOffset);
        if (payloadOffset < kEngineSize) throw ArchiveException("payload inside the engine");
    } catch (const Exception& error) {
        throw ToolError(path + " is not a built saver: " + error.what());
    }

    JsonWriter json;
    json.BeginObject().Key("payload").BeginObject();
    json.Key("playerType").Number(record.playerType);
    json.Key("alwaysCheck").Number(record.alwaysCheck);
    json.Key("reserved").Number(record.reserved);
    json.Key("intervalUnit").Number(record.intervalUnit);
    json.Key("intervalCount").Number(record.intervalCount);
    json.Key("siteUrl").String(record.siteUrl);
    json.Key("sourceName").String(record.sourceName);
    json.Key("username").String(record.username);
    json.Key("password").String(record.password);
    json.Key("settingsDisabled").Number(settingsDisabled);
    json.EndObject();
    json.Key("embeddedScenarioBytes").Number(static_cast<int64_t>(payloadOffset - kEngineSize));
    json.EndObject();
    out << json.Text() << "\n";
    return 0;
}

}  // namespace korv::tool
