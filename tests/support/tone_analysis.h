#pragma once
// Measures what a sound holds: the strength of one frequency (Goertzel) and
// the loudness of a stretch of samples; and makes tone fixtures with sox.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/command_runner.h"
#include "tests/support/test_environment.h"

namespace korv::test {

// One channel of interleaved samples.
inline std::vector<double> ChannelOf(const std::vector<int16_t>& interleaved, int channels, int channel) {
    std::vector<double> out;
    for (size_t i = static_cast<size_t>(channel); i < interleaved.size(); i += static_cast<size_t>(channels))
        out.push_back(interleaved[i]);
    return out;
}

// The amplitude of `frequency` in `samples` (a full-scale sine of amplitude A gives about A).
inline double ToneAmplitude(const std::vector<double>& samples, double frequency, int rate) {
    if (samples.empty()) return 0;
    double coefficient = 2 * std::cos(2 * M_PI * frequency / rate);
    double s1 = 0, s2 = 0;
    for (double x : samples) {
        double s0 = x + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(samples.size());
}

inline double Rms(const std::vector<double>& samples) {
    double sum = 0;
    for (double x : samples) sum += x * x;
    return samples.empty() ? 0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

// Runs sox with `arguments`; the test fails loudly when sox is missing or fails.
inline void RunSox(const std::vector<std::string>& arguments) {
    auto result = RunCommand("sox", arguments);
    ASSERT_EQ(result.exitCode, 0) << "sox failed (is sox installed?): " << result.err;
}

// Interleaved 16-bit samples from raw little-endian bytes.
inline std::vector<int16_t> S16Samples(const std::string& bytes) {
    std::vector<int16_t> out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    return out;
}

}  // namespace korv::test
