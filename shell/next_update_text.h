#pragma once
// When the next update check is due, as the settings dialog shows it.

#include <cstdint>
#include <optional>
#include <string>

namespace korv {

// `refreshMinutes` after the last update (seconds since 1970), or `now` when
// that has passed or no update has happened yet (`lastUpdate` 0).
int64_t NextUpdateTime(int64_t lastUpdate, int32_t refreshMinutes, int64_t now);

// That time in local time, e.g. "January 15, 2027 - 08:00"; nothing when
// `refreshMinutes` is 0, as then no check is timed.
std::optional<std::string> NextUpdateText(int64_t lastUpdate, int32_t refreshMinutes, int64_t now);

}  // namespace korv
