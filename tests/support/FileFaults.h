#pragma once
// Failures no real file system gives on demand: linked into a test, this makes the C
// library's rename and fsync fail for paths in one folder of that test's choosing. The
// program's own calls go through these like any other caller's; nothing in the program
// knows of it. Everything else fails for real (a full or read-only small file system, a
// lock held by another process).
#include <string>

namespace FileFaults {

enum class eCall { Rename, Sync };

// From now on every call of this kind on a path in folder fails with err, until Clear.
void FailIn(eCall call, const std::string& folder, int err);
void Clear();

} // namespace FileFaults
