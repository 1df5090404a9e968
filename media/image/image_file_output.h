#pragma once
// What the picture writers share: the check of the picture they are given and
// the file they write it to, which never stays behind half written.

#include <cstdio>
#include <functional>
#include <string>

#include "media/image/picture.h"

namespace korv {

// True when `pixels` is a picture of at least one pixel; sets ImageBadParam otherwise.
bool CheckPictureToWrite(const platform::Surface& pixels);

// Lets `write` fill a new private file (0600) that then replaces `path`.
// When it cannot be created the error is ImageFileOpen; when `write` fails or
// the file cannot be closed, nothing is left and the error is ImageFileWrite.
bool WriteImageFile(const std::string& path, const std::function<bool(std::FILE*)>& write);

}  // namespace korv
