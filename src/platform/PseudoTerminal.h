#pragma once
// The master side of a pseudo-terminal, whose slave device a serial port can open
// (Linux only; on Windows Open fails).
#include <cstdint>
#include <string>

class TPseudoTerminal {
public:
    TPseudoTerminal() = default;
    ~TPseudoTerminal() { Close(); }
    TPseudoTerminal(const TPseudoTerminal&) = delete;
    TPseudoTerminal& operator=(const TPseudoTerminal&) = delete;

    // Creates the pair, the slave raw; False when the system has none.
    bool Open();
    void Close();
    bool IsOpen() const { return fMaster >= 0; }
    const std::string& SlavePath() const { return fSlavePath; }
    // What the slave side wrote; waits at most timeOutMs for the first byte. -1 on failure.
    std::int32_t Read(std::uint8_t* buffer, std::uint32_t count, int timeOutMs);
    // Waits at most timeOutUs until something can be read (or the slave side is closed); for
    // a peer that keeps time to the microsecond. False when the time passed.
    bool WaitReadable(std::int64_t timeOutUs);
    // Writes everything (waiting while the slave's queue is full); the count written.
    std::int32_t Write(const std::uint8_t* buffer, std::uint32_t count);

private:
    int fMaster = -1;
    std::string fSlavePath;
};
