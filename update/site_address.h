#pragma once
// Splitting a web address into the site folder and the file it names.

#include <string>

namespace korv {

// The address without its last segment, when that segment names a file: the
// text before the last '/' when that '/' stands at position 8 or later
// (counting from 0, so that the "//" of "https://" never counts) and a '.'
// follows it. Otherwise the whole address.
std::string SiteDirectory(const std::string& address);

// The last segment (the text after the last '/', or the whole address
// without '/') when it has an extension; otherwise empty.
std::string SiteFileName(const std::string& address);

}  // namespace korv
