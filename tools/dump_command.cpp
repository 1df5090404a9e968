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
#include "scenario/object_pictures.h"
#include "scenario/record_builder.h"
#include "scenario/scenario.h"
#include "scenario/script_tokens.h"
#include "scenario/visual_object.h"
#include "saver/program_file.h"
#include "tools/commands.h"
#include "tools/json_writer.h"
#include "tools/sha256.h"
#include "tools/scenario_source.h"
#include "tools/tool_arguments.h"
#include "update/script_locations.h"

namespace korv::tool {

namespace {

// Only the file's own structure is checked: pictures are not decoded (they
// keep no natural size) and texts not rendered (they measure 0 × 0).
class StructureOnlyPictures : public ObjectPictures {
public:
    std::optional<Size> RenderText(VisualObject&) const override { return Size{0, 0}; }
};

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

// The statements of a script that write records, in order: record i was
// written by the i-th of them.
std::vector<LocatedStatement> RecordStatements(const std::string& scriptPath) {
    std::optional<std::string> script = platform::ReadFileText(scriptPath);
    if (!script) throw ToolError("cannot read " + scriptPath);
    std::vector<LocatedStatement> writing;
    for (LocatedStatement& statement : LocateScript(*script).statements) {
        ScriptTokens tokens;
        tokens.SplitLine(statement.text);
        if (RecordCodeOfWord(tokens.GetToken(0)) >= 0) writing.push_back(std::move(statement));
    }
    return writing;
}

void WriteScenario(JsonWriter& json, const Scenario& scenario, const std::vector<LocatedStatement>& statements) {
    json.Key("formatVersion").Decimal(scenario.FormatVersion());
    json.Key("records").BeginArray();
    JsonFieldSink sink(json);
    for (size_t i = 0; i < scenario.CommandCount(); ++i) {
        json.BeginObject();
        json.Key("index").Number(static_cast<int64_t>(i));
        if (i < statements.size()) {
            json.Key("line").Number(statements[i].line);
            json.Key("statement").String(statements[i].text);
        }
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
    ToolArguments args(arguments, {"--script"}, {});
    if (args.Positional().size() != 1) throw UsageError("usage: korv-tool dump FILE [--script SCRIPT]");
    const std::string& path = args.Positional()[0];
    std::vector<LocatedStatement> statements;
    if (auto script = args.Value("--script")) statements = RecordStatements(*script);

    platform::File file;
    if (!file.Open(path, platform::File::Mode::Read)) throw ToolError("cannot open " + path);
    JsonWriter json;
    json.BeginObject();
    Scenario scenario;
    ScenarioLocation location = LocateScenario(file, path);
    if (location.isSaver) WritePayload(json, location.payload, location.settingsDisabled);
    if (location.HasScenario()) {
        LoadScenarioAt(file, location, scenario, path, StructureOnlyPictures());
    }
    WriteScenario(json, scenario, statements);
    json.EndObject();
    out << json.Text() << "\n";
    return 0;
}

}  // namespace korv::tool
