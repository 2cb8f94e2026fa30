#include "QtSyncInvoker.h"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace {

TEST(QtSyncInvoker, OnTheGuiThreadTheCallRunsDirectly) {
    TQtSyncInvoker invoker;
    int ran = 0;
    EXPECT_TRUE(invoker.Invoke([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}

TEST(QtSyncInvoker, TheLinkThreadWaitsUntilTheGuiThreadHasRunTheCall) {
    TQtSyncInvoker invoker;
    QThread* gui = QThread::currentThread();
    std::atomic<bool> returned{false};
    std::atomic<int> order{0};
    QThread* ranOn = nullptr;
    int innerStep = -1;
    std::thread link([&] {
        const bool ok = invoker.Invoke([&] {
            ranOn = QThread::currentThread();
            // A message box inside the receive pump: a nested event loop while the link waits.
            QEventLoop nested;
            QTimer::singleShot(30, &nested, &QEventLoop::quit);
            nested.exec();
            innerStep = order++;
        });
        EXPECT_TRUE(ok);
        EXPECT_EQ(order++, 1) << "Invoke returns only after the call";
        returned = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, 5000));
    link.join();
    EXPECT_EQ(ranOn, gui);
    EXPECT_EQ(innerStep, 0);
}

TEST(QtSyncInvoker, AbandonAtShutdownReleasesAWaitingLinkThreadAndRefusesLaterCalls) {
    TQtSyncInvoker invoker;
    std::atomic<bool> ran{false};
    std::atomic<int> result{-1};
    std::thread link([&] { result = invoker.Invoke([&] { ran = true; }) ? 1 : 0; });
    // The GUI thread does not run its loop (it is closing) and abandons, then joins. Whether
    // the link thread is already waiting or calls only now, it is let go without the call.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    invoker.Abandon();
    link.join();
    EXPECT_EQ(result.load(), 0);
    // The posted event still arrives, and must not run the abandoned call.
    QTest::qWait(20);
    EXPECT_FALSE(ran.load());

    std::thread late([&] { result = invoker.Invoke([&] { ran = true; }) ? 1 : 0; });
    late.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(invoker.Invoke([&] { ran = true; })) << "refused on the GUI thread too";
    EXPECT_FALSE(ran.load());
}

} // namespace
