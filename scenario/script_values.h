#pragma once
// How script arguments are read: numbers by the C library's lenient rules,
// colours by position, anchors and keywords byte for byte, and the text
// escapes of TEXT contents and file names.

#include <cstdint>
#include <string>
#include <string_view>

namespace korv {

// Anchor codes: 0–2 the screen's edges or centre, 3 random, 4 random inside
// the screen, 5 the explicit coordinate.
enum Anchor : int32_t { AnchorStart = 0, AnchorCentre = 1, AnchorEnd = 2, AnchorRandom = 3, AnchorRandomInside = 4,
                        AnchorExplicit = 5 };

// Leading white space, an optional sign, digits; no digits gives 0. Values
// beyond the 32-bit range are held at its ends.
int32_t AtoiRule(std::string_view text);
// Leading white space, an optional sign, digits with an optional fraction
// and exponent; anything else ends the number. Never NaN or infinite.
double AtofRule(std::string_view text);
// Seconds as milliseconds, truncated toward zero, held within 32 bits.
int32_t SecondsToMilliseconds(std::string_view text);

// "RRR,GGG,BBB" → red + 256·green + 65536·blue, each part's low 8 bits.
uint32_t ParseColour(std::string_view text);

int32_t HorizontalAnchor(std::string_view keyword);  // LFT CTR RGT RND RNP, else 5
int32_t VerticalAnchor(std::string_view keyword);    // TOP CTR BTM RND RNP, else 5

// "<br>" becomes CR LF; a backslash and the four characters after it become
// the character whose code is their number (fewer at the end: what is there).
std::string UnescapeText(std::string_view text);

// Whether `name` can only name a file directly inside a folder: not empty,
// not "." or "..", and without '/', '\' or NUL.
bool IsPlainFileName(std::string_view name);

}  // namespace korv
