#pragma once
// Command-line parsing for korv-tool's sub-commands: "--name value" options,
// "--flag" switches and positional arguments.

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace korv::tool {

// A usage error; its text is the one-line reason printed to stderr.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ToolArguments {
public:
    // `valueOptions` take a value ("--site URL"); `flags` do not.
    ToolArguments(const std::vector<std::string>& arguments, const std::set<std::string>& valueOptions,
                  const std::set<std::string>& flags);

    bool Has(const std::string& name) const { return values_.count(name) || flags_.count(name); }
    bool Flag(const std::string& name) const { return flags_.count(name) > 0; }
    std::optional<std::string> Value(const std::string& name) const;
    std::string Required(const std::string& name) const;
    // A value option read as a 32-bit integer.
    std::optional<int32_t> Integer(const std::string& name) const;
    // A value option read as items separated by commas (none when absent).
    std::vector<std::string> List(const std::string& name) const;
    const std::vector<std::string>& Positional() const { return positional_; }

private:
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
    std::vector<std::string> positional_;
};

// Parses WIDTHxHEIGHT (each 1 to 16384); throws UsageError naming `what`.
Size ParseSize(const std::string& text, const std::string& what);

// Parses a decimal 32-bit integer (a leading '-' allowed); throws UsageError.
int32_t ParseInteger(const std::string& text, const std::string& what);

}  // namespace korv::tool
