#include "media/flash/flash_movie_size.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/support/swf_writer.h"

#include <vector>

namespace korv {
namespace {

// A movie header "FWS", version, file length, then the frame rectangle with
// `bits` bits per edge, most significant bit first.
std::vector<uint8_t> MovieHeader(int bits, int32_t xMin, int32_t xMax, int32_t yMin, int32_t yMax) {
    std::vector<uint8_t> movie = {'F', 'W', 'S', 10, 0, 0, 0, 0};
    std::vector<bool> stream;
    auto put = [&](uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) stream.push_back((value >> i) & 1u);
    };
    put(static_cast<uint32_t>(bits), 5);
    for (int32_t edge : {xMin, xMax, yMin, yMax}) put(static_cast<uint32_t>(edge), bits);
    std::vector<uint8_t> rect((stream.size() + 7) / 8, 0);
    for (size_t i = 0; i < stream.size(); ++i)
        if (stream[i]) rect[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    movie.insert(movie.end(), rect.begin(), rect.end());
    // The frame rate and count follow the rectangle.
    movie.insert(movie.end(), {0, 24, 1, 0});
    return movie;
}

std::vector<uint8_t> Compressed(const std::vector<uint8_t>& movie) {
    std::vector<uint8_t> body(movie.begin() + 8, movie.end());
    uLongf length = compressBound(static_cast<uLong>(body.size()));
    std::vector<uint8_t> packed(length);
    EXPECT_EQ(compress(packed.data(), &length, body.data(), static_cast<uLong>(body.size())), Z_OK);
    packed.resize(length);
    std::vector<uint8_t> result = {'C', 'W', 'S', 10, 0, 0, 0, 0};
    result.insert(result.end(), packed.begin(), packed.end());
    return result;
}

TEST(FlashMovieSize, ReadsTheStageFromPlainAndCompressedHeaders) {
    auto plain = MovieHeader(15, 0, 6400, 0, 4800);
    ASSERT_TRUE(FlashMovieSize(plain));
    EXPECT_EQ(FlashMovieSize(plain)->width, 320);
    EXPECT_EQ(FlashMovieSize(plain)->height, 240);
    // Twips are divided by 20 with the remainder dropped; edges may be negative.
    auto odd = MovieHeader(16, -100, 10939, 20, 8019);
    ASSERT_TRUE(FlashMovieSize(odd));
    EXPECT_EQ(FlashMovieSize(odd)->width, 551);
    EXPECT_EQ(FlashMovieSize(odd)->height, 399);

    auto packed = Compressed(plain);
    ASSERT_TRUE(FlashMovieSize(packed));
    EXPECT_EQ(FlashMovieSize(packed)->width, 320);
    EXPECT_EQ(FlashMovieSize(packed)->height, 240);
}

TEST(FlashMovieSize, HeadersItCannotReadHaveNoSize) {
    auto plain = MovieHeader(15, 0, 6400, 0, 4800);
    // Cut inside the rectangle.
    EXPECT_FALSE(FlashMovieSize(std::span(plain).first(10)));
    EXPECT_FALSE(FlashMovieSize({}));
    // LZMA bodies, other signatures, empty stages.
    auto lzma = plain;
    lzma[0] = 'Z';
    EXPECT_FALSE(FlashMovieSize(lzma));
    auto other = plain;
    other[1] = 'X';
    EXPECT_FALSE(FlashMovieSize(other));
    EXPECT_FALSE(FlashMovieSize(MovieHeader(0, 0, 0, 0, 0)));
    EXPECT_FALSE(FlashMovieSize(MovieHeader(15, 6400, 0, 0, 4800)));
    // A compressed body that is not zlib.
    auto garbage = Compressed(plain);
    for (size_t i = 8; i < garbage.size(); ++i) garbage[i] = 0xFF;
    EXPECT_FALSE(FlashMovieSize(garbage));
}


TEST(FlashMovieSize, ReadsTheStageOfWrittenMoviesInEveryCompression) {
    for (char compression : {'F', 'C', 'Z'}) {
        SCOPED_TRACE(compression);
        test::SwfTestMovie movie;
        movie.width = 640;
        movie.height = 360;
        movie.compression = compression;
        auto file = test::WriteSwfTestMovie(movie);
        ASSERT_TRUE(FlashMovieSize(file));
        EXPECT_EQ(*FlashMovieSize(file), (Size{640, 360}));
        // Only the start of the body matters: a wrong file length or a cut
        // after the rectangle leaves the size readable.
        auto wrongLength = file;
        wrongLength[4] = wrongLength[5] = wrongLength[6] = wrongLength[7] = 0;
        ASSERT_TRUE(FlashMovieSize(wrongLength));
        EXPECT_EQ(*FlashMovieSize(wrongLength), (Size{640, 360}));
        // Every cut of the file is read without a crash.
        for (size_t size = 0; size < file.size(); ++size) {
            auto cutSize = FlashMovieSize(std::span(file).first(size));
            if (cutSize) {
                EXPECT_EQ(*cutSize, (Size{640, 360}));
            }
        }
        EXPECT_FALSE(FlashMovieSize(std::span(file).first(compression == 'Z' ? 18 : 9)));
    }
}

TEST(FlashMovieSize, DamagedLzmaBodiesHaveNoSize) {
    test::SwfTestMovie movie;
    movie.compression = 'Z';
    auto file = test::WriteSwfTestMovie(movie);
    // Property byte beyond lc/lp/pb's range.
    auto badProperties = file;
    badProperties[12] = 0xFF;
    EXPECT_FALSE(FlashMovieSize(badProperties));
    // Data that decodes to garbage or not at all.
    auto garbage = file;
    for (size_t i = 17; i < garbage.size(); ++i) garbage[i] = 0xFF;
    EXPECT_FALSE(FlashMovieSize(garbage));
    // A dictionary property of 4 GiB costs no memory: the decoder only
    // needs as much as it is asked to produce.
    auto hugeDictionary = file;
    for (int i = 13; i < 17; ++i) hugeDictionary[i] = 0xFF;
    ASSERT_TRUE(FlashMovieSize(hugeDictionary));
    EXPECT_EQ(*FlashMovieSize(hugeDictionary), (Size{320, 240}));
}

}  // namespace
}  // namespace korv
