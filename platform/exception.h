#pragma once
// The framework's exception base and the file and archive errors that the
// payload and scenario readers raise. Failures are otherwise reported by
// return values; these are caught by the loaders.

#include <stdexcept>
#include <string>

namespace korv {

class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An operating-system file operation failed (open, read, seek, write).
class FileException : public Exception {
public:
    using Exception::Exception;
};

// The bytes do not form what the archive reader expected (ends early, a
// length claims more than is left, a malformed encoding).
class ArchiveException : public Exception {
public:
    using Exception::Exception;
};

}  // namespace korv
