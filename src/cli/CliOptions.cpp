#include "CliOptions.h"

#include <cstdio>

#include "ExtTypes.h"

namespace {

bool ParseInt(const std::string& text, std::int32_t& value) {
    if (text.empty() || text.size() > 10) return false;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    if (text[0] == '-') v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

struct TCommandName {
    const char* name;
    eCliCommand command;
};
constexpr TCommandName Commands[] = {
    {"list", eCliCommand::List},     {"info", eCliCommand::Info},       {"read", eCliCommand::Read},
    {"format", eCliCommand::Format}, {"measure", eCliCommand::Measure}, {"clock", eCliCommand::Clock},
};

} // namespace

std::string CliUsage() {
    return "Usage: vexo-cli COMMAND [options]\n"
           "\n"
           "Commands:\n"
           "  list                      list the FTDI readers and the Bluetooth serial ports\n"
           "  info                      connect, identify and show serial, firmware, EEPROM version, clock\n"
           "  read --out FILE           read the reader's whole database and save it to FILE\n"
           "  format --yes              format the reader's database\n"
           "  measure --out FILE (--config FILE.bin | --stored N | --rfid) [--timer] [--combine]\n"
           "                            run one measurement and save the entry as read does\n"
           "  clock [--set now | --set \"YYYY-MM-DD hh:mm:ss\"]\n"
           "                            show the reader's clock, or set it (2000-01-01 to 2099-12-31)\n"
           "\n"
           "Options for every command:\n"
           "  --demo                    the simulated readers that ship with the program\n"
           "  --port DEVICE             a serial device (COM mode), e.g. a pseudo-terminal\n"
           "  --ftdi INDEX              the FTDI reader with this index of 'list'\n"
           "  --baud N                  baud rate (default: the program settings')\n"
           "  --style long|short|halvorn  column style of new files (default: the program settings')\n"
           "  --language NAME           language of the texts (a head of the language file)\n"
           "  --trace                   every frame sent and received on standard error\n"
           "  --help, --version\n"
           "\n"
           "Exit status: 0 done, 1 the reader failed, 2 wrong usage, 3 a file could not be read or "
           "written.\n";
}

bool ParseClockText(const std::string& text, int& year, int& month, int& day, int& hour, int& minute,
                    int& second) {
    if (text.size() != 19) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool sep = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        if (sep) {
            const char want = i == 10 ? ' ' : (i < 10 ? '-' : ':');
            if (c != want) return false;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    auto num = [&](std::size_t at, std::size_t len) { return std::stoi(text.substr(at, len)); };
    year = num(0, 4);
    month = num(5, 2);
    day = num(8, 2);
    hour = num(11, 2);
    minute = num(14, 2);
    second = num(17, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) && hour < 24 &&
           minute < 60 && second < 60;
}

bool CheckClockSetting(const std::string& text, std::string& error) {
    if (text == "now") return true;
    int y, mo, d, h, mi, s;
    if (!ParseClockText(text, y, mo, d, h, mi, s)) {
        error = "--set takes now or \"YYYY-MM-DD hh:mm:ss\", not '" + text + "'";
        return false;
    }
    // The reader keeps the year as one byte after 2000: 1999 would come back as 2255.
    if (y < ReaderFirstYear || y > ReaderLastYear) {
        error = "--set takes a date from " + std::to_string(ReaderFirstYear) + "-01-01 to " +
                std::to_string(ReaderLastYear) + "-12-31, not '" + text + "'";
        return false;
    }
    return true;
}

bool ParseCliOptions(const std::vector<std::string>& args, TCliOptions& o, std::string& error) {
    o = TCliOptions{};
    std::size_t i = 0;
    if (i < args.size() && args[i].rfind("--", 0) != 0) {
        bool known = false;
        for (const auto& c : Commands)
            if (args[i] == c.name) {
                o.Command = c.command;
                known = true;
            }
        if (!known) {
            error = "unknown command '" + args[i] + "'";
            return false;
        }
        ++i;
    }
    auto value = [&](const std::string& option, std::string& out) {
        if (i + 1 >= args.size()) {
            error = option + " needs a value";
            return false;
        }
        out = args[++i];
        return true;
    };
    auto intValue = [&](const std::string& option, std::optional<std::int32_t>& out, bool positive) {
        std::string text;
        if (!value(option, text)) return false;
        std::int32_t v = 0;
        if (!ParseInt(text, v) || (positive ? v < 1 : v < 0)) {
            error = option + " takes a whole number" + std::string(positive ? " from 1" : " from 0") +
                    ", not '" + text + "'";
            return false;
        }
        out = v;
        return true;
    };
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h")
            o.Help = true;
        else if (a == "--version")
            o.Version = true;
        else if (a == "--trace")
            o.Trace = true;
        else if (a == "--demo")
            o.Demo = true;
        else if (a == "--yes")
            o.Yes = true;
        else if (a == "--rfid")
            o.Rfid = true;
        else if (a == "--timer")
            o.Timer = true;
        else if (a == "--combine")
            o.Combine = true;
        else if (a == "--port") {
            if (!value(a, o.Port)) return false;
        } else if (a == "--ftdi") {
            if (!intValue(a, o.Ftdi, false)) return false;
        } else if (a == "--baud") {
            if (!intValue(a, o.Baud, true)) return false;
        } else if (a == "--stored") {
            if (!intValue(a, o.Stored, true)) return false;
        } else if (a == "--out") {
            if (!value(a, o.Out)) return false;
        } else if (a == "--config") {
            if (!value(a, o.ConfigFile)) return false;
        } else if (a == "--language") {
            if (!value(a, o.Language)) return false;
        } else if (a == "--style") {
            if (!value(a, o.Style)) return false;
            if (o.Style != "long" && o.Style != "short" && o.Style != "halvorn") {
                error = "--style takes long, short or halvorn, not '" + o.Style + "'";
                return false;
            }
        } else if (a == "--set") {
            std::string text;
            if (!value(a, text) || !CheckClockSetting(text, error)) return false;
            o.SetClock = text;
        } else {
            error = "unknown option '" + a + "'";
            return false;
        }
    }
    if (o.Help || o.Version) return true;
    if (o.Command == eCliCommand::None) {
        error = "no command given";
        return false;
    }
    if (!o.Port.empty() && o.Ftdi) {
        error = "--port and --ftdi exclude each other";
        return false;
    }
    if (!o.Port.empty() && o.Demo) {
        error = "--port and --demo exclude each other";
        return false;
    }
    auto onlyFor = [&](bool present, const char* option, std::initializer_list<eCliCommand> commands) {
        if (!present) return true;
        for (eCliCommand c : commands)
            if (c == o.Command) return true;
        error = std::string(option) + " does not belong to this command";
        return false;
    };
    if (!onlyFor(!o.Out.empty(), "--out", {eCliCommand::Read, eCliCommand::Measure}) ||
        !onlyFor(o.Yes, "--yes", {eCliCommand::Format}) ||
        !onlyFor(!o.ConfigFile.empty() || o.Stored || o.Rfid || o.Timer || o.Combine,
                 "--config, --stored, --rfid, --timer and --combine", {eCliCommand::Measure}) ||
        !onlyFor(o.SetClock.has_value(), "--set", {eCliCommand::Clock}))
        return false;
    if ((o.Command == eCliCommand::Read || o.Command == eCliCommand::Measure) && o.Out.empty()) {
        error = "this command needs --out FILE";
        return false;
    }
    if (o.Command == eCliCommand::Measure) {
        int sources = (!o.ConfigFile.empty() ? 1 : 0) + (o.Stored ? 1 : 0) + (o.Rfid ? 1 : 0);
        if (sources != 1) {
            error = "measure needs exactly one of --config FILE.bin, --stored N and --rfid";
            return false;
        }
    }
    return true;
}
