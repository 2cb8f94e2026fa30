#ifndef _WIN32
// The waiter over poll: an eventfd carries the wake-ups; the D2XX event is a condition
// variable with its mutex and a flag, laid out as the D2XX library for Linux takes it.
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>

#include "LinkWaiter.h"

namespace {

// The record FT_SetEventNotification takes on Linux: the library signals the condition
// under the mutex. The flag is ours: our library (and Wake) set it, so no signal is lost.
struct tD2XXEventHandle {
    pthread_cond_t Condition;
    pthread_mutex_t Mutex;
    int Flag;
};

timespec DeadlineAfter(int timeOutMs) {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    t.tv_sec += timeOutMs / 1000;
    t.tv_nsec += static_cast<long>(timeOutMs % 1000) * 1'000'000L;
    if (t.tv_nsec >= 1'000'000'000L) {
        t.tv_sec += 1;
        t.tv_nsec -= 1'000'000'000L;
    }
    return t;
}

} // namespace

struct TLinkWaiter::TImpl {
    int WakeFd = -1;
    std::atomic<bool> Woken{false};
    tD2XXEventHandle Event{};

    TImpl() {
        WakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        pthread_condattr_t attr;
        ::pthread_condattr_init(&attr);
        ::pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
        ::pthread_cond_init(&Event.Condition, &attr);
        ::pthread_condattr_destroy(&attr);
        ::pthread_mutex_init(&Event.Mutex, nullptr);
    }
    ~TImpl() {
        if (WakeFd >= 0) ::close(WakeFd);
        ::pthread_cond_destroy(&Event.Condition);
        ::pthread_mutex_destroy(&Event.Mutex);
    }
    void DrainWake() {
        std::uint64_t count;
        while (WakeFd >= 0 && ::read(WakeFd, &count, sizeof count) > 0) {
        }
    }
    // Polls fd (when >= 0) and the wake-up.
    eLinkWait Poll(int fd, int timeOutMs) {
        pollfd p[2] = {{WakeFd, POLLIN, 0}, {fd, POLLIN, 0}};
        const int n = ::poll(p, fd >= 0 ? 2 : 1, timeOutMs);
        if (n <= 0) {
            // Interrupted by a signal: the caller's cycle runs early, as after a wake-up.
            return n < 0 && errno == EINTR ? eLinkWait::Woken : eLinkWait::TimedOut;
        }
        const bool woken = p[0].revents != 0;
        if (woken) {
            // Cleared before the drain: a Wake in between stays seen by the next wait.
            Woken = false;
            DrainWake();
        }
        if (fd >= 0 && p[1].revents != 0) return eLinkWait::Input;
        return woken ? eLinkWait::Woken : eLinkWait::TimedOut;
    }
};

TLinkWaiter::TLinkWaiter() : fImpl(std::make_unique<TImpl>()) {}
TLinkWaiter::~TLinkWaiter() = default;

void TLinkWaiter::Wake() {
    fImpl->Woken = true;
    const std::uint64_t one = 1;
    if (fImpl->WakeFd >= 0) (void)!::write(fImpl->WakeFd, &one, sizeof one);
    // A wait on the D2XX event does not see the descriptor.
    ::pthread_mutex_lock(&fImpl->Event.Mutex);
    ::pthread_cond_broadcast(&fImpl->Event.Condition);
    ::pthread_mutex_unlock(&fImpl->Event.Mutex);
}

eLinkWait TLinkWaiter::Sleep(int timeOutMs) {
    return fImpl->Poll(-1, timeOutMs);
}

eLinkWait TLinkWaiter::WaitDescriptor(int fd, int timeOutMs) {
    return fImpl->Poll(fd, timeOutMs);
}

void* TLinkWaiter::D2XXEventArgument() {
    return &fImpl->Event;
}

eLinkWait TLinkWaiter::WaitD2XXEvent(int timeOutMs) {
    tD2XXEventHandle& e = fImpl->Event;
    ::pthread_mutex_lock(&e.Mutex);
    int rc = 0;
    if (!e.Flag && !fImpl->Woken) {
        const timespec deadline = DeadlineAfter(timeOutMs);
        rc = ::pthread_cond_timedwait(&e.Condition, &e.Mutex, &deadline);
    }
    const bool flagged = e.Flag != 0;
    e.Flag = 0;
    ::pthread_mutex_unlock(&e.Mutex);
    if (fImpl->Woken.exchange(false)) {
        fImpl->DrainWake();
        return flagged ? eLinkWait::Input : eLinkWait::Woken;
    }
    return flagged || rc == 0 ? eLinkWait::Input : eLinkWait::TimedOut;
}

void SetD2XXEvent(void* argument) {
    if (!argument) return;
    auto* e = static_cast<tD2XXEventHandle*>(argument);
    ::pthread_mutex_lock(&e->Mutex);
    e->Flag = 1;
    ::pthread_cond_signal(&e->Condition);
    ::pthread_mutex_unlock(&e->Mutex);
}

#endif
