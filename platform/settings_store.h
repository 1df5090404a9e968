#pragma once
// The settings store that stands in for the registry: typed values (32-bit
// numbers and texts) named within keys; keys are paths with '\' between
// their parts, such as "Software\Halcyra\Screen Saver\MySaver\Settings".
//
// Each key is one file, "<root>/<part>/<part>/.../@values.reg", in a
// registry-export-like text format that a person can read and edit:
//     "Standard"=dword:00000001
//     "RemoteSite"="http://example.com/"
// A write replaces the file atomically under a lock, so concurrent writers in
// several threads or processes lose nothing and readers never see half a
// file. A missing or damaged file reads as an empty key; lines that do not
// parse are skipped.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korv::platform {

struct SettingsValue {
    enum class Type { Number, String };
    std::string name;
    Type type = Type::Number;
    uint32_t number = 0;
    std::string text;
};

class SettingsStore {
public:
    explicit SettingsStore(std::string rootFolder);

    // The current user's store: $XDG_CONFIG_HOME/Halcyra (looked up each call,
    // so a changed environment is followed).
    static SettingsStore ForUser();

    // Reading a value of the other type yields nothing, as a missing value.
    std::optional<uint32_t> ReadNumber(const std::string& key, const std::string& name) const;
    std::optional<std::string> ReadString(const std::string& key, const std::string& name) const;
    std::vector<SettingsValue> ReadValues(const std::string& key) const;

    bool WriteNumber(const std::string& key, const std::string& name, uint32_t value);
    bool WriteString(const std::string& key, const std::string& name, const std::string& value);
    bool DeleteValue(const std::string& key, const std::string& name);
    // Creates an empty key when it does not exist.
    bool CreateKey(const std::string& key);
    bool KeyExists(const std::string& key) const;

    const std::string& Root() const { return root_; }
    std::string KeyFolder(const std::string& key) const;
    std::string ValuesFile(const std::string& key) const;

private:
    bool Modify(const std::string& key, const std::string& name, const SettingsValue* value);
    // Writes a key's values. The store holds secrets (the site password), so
    // every folder from the root to the key is the user's alone (0700, made
    // so when an older build left it open) and the file is 0600.
    bool WriteKeyFile(const std::string& key, const std::vector<SettingsValue>& values);

    std::string root_;
};

// The text format of one key's file, exposed for tests and tools.
std::string FormatSettingsValues(const std::string& key, const std::vector<SettingsValue>& values);
std::vector<SettingsValue> ParseSettingsValues(const std::string& text);

}  // namespace korv::platform
