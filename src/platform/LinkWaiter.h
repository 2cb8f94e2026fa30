#pragma once
// How the link thread waits between its cycles: until its port has input, another thread
// wakes it, or a time bound passes. One waiter per link thread; Wake may come from any thread.
//
// The port is waited on in the way its kind allows: a descriptor (POSIX tty), an event object
// (a Windows COM port's comm event), or the event a D2XX library sets when bytes arrive
// (FT_SetEventNotification's argument: on Windows an event object, elsewhere the library's
// record of a condition variable, its mutex and a flag).
#include <cstdint>
#include <memory>

enum class eLinkWait : std::uint8_t {
    Input,   // the port has input, or says so (a hang-up or an error counts)
    Woken,   // another thread called Wake
    TimedOut // the bound passed
};

class TLinkWaiter {
public:
    TLinkWaiter();
    ~TLinkWaiter();
    TLinkWaiter(const TLinkWaiter&) = delete;
    TLinkWaiter& operator=(const TLinkWaiter&) = delete;

    // Ends the current wait, or the next one when none is running.
    void Wake();
    // The wake-up alone (a port that cannot be waited on).
    eLinkWait Sleep(int timeOutMs);
#ifdef _WIN32
    // An event object the port sets (an overlapped comm event), besides the wake-up.
    eLinkWait WaitHandle(void* event, int timeOutMs);
#else
    // A descriptor that turns readable (or hangs up), besides the wake-up.
    eLinkWait WaitDescriptor(int fd, int timeOutMs);
#endif
    // The argument to hand to FT_SetEventNotification; it stays valid while the waiter lives.
    void* D2XXEventArgument();
    // The D2XX event, set by the library (or by Wake). A wake-up from the library that left no
    // mark counts as input: a cycle too many costs nothing, one too few a whole bound.
    eLinkWait WaitD2XXEvent(int timeOutMs);

private:
    struct TImpl;
    std::unique_ptr<TImpl> fImpl;
};

// The library's side of the D2XX event: sets the event behind FT_SetEventNotification's
// argument (the simulated readers' library uses it).
void SetD2XXEvent(void* argument);
