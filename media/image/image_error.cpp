#include "media/image/image_error.h"

#include <array>

namespace korv {

namespace {

thread_local int lastError = ImageOk;

constexpr std::array<const char*, 58> kTexts = {
    "",
    "out of memory",
    "error on file open",
    "error on file read",
    "error on file write",
    "bad user param",
    "bad BMP file",
    "some RLE variations are not supported",
    "reserved value",
    "bad JPG file",
    "error with device context",
    "problem with a GetDIBits call",
    "reserved value",
    "resource not found",
    "callback returned FALSE - operation aborted",
    "bad PNG file",
    "internal PNG lib behavior",
    "misc unexpected behavior error",
    "trouble creating a font object",
    "misc internal TIFF error",
    "invalid TIFF file",
    "this will not read TIFF-LZW images (note, unused error message)",
    "invalid PCX image",
    "a call to the fn CreateCompatibleBitmap failed",
    "end of an image while using single-line de/compression",
    "error during a call to GetDIBits",
    "device does not support an operation required by this function",
    "invalid windows metafile",
    "the file was not of the requested bit-depth",
    "a call to BitBlt failed.",
    "output buffer is too small for this operation",
    "not enough room in the output palette to store the colors from this image",
    "Invalid TGA File",
    "No TGA Thumbnail in the file",
    "reserved value ",
    "a call to the fn CreateDIBitmap failed",
    "LZW de/compression is not permitted",
    "a call to SelectObject has failed (DC does not support this operation?)",
    "the source or destination handle passed in is not valid",
    "the function is obsolete",
    "a call to CreateDIBSection failed",
    "a call to SetWinMetaFileBits failed (95/98 only)",
    "a call to GetEnhMetaFileBits or GetWinMetaFileBits failed",
    "apparently invalid PAX password",
    "invalid PAX file",
    "this function is not supported in this build (see DLL build options)",
    "invalid PSD (Photoshop) file",
    "this Photoshop sub-format is not supported",
    "decryption error - possible bad password for encrypted files",
    "encryption failed",
    "compression failed",
    "decompression error - possible bad password for encrypted files",
    "invalid TLA file. may indicate incorrect password",
    "invalid or unsupported WBMP (Wireless Bitmap) image.",
    "reading this TIFF tag is not supported",
    "the per-thread error state could not be allocated (memory is very low)",
    "invalid EXIF format",
    "no EXIF string was found with the given ID",
};

}  // namespace

void SetImageError(int code) { lastError = code; }
void ClearImageError() { lastError = ImageOk; }
int GetImageError() { return lastError; }

std::string ImageErrorText(int code) {
    if (code < 1 || code > 57) return "Unknown error";
    return kTexts[static_cast<size_t>(code)];
}

}  // namespace korv
