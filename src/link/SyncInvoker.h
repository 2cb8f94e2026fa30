#pragma once
// "Run on the UI thread and wait": how the link thread hands its events to the
// user-interface thread. A toolkit implements it over its event loop.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class ISyncInvoker {
public:
    virtual ~ISyncInvoker() = default;
    // Runs fn on the UI thread and returns once it has run; directly when called there.
    // False when the wait was abandoned, in which case fn has not run and never will.
    virtual bool Invoke(const std::function<void()>& fn) = 0;
    // For shutdown, before the UI thread joins the caller of Invoke: ends the waits of
    // calls not yet running and refuses every later one. A call already running finishes.
    virtual void Abandon() = 0;
};

// An invoker whose UI thread is the thread that made it and runs the queued calls in
// ProcessPending: for programs without a toolkit, and for tests.
class TQueuedSyncInvoker final : public ISyncInvoker {
public:
    TQueuedSyncInvoker();
    ~TQueuedSyncInvoker() override;

    bool Invoke(const std::function<void()>& fn) override;
    void Abandon() override;
    // On the UI thread: waits up to wait for a call, then runs every one queued; how many ran.
    int ProcessPending(std::chrono::milliseconds wait = std::chrono::milliseconds(0));

private:
    enum class eState { Queued, Running, Done, Dropped };
    struct TCall {
        const std::function<void()>* fn;
        eState state = eState::Queued;
    };

    std::thread::id fOwner;
    std::mutex fLock;
    std::condition_variable fChanged;
    std::deque<std::shared_ptr<TCall>> fQueue;
    bool fAbandoned = false;
};
