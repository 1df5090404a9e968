#include "scenario/calibrated_delay.h"

#include <cmath>

namespace korv {

int64_t CalibratedPolls(double value, double fullScale, uint32_t speedFigure) {
    if (fullScale == 0) return 0;
    double polls = std::trunc(fullScale * ((1.0 - value / fullScale) * speedFigure) * 0.00001);
    if (!(polls > 0)) return 0;
    return polls > 1e15 ? int64_t{1'000'000'000'000'000} : static_cast<int64_t>(polls);
}

bool CalibratedDelay(SceneContext& context, double value, double fullScale) {
    uint32_t figure = context.SpeedCalibration();
    int64_t polls = CalibratedPolls(value, fullScale, figure);
    if (polls == 0 || figure == 0) return !context.Stopped();
    // `figure` polls took one second when the machine was measured.
    uint64_t microseconds = static_cast<uint64_t>(static_cast<double>(polls) * 1e6 / figure);
    uint64_t milliseconds = microseconds / 1000;
    while (milliseconds > 0) {
        uint32_t slice = static_cast<uint32_t>(std::min<uint64_t>(milliseconds, 100));
        if (context.Clock().WaitFor(context.StopEvent(), slice)) return false;
        milliseconds -= slice;
    }
    if (microseconds % 1000) context.Clock().SleepMicroseconds(static_cast<uint32_t>(microseconds % 1000));
    return !context.Stopped();
}

}  // namespace korv
