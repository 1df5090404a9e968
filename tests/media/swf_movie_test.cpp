#include "media/flash/swf_movie.h"

#include <gtest/gtest.h>

#include "tests/support/swf_writer.h"

namespace korv {
namespace {

void SetLength(std::vector<uint8_t>& file, uint32_t length) {
    for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(length >> (8 * i));
}

TEST(SwfMovie, ReadsTheHeaderAndTheSameBytesFromEveryCompression) {
    test::SwfTestMovie base;
    base.width = 400;
    base.height = 300;
    base.frames = 7;
    base.frameRate = 12.5;
    base.version = 8;
    const auto plain = test::WriteSwfTestMovie(base);
    for (auto [compression, kind] : {std::pair{'F', SwfCompression::Plain}, std::pair{'C', SwfCompression::Zlib},
                                     std::pair{'Z', SwfCompression::Lzma}}) {
        SCOPED_TRACE(compression);
        auto written = base;
        written.compression = compression;
        auto movie = ReadSwfMovie(test::WriteSwfTestMovie(written));
        ASSERT_TRUE(movie);
        EXPECT_EQ(movie->compression, kind);
        EXPECT_EQ(movie->version, 8);
        EXPECT_EQ(movie->stage, (Size{400, 300}));
        EXPECT_DOUBLE_EQ(movie->declaredFrameRate, 12.5);
        EXPECT_DOUBLE_EQ(movie->frameRate, 12.5);
        EXPECT_EQ(movie->frameCount, 7);
        EXPECT_FALSE(movie->actionScript3);
        EXPECT_EQ(movie->uncompressed, plain);
        // 400 × 20 twips need 14 bits an edge: 5 + 56 bits = 8 bytes, then
        // rate and count; the first tag is FileAttributes (code 69, 4 bytes).
        ASSERT_EQ(movie->tagsOffset, 8u + 8 + 4);
        EXPECT_EQ(movie->uncompressed[movie->tagsOffset], (69 << 6 | 4) & 0xFF);
        EXPECT_EQ(movie->uncompressed[movie->tagsOffset + 1], (69 << 6 | 4) >> 8);
    }
}

TEST(SwfMovie, ActionScript3ComesFromTheFileAttributes) {
    for (char compression : {'F', 'C', 'Z'}) {
        test::SwfTestMovie written;
        written.actionScript3 = true;
        written.compression = compression;
        auto movie = ReadSwfMovie(test::WriteSwfTestMovie(written));
        ASSERT_TRUE(movie);
        EXPECT_TRUE(movie->actionScript3);
    }
    // FileAttributes after the first frame is not read; other flags are not
    // the ActionScript 3 one.
    std::vector<uint8_t> tags = test::SwfTestTag(1, {});
    std::vector<uint8_t> late = test::SwfTestTag(69, std::vector<uint8_t>{0x08, 0, 0, 0});
    tags.insert(tags.end(), late.begin(), late.end());
    EXPECT_FALSE(ReadSwfMovie(test::SwfTestFile(100, 100, 10, 1, tags))->actionScript3);
    auto network = test::SwfTestTag(69, std::vector<uint8_t>{0xF7, 0, 0, 0});
    EXPECT_FALSE(ReadSwfMovie(test::SwfTestFile(100, 100, 10, 1, network))->actionScript3);
}

TEST(SwfMovie, FrameRatesAndStagesAsThePlayersTakeThem) {
    auto zeroRate = ReadSwfMovie(test::SwfTestFile(100, 80, 0, 1, test::SwfTestTag(1, {})));
    ASSERT_TRUE(zeroRate);
    EXPECT_EQ(zeroRate->declaredFrameRate, 0);
    EXPECT_EQ(zeroRate->frameRate, kSwfFastestFrameRate);
    EXPECT_EQ(SwfPlayedFrameRate(0.005), kSwfSlowestFrameRate);
    EXPECT_EQ(SwfPlayedFrameRate(255.99609375), 255.99609375);
    // An empty stage rectangle gives the default stage.
    auto emptyStage = ReadSwfMovie(test::SwfTestFile(0, 0, 24, 1, test::SwfTestTag(1, {})));
    ASSERT_TRUE(emptyStage);
    EXPECT_EQ(emptyStage->stage, kDefaultFlashStage);
}

TEST(SwfMovie, RefusesLengthsItCannotCheckAndDamagedBodies) {
    for (char compression : {'F', 'C', 'Z'}) {
        SCOPED_TRACE(compression);
        test::SwfTestMovie written;
        written.compression = compression;
        auto file = test::WriteSwfTestMovie(written);
        const auto plain = ReadSwfMovie(file)->uncompressed;

        // A length beyond what the data holds, one above the limit, and one
        // shorter than the header.
        auto longer = file;
        SetLength(longer, static_cast<uint32_t>(plain.size() + 1));
        EXPECT_FALSE(ReadSwfMovie(longer));
        auto huge = file;
        SetLength(huge, kMaxSwfMovieBytes + 1);
        EXPECT_FALSE(ReadSwfMovie(huge));
        auto tiny = file;
        SetLength(tiny, 10);
        EXPECT_FALSE(ReadSwfMovie(tiny));

        // Cuts: either refused or, for compressed files cut in their
        // trailer, the same movie.
        for (size_t size = 0; size < file.size(); ++size) {
            auto cut = ReadSwfMovie(std::span(file).first(size));
            if (compression == 'F') {
                EXPECT_FALSE(cut) << size;
            }
            if (cut) {
                EXPECT_EQ(cut->uncompressed, plain) << size;
            }
        }
    }
    // A shorter length than the data: the movie ends there.
    test::SwfTestMovie written;
    auto file = test::WriteSwfTestMovie(written);
    file.insert(file.end(), {1, 2, 3});
    auto padded = ReadSwfMovie(file);
    ASSERT_TRUE(padded);
    EXPECT_EQ(padded->uncompressed.size(), file.size() - 3);

    written.compression = 'Z';
    auto lzma = test::WriteSwfTestMovie(written);
    auto flipped = lzma;
    for (size_t i = 20; i < flipped.size(); i += 7) flipped[i] ^= 0x5A;
    auto damaged = ReadSwfMovie(flipped);
    if (damaged) {
        EXPECT_NE(damaged->uncompressed, ReadSwfMovie(lzma)->uncompressed);
    }
    auto badProperties = lzma;
    badProperties[12] = 225;
    EXPECT_FALSE(ReadSwfMovie(badProperties));
    EXPECT_FALSE(ReadSwfMovie(std::vector<uint8_t>{'Z', 'W', 'S', 13, 100, 0, 0, 0}));
}

}  // namespace
}  // namespace korv
