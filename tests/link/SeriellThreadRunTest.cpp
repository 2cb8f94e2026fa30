// The link thread running on its own: events reach the UI thread through the invoker,
// and shutting down never waits on a UI thread that is busy joining it.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <thread>

#include "FakeFtdiFixture.h"
#ifndef _WIN32
#include "PseudoTerminal.h"
#endif
#include "SeriellThread.h"
#include "VexoCommand.h"

namespace {

template <typename Pred> bool WaitFor(Pred pred, int ms = 3000) {
    for (int i = 0; i < ms / 2; ++i) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return pred();
}

} // namespace

#ifndef _WIN32 // over pseudo-terminals; on Windows the window's tests over Wine's COM ports run the thread
TEST(LinkThread, ReceiveEventRunsOnTheUIThreadWhileTheLinkWaits) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    TQueuedSyncInvoker ui;
    TSeriellThread link(false);
    link.SetSyncInvoker(&ui);
    std::thread::id handlerThread;
    tByteBuffer got;
    link.OnReceive = [&](TSeriellThread* sender) {
        handlerThread = std::this_thread::get_id();
        sender->read(got, -1);
    };
    ASSERT_TRUE(link.OpenPortPath(pty.SlavePath(), 115200));
    const std::uint8_t reply[4] = {1, 2, 3, 4};
    ASSERT_EQ(pty.Write(reply, 4), 4);
    for (int i = 0; i < 100 && got.size() < 4; ++i) ui.ProcessPending(std::chrono::milliseconds(20));
    EXPECT_EQ(got, (tByteBuffer{1, 2, 3, 4}));
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
    // The cycle also sends what the UI thread queues.
    ASSERT_TRUE(link.Send(std::string("ok")));
    std::uint8_t out[2] = {};
    std::int32_t n = 0;
    for (int i = 0; i < 50 && n < 2; ++i) n += pty.Read(out + n, 2 - static_cast<std::uint32_t>(n), 20);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(out[0], 'o');
}

TEST(LinkThread, DestroyingWhileTheLinkWaitsForTheUIThreadDoesNotHang) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    TQueuedSyncInvoker ui;
    std::atomic<int> handled{0};
    auto link = std::make_unique<TSeriellThread>(false);
    link->SetSyncInvoker(&ui);
    link->OnReceive = [&](TSeriellThread*) { ++handled; };
    ASSERT_TRUE(link->OpenPortPath(pty.SlavePath(), 9600));
    const std::uint8_t b = 0x55;
    ASSERT_EQ(pty.Write(&b, 1), 1);
    // The link thread now waits for this (UI) thread, which never pumps and destroys it instead.
    ASSERT_TRUE(WaitFor([&] { return link->RxCount() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    link.reset();
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(ui.ProcessPending(), 0); // the abandoned call never runs later
}

TEST(LinkThread, WithoutSyncEventsTheHandlerRunsOnTheLinkThread) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    TQueuedSyncInvoker ui;
    TSeriellThread link(false);
    link.SetSyncInvoker(&ui);
    link.syncEvents = false;
    std::atomic<bool> onLinkThread{false};
    const auto me = std::this_thread::get_id();
    link.OnReceive = [&](TSeriellThread*) { onLinkThread = std::this_thread::get_id() != me; };
    ASSERT_TRUE(link.OpenPortPath(pty.SlavePath(), 9600));
    const std::uint8_t b = 1;
    pty.Write(&b, 1);
    EXPECT_TRUE(WaitFor([&] { return onLinkThread.load(); }));
}

#endif

TEST(SyncInvoker, CallsFromTheUIThreadRunDirectlyAndAbandonRefusesLaterOnes) {
    TQueuedSyncInvoker ui;
    int ran = 0;
    EXPECT_TRUE(ui.Invoke([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
    std::atomic<bool> result{true};
    std::thread other([&] { result = ui.Invoke([&] { ++ran; }); });
    ASSERT_TRUE(WaitFor([&] { return ui.ProcessPending(std::chrono::milliseconds(10)) > 0 || ran == 2; }));
    other.join();
    EXPECT_TRUE(result);
    EXPECT_EQ(ran, 2);
    ui.Abandon();
    std::thread late([&] { result = ui.Invoke([&] { ++ran; }); });
    late.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(ran, 2);
}

#ifndef _WIN32
namespace {
using LinkProtocol = FakeFtdi;
}

// Frames built by the protocol leave through the link, and replies come back into the
// receive ring on the link thread, over a pseudo-terminal and through the D2XX library.
TEST_F(LinkProtocol, FramesLeaveThroughBothBackendsAndRepliesArrive) {
    // Over a pseudo-terminal.
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    {
        TSeriellThread link(false);
        tVexoCommand vexo(&link);
        ASSERT_TRUE(link.OpenPortPath(pty.SlavePath(), 115200));
        vexo.getFirmwareVersion();
        std::vector<std::uint8_t> frame(64);
        std::int32_t n = pty.Read(frame.data(), 64, 1000);
        ASSERT_GT(n, 0);
        frame.resize(static_cast<std::size_t>(n));
        // The reader echoes the frame as its "reply"; it lands in the ring on the link thread.
        ASSERT_EQ(pty.Write(frame.data(), static_cast<std::uint32_t>(frame.size())), n);
        ASSERT_TRUE(WaitFor([&] { return link.RxCount() == frame.size(); }));
        tByteBuffer got;
        link.read(got, -1);
        EXPECT_EQ(got, frame);

        // Through the D2XX library: the same frame.
        link.setFtdiMode(true);
        ASSERT_EQ(link.ftdi.updateDeviceList(100), FT_OK);
        ASSERT_TRUE(link.OpenPort(0, 115200)) << link.GetErrorMessage();
        vexo.getFirmwareVersion();
        std::vector<std::uint8_t> viaFtdi;
        ASSERT_TRUE(WaitFor([&] {
            auto more = TakeAll(0);
            viaFtdi.insert(viaFtdi.end(), more.begin(), more.end());
            return viaFtdi.size() >= frame.size();
        }));
        EXPECT_EQ(viaFtdi, frame);
        Inject(0, frame.data(), static_cast<std::uint32_t>(frame.size()));
        ASSERT_TRUE(WaitFor([&] { return link.RxCount() == frame.size(); }));
    }
}

// With nothing on the cycle's clock the link thread waits for input instead of polling. Its
// idle bound is set far beyond the test's waits here: whatever arrives within them came
// through the wake-up, not the bound.
constexpr int NeverMs = 600000;
constexpr int HangBoundMs = 20000;

TEST(LinkThread, OverAPtyInputQueuedBytesCloseAndEndWakeTheWaitingThread) {
    TPseudoTerminal pty;
    ASSERT_TRUE(pty.Open());
    auto link = std::make_unique<TSeriellThread>(true);
    link->idleWaitMs = NeverMs;
    link->syncEvents = false;
    std::atomic<int> received{0};
    link->OnReceive = [&](TSeriellThread* sender) {
        tByteBuffer got;
        sender->read(got, -1);
        received += static_cast<int>(got.size());
    };
    link->Start();
    ASSERT_TRUE(link->OpenPortPath(pty.SlavePath(), 115200));
    for (int round = 0; round < 3; ++round) {
        // Long enough for the bus to fall idle, so the thread waits on the descriptor.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::uint8_t reply[2] = {0x10, 0x20};
        ASSERT_EQ(pty.Write(reply, 2), 2);
        ASSERT_TRUE(WaitFor([&] { return received == 2 * (round + 1); }, HangBoundMs)) << round;
    }
    // Queued without a flush of its own: the cycle it wakes sends it.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(link->Send(std::string("ok")));
    std::uint8_t out[2] = {};
    std::int32_t n = 0;
    for (int i = 0; i < HangBoundMs / 20 && n < 2; ++i)
        n += pty.Read(out + n, 2 - static_cast<std::uint32_t>(n), 20);
    EXPECT_EQ(n, 2);
    // Closing, reopening and ending do not wait for the bound either.
    EXPECT_TRUE(link->ClosePort());
    ASSERT_TRUE(link->OpenPortPath(pty.SlavePath(), 115200));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint8_t more = 0x30;
    ASSERT_EQ(pty.Write(&more, 1), 1);
    EXPECT_TRUE(WaitFor([&] { return received == 7; }, HangBoundMs));
    const auto start = std::chrono::steady_clock::now();
    link.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(HangBoundMs));
}

TEST(LinkThread, AReaderThatHangsUpDoesNotKeepTheThreadSpinning) {
    auto pty = std::make_unique<TPseudoTerminal>();
    ASSERT_TRUE(pty->Open());
    TSeriellThread link(true);
    link.idleWaitMs = NeverMs;
    link.Start();
    ASSERT_TRUE(link.OpenPortPath(pty->SlavePath(), 115200));
    // The descriptor now stays readable (a hang-up) and reads fail: the thread falls back to
    // its cycle. Its CPU time over half a second tells a cycle (next to nothing) from a spin.
    pty.reset();
    const std::clock_t before = std::clock();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const double cpuSeconds = static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
    EXPECT_LT(cpuSeconds, 0.25);
    EXPECT_TRUE(link.isOpen());
}

TEST_F(LinkProtocol, TheLibrarysEventWakesTheWaitingThreadAndItStopsPolling) {
    TSeriellThread link(true);
    link.idleWaitMs = NeverMs;
    link.syncEvents = false;
    std::atomic<int> received{0};
    link.OnReceive = [&](TSeriellThread* sender) {
        tByteBuffer got;
        sender->read(got, -1);
        received += static_cast<int>(got.size());
    };
    link.setFtdiMode(true);
    ASSERT_EQ(link.ftdi.updateDeviceList(100), FT_OK);
    link.Start();
    ASSERT_TRUE(link.OpenPort(0, 115200)) << link.GetErrorMessage();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::uint32_t polled = State(0).queueStatusCalls;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Every 5 ms this would be 60 looks at the device; waiting for the event it is none.
    EXPECT_LT(State(0).queueStatusCalls - polled, 10u);
    const std::uint8_t reply[3] = {1, 2, 3};
    for (int round = 1; round <= 3; ++round) {
        Inject(0, reply, 3);
        ASSERT_TRUE(WaitFor([&] { return received == 3 * round; }, HangBoundMs)) << round;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }

    // A library without the event is polled on the cycle, and still delivers.
    ForceStatus("FT_SetEventNotification", FT_INVALID_PARAMETER);
    ASSERT_TRUE(link.OpenPort(1, 115200)) << link.GetErrorMessage();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Inject(1, reply, 3);
    ASSERT_TRUE(WaitFor([&] { return received == 12; }, HangBoundMs));
}
#endif
