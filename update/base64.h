#pragma once
// Base64 with the standard alphabet and "=" padding.

#include <cstddef>
#include <string>

namespace korv {

// One line without breaks, as an HTTP header needs it.
std::string EncodeBase64Line(const void* bytes, size_t length);
inline std::string EncodeBase64Line(const std::string& text) { return EncodeBase64Line(text.data(), text.size()); }

// The MIME line form: CR LF after every 76 output characters, also when
// those 76 characters end the text.
std::string EncodeBase64(const void* bytes, size_t length);
inline std::string EncodeBase64(const std::string& text) { return EncodeBase64(text.data(), text.size()); }

}  // namespace korv
