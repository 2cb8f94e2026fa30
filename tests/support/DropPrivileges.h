#pragma once
// Tests of permissions run as root here and in CI, and root opens anything: a child process
// gives its privileges up (becomes nobody, in no group) before it tries.
#include <cstdlib>
#include <grp.h>
#include <unistd.h>

inline void DropPrivileges() {
    if (::geteuid() != 0) return;
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(3);
}
