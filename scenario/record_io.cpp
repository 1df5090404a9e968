#include "scenario/record_io.h"

#include <algorithm>

#include "platform/exception.h"
#include "scenario/scramble.h"

namespace korv {

std::string ReadScrambledText(platform::ArchiveReader& archive) { return UnscrambledText(archive.ReadString()); }

void WriteScrambledText(platform::ArchiveWriter& archive, const std::string& text) {
    archive.WriteString(ScrambledText(text));
}

std::vector<uint8_t> ReadScrambledBlock(platform::ArchiveReader& archive, int32_t size) {
    if (size < 0) throw ArchiveException("negative data size");
    std::vector<uint8_t> block = archive.ReadBlock(static_cast<size_t>(size));
    ScrambleBytes(block, true);
    return block;
}

void WriteScrambledBlock(platform::ArchiveWriter& archive, std::span<const uint8_t> block) {
    // The shift depends on the whole block's length, not on the piece's.
    auto shift = static_cast<uint8_t>(ScrambleShift(block.size()));
    constexpr size_t kPiece = 256 * 1024;
    std::vector<uint8_t> piece(std::min(block.size(), kPiece));
    for (size_t done = 0; done < block.size();) {
        size_t count = std::min(kPiece, block.size() - done);
        const uint8_t* in = block.data() + done;
        AddToEachByte(piece.data(), in, count, static_cast<uint8_t>(-shift));
        archive.WriteBytes(piece.data(), count);
        done += count;
    }
}

int32_t ReadCount(platform::ArchiveReader& archive, const char* what) {
    int32_t count = archive.ReadI32();
    if (count < 0) throw ArchiveException(std::string("negative ") + what);
    return count;
}

}  // namespace korv
