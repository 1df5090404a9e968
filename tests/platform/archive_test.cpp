#include "platform/archive.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "tests/support/test_environment.h"

namespace korv::platform {
namespace {

using test::TempDir;

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

// Writes through ArchiveWriter into a file and returns its bytes.
template <typename Fn>
std::string WriteArchive(const TempDir& dir, Fn&& fill) {
    File file;
    EXPECT_TRUE(file.Open((dir / "archive").string(), File::Mode::Write));
    {
        ArchiveWriter writer(file);
        fill(writer);
        writer.Flush();
    }
    file.Close();
    return test::ReadFileBytes(dir / "archive");
}

TEST(ArchiveStrings, LengthPrefixSwitchesFormAtEachBoundary) {
    EXPECT_EQ(EncodeStringLength(0), Bytes({0}));
    EXPECT_EQ(EncodeStringLength(254), Bytes({254}));
    EXPECT_EQ(EncodeStringLength(255), Bytes({0xFF, 0xFF, 0x00}));
    EXPECT_EQ(EncodeStringLength(65533), Bytes({0xFF, 0xFD, 0xFF}));
    // 65534 as a 16-bit length would read as the wide-text marker.
    EXPECT_EQ(EncodeStringLength(65534), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(EncodeStringLength(65535), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
}

TEST(ArchiveStrings, RoundTripThroughAFileAcrossBufferBoundaries) {
    TempDir dir;
    std::vector<std::string> texts;
    for (size_t length : {0u, 1u, 254u, 255u, 4095u, 4097u, 65533u, 65534u, 65535u, 70000u})
        texts.push_back(std::string(length, static_cast<char>('a' + length % 26)));
    texts.push_back(std::string("bytes \x01\xFF\x80 kept", 13));
    std::string bytes = WriteArchive(dir, [&](ArchiveWriter& writer) {
        writer.WriteU32(0xDEADBEEF);
        for (const auto& text : texts) writer.WriteString(text);
        writer.WriteFloat(2.5f);
        writer.WriteI32(-7);
    });

    File file;
    ASSERT_TRUE(file.Open((dir / "archive").string(), File::Mode::Read));
    ArchiveReader reader(file);
    EXPECT_EQ(reader.ReadU32(), 0xDEADBEEFu);
    for (const auto& text : texts) EXPECT_EQ(reader.ReadString(), text);
    EXPECT_EQ(reader.ReadFloat(), 2.5f);
    EXPECT_EQ(reader.ReadI32(), -7);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_THROW(reader.ReadU8(), ArchiveException);
}

TEST(ArchiveStrings, WideTextsAreReadAsUtf8) {
    // 0xFF, marker 0xFFFE, then 3 characters: 'A', U+00E9, U+20AC.
    auto wide = Bytes({0xFF, 0xFE, 0xFF, 3, 'A', 0, 0xE9, 0, 0xAC, 0x20});
    ArchiveReader reader(wide);
    EXPECT_EQ(reader.ReadString(), "A\xC3\xA9\xE2\x82\xAC");

    // A long wide text takes the 16-bit length after the marker.
    std::vector<uint8_t> longWide = Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01});
    for (int i = 0; i < 300; ++i) longWide.insert(longWide.end(), {'x', 0});
    ArchiveReader longReader(longWide);
    EXPECT_EQ(longReader.ReadString(), std::string(300, 'x'));

    // A surrogate pair becomes one character; a lone surrogate U+FFFD.
    std::vector<uint16_t> units = {0xD83D, 0xDE00, 0xDC00};
    EXPECT_EQ(Utf16ToUtf8(units), "\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(ArchiveStrings, LengthsBeyondTheDataAreRefusedBeforeAllocating) {
    // A 2 GB claim on a 10-byte buffer: must throw, not try to allocate.
    auto huge = Bytes({0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 'a', 'b', 'c'});
    ArchiveReader hugeReader(huge);
    EXPECT_THROW(hugeReader.ReadString(), ArchiveException);

    auto wideHuge = Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    ArchiveReader wideReader(wideHuge);
    EXPECT_THROW(wideReader.ReadString(), ArchiveException);

    auto shortText = Bytes({5, 'a', 'b'});
    ArchiveReader shortReader(shortText);
    EXPECT_THROW(shortReader.ReadString(), ArchiveException);

    auto cutPrefix = Bytes({0xFF, 0x10});
    ArchiveReader cutReader(cutPrefix);
    EXPECT_THROW(cutReader.ReadString(), ArchiveException);

    ArchiveReader blockReader(shortText);
    EXPECT_THROW(blockReader.ReadBlock(1u << 31), ArchiveException);
}

TEST(ArchiveReaderFile, StopsAtTheGivenEndOffset) {
    TempDir dir;
    test::WriteFileBytes(dir / "data", std::string("\x02hi\x05world", 9));
    File file;
    ASSERT_TRUE(file.Open((dir / "data").string(), File::Mode::Read));
    file.Seek(0, File::Origin::Begin);
    ArchiveReader reader(file, kArchiveBufferSize, 4);
    EXPECT_EQ(reader.ReadString(), "hi");
    EXPECT_EQ(reader.Remaining(), 1u);
    // The next text lies past the end offset.
    EXPECT_THROW(reader.ReadString(), ArchiveException);
}

TEST(ArchiveReaderFile, SkipMovesPastBufferedAndUnbufferedBytes) {
    TempDir dir;
    std::string data(10000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    test::WriteFileBytes(dir / "data", data);
    File file;
    ASSERT_TRUE(file.Open((dir / "data").string(), File::Mode::Read));
    ArchiveReader reader(file, 16);
    EXPECT_EQ(reader.ReadU8(), 0);
    reader.Skip(5);
    EXPECT_EQ(reader.ReadU8(), 6);
    reader.Skip(8000);  // far beyond the 16-byte buffer
    EXPECT_EQ(reader.ReadU8(), static_cast<uint8_t>(8007 % 251));
    EXPECT_THROW(reader.Skip(5000), ArchiveException);
}

}  // namespace
}  // namespace korv::platform
