#include "media/flash/swf_frame_reports.h"

#include <gtest/gtest.h>

#include <string>

#include "media/flash/swf_movie.h"
#include "tests/support/swf_writer.h"

namespace korv {
namespace {

struct Tag {
    int code;
    std::vector<uint8_t> data;
    // The tag's bytes as stored, header included.
    std::vector<uint8_t> stored;
};

// The top-level tags of an uncompressed movie, read here on their own.
std::vector<Tag> TopLevelTags(const SwfMovie& movie) {
    std::vector<Tag> tags;
    const auto& bytes = movie.uncompressed;
    size_t at = movie.tagsOffset;
    while (at < bytes.size()) {
        EXPECT_LE(at + 2, bytes.size());
        int header = bytes[at] | bytes[at + 1] << 8;
        size_t length = header & 0x3F;
        size_t data = at + 2;
        if (length == 0x3F) {
            length = bytes[data] | bytes[data + 1] << 8 | bytes[data + 2] << 16 | size_t{bytes[data + 3]} << 24;
            data += 4;
        }
        EXPECT_LE(data + length, bytes.size());
        tags.push_back({header >> 6, {bytes.begin() + data, bytes.begin() + data + length},
                        {bytes.begin() + at, bytes.begin() + data + length}});
        at = data + length;
        if (tags.back().code == 0) break;
    }
    return tags;
}

std::vector<uint8_t> ReportCode(int frame, bool stop) {
    std::string text = "korv-frame:" + std::to_string(frame);
    std::vector<uint8_t> code = {0x96, static_cast<uint8_t>(text.size() + 2), 0, 0x00};
    code.insert(code.end(), text.begin(), text.end());
    code.insert(code.end(), {0x00, 0x26});
    if (stop) code.push_back(0x07);
    code.push_back(0x00);
    return code;
}

// Checks that every top-level ShowFrame of `reported` has the report of its
// frame right before it, and that apart from those the tags are `original`'s.
void ExpectReports(const SwfMovie& original, const SwfMovie& reported, bool stop) {
    auto before = TopLevelTags(original);
    auto after = TopLevelTags(reported);
    int frames = 0;
    for (const Tag& tag : before) frames += tag.code == 1;
    ASSERT_EQ(after.size(), before.size() + static_cast<size_t>(frames));
    size_t j = 0;
    int frame = 0;
    for (const Tag& tag : before) {
        if (tag.code == 1) {
            ASSERT_EQ(after[j].code, 12);
            EXPECT_EQ(after[j].data, ReportCode(frame, stop && frame == frames - 1)) << frame;
            ++j;
            ++frame;
        }
        EXPECT_EQ(after[j].stored, tag.stored);
        ++j;
    }
}

TEST(SwfFrameReports, EveryMainFrameReportsItselfInEveryCompression) {
    for (char compression : {'F', 'C', 'Z'}) {
        for (bool stop : {false, true}) {
            SCOPED_TRACE(std::string(1, compression) + (stop ? " stop" : " loop"));
            test::SwfTestMovie written;
            written.frames = 12;
            written.compression = compression;
            auto file = test::WriteSwfTestMovie(written);
            auto result = AddFrameReports(file, stop);
            ASSERT_TRUE(result);
            auto reported = ReadSwfMovie(*result);
            ASSERT_TRUE(reported);
            auto original = ReadSwfMovie(file);
            EXPECT_EQ(reported->compression, SwfCompression::Plain);
            EXPECT_EQ(reported->uncompressed.size(), result->size());
            EXPECT_EQ(reported->frameCount, 12);
            EXPECT_EQ(reported->stage, original->stage);
            EXPECT_EQ(reported->declaredFrameRate, original->declaredFrameRate);
            ExpectReports(*original, *reported, stop);
        }
    }
}

TEST(SwfFrameReports, SpritesKeepTheirOwnFrames) {
    // A sprite (character 2, two frames) whose data is long enough for the
    // long length form, then three main frames.
    std::vector<uint8_t> sprite = {2, 0, 2, 0};
    std::vector<uint8_t> filler(80, 0xAB);
    for (const auto& tag : {test::SwfTestTag(1, {}), test::SwfTestTag(777, filler), test::SwfTestTag(1, {}),
                            test::SwfTestTag(0, {})})
        sprite.insert(sprite.end(), tag.begin(), tag.end());
    std::vector<uint8_t> tags = test::SwfTestTag(69, std::vector<uint8_t>{0, 0, 0, 0});
    for (const auto& tag : {test::SwfTestTag(39, sprite), test::SwfTestTag(1, {}), test::SwfTestTag(1, {}),
                            test::SwfTestTag(1, {}), test::SwfTestTag(0, {})})
        tags.insert(tags.end(), tag.begin(), tag.end());
    auto file = test::SwfTestFile(200, 100, 24, 3, tags, 'C');

    auto result = AddFrameReports(file, true);
    ASSERT_TRUE(result);
    auto original = ReadSwfMovie(file);
    auto reported = ReadSwfMovie(*result);
    ASSERT_TRUE(reported);
    ExpectReports(*original, *reported, true);
    auto after = TopLevelTags(*reported);
    ASSERT_EQ(after[1].code, 39);
    EXPECT_EQ(after[1].data, sprite);
    int actions = 0;
    for (const Tag& tag : after) actions += tag.code == 12;
    EXPECT_EQ(actions, 3);
}

TEST(SwfFrameReports, RefusesMoviesItCannotChangeSafely) {
    test::SwfTestMovie written;
    written.actionScript3 = true;
    EXPECT_FALSE(AddFrameReports(test::WriteSwfTestMovie(written), false));

    written.actionScript3 = false;
    written.frames = 0;
    EXPECT_FALSE(AddFrameReports(test::WriteSwfTestMovie(written), false));

    written.frames = 3;
    auto file = test::WriteSwfTestMovie(written);
    ASSERT_TRUE(AddFrameReports(file, false));
    // The last tag (End) cut in half, with the length telling the truth: the
    // tag runs past the data.
    auto truncated = file;
    truncated.pop_back();
    uint32_t length = static_cast<uint32_t>(truncated.size());
    for (int i = 0; i < 4; ++i) truncated[4 + i] = static_cast<uint8_t>(length >> (8 * i));
    EXPECT_FALSE(AddFrameReports(truncated, false));
    // A long tag length reaching beyond the movie.
    std::vector<uint8_t> tags = test::SwfTestTag(1, {});
    tags.insert(tags.end(), {0x3F, 0x03, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3});
    EXPECT_FALSE(AddFrameReports(test::SwfTestFile(100, 100, 10, 1, tags), false));
    // A declared length beyond the data.
    auto longer = file;
    longer[4] = static_cast<uint8_t>(longer[4] + 10);
    EXPECT_FALSE(AddFrameReports(longer, false));
    EXPECT_FALSE(AddFrameReports({}, false));
}

TEST(SwfFrameReports, ParsesOnlyItsOwnTraceMessages) {
    EXPECT_EQ(ParseFrameReport(std::string(kFrameReportPrefix) + "0"), 0);
    EXPECT_EQ(ParseFrameReport("korv-frame:41"), 41);
    EXPECT_EQ(ParseFrameReport("korv-frame:7\n"), 7);
    for (const char* other : {"korv-frame:", "korv-frame:-1", "korv-frame:+1", "korv-frame:1x", "korv-frame: 1",
                              "korv-frame:99999999999", "frame:3", "hello", ""})
        EXPECT_FALSE(ParseFrameReport(other)) << other;
}

}  // namespace
}  // namespace korv
