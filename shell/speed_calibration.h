#pragma once
// The machine speed figure: measured once per machine (a one-second count
// by a calibration thread) and kept machine-wide with the fingerprint of the
// machine it was measured on. A saver on an unchanged machine reuses it.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/settings_store.h"
#include "platform/system_info.h"

namespace korv {

// "%u,%u,%u,%u,%u,%u,%u,%u,%u" of the processor information.
std::string MachineFingerprint(const platform::ProcessorInfo& info);

// Runs the calibration thread for its measuring time and returns the figure.
using SpeedCalibrationRun = std::function<uint32_t()>;

// Reads the stored figure; measures again (through `calibrate`) unless a
// figure is stored for exactly this fingerprint; stores fingerprint and figure.
// Returns true when it measured.
bool CalibrateSpeed(platform::SettingsStore& store, const std::string& fingerprint, uint32_t& speedCalibration,
                    const SpeedCalibrationRun& calibrate);

}  // namespace korv
