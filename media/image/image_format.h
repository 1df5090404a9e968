#pragma once
// Recognising a picture's format by its first bytes (and, for TGA, which
// has no signature, by the file name's extension).

#include "media/image/image_source.h"

namespace korv {

enum ImageFormat : int {
    FormatUnknown = 0,
    FormatBmp = 1,
    FormatGif = 2,
    FormatJpeg = 3,
    FormatPng = 4,
    FormatPcx = 5,
    FormatTiff = 6,
    FormatWindowsMetafile = 7,
    FormatEnhancedMetafile = 8,
    FormatPax = 9,
    FormatPsd = 10,
    FormatTla = 11,
    FormatTlaU = 12,
    FormatWbmp = 13,
    FormatTga = 14,
};

// The format code; 0 (and error 3) when fewer than 44 bytes can be read.
int GuessFormat(const ImageSource& source);

}  // namespace korv
