#pragma once
// What a windowed program needs to know of the session it was started in.

namespace vexo::platform {

// Whether there is a display to open a window on. Windows always has its desktop; elsewhere a
// window needs an X or Wayland display, or a Qt platform chosen by hand (offscreen, vnc).
bool HasDisplay();
// Sets a variable of this process's environment, for libraries that read it at start-up.
void SetEnvironmentValue(const char* name, const char* value);

} // namespace vexo::platform
