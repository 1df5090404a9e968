#include "media/video/mci_error.h"

namespace korv {

int MciErrorCode(platform::VideoOpenError error) {
    switch (error) {
    case platform::VideoOpenError::None: return 0;
    case platform::VideoOpenError::FileNotFound: return kMciErrorFileNotFound;
    case platform::VideoOpenError::NotAVideo:
    case platform::VideoOpenError::UnsupportedCodec:
    case platform::VideoOpenError::BadPictureSize: return kMciErrorInvalidFile;
    }
    return kMciErrorInvalidFile;
}

std::string MciErrorText(int code) {
    switch (code) {
    case kMciErrorInvalidDeviceId: return "Invalid device ID. Use the ID given to the device when the device was opened.";
    case kMciErrorOutOfMemory: return "Your system does not have enough memory for this task. Quit one or more applications to increase available memory, and then try again.";
    case kMciErrorFileNotFound: return "Cannot find the file. Make sure the path and filename are correct.";
    case kMciErrorInvalidFile: return "The file cannot be played on the MCI device. The file may be corrupt, not in the correct format, or no file handler available for this format.";
    default: return "Error code not known.";
    }
}

}  // namespace korv
