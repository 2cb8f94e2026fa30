#pragma once
// The command line of vexo-cli: [options] COMMAND [command options]; the options for every
// command may also follow the command.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class eCliCommand : std::uint8_t { None, List, Info, Read, Format, Measure, Clock };

struct TCliOptions {
    eCliCommand Command = eCliCommand::None;
    bool Help = false;
    bool Version = false;
    std::string HelpText;             // with Help: the help of the command given, or of the program
    bool Json = false;                // list, info, clock: one JSON object on standard output
    bool Demo = false;                // --demo: the simulated readers shipped with the program
    std::string Port;                 // --port DEVICE: COM mode on that device
    std::optional<std::int32_t> Ftdi; // --ftdi INDEX
    std::optional<std::int32_t> Baud;
    std::string Style;    // long, short or halvorn; empty: the program settings'
    std::string Language; // a head of the language file; empty: the user settings'
    bool Trace = false;
    std::string Out;  // read, measure
    bool Yes = false; // format
    // measure: exactly one source
    std::string ConfigFile;
    std::optional<std::int32_t> Stored;
    bool Rfid = false;
    bool Timer = false;
    bool Combine = false;
    // clock --set: "now" or "YYYY-MM-DD hh:mm:ss"
    std::optional<std::string> SetClock;
};

// Parses argv after the program name. On a usage error returns false with a message in error.
bool ParseCliOptions(const std::vector<std::string>& args, TCliOptions& options, std::string& error);
// "YYYY-MM-DD hh:mm:ss" into its fields; false when it is not that form or not a real date.
bool ParseClockText(const std::string& text, int& year, int& month, int& day, int& hour, int& minute,
                    int& second);
// The value of clock --set: "now", or a date and time the reader can keep (the window's
// date picker's range). False with the reason in error otherwise.
bool CheckClockSetting(const std::string& text, std::string& error);
