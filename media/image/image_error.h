#pragma once
// The image layer's error codes, kept per thread: every call resets the
// calling thread's last error and sets it when it fails.

#include <string>

namespace korv {

enum ImageError : int {
    ImageOk = 0,
    ImageOutOfMemory = 1,
    ImageFileOpen = 2,
    ImageFileRead = 3,
    ImageFileWrite = 4,
    ImageBadParam = 5,
    ImageBadBmp = 6,
    ImageRleUnsupported = 7,
    ImageBadJpeg = 9,
    ImageDeviceContext = 10,
    ImageBadPng = 15,
    ImagePngInternal = 16,
    ImageUnexpected = 17,
    ImageBadPcx = 22,
    ImageCreateBitmapFailed = 23,
    ImageDeviceUnsupported = 26,
    ImageBlitFailed = 29,
    ImageBadTga = 32,
    ImageCreateDibFailed = 35,
    ImageSelectFailed = 37,
    ImageInvalidHandle = 38,
    ImageNoThreadState = 55,
};

void SetImageError(int code);
void ClearImageError();
int GetImageError();
// The text for an error code ("Unknown error" outside 1–57).
std::string ImageErrorText(int code);

}  // namespace korv
