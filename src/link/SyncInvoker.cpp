#include "SyncInvoker.h"

TQueuedSyncInvoker::TQueuedSyncInvoker() : fOwner(std::this_thread::get_id()) {}

TQueuedSyncInvoker::~TQueuedSyncInvoker() {
    Abandon();
}

bool TQueuedSyncInvoker::Invoke(const std::function<void()>& fn) {
    if (std::this_thread::get_id() == fOwner) {
        fn();
        return true;
    }
    std::unique_lock<std::mutex> lock(fLock);
    if (fAbandoned) return false;
    auto call = std::make_shared<TCall>();
    call->fn = &fn;
    fQueue.push_back(call);
    fChanged.notify_all();
    fChanged.wait(lock, [&] { return call->state == eState::Done || call->state == eState::Dropped; });
    return call->state == eState::Done;
}

void TQueuedSyncInvoker::Abandon() {
    std::lock_guard<std::mutex> lock(fLock);
    fAbandoned = true;
    for (auto& call : fQueue) call->state = eState::Dropped;
    fQueue.clear();
    fChanged.notify_all();
}

int TQueuedSyncInvoker::ProcessPending(std::chrono::milliseconds wait) {
    std::unique_lock<std::mutex> lock(fLock);
    if (wait.count() > 0) fChanged.wait_for(lock, wait, [&] { return !fQueue.empty() || fAbandoned; });
    int ran = 0;
    while (!fQueue.empty()) {
        auto call = fQueue.front();
        fQueue.pop_front();
        call->state = eState::Running;
        lock.unlock();
        (*call->fn)();
        lock.lock();
        call->state = eState::Done;
        fChanged.notify_all();
        ++ran;
    }
    return ran;
}
