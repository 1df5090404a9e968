#include "update/site_address.h"

#include "saver/path_parts.h"

namespace korv {

namespace {

constexpr size_t kFirstFolderSlash = 8;

}  // namespace

std::string SiteDirectory(const std::string& address) {
    size_t slash = address.rfind('/');
    if (slash == std::string::npos || slash < kFirstFolderSlash) return address;
    if (address.find('.', slash) == std::string::npos) return address;
    return address.substr(0, slash);
}

std::string SiteFileName(const std::string& address) {
    size_t slash = address.rfind('/');
    std::string last = slash == std::string::npos ? address : address.substr(slash + 1);
    return GetExtension(last, false).empty() ? std::string() : last;
}

}  // namespace korv
