#include "shell/next_update_text.h"

#include "platform/clock.h"

namespace korv {

int64_t NextUpdateTime(int64_t lastUpdate, int32_t refreshMinutes, int64_t now) {
    if (lastUpdate == 0) return now;
    const int64_t due = lastUpdate + int64_t{refreshMinutes} * 60;
    return due < now ? now : due;
}

std::optional<std::string> NextUpdateText(int64_t lastUpdate, int32_t refreshMinutes, int64_t now) {
    if (refreshMinutes == 0) return std::nullopt;
    return platform::LocalTimeText(NextUpdateTime(lastUpdate, refreshMinutes, now), "%B %d, %Y - %H:%M");
}

}  // namespace korv
