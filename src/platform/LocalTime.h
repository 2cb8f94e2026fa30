#pragma once
// The machine's wall-clock time: the C library's thread-safe local-time call,
// which each OS spells its own way.
#include <ctime>

namespace vexo::platform {

// t in this machine's time zone; false (and local left as it was) when it cannot be converted.
bool ToLocalTime(std::time_t t, std::tm& local);

} // namespace vexo::platform
