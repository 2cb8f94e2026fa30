#pragma once
// The link thread's synchronised events on the GUI thread: Invoke posts the call
// to the event loop of the thread that made the invoker and waits for it.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include <QObject>

#include "SyncInvoker.h"

class TQtSyncInvoker final : public ISyncInvoker {
public:
    // Made on the GUI thread; calls run there.
    TQtSyncInvoker();
    ~TQtSyncInvoker() override;
    TQtSyncInvoker(const TQtSyncInvoker&) = delete;
    TQtSyncInvoker& operator=(const TQtSyncInvoker&) = delete;

    bool Invoke(const std::function<void()>& fn) override;
    void Abandon() override;

private:
    enum class eState { Queued, Running, Done, Dropped };
    struct TCall {
        const std::function<void()>* fn = nullptr;
        eState state = eState::Queued;
    };
    // Shared with the posted events, which may outlive the invoker.
    struct TShared {
        std::mutex lock;
        std::condition_variable changed;
        std::vector<std::shared_ptr<TCall>> waiting;
        bool abandoned = false;
    };
    static void Run(const std::shared_ptr<TShared>& shared, const std::shared_ptr<TCall>& call);

    std::unique_ptr<QObject> fContext;
    std::shared_ptr<TShared> fShared;
};
