#pragma once
// A visitor over the persistent fields of scene commands, by their names:
// tools print them, tests compare them.

#include <cstdint>
#include <span>
#include <string>

namespace korv {

class FieldSink {
public:
    virtual ~FieldSink() = default;
    virtual void Int(const char* name, int64_t value) = 0;
    virtual void Text(const char* name, const std::string& value) = 0;
    virtual void Data(const char* name, std::span<const uint8_t> bytes) = 0;
    // Groups of fields (the placement and colour blocks).
    virtual void BeginGroup(const char* name) = 0;
    virtual void EndGroup() = 0;
};

}  // namespace korv
