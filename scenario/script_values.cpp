#include "scenario/script_values.h"

#include <cmath>
#include <limits>

#include "platform/colour.h"

namespace korv {

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int32_t Clamp32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace

int32_t AtoiRule(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{1} << 32) value = int64_t{1} << 32;  // saturate; clamped below
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

double AtofRule(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0;
    bool digits = false;
    for (; i < text.size() && IsDigit(text[i]); ++i, digits = true) value = value * 10 + (text[i] - '0');
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && IsDigit(text[i]); ++i, digits = true, scale /= 10) value += (text[i] - '0') * scale;
    }
    if (digits && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        bool negativeExponent = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) negativeExponent = text[j++] == '-';
        if (j < text.size() && IsDigit(text[j])) {
            int exponent = 0;
            for (; j < text.size() && IsDigit(text[j]); ++j) exponent = std::min(exponent * 10 + (text[j] - '0'), 9999);
            value *= std::pow(10.0, negativeExponent ? -exponent : exponent);
        }
    }
    if (!std::isfinite(value)) value = std::numeric_limits<double>::max();
    return negative ? -value : value;
}

int32_t SecondsToMilliseconds(std::string_view text) { return Clamp32(std::trunc(AtofRule(text) * 1000.0)); }

uint32_t ParseColour(std::string_view text) {
    auto part = [](int32_t value) { return static_cast<uint8_t>(value); };
    uint8_t red = part(AtoiRule(text.substr(0, 3)));
    uint8_t green = text.size() > 4 ? part(AtoiRule(text.substr(4))) : 0;
    uint8_t blue = part(AtoiRule(text.size() > 3 ? text.substr(text.size() - 3) : text));
    return platform::ColourToStored(platform::Rgb(red, green, blue));
}

int32_t HorizontalAnchor(std::string_view keyword) {
    if (keyword == "LFT") return AnchorStart;
    if (keyword == "CTR") return AnchorCentre;
    if (keyword == "RGT") return AnchorEnd;
    if (keyword == "RND") return AnchorRandom;
    if (keyword == "RNP") return AnchorRandomInside;
    return AnchorExplicit;
}

int32_t VerticalAnchor(std::string_view keyword) {
    if (keyword == "TOP") return AnchorStart;
    if (keyword == "CTR") return AnchorCentre;
    if (keyword == "BTM") return AnchorEnd;
    if (keyword == "RND") return AnchorRandom;
    if (keyword == "RNP") return AnchorRandomInside;
    return AnchorExplicit;
}

std::string UnescapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 4, "<br>") == 0) {
            out += "\r\n";
            i += 4;
        } else if (text[i] == '\\') {
            std::string_view code = text.substr(i + 1, 4);
            out += static_cast<char>(static_cast<uint8_t>(AtoiRule(code)));
            i += 1 + code.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace korv
