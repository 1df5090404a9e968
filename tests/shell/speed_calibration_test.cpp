#include "shell/speed_calibration.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "saver/saver_settings.h"
#include "tests/support/test_environment.h"

namespace korv {
namespace {

class SpeedCalibrationTest : public ::testing::Test {
protected:
    // Runs a calibration that "measures" `figure`; returns whether it ran.
    bool Calibrate(const std::string& fingerprint, uint32_t figure, uint32_t& speed) {
        return CalibrateSpeed(store_, fingerprint, speed, [figure] { return figure; });
    }
    test::TempDir dir_;
    platform::SettingsStore store_{dir_.str()};
};

TEST_F(SpeedCalibrationTest, AnUnchangedMachineReusesItsFigure) {
    uint32_t speed = 0;
    EXPECT_TRUE(Calibrate("4096,1,2,3,2,8664,4096,6,1234", 5000, speed));
    EXPECT_EQ(speed, 5000u);
    EXPECT_EQ(store_.ReadString(ProductKey(), "SysInfo"), "4096,1,2,3,2,8664,4096,6,1234");
    EXPECT_EQ(store_.ReadNumber(ProductKey(), "Times"), 5000u);

    speed = 0;
    EXPECT_FALSE(Calibrate("4096,1,2,3,2,8664,4096,6,1234", 9999, speed));
    EXPECT_EQ(speed, 5000u);
}

TEST_F(SpeedCalibrationTest, AChangedProcessorCountOrAZeroFigureMeasuresAgain) {
    uint32_t speed = 0;
    Calibrate("4096,1,2,3,2,8664,4096,6,1234", 5000, speed);
    EXPECT_TRUE(Calibrate("4096,1,2,15,4,8664,4096,6,1234", 7000, speed));
    EXPECT_EQ(store_.ReadNumber(ProductKey(), "Times"), 7000u);

    store_.WriteNumber(ProductKey(), "Times", 0);
    EXPECT_TRUE(Calibrate("4096,1,2,15,4,8664,4096,6,1234", 6000, speed));
    EXPECT_EQ(speed, 6000u);
}

TEST(MachineFingerprint, NineUnsignedNumbersInOrder) {
    platform::ProcessorInfo info{4096, 65536, 0x7FFFFFFFEFFF, 3, 2, 8664, 4096, 6, 0x9E0A};
    EXPECT_EQ(MachineFingerprint(info), "4096,65536,140737488351231,3,2,8664,4096,6,40458");

    // The real machine's fingerprint is stable from one reading to the next.
    auto first = MachineFingerprint(platform::ReadProcessorInfo());
    EXPECT_EQ(first, MachineFingerprint(platform::ReadProcessorInfo()));
    EXPECT_EQ(std::count(first.begin(), first.end(), ','), 8);
}

}  // namespace
}  // namespace korv
