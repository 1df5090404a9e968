#include "saver/program_file.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "resources/string_table.h"
#include "tests/support/saver_fixture.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

using test::TempDir;

PayloadRecord SampleRecord() {
    PayloadRecord record;
    record.playerType = PlayerBuiltIn;
    record.alwaysCheck = 1;
    record.reserved = 77;
    record.intervalUnit = UnitHours;
    record.intervalCount = 3;
    record.siteUrl = "http://www.example.com/site/";
    record.sourceName = "index.html";
    record.username = "user";
    record.password = "secret";
    return record;
}

class PayloadTest : public ::testing::Test {
protected:
    Payload Read(const std::string& bytes) {
        test::WriteFileBytes(dir_ / "saver", bytes);
        platform::File file;
        EXPECT_TRUE(file.Open((dir_ / "saver").string(), platform::File::Mode::Read));
        return ReadPayload(file, settings_);
    }

    TempDir dir_;
    SaverSettings settings_{platform::SettingsStore((dir_ / "store").string()), "saver"};
};

TEST_F(PayloadTest, ReadsEveryFieldWrittenByTheBuilder) {
    Payload payload = Read(test::SaverBytes(SampleRecord(), std::string("scenario"), true));
    EXPECT_EQ(payload.record.playerType, PlayerBuiltIn);
    EXPECT_EQ(payload.record.alwaysCheck, 1);
    EXPECT_EQ(payload.record.intervalUnit, UnitHours);
    EXPECT_EQ(payload.record.intervalCount, 3);
    EXPECT_EQ(payload.record.sourceName, "index.html");
    EXPECT_EQ(payload.record.username, "user");
    EXPECT_EQ(payload.record.password, "secret");
    EXPECT_EQ(payload.settingsDisabled, 1);
    EXPECT_EQ(payload.refreshMinutes, 180);
    EXPECT_EQ(payload.siteUrl, "http://www.example.com/site/");
    EXPECT_EQ(payload.siteUrlAtLoad, payload.siteUrl);
    EXPECT_EQ(payload.payloadOffset, kEngineSize + 4 + 8);
}

TEST(RefreshInterval, UnitsMultiplyAndUnknownUnitsGiveZero) {
    EXPECT_EQ(IntervalMinutes(UnitMinutes, 45), 45);
    EXPECT_EQ(IntervalMinutes(UnitHours, 2), 120);
    EXPECT_EQ(IntervalMinutes(UnitDays, 3), 4320);
    EXPECT_EQ(IntervalMinutes(3, 10), 0);
    EXPECT_EQ(IntervalMinutes(-1, 10), 0);
    // A count that would overflow saturates instead of wrapping around.
    EXPECT_EQ(IntervalMinutes(UnitDays, 0x7FFFFFFF), 0x7FFFFFFF);
}

TEST_F(PayloadTest, ServerIntervalReplacesThePayloadIntervalOnlyWhenPositive) {
    const std::string bytes = test::SaverBytes(SampleRecord());
    const std::string& time = LoadString(IDS_INTERVAL_TIME);
    const std::string& type = LoadString(IDS_INTERVAL_TYPE);

    settings_.WriteInt(type, 1);
    settings_.WriteInt(time, 2);
    EXPECT_EQ(EffectiveIntervalFromServer(settings_), 120);
    EXPECT_EQ(Read(bytes).refreshMinutes, 120);

    settings_.WriteInt(time, 0);
    EXPECT_EQ(Read(bytes).refreshMinutes, 180);

    settings_.WriteInt(time, 5);
    settings_.WriteInt(type, 7);  // no such unit: no server interval
    EXPECT_EQ(Read(bytes).refreshMinutes, 180);

    settings_.WriteInt(type, 2);
    EXPECT_EQ(Read(bytes).refreshMinutes, 7200);
}

TEST_F(PayloadTest, RemoteSiteOverridesTheAddressEvenWhenEmpty) {
    const std::string bytes = test::SaverBytes(SampleRecord());
    const std::string& remoteSite = LoadString(IDS_REMOTE_SITE);
    settings_.WriteString(remoteSite, "http://moved.example.org/");
    EXPECT_EQ(Read(bytes).siteUrl, "http://moved.example.org/");
    EXPECT_EQ(Read(bytes).record.siteUrl, "http://www.example.com/site/");
    settings_.WriteString(remoteSite, "");
    EXPECT_EQ(Read(bytes).siteUrl, "");
    EXPECT_EQ(Read(bytes).siteUrlAtLoad, "");
}

// Every damaged layout must raise the archive or file error, never read
// outside the file or allocate what a length merely claims.
TEST_F(PayloadTest, DamagedProgramFilesRaiseErrors) {
    const std::string good = test::SaverBytes(SampleRecord());
    auto expectFailure = [&](const std::string& bytes, const char* what) {
        EXPECT_THROW(Read(bytes), Exception) << what;
    };

    expectFailure("", "empty file");
    expectFailure("abcd", "shorter than the trailer");
    for (size_t cut : {good.size() - 1, good.size() - 5, good.size() - 20, kEngineSize + 3})
        expectFailure(good.substr(0, cut), "truncated");

    auto withOffset = [&](uint32_t offset) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i) bytes[bytes.size() - 5 + i] = static_cast<char>(offset >> (8 * i));
        return bytes;
    };
    expectFailure(withOffset(0xFFFFFFFF), "offset past the end");
    expectFailure(withOffset(static_cast<uint32_t>(good.size() - 4)), "offset inside the trailer");

    // The site address's length claims 2 GB.
    std::string claim = good;
    size_t site = kEngineSize + 20;
    ASSERT_EQ(static_cast<uint8_t>(claim[site]), SampleRecord().siteUrl.size());
    std::string huge = "\xFF\xFF\xFF\x00\x00\x00\x80";
    claim.replace(site, 1, huge);
    expectFailure(claim, "2 GB length claim");

    // A string that runs into the trailer.
    std::string intoTrailer = good;
    size_t password = good.size() - 5 - SampleRecord().password.size() - 1;
    intoTrailer[password] = static_cast<char>(SampleRecord().password.size() + 3);
    expectFailure(intoTrailer, "string into the trailer");

    EXPECT_NO_THROW(Read(good));
}

}  // namespace
}  // namespace korv
