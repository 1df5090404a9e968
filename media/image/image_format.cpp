#include "media/image/image_format.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "media/image/image_error.h"

namespace korv {

namespace {

constexpr size_t kHeadSize = 44;

struct Signature {
    size_t offset;
    std::string_view bytes;
    int format;
};

using namespace std::string_view_literals;

// Checked in this order; the first match wins.
constexpr Signature kSignatures[] = {
    {0, "BM"sv, FormatBmp},
    {0, "PAX"sv, FormatPax},
    {0, "GIF89a"sv, FormatGif},
    {0, "GIF87a"sv, FormatGif},
    {0, "\xFF\xD8\xFF\xE0"sv, FormatJpeg},
    {0, "\xFF\xD8\xFF"sv, FormatJpeg},
    {0, "\x0A\x00"sv, FormatPcx},
    {0, "\x0A\x02"sv, FormatPcx},
    {0, "\x0A\x03"sv, FormatPcx},
    {0, "\x0A\x05"sv, FormatPcx},
    {0, "MM"sv, FormatTiff},
    {0, "II"sv, FormatTiff},
    {0, "\x89PNG\r\n\x1A\n"sv, FormatPng},
    {0, "\x01\x00\x09\x00\x00"sv, FormatWindowsMetafile},
    {0, "\xD7\xCD\xC6\x9A"sv, FormatWindowsMetafile},
    {40, " EMF"sv, FormatEnhancedMetafile},
    {0, "8BPS"sv, FormatPsd},
    {0, "TLA\x01"sv, FormatTla},
    {0, "TLAU"sv, FormatTlaU},
    {0, "\x00\x00"sv, FormatWbmp},
};

int ExtensionFormat(const ImageSource& source) {
    if (!source.FromFile()) return FormatUnknown;
    const std::string& name = source.FileName();
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return FormatUnknown;
    std::string extension = name.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    if (extension == ".wbmp" || extension == ".wbm") return FormatWbmp;
    if (extension == ".tga") return FormatTga;
    return FormatUnknown;
}

}  // namespace

int GuessFormat(const ImageSource& source) {
    ClearImageError();
    auto bytes = source.Bytes();
    if (bytes.size() < kHeadSize) {
        SetImageError(ImageFileRead);
        return FormatUnknown;
    }
    int bySignature = FormatUnknown;
    for (const auto& signature : kSignatures) {
        if (std::memcmp(bytes.data() + signature.offset, signature.bytes.data(), signature.bytes.size()) == 0) {
            bySignature = signature.format;
            break;
        }
    }
    if (bySignature != FormatUnknown && bySignature != FormatWbmp) return bySignature;
    int byExtension = ExtensionFormat(source);
    if (bySignature == FormatWbmp && byExtension == FormatTga) return FormatTga;
    return bySignature;
}

}  // namespace korv
