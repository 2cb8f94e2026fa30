#pragma once
// A serial device held open by another process, as another program would: the
// exclusive open of this process must then see the port in use.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "SerialPort.h"

class TPortHolder {
public:
    // True once the other process holds the device.
    bool Hold(const std::string& device) {
        if (::pipe(fReady) != 0 || ::pipe(fRelease) != 0) return false;
        fChild = ::fork();
        if (fChild < 0) return false;
        if (fChild == 0) {
            ::close(fRelease[1]);
            auto holder = CreateSystemSerialPort();
            const char ok = holder->Open(device) == 0 ? 'y' : 'n';
            (void)!::write(fReady[1], &ok, 1);
            // Held until the parent lets go, or at most a few seconds.
            pollfd p{fRelease[0], POLLIN, 0};
            ::poll(&p, 1, 5000);
            ::_exit(0);
        }
        char ok = 0;
        return ::read(fReady[0], &ok, 1) == 1 && ok == 'y';
    }
    // The other process closes the device and ends.
    void Release() {
        if (fChild <= 0) return;
        ::close(fRelease[1]);
        fRelease[1] = -1;
        ::waitpid(fChild, nullptr, 0);
        fChild = -1;
    }
    ~TPortHolder() {
        Release();
        for (int fd : {fReady[0], fReady[1], fRelease[0], fRelease[1]})
            if (fd >= 0) ::close(fd);
    }

private:
    pid_t fChild = -1;
    int fReady[2] = {-1, -1};
    int fRelease[2] = {-1, -1};
};
