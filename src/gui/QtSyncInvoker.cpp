#include "QtSyncInvoker.h"

#include <algorithm>

#include <QMetaObject>
#include <QThread>

namespace {
// Qt's event queue orders a post before its call, but with locks that ThreadSanitizer cannot
// see inside Qt. Taking this lock around the post and before the call reads what the post
// captured shows that order to it; it is never held for longer than that.
std::mutex gPostLock;
} // namespace

TQtSyncInvoker::TQtSyncInvoker()
    : fContext(std::make_unique<QObject>()), fShared(std::make_shared<TShared>()) {}

TQtSyncInvoker::~TQtSyncInvoker() {
    Abandon();
    // Events still posted to the context die with it.
    fContext.reset();
}

bool TQtSyncInvoker::Invoke(const std::function<void()>& fn) {
    if (QThread::currentThread() == fContext->thread()) {
        {
            std::lock_guard<std::mutex> lock(fShared->lock);
            if (fShared->abandoned) return false;
        }
        fn();
        return true;
    }
    auto call = std::make_shared<TCall>();
    call->fn = &fn;
    std::shared_ptr<TShared> shared = fShared;
    std::unique_lock<std::mutex> lock(shared->lock);
    if (shared->abandoned) return false;
    shared->waiting.push_back(call);
    // Posting under the lock keeps Abandon (on the GUI thread) from racing the post.
    {
        std::lock_guard<std::mutex> post(gPostLock);
        QMetaObject::invokeMethod(
            fContext.get(),
            [shared, call] {
                { std::lock_guard<std::mutex> posted(gPostLock); }
                Run(shared, call);
            },
            Qt::QueuedConnection);
    }
    shared->changed.wait(lock, [&] { return call->state == eState::Done || call->state == eState::Dropped; });
    return call->state == eState::Done;
}

void TQtSyncInvoker::Run(const std::shared_ptr<TShared>& shared, const std::shared_ptr<TCall>& call) {
    {
        std::lock_guard<std::mutex> lock(shared->lock);
        if (call->state != eState::Queued) return;
        call->state = eState::Running;
    }
    // The caller waits until we say Done, so its function is alive while it runs.
    (*call->fn)();
    std::lock_guard<std::mutex> lock(shared->lock);
    call->state = eState::Done;
    auto& waiting = shared->waiting;
    waiting.erase(std::remove(waiting.begin(), waiting.end(), call), waiting.end());
    shared->changed.notify_all();
}

void TQtSyncInvoker::Abandon() {
    std::lock_guard<std::mutex> lock(fShared->lock);
    fShared->abandoned = true;
    auto& waiting = fShared->waiting;
    // A call already running keeps its waiter until it finishes.
    for (auto& call : waiting)
        if (call->state == eState::Queued) call->state = eState::Dropped;
    waiting.erase(
        std::remove_if(waiting.begin(), waiting.end(),
                       [](const std::shared_ptr<TCall>& call) { return call->state == eState::Dropped; }),
        waiting.end());
    fShared->changed.notify_all();
}
