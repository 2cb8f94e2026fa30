// The harness itself: a window started, connected by hand to the simulated reader and closed.
#include "Harness.h"

#include <gtest/gtest.h>

namespace {

TEST(Harness, StartCompletesOnTheManualClock) {
    THarness h;
    TForm_Main& form = h.Start();
    EXPECT_EQ(form.State.Current, 16);
    h.Run(150);
    EXPECT_TRUE(form.initialized);
    EXPECT_FALSE(form.LinkOpen());
}

TEST(Harness, RepliesOfTheReaderRunInsideTheReceivePump) {
    THarness h;
    std::vector<std::string> trace;
    h.Box.Env.Trace = [&](const std::string& line) { trace.push_back(line); };
    TForm_Main& form = h.Start();
    h.Run(150);
    ASSERT_TRUE(form.Schnittstelle->OpenPort(1, 38400));
    form.Vexo->getAcknowledge();
    const int changes = h.Box.Changes;
    EXPECT_TRUE(h.RunUntil([&] { return form.VexoAcknowledged; }, 50));
    EXPECT_GT(h.Box.Changes, changes);
    // The trace shows the request and the reply.
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_NE(trace[0], trace[1]);
}

TEST(Harness, CloseLetsTheReaderTakeBackItsButtonAndShutsItDown) {
    THarness h;
    WriteTextFile(h.Box.App + DIR_SEP "DRConfig.ini",
                  {"[Setup]", "DisableVexoButtonOnConnect = true", "SaveOnExit = true", "[VexoCommunication]",
                   "ShutDownOnClose = true"});
    TForm_Main& form = h.Start();
    h.Run(150);
    ASSERT_TRUE(form.Schnittstelle->OpenPort(1, 38400));
    form.EEPROMMap->NonVolatileData.EEPROMVersion = 5;
    form.Vexo->setButtonControl(true);
    ASSERT_TRUE(h.RunUntil([&] { return h.Sim().ButtonDisabled(); }, 50));
    form.MeasureList.push_back(std::make_unique<TMeasureSet>());

    // The first request asks about saving, then waits for the reader in status 21.
    h.Box.Dialogs.Expect("MessageBox", mrNo);
    EXPECT_FALSE(form.RequestClose());
    EXPECT_EQ(form.State.Current, 21);
    EXPECT_TRUE(form.ClosingForm);
    EXPECT_TRUE(form.Timer_TimeOut.Enabled());
    EXPECT_EQ(form.Timer_TimeOut.Interval(), 100);

    // The reader's acknowledgement asks again, and this time the close goes ahead.
    h.Box.Dialogs.Expect("MessageBox", mrNo);
    EXPECT_TRUE(h.RunUntil([&] { return form.Closed(); }, 50));
    EXPECT_FALSE(h.Sim().ButtonDisabled());
    h.Form.reset();
    h.Run(20);
    EXPECT_FALSE(h.Reader->SwitchedOn());
}

} // namespace

namespace {

// The link as the desktop program runs it: its own thread, events handed to the UI thread.
TEST(RunningLink, EventsReachTheUiThreadAndShutdownNeverWaitsOnIt) {
    TFormSandbox box;
    auto reader = std::make_shared<TSimDevice>(DefaultScenario(), EncodeDateTime(2026, 5, 20, 10, 0, 0));
    reader->StartRealTime();
    TQueuedSyncInvoker invoker;
    box.Env.Link.PortFactory = SimSerialPortFactory(reader);
    box.Env.Link.CreateSuspended = false;
    box.Env.Link.Invoker = &invoker;
    auto form = box.Start();
    ASSERT_TRUE(form->Schnittstelle->OpenPort(1, 38400));
    form->Vexo->getAcknowledge();
    for (int i = 0; i < 200 && !form->VexoAcknowledged; ++i)
        invoker.ProcessPending(std::chrono::milliseconds(10));
    EXPECT_TRUE(form->VexoAcknowledged);
    // Replies keep coming while the window goes away without running the queue.
    for (int i = 0; i < 20; ++i) form->Vexo->getAcknowledge();
    form.reset();
    reader->Stop();
}

} // namespace
