#include "tools/tool_arguments.h"

#include <charconv>
#include <cstdio>

namespace korv::tool {

ToolArguments::ToolArguments(const std::vector<std::string>& arguments, const std::set<std::string>& valueOptions,
                             const std::set<std::string>& flags) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() > 1 && argument[0] == '-' && !(argument[1] >= '0' && argument[1] <= '9')) {
            if (valueOptions.count(argument)) {
                if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
                values_[argument] = arguments[++i];
            } else if (flags.count(argument)) {
                flags_.insert(argument);
            } else {
                throw UsageError("unknown option " + argument);
            }
        } else {
            positional_.push_back(argument);
        }
    }
}

std::optional<std::string> ToolArguments::Value(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::string ToolArguments::Required(const std::string& name) const {
    auto value = Value(name);
    if (!value) throw UsageError("missing " + name);
    return *value;
}

std::optional<int32_t> ToolArguments::Integer(const std::string& name) const {
    auto value = Value(name);
    if (!value) return std::nullopt;
    return ParseInteger(*value, name);
}

int32_t ParseInteger(const std::string& text, const std::string& what) {
    int32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        throw UsageError(what + " must be a 32-bit integer, not \"" + text + "\"");
    return value;
}

std::vector<std::string> ToolArguments::List(const std::string& name) const {
    std::vector<std::string> items;
    const std::optional<std::string> text = Value(name);
    if (!text) return items;
    size_t start = 0;
    for (;;) {
        size_t comma = text->find(',', start);
        items.push_back(text->substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return items;
}

Size ParseSize(const std::string& text, const std::string& what) {
    int width = 0, height = 0;
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &width, &x, &height, &extra) != 3 || (x != 'x' && x != 'X') ||
        width <= 0 || height <= 0 || width > 16384 || height > 16384)
        throw UsageError(what + " must be WIDTHxHEIGHT, not \"" + text + "\"");
    return {width, height};
}

}  // namespace korv::tool
