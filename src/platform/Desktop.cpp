#include "Desktop.h"

#include <cstdlib>
#include <initializer_list>

namespace vexo::platform {

bool HasDisplay() {
#ifdef _WIN32
    return true;
#else
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value) return true;
    return false;
#endif
}

void SetEnvironmentValue(const char* name, const char* value) {
#ifdef _WIN32
    ::_putenv_s(name, value);
#else
    ::setenv(name, value, 1);
#endif
}

} // namespace vexo::platform
