#pragma once
// Names the calling thread, so that a profiler, `top -H` or a benchmark can tell the
// program's threads apart. At most 15 characters are kept; where the OS has no names,
// nothing happens.
void SetCurrentThreadName(const char* name);
