#pragma once
// Turning the 8-bit texts of scenarios into Unicode.
//
// Most scenario texts are UTF-8; older ones carry text in a Windows code page,
// named by the charset byte of the text's font. A text that is valid UTF-8 is
// taken as UTF-8, anything else byte by byte through the charset's code page.

#include <cstdint>
#include <string>
#include <string_view>

namespace korv::platform {

// Charset values of a font description (the LOGFONT lfCharSet byte).
inline constexpr uint8_t kAnsiCharSet = 0;
inline constexpr uint8_t kBalticCharSet = 186;
inline constexpr uint8_t kEastEuropeCharSet = 238;
inline constexpr uint8_t kGreekCharSet = 161;
inline constexpr uint8_t kRussianCharSet = 204;
inline constexpr uint8_t kTurkishCharSet = 162;

// The Windows code page of a charset: 1250 (East European), 1251 (Russian),
// 1253 (Greek), 1254 (Turkish), 1257 (Baltic); 1252 for ANSI and every other
// charset.
int CodePageOfCharSet(uint8_t charSet);

// True when `bytes` is well-formed UTF-8 (no overlong forms, surrogates or
// values above U+10FFFF). Plain ASCII is.
bool IsValidUtf8(std::string_view bytes);

// Decodes `bytes` as UTF-8 when it is valid UTF-8, else byte by byte through
// the code page of `charSet`. Bytes below 0x80 are ASCII in every code page.
// A byte the code page leaves undefined (0x81 in cp1252, for example) becomes
// the character of the same value (U+0080-U+00FF), as Windows converts them,
// so no byte is lost.
std::u32string DecodeText(std::string_view bytes, uint8_t charSet);

// UTF-8 form of a Unicode text; values that are not characters (surrogates,
// above U+10FFFF) become U+FFFD.
std::string EncodeUtf8(std::u32string_view text);

}  // namespace korv::platform
