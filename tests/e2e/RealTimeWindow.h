#pragma once
// The window with its real link thread in real time; the link thread's events run on the
// test's thread.
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "FormSandbox.h"
#include "SerialPort.h"
#include "SyncInvoker.h"

// Whatever COM port the window opens, it gets the device the test names at that moment.
class TRedirectedPort : public ISerialPort {
public:
    explicit TRedirectedPort(std::string device)
        : fDevice(std::move(device)), fPort(CreateSystemSerialPort()) {}
    std::uint32_t Open(const std::string& device) override {
        Opened = device;
        return fPort->Open(fDevice);
    }
    bool Close() override { return fPort->Close(); }
    bool IsOpen() const override { return fPort->IsOpen(); }
    std::uint32_t ApplySettings(const tSerialLineSettings& s) override { return fPort->ApplySettings(s); }
    bool GetQueueStatus(tSerialQueueStatus& s) override { return fPort->GetQueueStatus(s); }
    std::int32_t Read(std::uint8_t* b, std::uint32_t n) override { return fPort->Read(b, n); }
    std::int32_t Write(const std::uint8_t* b, std::uint32_t n) override { return fPort->Write(b, n); }
    bool WaitUntilSent(int ms) override { return fPort->WaitUntilSent(ms); }
    bool Purge(std::uint32_t flags) override { return fPort->Purge(flags); }
    bool SetDTR(bool on) override { return fPort->SetDTR(on); }
    bool SetRTS(bool on) override { return fPort->SetRTS(on); }
    bool GetModemStatus(std::uint32_t& status) override { return fPort->GetModemStatus(status); }
    static inline std::string Opened;

private:
    std::string fDevice;
    std::unique_ptr<ISerialPort> fPort;
};

// The window's timers run on a manual clock that follows the steady clock while nothing is in
// flight on the link, and stands while a command's answer is on its way: a reader that answers
// is never timed out because the machine is busy, and a reader that is gone still is.
struct TRealTimeWindow {
    TFormSandbox Box;
    TQueuedSyncInvoker Invoker;
    std::unique_ptr<TForm_Main> Form;
    std::chrono::steady_clock::time_point Last = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration Carry{};
    // While set, the window's clock jumps to its next timer whenever the link has nothing in
    // flight: waiting for a reader that is gone takes no real time.
    bool FastForward = false;
    // The port's far end has hung up: what the window queues can never leave.
    bool PortHungUp = false;

    TRealTimeWindow() {
        Box.Env.Link.CreateSuspended = false;
        Box.Env.Link.Invoker = &Invoker;
        Box.Env.Now = {}; // the PC's own clock, as the reader's
    }
    ~TRealTimeWindow() {
        Form.reset();
        Invoker.ProcessPending();
    }
    // Runs until pred holds; false after limit (real time).
    template <typename Pred> bool RunUntil(Pred pred, std::chrono::milliseconds limit) {
        using namespace std::chrono;
        const auto end = steady_clock::now() + limit;
        while (!pred()) {
            if (steady_clock::now() > end) return false;
            const int ran = Invoker.ProcessPending(milliseconds(1));
            const auto now = steady_clock::now();
            const bool quiet = LinkQuiet();
            if (quiet) {
                Carry += now - Last;
                const auto ms = duration_cast<milliseconds>(Carry);
                Carry -= ms;
                Box.Clock.Advance(ms.count());
            }
            Last = now;
            if (FastForward && quiet && ran == 0 && Invoker.ProcessPending() == 0) {
                const std::int64_t next = Box.Clock.NextDue();
                if (next > 0) Box.Clock.Advance(next);
            }
        }
        return true;
    }
    void RunFor(std::chrono::milliseconds span) {
        RunUntil([] { return false; }, span);
    }
    // Nothing received waits for the window, and nothing sent is still on its way. A write
    // holds the bus for 20 ms of link cycles, each of which reads first, so an answer that
    // was already there has been taken in by the time the bus is idle.
    bool LinkQuiet() {
        if (!Form || !Form->Schnittstelle) return true;
        const TSeriellThread& link = *Form->Schnittstelle;
        return link.RxCount() == 0 && (PortHungUp || (link.txCount() == 0 && link.busState() == bsIDLE));
    }
    bool Ready() { return Form->LinkOpen() && Form->State.Current == 0; }
    // The first clock answer has coloured the frames.
    bool ClockShown() { return Form->Panel_Date.Color != clBtnFace; }
};
