// korv-tool settings: read and change a saver's settings (or, with
// --machine, the machine-wide values) without the settings dialog.
//   korv-tool settings SAVER               every value as NAME=VALUE
//   korv-tool settings SAVER NAME          one value
//   korv-tool settings SAVER NAME VALUE    write one value (by its type)
//   korv-tool settings --machine [NAME [VALUE]]

#include <filesystem>
#include <limits>

#include "platform/settings_store.h"
#include "saver/program_file.h"
#include "shell/runtime_app.h"
#include "saver/saver_settings.h"
#include "tools/commands.h"
#include "tools/setting_explanations.h"
#include "tools/saver_payload.h"
#include "tools/tool_arguments.h"

namespace korv::tool {

namespace {

std::string PayloadDefault(const PayloadRecord& record, const std::string& field) {
    if (field == "siteUrl") return record.siteUrl;
    if (field == "username") return record.username;
    if (field == "password") return record.password;
    return {};
}

std::string EffectiveValue(const platform::SettingsStore& store, const std::string& key,
                           const SettingDefinition& definition, const PayloadRecord* record) {
    if (definition.isText) {
        std::string fallback = record ? PayloadDefault(*record, definition.payloadDefault) : definition.textDefault;
        return store.ReadString(key, definition.name).value_or(fallback);
    }
    auto number = store.ReadNumber(key, definition.name);
    return std::to_string(number ? static_cast<int32_t>(*number) : definition.numberDefault);
}

uint32_t ParseStoredNumber(const std::string& text) {
    try {
        return static_cast<uint32_t>(ParseInteger(text, "the value"));
    } catch (const UsageError&) {
        // Numbers above the signed range are still valid 32-bit values.
        size_t used = 0;
        unsigned long long value = 0;
        try {
            value = std::stoull(text, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != text.size() || text.empty() || text[0] == '-' || value > std::numeric_limits<uint32_t>::max())
            throw UsageError("the value of a number setting must be a 32-bit integer, not \"" + text + "\"");
        return static_cast<uint32_t>(value);
    }
}

}  // namespace

int RunSettings(const std::vector<std::string>& arguments, std::ostream& out) {
    ToolArguments args(arguments, {}, {"--machine", "--explain"});
    std::vector<std::string> positional = args.Positional();
    bool machine = args.Flag("--machine");

    std::optional<PayloadRecord> record;
    std::string key;
    const std::vector<SettingDefinition>* table = nullptr;
    if (machine) {
        // A saver may be named before the machine-wide values; they are the same for every saver.
        std::error_code error;
        if (!positional.empty() && !FindSettingDefinition(MachineSettingDefinitions(), positional[0]) &&
            std::filesystem::is_regular_file(positional[0], error))
            positional.erase(positional.begin());
        key = ProductKey();
        table = &MachineSettingDefinitions();
    } else {
        if (positional.empty()) throw UsageError("usage: korv-tool settings SAVER [NAME [VALUE]] | --machine [NAME [VALUE]]");
        std::string saverPath = positional.front();
        positional.erase(positional.begin());
        record = ReadSaverPayload(saverPath);
        key = SaverSettingsKey(ProgramDisplayName(saverPath));
        table = &SaverSettingDefinitions();
    }
    if (positional.size() > 2) throw UsageError("too many arguments");

    platform::SettingsStore store = platform::SettingsStore::ForUser();
    const PayloadRecord* payload = record ? &*record : nullptr;

    if (positional.empty()) {
        for (const auto& definition : *table) {
            out << definition.name << "=" << EffectiveValue(store, key, definition, payload);
            if (args.Flag("--explain")) {
                const std::string fallback =
                    !definition.isText ? std::to_string(definition.numberDefault)
                    : payload && !definition.payloadDefault.empty() ? "\"" + PayloadDefault(*payload, definition.payloadDefault) + "\""
                                                                    : "\"" + definition.textDefault + "\"";
                out << "  # " << ExplainSetting(definition.name) << " (default " << fallback << ")";
            }
            out << "\n";
        }
        // Values the store holds beyond the known ones.
        for (const auto& value : store.ReadValues(key)) {
            if (FindSettingDefinition(*table, value.name)) continue;
            out << value.name << "="
                << (value.type == platform::SettingsValue::Type::String ? value.text
                                                                        : std::to_string(static_cast<int32_t>(value.number)))
                << "\n";
        }
        return 0;
    }

    const SettingDefinition* definition = FindSettingDefinition(*table, positional[0]);
    if (!definition) throw UsageError("unknown setting " + positional[0]);

    if (positional.size() == 2) {
        bool written = definition->isText
                           ? store.WriteString(key, definition->name, positional[1])
                           : store.WriteNumber(key, definition->name, ParseStoredNumber(positional[1]));
        if (!written) throw ToolError("cannot write the setting " + definition->name + " under " + store.Root());
    }
    out << definition->name << "=" << EffectiveValue(store, key, *definition, payload) << "\n";
    return 0;
}

}  // namespace korv::tool
