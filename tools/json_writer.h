#pragma once
// A small JSON writer for the tool's reports: objects, arrays, texts and
// numbers, indented two spaces. Texts are 8-bit: valid UTF-8 passes through,
// other bytes are written as \u00XX (as Latin-1 characters).

#include <cstdint>
#include <string>
#include <vector>

namespace korv::tool {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& name);
    JsonWriter& String(const std::string& value);
    JsonWriter& Number(int64_t value);
    JsonWriter& Decimal(double value);
    JsonWriter& Bool(bool value);
    const std::string& Text() const { return out_; }

private:
    void BeforeValue();
    void NewLine();

    std::string out_;
    std::vector<bool> hasItems_;
    bool afterKey_ = false;
};

std::string JsonQuote(const std::string& text);

}  // namespace korv::tool
