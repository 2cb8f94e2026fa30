#ifdef _WIN32
// The waiter over event objects: one for the wake-ups, one the D2XX library sets.
#include <windows.h>

#include "LinkWaiter.h"

struct TLinkWaiter::TImpl {
    HANDLE Wake = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE D2XX = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~TImpl() {
        if (Wake) ::CloseHandle(Wake);
        if (D2XX) ::CloseHandle(D2XX);
    }
    // Waits for the wake-up and, when given, the port's event (which wins when both are set).
    eLinkWait Wait(HANDLE port, int timeOutMs) {
        HANDLE handles[2] = {Wake, port};
        const DWORD n = port ? 2 : 1;
        const DWORD r = ::WaitForMultipleObjects(n, handles, FALSE, static_cast<DWORD>(timeOutMs));
        if (r == WAIT_OBJECT_0 + 1) return eLinkWait::Input;
        if (r == WAIT_OBJECT_0) {
            if (port && ::WaitForSingleObject(port, 0) == WAIT_OBJECT_0) return eLinkWait::Input;
            return eLinkWait::Woken;
        }
        return eLinkWait::TimedOut;
    }
};

TLinkWaiter::TLinkWaiter() : fImpl(std::make_unique<TImpl>()) {}
TLinkWaiter::~TLinkWaiter() = default;

void TLinkWaiter::Wake() {
    ::SetEvent(fImpl->Wake);
}

eLinkWait TLinkWaiter::Sleep(int timeOutMs) {
    return fImpl->Wait(nullptr, timeOutMs);
}

eLinkWait TLinkWaiter::WaitHandle(void* event, int timeOutMs) {
    return fImpl->Wait(static_cast<HANDLE>(event), timeOutMs);
}

void* TLinkWaiter::D2XXEventArgument() {
    return fImpl->D2XX;
}

eLinkWait TLinkWaiter::WaitD2XXEvent(int timeOutMs) {
    return fImpl->Wait(fImpl->D2XX, timeOutMs);
}

void SetD2XXEvent(void* argument) {
    if (argument) ::SetEvent(static_cast<HANDLE>(argument));
}

#endif
