#include "LocalTime.h"

namespace vexo::platform {

bool ToLocalTime(std::time_t t, std::tm& local) {
    std::tm result{};
#ifdef _WIN32
    if (localtime_s(&result, &t) != 0) return false;
#else
    if (!localtime_r(&t, &result)) return false;
#endif
    local = result;
    return true;
}

} // namespace vexo::platform
