// korv-tool dump: what a scenario file or a built saver carries, as one JSON
// object: the saver's payload, every record with its fields by name
// (embedded files as size and SHA-256) and the reference lists.

#include <optional>

#include "platform/archive.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/message_box.h"
#include "resources/string_table.h"
#include "scenario/field_sink.h"
#include "scenario/scenario.h"
#include "scenario/visual_object.h"
#include "shell/payload.h"
#include "shell/saver_file.h"
#include "tools/commands.h"
#include "tools/json_writer.h"
#include "tools/sha256.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

namespace {

class JsonFieldSink : public FieldSink {
public:
    explicit JsonFieldSink(JsonWriter& json) : json_(json) {}
    void Int(const char* name, int64_t value) override { json_.Key(name).Number(value); }
    void Text(const char* name, const std::string& value) override { json_.Key(name).String(value); }
    void Data(const char* name, std::span<const uint8_t> bytes) override {
        json_.Key(name).BeginObject();
        json_.Key("size").Number(static_cast<int64_t>(bytes.size()));
        json_.Key("sha256").String(Sha256Hex(bytes));
        json_.EndObject();
    }
    void BeginGroup(const char* name) override { json_.Key(name).BeginObject(); }
    void EndGroup() override { json_.EndObject(); }

private:
    JsonWriter& json_;
};

bool StartsWithSignature(platform::File& file) {
    const std::string& signature = LoadString(IDS_SCENARIO_SIGNATURE);
    std::string head(signature.size() + 1, '\0');
    file.Seek(0, platform::File::Origin::Begin);
    size_t got = file.Read(head.data(), head.size());
    file.Seek(0, platform::File::Origin::Begin);
    return got == head.size() && static_cast<uint8_t>(head[0]) == signature.size() && head.substr(1) == signature;
}

// Loads the scenario at the file's position, up to `end`. Pictures are not
// decoded and texts not rendered: only the file's own structure is checked.
void LoadScenario(platform::File& file, uint64_t end, Scenario& scenario, const std::string& path) {
    std::string messages;
    platform::SetMessageBoxSink([&](const platform::MessageBoxRequest& request) { messages += request.text + " "; });
    SetScenePictureServices({nullptr, [](VisualObject&, int32_t& w, int32_t& h) { return w = 0, h = 0, true; }});
    platform::ArchiveReader archive(file, platform::kArchiveBufferSize, end);
    bool loaded = scenario.Load(archive);
    platform::SetMessageBoxSink([](const platform::MessageBoxRequest&) {});
    if (!loaded) {
        std::string reason = scenario.LoadError();
        if (!messages.empty()) reason += ": " + messages;
        for (char& c : reason)
            if (c == '\n' || c == '\r') c = ' ';
        throw ToolError(path + " is damaged: " + reason);
    }
}

void WriteScenario(JsonWriter& json, const Scenario& scenario) {
    json.Key("formatVersion").Decimal(scenario.FormatVersion());
    json.Key("records").BeginArray();
    JsonFieldSink sink(json);
    for (size_t i = 0; i < scenario.CommandCount(); ++i) {
        json.BeginObject();
        json.Key("index").Number(static_cast<int64_t>(i));
        scenario.At(i).Describe(sink);
        json.EndObject();
    }
    json.EndArray();
    json.Key("refs").BeginArray();
    for (const auto& list : scenario.References()) {
        json.BeginObject();
        json.Key("declaration").Number(list.declaration);
        json.Key("users").BeginArray();
        for (int32_t user : list.users) json.Number(user);
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
}

void WritePayload(JsonWriter& json, const PayloadRecord& record, uint8_t settingsDisabled) {
    json.Key("payload").BeginObject();
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
}

}  // namespace

int RunDump(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {}, {});
    if (args.Positional().size() != 1) throw UsageError("usage: korv-tool dump FILE");
    const std::string& path = args.Positional()[0];

    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) throw ToolError("cannot open " + path);
    JsonWriter json;
    json.BeginObject();
    Scenario scenario;
    try {
        if (StartsWithSignature(file)) {
            LoadScenario(file, UINT64_MAX, scenario, path);
        } else {
            PayloadRecord record;
            uint8_t settingsDisabled = 0;
            uint64_t payloadOffset = 0;
            try {
                if (file.Length() < kEngineSize) throw ArchiveException("too short");
                record = ReadPayloadRecord(file, settingsDisabled, payloadOffset);
            } catch (const Exception& error) {
                throw ToolError(path + " is neither a scenario nor a built saver: " + error.what());
            }
            WritePayload(json, record, settingsDisabled);
            // The embedded scenario: a 32-bit field, then the scenario, up to the payload.
            if (payloadOffset > kEngineSize) {
                file.Seek(static_cast<int64_t>(kEngineSize + 4), platform::File::Origin::Begin);
                if (payloadOffset < kEngineSize + 4) throw ToolError(path + " is damaged: embedded scenario cut short");
                LoadScenario(file, payloadOffset, scenario, path);
            }
        }
    } catch (const Exception& error) {
        throw ToolError(path + ": " + error.what());
    }
    WriteScenario(json, scenario);
    json.EndObject();
    out << json.Text() << "\n";
    return 0;
}

}  // namespace korv::tool
