// Scenario files: JSON in, JSON out, and the demo reader.
#include "SimScenario.h"

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>

#include "FileSystem.h"
#include "TestConfiguration.h"

using json = nlohmann::ordered_json;

namespace {

// A problem in the file, with the place it was found.
struct tScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct tCommandName {
    const char* Name;
    int Code;
};
const tCommandName CommandNames[] = {
    {"acknowledge", 0xAA},   {"firmwareVersion", 0xA2}, {"serial", 0xA4},     {"getDateTime", 0x5A},
    {"setDateTime", 0x58},   {"readData", 0x52},        {"writeData", 0x50},  {"rfidState", 0x56},
    {"image", 0x43},         {"capture", 0x5C},         {"evaluate", 0x5E},   {"formatDB", 0x5F},
    {"buttonControl", 0xC0}, {"reset", 0xAF},           {"bootloader", 0xA1},
};

void CheckKeys(const json& j, const std::string& where, std::initializer_list<const char*> keys) {
    if (!j.is_object()) throw tScenarioError(where + ": an object is expected");
    std::set<std::string> known(keys.begin(), keys.end());
    for (auto it = j.begin(); it != j.end(); ++it)
        if (!known.count(it.key())) throw tScenarioError(where + ": unknown key \"" + it.key() + "\"");
}

// Numbers may be written as JSON numbers or as "0x..." text.
std::int64_t Number(const json& v, const std::string& where) {
    if (v.is_number_integer()) return v.get<std::int64_t>();
    if (v.is_string()) {
        const std::string s = v.get<std::string>();
        char* end = nullptr;
        long long n = std::strtoll(s.c_str(), &end, 0);
        if (!s.empty() && end && *end == 0) return n;
    }
    throw tScenarioError(where + ": a whole number is expected");
}

template <typename T>
void Get(const json& j, const char* key, T& out, const std::string& where, std::int64_t lo, std::int64_t hi) {
    if (!j.contains(key)) return;
    std::int64_t n = Number(j[key], where + "." + key);
    if (n < lo || n > hi)
        throw tScenarioError(where + "." + key + ": " + std::to_string(n) + " is outside " +
                             std::to_string(lo) + ".." + std::to_string(hi));
    out = static_cast<T>(n);
}
void GetBool(const json& j, const char* key, bool& out, const std::string& where) {
    if (!j.contains(key)) return;
    if (!j[key].is_boolean()) throw tScenarioError(where + "." + key + ": true or false is expected");
    out = j[key].get<bool>();
}
void GetText(const json& j, const char* key, std::string& out, const std::string& where) {
    if (!j.contains(key)) return;
    if (!j[key].is_string()) throw tScenarioError(where + "." + key + ": a text is expected");
    out = j[key].get<std::string>();
}
void GetFloat(const json& j, const char* key, float& out, const std::string& where) {
    if (!j.contains(key)) return;
    if (!j[key].is_number()) throw tScenarioError(where + "." + key + ": a number is expected");
    out = j[key].get<float>();
}
std::uint8_t GetChar(const json& j, const char* key, std::uint8_t def, const std::string& where) {
    if (!j.contains(key)) return def;
    std::string s;
    GetText(j, key, s, where);
    if (s.size() > 1) throw tScenarioError(where + "." + key + ": one character or \"\" is expected");
    return s.empty() ? 0 : static_cast<std::uint8_t>(s[0]);
}

// "YYYY-MM-DD" or "YYYY-MM-DD hh:mm:ss", years 2000 to 2255.
TDateData ParseDate(const json& v, const std::string& where) {
    if (!v.is_string()) throw tScenarioError(where + ": a date \"YYYY-MM-DD hh:mm:ss\" is expected");
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    std::string text = v.get<std::string>();
    int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    TDateData out;
    if ((n != 3 && n != 6) || y < 2000 || y > 2255)
        throw tScenarioError(where + ": \"" + text + "\" is no date \"YYYY-MM-DD hh:mm:ss\"");
    EncodeDateData(out, static_cast<std::uint8_t>(y - 2000), static_cast<std::uint8_t>(mo),
                   static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(h), static_cast<std::uint8_t>(mi),
                   static_cast<std::uint8_t>(s));
    if (!IsValidDateData(out)) throw tScenarioError(where + ": \"" + text + "\" is no real date");
    return out;
}

std::string DateText(const TDateData& d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", 2000 + d.Year, d.Month, d.MonthDay,
                  d.Hour, d.Minutes, d.Seconds);
    return buf;
}

std::string Hex(const tByteBuffer& b) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::uint8_t x : b) {
        s += digits[x >> 4];
        s += digits[x & 15];
    }
    return s;
}

tByteBuffer FromHex(const std::string& s, const std::string& where) {
    tByteBuffer b;
    auto val = [&](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw tScenarioError(where + ": '" + std::string(1, c) + "' is no hexadecimal digit");
    };
    std::string digits;
    for (char c : s)
        if (c != ' ') digits += c;
    if (digits.size() % 2) throw tScenarioError(where + ": an odd number of hexadecimal digits");
    for (std::size_t i = 0; i < digits.size(); i += 2)
        b.push_back(static_cast<std::uint8_t>(val(digits[i]) * 16 + val(digits[i + 1])));
    return b;
}

int CommandCode(const json& v, const std::string& where) {
    if (v.is_string()) {
        for (const tCommandName& c : CommandNames)
            if (v.get<std::string>() == c.Name) return c.Code;
        if (v.get<std::string>().rfind("0x", 0) != 0)
            throw tScenarioError(where + ": \"" + v.get<std::string>() +
                                 "\" is no command name or command code");
    }
    std::int64_t n = Number(v, where);
    if (n < -1 || n > 255)
        throw tScenarioError(where + ": a command code 0..255 or a command name is expected");
    return static_cast<int>(n);
}

json CommandJson(int code) {
    for (const tCommandName& c : CommandNames)
        if (c.Code == code) return c.Name;
    return code;
}

TSimConfig ConfigFromJson(const json& j, const std::string& where) {
    TSimConfig c;
    CheckKeys(j, where,
              {"hex", "version", "testId", "testName", "lotNr", "distributor", "expiry", "timerSeconds",
               "invalidText", "program", "lines", "results"});
    if (j.contains("hex")) {
        std::string hex;
        GetText(j, "hex", hex, where);
        c.Raw = FromHex(hex, where + ".hex");
        return c;
    }
    Get(j, "version", c.Version, where, 0, 255);
    if (j.contains("testId")) {
        const json& t = j["testId"];
        CheckKeys(t, where + ".testId", {"customerId", "projectId", "testType", "testNu"});
        Get(t, "customerId", c.CustomerID, where + ".testId", 0, 0xFFFF);
        Get(t, "projectId", c.ProjectID, where + ".testId", 0, 0xFFFF);
        Get(t, "testType", c.TestType, where + ".testId", 0, 0xFFFF);
        Get(t, "testNu", c.TestNu, where + ".testId", 0, 0xFFFF);
    }
    GetText(j, "testName", c.TestName, where);
    GetText(j, "lotNr", c.LotNr, where);
    GetText(j, "distributor", c.Distributor, where);
    if (j.contains("expiry")) c.Expiry = ParseDate(j["expiry"], where + ".expiry");
    Get(j, "timerSeconds", c.TimerSeconds, where, 0, 0xFFFF);
    GetText(j, "invalidText", c.InvalidText, where);
    GetText(j, "program", c.Program, where);
    if (j.contains("lines")) {
        if (!j["lines"].is_array() || j["lines"].size() > MaxTestLines)
            throw tScenarioError(where + ".lines: a list of at most 10 lines is expected");
        for (std::size_t i = 0; i < j["lines"].size(); ++i) {
            const json& l = j["lines"][i];
            std::string w = where + ".lines[" + std::to_string(i) + "]";
            CheckKeys(l, w, {"position", "reference", "width", "searchWidth"});
            TSimLine line;
            Get(l, "position", line.Position, w, -32768, 32767);
            GetBool(l, "reference", line.Reference, w);
            Get(l, "width", line.Width, w, 0, 254);
            Get(l, "searchWidth", line.SearchWidth, w, 0, 254);
            c.Lines.push_back(line);
        }
    }
    if (j.contains("results")) {
        if (!j["results"].is_array() || j["results"].size() > MaxTestResults)
            throw tScenarioError(where + ".results: a list of at most 10 results is expected");
        for (std::size_t i = 0; i < j["results"].size(); ++i) {
            const json& r = j["results"][i];
            std::string w = where + ".results[" + std::to_string(i) + "]";
            CheckKeys(r, w, {"name", "unit", "lower", "upper", "digits", "decimals", "showValue", "classes"});
            TSimResult res;
            GetText(r, "name", res.Name, w);
            GetText(r, "unit", res.Unit, w);
            GetFloat(r, "lower", res.Lower, w);
            GetFloat(r, "upper", res.Upper, w);
            Get(r, "digits", res.Digits, w, 0, 15);
            Get(r, "decimals", res.Decimals, w, 0, 15);
            GetBool(r, "showValue", res.ShowValue, w);
            if (r.contains("classes")) {
                if (!r["classes"].is_array() || r["classes"].size() > 7)
                    throw tScenarioError(w + ".classes: a list of at most 7 classes is expected");
                for (std::size_t k = 0; k < r["classes"].size(); ++k) {
                    const json& cl = r["classes"][k];
                    std::string wc = w + ".classes[" + std::to_string(k) + "]";
                    CheckKeys(cl, wc, {"below", "name"});
                    TSimClass sc;
                    GetFloat(cl, "below", sc.Below, wc);
                    GetText(cl, "name", sc.Name, wc);
                    res.Classes.push_back(sc);
                }
            }
            c.Results.push_back(res);
        }
    }
    return c;
}

json ConfigToJson(const TSimConfig& c) {
    if (c.Raw) return json{{"hex", Hex(*c.Raw)}};
    json j;
    j["version"] = c.Version;
    j["testId"] = {{"customerId", c.CustomerID},
                   {"projectId", c.ProjectID},
                   {"testType", c.TestType},
                   {"testNu", c.TestNu}};
    j["testName"] = c.TestName;
    j["lotNr"] = c.LotNr;
    j["distributor"] = c.Distributor;
    j["expiry"] = DateText(c.Expiry);
    j["timerSeconds"] = c.TimerSeconds;
    j["invalidText"] = c.InvalidText;
    j["program"] = c.Program;
    j["lines"] = json::array();
    for (const TSimLine& l : c.Lines)
        j["lines"].push_back({{"position", l.Position},
                              {"reference", l.Reference},
                              {"width", l.Width},
                              {"searchWidth", l.SearchWidth}});
    j["results"] = json::array();
    for (const TSimResult& r : c.Results) {
        json jr = {{"name", r.Name},          {"unit", r.Unit},     {"lower", r.Lower},
                   {"upper", r.Upper},        {"digits", r.Digits}, {"decimals", r.Decimals},
                   {"showValue", r.ShowValue}};
        jr["classes"] = json::array();
        for (const TSimClass& cl : r.Classes)
            jr["classes"].push_back({{"below", cl.Below}, {"name", cl.Name}});
        j["results"].push_back(jr);
    }
    return j;
}

struct tFeature {
    const char* Name;
    bool Volatile;
    std::uint32_t Bit;
};
const tFeature Features[] = {
    {"clockAvailable", true, SimBitClockAvailable},
    {"extendedMemory", true, SimBitExtendedMemory},
    {"rfidTestCard", true, SimBitRFIDTestCard},
    {"instantMeasureAllowed", false, SimBitInstantMeasureAllowed},
    {"timerMeasureAllowed", false, SimBitTimerMeasureAllowed},
    {"storesLineData", false, SimBitStoresLineData},
    {"storesImageData", false, SimBitStoresImageData},
};

void FromJson(const json& j, TSimScenario& s) {
    CheckKeys(j, "scenario",
              {"eepromVersion", "vexoCfgBits", "vexoCfgBits_0", "features", "identity", "firmware", "usb",
               "clock", "storage", "configurations", "current", "stored", "database", "rfid", "measurement",
               "behaviour"});
    Get(j, "eepromVersion", s.EEPROMVersion, "scenario", 1, 6);
    Get(j, "vexoCfgBits", s.VexoCfgBits, "scenario", 0, 0xFFFFFFFFll);
    Get(j, "vexoCfgBits_0", s.VexoCfgBits_0, "scenario", 0, 0xFFFFFFFFll);
    if (j.contains("features")) {
        const json& f = j["features"];
        if (!f.is_object()) throw tScenarioError("features: an object is expected");
        for (auto it = f.begin(); it != f.end(); ++it) {
            const tFeature* feature = nullptr;
            for (const tFeature& x : Features)
                if (it.key() == x.Name) feature = &x;
            if (!feature) throw tScenarioError("features: unknown key \"" + it.key() + "\"");
            bool on = false;
            GetBool(f, feature->Name, on, "features");
            std::uint32_t& word = feature->Volatile ? s.VexoCfgBits : s.VexoCfgBits_0;
            word = on ? word | feature->Bit : word & ~feature->Bit;
        }
    }
    if (j.contains("identity")) {
        const json& id = j["identity"];
        const std::string w = "identity";
        CheckKeys(id, w,
                  {"lunderixSerialNumber", "customerNumber", "projectNumber", "productionWeek",
                   "productionYear", "serialNumber", "nominalWhiteValue"});
        Get(id, "lunderixSerialNumber", s.LunderixSerialNumber, w, 0, 0xFFFFFFFFll);
        Get(id, "customerNumber", s.CustomerNumber, w, 0, 0xFFFF);
        Get(id, "projectNumber", s.ProjectNumber, w, 0, 0xFFFF);
        Get(id, "productionWeek", s.ProductionWeek, w, 0, 255);
        Get(id, "productionYear", s.ProductionYear, w, 0, 255);
        Get(id, "serialNumber", s.SerialNumber, w, 0, 0xFFFF);
        Get(id, "nominalWhiteValue", s.NominalWhiteValue, w, 0, 0xFFFF);
    }
    if (j.contains("firmware")) {
        const json& f = j["firmware"];
        const std::string w = "firmware";
        CheckKeys(f, w, {"main", "sub", "revision", "variant", "branch", "branchRevision", "suffix"});
        Get(f, "main", s.FwMain, w, 0, 255);
        Get(f, "sub", s.FwSub, w, 0, 255);
        Get(f, "revision", s.FwRevision, w, 0, 0xFFFF);
        s.FwVariant = GetChar(f, "variant", s.FwVariant, w);
        Get(f, "branch", s.FwBranch, w, 0, 255);
        Get(f, "branchRevision", s.FwBranchRevision, w, 0, 0xFFFF);
        s.FwSuffix = GetChar(f, "suffix", s.FwSuffix, w);
    }
    if (j.contains("usb")) {
        const json& u = j["usb"];
        CheckKeys(u, "usb", {"serial", "description"});
        GetText(u, "serial", s.FtdiSerial, "usb");
        GetText(u, "description", s.FtdiDescription, "usb");
        if (s.FtdiSerial.size() > 15 || s.FtdiDescription.size() > 63)
            throw tScenarioError("usb: the serial holds at most 15 characters, the description 63");
    }
    if (j.contains("clock")) {
        const json& c = j["clock"];
        CheckKeys(c, "clock", {"offsetSeconds", "invalid"});
        Get(c, "offsetSeconds", s.ClockOffsetSeconds, "clock", -3'000'000'000ll, 3'000'000'000ll);
        GetBool(c, "invalid", s.ClockInvalid, "clock");
    }
    if (j.contains("storage")) {
        const json& st = j["storage"];
        const std::string w = "storage";
        CheckKeys(st, w,
                  {"configurationStart", "configurationStop", "resultCfgStart", "resultCfgStop",
                   "resultStart", "resultStop", "resultCfgReadOffset", "resultReadOffset"});
        Get(st, "configurationStart", s.ConfigurationStart, w, 0, 0xFFFF);
        Get(st, "configurationStop", s.ConfigurationStop, w, 0, 0xFFFF);
        Get(st, "resultCfgStart", s.ResultCfgStart, w, 0, 0xFFFF);
        Get(st, "resultCfgStop", s.ResultCfgStop, w, 0, 0xFFFF);
        Get(st, "resultStart", s.ResultStart, w, 0, 0xFFFF);
        Get(st, "resultStop", s.ResultStop, w, 0, 0xFFFF);
        Get(st, "resultCfgReadOffset", s.ResultCfgReadOffset, w, 0, 0xFFFF);
        Get(st, "resultReadOffset", s.ResultReadOffset, w, 0, 0xFFFF);
    }
    if (j.contains("configurations")) {
        const json& cs = j["configurations"];
        if (!cs.is_object())
            throw tScenarioError("configurations: an object of named configurations is expected");
        for (auto it = cs.begin(); it != cs.end(); ++it)
            s.Configurations[it.key()] = ConfigFromJson(it.value(), "configurations." + it.key());
    }
    GetText(j, "current", s.Current, "scenario");
    if (j.contains("stored")) {
        if (!j["stored"].is_array())
            throw tScenarioError("stored: a list of configuration names is expected");
        for (const json& n : j["stored"]) {
            if (!n.is_string()) throw tScenarioError("stored: a list of configuration names is expected");
            s.Stored.push_back(n.get<std::string>());
        }
    }
    if (j.contains("database")) {
        if (!j["database"].is_array()) throw tScenarioError("database: a list of results is expected");
        for (std::size_t i = 0; i < j["database"].size(); ++i) {
            const json& r = j["database"][i];
            std::string w = "database[" + std::to_string(i) + "]";
            CheckKeys(r, w, {"configuration", "date", "invalid", "voltage", "temperature", "values", "seed"});
            TSimRecord rec;
            GetText(r, "configuration", rec.Configuration, w);
            if (r.contains("date")) rec.Date = ParseDate(r["date"], w + ".date");
            Get(r, "invalid", rec.Invalid, w, 0, 255);
            Get(r, "voltage", rec.Voltage, w, 0, 0xFFFF);
            GetFloat(r, "temperature", rec.Temperature, w);
            Get(r, "seed", rec.Seed, w, 0, 0xFFFFFFFFll);
            if (r.contains("values")) {
                if (!r["values"].is_array())
                    throw tScenarioError(w + ".values: a list of numbers is expected");
                for (const json& v : r["values"]) {
                    if (!v.is_number()) throw tScenarioError(w + ".values: a list of numbers is expected");
                    rec.Values.push_back(v.get<float>());
                }
            }
            s.Database.push_back(rec);
        }
    }
    if (j.contains("rfid")) {
        const json& r = j["rfid"];
        CheckKeys(r, "rfid", {"present", "tagType", "capacity", "configuration"});
        GetBool(r, "present", s.RFIDPresent, "rfid");
        Get(r, "tagType", s.RFIDTagType, "rfid", 0, 255);
        Get(r, "capacity", s.RFIDCapacity, "rfid", 0, 0xFFFF);
        GetText(r, "configuration", s.RFIDConfiguration, "rfid");
    }
    if (j.contains("measurement")) {
        const json& m = j["measurement"];
        const std::string w = "measurement";
        CheckKeys(m, w,
                  {"buttonDelayMs", "evaluationMs", "timerSeconds", "imageWidth", "seed", "nextValues",
                   "nextInvalid"});
        Get(m, "buttonDelayMs", s.ButtonDelayMs, w, 0, 600000);
        Get(m, "evaluationMs", s.EvaluationMs, w, 0, 600000);
        Get(m, "timerSeconds", s.TimerSecondsOverride, w, -1, 0xFFFF);
        Get(m, "imageWidth", s.ImageWidth, w, 1, 256);
        Get(m, "seed", s.Seed, w, 0, 0xFFFFFFFFll);
        Get(m, "nextInvalid", s.NextInvalid, w, 0, 255);
        if (m.contains("nextValues")) {
            if (!m["nextValues"].is_array())
                throw tScenarioError(w + ".nextValues: a list of numbers is expected");
            for (const json& v : m["nextValues"]) {
                if (!v.is_number()) throw tScenarioError(w + ".nextValues: a list of numbers is expected");
                s.NextValues.push_back(v.get<float>());
            }
        }
    }
    if (j.contains("behaviour")) {
        const json& b = j["behaviour"];
        CheckKeys(b, "behaviour", {"baud", "rfidErrors", "rules"});
        Get(b, "baud", s.Baud, "behaviour", 0, 10'000'000);
        if (b.contains("rfidErrors")) {
            const json& r = b["rfidErrors"];
            CheckKeys(r, "behaviour.rfidErrors", {"count", "code"});
            Get(r, "count", s.RFIDErrorCount, "behaviour.rfidErrors", 0, 1'000'000);
            Get(r, "code", s.RFIDErrorCode, "behaviour.rfidErrors", 0, 255);
        }
        if (b.contains("rules")) {
            if (!b["rules"].is_array()) throw tScenarioError("behaviour.rules: a list of rules is expected");
            for (std::size_t i = 0; i < b["rules"].size(); ++i) {
                const json& r = b["rules"][i];
                std::string w = "behaviour.rules[" + std::to_string(i) + "]";
                CheckKeys(r, w,
                          {"command", "nth", "noAnswer", "lateMs", "busyMs", "comError", "vexoError",
                           "vexoErrorInfo", "noiseBytes", "badChecksumFirst"});
                TSimBehaviour sb;
                if (r.contains("command")) sb.Command = CommandCode(r["command"], w + ".command");
                Get(r, "nth", sb.Nth, w, 0, 0xFFFFFFFFll);
                GetBool(r, "noAnswer", sb.NoAnswer, w);
                Get(r, "lateMs", sb.LateMs, w, 0, 3'600'000);
                Get(r, "busyMs", sb.BusyMs, w, 0, 3'600'000);
                Get(r, "comError", sb.ComError, w, -1, 255);
                Get(r, "vexoError", sb.VexoError, w, -1, 255);
                Get(r, "vexoErrorInfo", sb.VexoErrorInfo, w, 0, 255);
                Get(r, "noiseBytes", sb.NoiseBytes, w, 0, 4096);
                GetBool(r, "badChecksumFirst", sb.BadChecksumFirst, w);
                s.Behaviours.push_back(sb);
            }
        }
    }
}

} // namespace

bool ValidateScenario(const TSimScenario& s, std::string& error) {
    auto known = [&](const std::string& name, const std::string& where) {
        if (name.empty() || s.Configurations.count(name)) return true;
        error = where + ": no configuration is named \"" + name + "\"";
        return false;
    };
    if (!known(s.Current, "current") || !known(s.RFIDConfiguration, "rfid.configuration")) return false;
    for (const std::string& n : s.Stored)
        if (!known(n, "stored")) return false;
    for (std::size_t i = 0; i < s.Database.size(); ++i) {
        if (s.Database[i].Configuration.empty()) {
            error = "database[" + std::to_string(i) + "]: the configuration is missing";
            return false;
        }
        if (!known(s.Database[i].Configuration, "database[" + std::to_string(i) + "]")) return false;
    }
    struct tArea {
        const char* Name;
        std::uint16_t Start, Stop, ReadOffset;
    } areas[] = {{"configuration", s.ConfigurationStart, s.ConfigurationStop, 0},
                 {"resultCfg", s.ResultCfgStart, s.ResultCfgStop, s.ResultCfgReadOffset},
                 {"result", s.ResultStart, s.ResultStop, s.ResultReadOffset}};
    for (const tArea& a : areas) {
        if (a.Stop <= a.Start) {
            error = std::string("storage: the ") + a.Name + " area must end after its start";
            return false;
        }
        if (a.ReadOffset > a.Stop - a.Start) {
            error = std::string("storage: the ") + a.Name + " read offset lies outside its area";
            return false;
        }
    }
    for (int i = 0; i < 3; ++i)
        for (int k = i + 1; k < 3; ++k)
            if (areas[i].Start <= areas[k].Stop && areas[k].Start <= areas[i].Stop) {
                error =
                    std::string("storage: the ") + areas[i].Name + " and " + areas[k].Name + " areas overlap";
                return false;
            }
    return true;
}

bool ScenarioFromJson(const std::string& text, TSimScenario& scenario, std::string& error) {
    // A file describes a reader completely: what it leaves out takes the plain defaults, not the demo's.
    TSimScenario s;
    try {
        json j = json::parse(text);
        FromJson(j, s);
    } catch (const json::parse_error& e) {
        error = std::string("not a JSON text: ") + e.what();
        return false;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    if (!ValidateScenario(s, error)) return false;
    scenario = std::move(s);
    return true;
}

std::string ScenarioToJson(const TSimScenario& s) {
    json j;
    j["eepromVersion"] = s.EEPROMVersion;
    std::uint32_t v = s.VexoCfgBits, nv = s.VexoCfgBits_0;
    json features;
    for (const tFeature& f : Features) {
        std::uint32_t& word = f.Volatile ? v : nv;
        features[f.Name] = (word & f.Bit) != 0;
        word &= ~f.Bit;
    }
    j["features"] = features;
    if (v) j["vexoCfgBits"] = v;
    if (nv) j["vexoCfgBits_0"] = nv;
    j["identity"] = {{"lunderixSerialNumber", s.LunderixSerialNumber},
                     {"customerNumber", s.CustomerNumber},
                     {"projectNumber", s.ProjectNumber},
                     {"productionWeek", s.ProductionWeek},
                     {"productionYear", s.ProductionYear},
                     {"serialNumber", s.SerialNumber},
                     {"nominalWhiteValue", s.NominalWhiteValue}};
    auto ch = [](std::uint8_t c) { return c ? std::string(1, static_cast<char>(c)) : std::string(); };
    j["firmware"] = {{"main", s.FwMain},         {"sub", s.FwSub},
                     {"revision", s.FwRevision}, {"variant", ch(s.FwVariant)},
                     {"branch", s.FwBranch},     {"branchRevision", s.FwBranchRevision},
                     {"suffix", ch(s.FwSuffix)}};
    j["usb"] = {{"serial", s.FtdiSerial}, {"description", s.FtdiDescription}};
    j["clock"] = {{"offsetSeconds", s.ClockOffsetSeconds}, {"invalid", s.ClockInvalid}};
    j["storage"] = {{"configurationStart", s.ConfigurationStart},
                    {"configurationStop", s.ConfigurationStop},
                    {"resultCfgStart", s.ResultCfgStart},
                    {"resultCfgStop", s.ResultCfgStop},
                    {"resultStart", s.ResultStart},
                    {"resultStop", s.ResultStop},
                    {"resultCfgReadOffset", s.ResultCfgReadOffset},
                    {"resultReadOffset", s.ResultReadOffset}};
    j["configurations"] = json::object();
    for (const auto& [name, cfg] : s.Configurations) j["configurations"][name] = ConfigToJson(cfg);
    j["current"] = s.Current;
    j["stored"] = s.Stored;
    j["database"] = json::array();
    for (const TSimRecord& r : s.Database) {
        json jr = {{"configuration", r.Configuration},
                   {"date", DateText(r.Date)},
                   {"invalid", r.Invalid},
                   {"voltage", r.Voltage},
                   {"temperature", r.Temperature}};
        if (!r.Values.empty()) jr["values"] = r.Values;
        if (r.Seed) jr["seed"] = r.Seed;
        j["database"].push_back(jr);
    }
    j["rfid"] = {{"present", s.RFIDPresent},
                 {"tagType", s.RFIDTagType},
                 {"capacity", s.RFIDCapacity},
                 {"configuration", s.RFIDConfiguration}};
    j["measurement"] = {{"buttonDelayMs", s.ButtonDelayMs},
                        {"evaluationMs", s.EvaluationMs},
                        {"timerSeconds", s.TimerSecondsOverride},
                        {"imageWidth", s.ImageWidth},
                        {"seed", s.Seed},
                        {"nextValues", s.NextValues},
                        {"nextInvalid", s.NextInvalid}};
    json rules = json::array();
    for (const TSimBehaviour& b : s.Behaviours) {
        json r;
        if (b.Command >= 0) r["command"] = CommandJson(b.Command);
        if (b.Nth) r["nth"] = b.Nth;
        if (b.NoAnswer) r["noAnswer"] = true;
        if (b.LateMs) r["lateMs"] = b.LateMs;
        if (b.BusyMs) r["busyMs"] = b.BusyMs;
        if (b.ComError >= 0) r["comError"] = b.ComError;
        if (b.VexoError >= 0) r["vexoError"] = b.VexoError;
        if (b.VexoErrorInfo) r["vexoErrorInfo"] = b.VexoErrorInfo;
        if (b.NoiseBytes) r["noiseBytes"] = b.NoiseBytes;
        if (b.BadChecksumFirst) r["badChecksumFirst"] = true;
        rules.push_back(r);
    }
    j["behaviour"] = {{"baud", s.Baud},
                      {"rfidErrors", {{"count", s.RFIDErrorCount}, {"code", s.RFIDErrorCode}}},
                      {"rules", rules}};
    return j.dump(2) + "\n";
}

bool LoadScenarioFile(const std::string& path, TSimScenario& scenario, std::string& error) {
    std::ifstream in(vexo::platform::PathFromText(path), std::ios::binary);
    if (!in) {
        error = "cannot read the scenario file \"" + path + "\"";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!ScenarioFromJson(text.str(), scenario, error)) {
        error = "scenario file \"" + path + "\": " + error;
        return false;
    }
    return true;
}
