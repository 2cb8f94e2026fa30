#pragma once
// The main window wired to a simulated reader in the same thread: the link is made
// suspended and the harness runs its receive and send cycles every simulated 5 ms,
// the window's timers run on the manual clock, and dialogs are answered from a script.
// Nothing waits for real time, so every run goes the same way.
#include <memory>

#include "FormSandbox.h"
#include "SimSerialPort.h"

struct THarness {
    TFormSandbox Box;
    std::shared_ptr<TSimDevice> Reader;
    std::unique_ptr<TForm_Main> Form;

    explicit THarness(const TSimScenario& scenario = DefaultScenario(),
                      TDateTime readerClock = EncodeDateTime(2026, 5, 20, 10, 0, 0))
        : Reader(std::make_shared<TSimDevice>(scenario, readerClock)) {
        // Any COM port the window opens is the simulated reader.
        Box.Env.Link.PortFactory = SimSerialPortFactory(Reader);
        Box.Env.Link.CreateSuspended = true;
    }
    ~THarness() {
        Form.reset();
        EXPECT_TRUE(Box.Dialogs.ScriptDone()) << "the script expected dialogs that never came";
    }

    TForm_Main& Start() {
        Form = Box.Start();
        return *Form;
    }
    // Simulated time passes for the window, its link and the reader, one millisecond at a time.
    void Run(std::int64_t ms) {
        for (std::int64_t i = 0; i < ms; ++i) {
            Reader->Advance(1);
            Box.Clock.Advance(1);
            if (Form && !Form->Closed() && Form->Schnittstelle && ++fLinkPhase % 5 == 0) {
                Form->Schnittstelle->ReadSeriell();
                Form->Schnittstelle->SendBuffer();
            }
        }
    }
    // Runs until pred holds or limitMs have passed; true when it held.
    template <typename Pred> bool RunUntil(Pred pred, std::int64_t limitMs) {
        for (std::int64_t i = 0; i < limitMs; ++i) {
            if (pred()) return true;
            Run(1);
        }
        return pred();
    }
    ReaderSimulator& Sim() {
        return *Reader->With([](ReaderSimulator& s) { return &s; });
    }

private:
    std::int64_t fLinkPhase = 0;
};
