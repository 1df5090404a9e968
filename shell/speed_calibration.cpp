#include "shell/speed_calibration.h"

#include "resources/string_table.h"
#include "saver/log.h"
#include "saver/saver_settings.h"

namespace korv {

namespace {

constexpr size_t kFingerprintLimit = 260;

}  // namespace

std::string MachineFingerprint(const platform::ProcessorInfo& info) {
    return std::to_string(info.pageSize) + "," + std::to_string(info.lowestApplicationAddress) + "," +
           std::to_string(info.highestApplicationAddress) + "," + std::to_string(info.activeProcessorMask) + "," +
           std::to_string(info.numberOfProcessors) + "," + std::to_string(info.processorType) + "," +
           std::to_string(info.allocationGranularity) + "," + std::to_string(info.processorLevel) + "," +
           std::to_string(info.processorRevision);
}

bool CalibrateSpeed(platform::SettingsStore& store, const std::string& fingerprint, uint32_t& speedCalibration,
                    const SpeedCalibrationRun& calibrate) {
    const std::string key = ProductKey();
    const std::string& sysInfoName = LoadString(IDS_SYSINFO);
    const std::string& timesName = LoadString(IDS_TIMES);
    store.CreateKey(key);

    std::string stored = store.ReadString(key, sysInfoName).value_or("");
    if (stored.size() > kFingerprintLimit - 1) stored.resize(kFingerprintLimit - 1);
    speedCalibration = store.ReadNumber(key, timesName).value_or(0);

    if (speedCalibration != 0 && stored == fingerprint) return false;

    if (calibrate) speedCalibration = calibrate();
    store.WriteString(key, sysInfoName, fingerprint);
    store.WriteNumber(key, timesName, speedCalibration);
    return true;
}

}  // namespace korv
