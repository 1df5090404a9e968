#pragma once
// The parts of a path: its extension, its folder and its file title. Paths
// use '/' between their parts; file names compare in ASCII letter case.

#include <string>

namespace korv {

// `c` in lower case when it is an ASCII capital letter; otherwise `c`.
char AsciiLower(char c);

// The text after the last '.' (lower-cased when `lower`); empty without '.'.
std::string GetExtension(const std::string& path, bool lower);

// The text up to and including the last '/'; empty without '/'.
std::string GetFolderPart(const std::string& path);

// The file name (the text after the last '/') without the part from its last
// '.' on.
std::string GetFileTitle(const std::string& path);

}  // namespace korv
