#pragma once
// The media control interface's error codes that the video players report,
// with their texts; a video file's open failure maps onto them.

#include <string>

#include "platform/video_file.h"

namespace korv {

inline constexpr int kMciErrorInvalidDeviceId = 257;  // no device open
inline constexpr int kMciErrorOutOfMemory = 264;
inline constexpr int kMciErrorFileNotFound = 275;
inline constexpr int kMciErrorInvalidFile = 296;  // not a playable video

int MciErrorCode(platform::VideoOpenError error);
// The text of `code`; "Error code not known." for codes without one.
std::string MciErrorText(int code);

}  // namespace korv
