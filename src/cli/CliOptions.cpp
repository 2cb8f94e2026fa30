#include "CliOptions.h"

#include <CLI/CLI.hpp>

#include "ExtTypes.h"

namespace {

struct TCommandName {
    const char* name;
    eCliCommand command;
    const char* description;
};
constexpr TCommandName Commands[] = {
    {"list", eCliCommand::List, "list the FTDI readers and the serial ports"},
    {"info", eCliCommand::Info, "connect, identify and show serial, firmware, EEPROM version, clock"},
    {"read", eCliCommand::Read, "read the reader's whole database and save it to a measurement file"},
    {"format", eCliCommand::Format, "format the reader's database"},
    {"measure", eCliCommand::Measure, "run one measurement and save the entry as read does"},
    {"clock", eCliCommand::Clock, "show the reader's clock, or set it"},
};

// A whole number from min, in the program's own words when it is not one.
CLI::Validator WholeNumberFrom(long long min) {
    return CLI::Validator(
        [min](const std::string& text) {
            long long v = 0;
            std::size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
            bool digits = i < text.size() && text.size() <= 11;
            for (; digits && i < text.size(); ++i) {
                digits = text[i] >= '0' && text[i] <= '9';
                v = v * 10 + (text[i] - '0');
            }
            if (text[0] == '-') v = -v;
            if (digits && v >= min && v <= INT32_MAX) return std::string();
            return "takes a whole number from " + std::to_string(min) + ", not '" + text + "'";
        },
        "");
}

// The parser over o: the options for every command on the program, the others on their command.
// A command takes the program's options after it too.
std::unique_ptr<CLI::App> MakeParser(TCliOptions& o) {
    auto app = std::make_unique<CLI::App>("vexo-cli: the Vexo reader from the command line.", "vexo-cli");
    app->footer("Exit status: 0 done, 1 the reader failed, 2 wrong usage, 3 a file could not be read or "
                "written.");
    app->add_flag("--version", o.Version, "the program's version");
    app->add_flag("--demo", o.Demo, "the simulated readers that ship with the program");
    auto* port = app->add_option("--port", o.Port, "a serial device (COM mode), e.g. a pseudo-terminal")
                     ->type_name("DEVICE");
    auto* ftdi =
        app->add_option("--ftdi", o.Ftdi, "the FTDI reader with this index of 'list'")->type_name("INDEX");
    ftdi->check(WholeNumberFrom(0));
    app->add_option("--baud", o.Baud, "baud rate (default: the program settings')")
        ->type_name("N")
        ->check(WholeNumberFrom(1));
    app->add_option("--style", o.Style, "column style of new files (default: the program settings')")
        ->check(CLI::IsMember({"long", "short", "halvorn"}));
    app->add_option("--language", o.Language, "language of the texts (a head of the language file)")
        ->type_name("NAME");
    app->add_flag("--trace", o.Trace, "every frame sent and received on standard error");
    port->excludes(ftdi);
    port->excludes("--demo");

    for (const auto& c : Commands) {
        CLI::App* sub = app->add_subcommand(c.name, c.description)->fallthrough();
        sub->final_callback([&o, command = c.command] { o.Command = command; });
        switch (c.command) {
        case eCliCommand::List:
        case eCliCommand::Info: sub->add_flag("--json", o.Json, "one JSON object on standard output"); break;
        case eCliCommand::Read:
            sub->add_option("--out", o.Out, "the measurement file")->type_name("FILE")->required();
            break;
        case eCliCommand::Format: sub->add_flag("--yes", o.Yes, "yes, erase every stored result"); break;
        case eCliCommand::Measure:
            sub->add_option("--out", o.Out, "the measurement file")->type_name("FILE")->required();
            sub->add_option("--config", o.ConfigFile, "the test configuration from a file")
                ->type_name("FILE.bin");
            sub->add_option("--stored", o.Stored, "the reader's stored configuration N, from 1")
                ->type_name("N")
                ->check(WholeNumberFrom(1));
            sub->add_flag("--rfid", o.Rfid, "the test configuration from the RFID tag");
            sub->add_flag("--timer", o.Timer, "a timer-controlled measurement");
            sub->add_flag("--combine", o.Combine, "combine it with the next measurement into one entry");
            sub->footer("Exactly one of --config, --stored and --rfid.");
            break;
        case eCliCommand::Clock:
            // Checked after parsing, in its own words (CheckClockSetting).
            sub->add_option("--set", o.SetClock, "set the clock to the computer's time or the time given")
                ->type_name("now|\"YYYY-MM-DD hh:mm:ss\"");
            sub->add_flag("--json", o.Json, "one JSON object on standard output");
            break;
        case eCliCommand::None: break;
        }
    }
    return app;
}

} // namespace

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
    auto app = MakeParser(o);
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app->parse(reversed);
    } catch (const CLI::CallForHelp&) {
        o = TCliOptions{};
        o.Help = true;
        // The help of the command given, when one was.
        o.HelpText = app->help();
        return true;
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return false;
    }
    if (o.Version) return true;
    if (o.Command == eCliCommand::None) {
        error = "no command given";
        return false;
    }
    if (o.SetClock && !CheckClockSetting(*o.SetClock, error)) return false;
    if (o.Command == eCliCommand::Measure) {
        const int sources = (!o.ConfigFile.empty() ? 1 : 0) + (o.Stored ? 1 : 0) + (o.Rfid ? 1 : 0);
        if (sources != 1) {
            error = "measure needs exactly one of --config FILE.bin, --stored N and --rfid";
            return false;
        }
    }
    return true;
}
