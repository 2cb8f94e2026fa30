#include "MeasureFileFormat.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "ConfigFile.h"
#include "Tools.h"

// The built-in texts, not the language file's: files must read anywhere.
const TFormatSettings DefaultFormatSetting{std::string(LE::DateFormat.Def), LE::DateSeparator.Def[0], ':',
                                           "hh:nn:ss", '.'};

namespace {

// Cell text with the characters that would break the line's columns made blanks.
std::string Cell(const std::string& Text) {
    std::string out = Text;
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return out;
}

class TCellWriter {
public:
    void Put(const std::string& Text) {
        Line += Cell(Text);
        Line += '\t';
    }
    void Empty(int Count) { Line.append(static_cast<std::size_t>(Count), '\t'); }
    std::string Line;
};

class TCellReader {
public:
    explicit TCellReader(const std::string& Line) : fLine(Line) {}
    bool HasCells() const { return fPos < fLine.size(); }
    // The next cell; empty when none is left.
    std::string Next() {
        if (fPos >= fLine.size()) return {};
        std::size_t tab = fLine.find('\t', fPos);
        std::size_t end = tab == std::string::npos ? fLine.size() : tab;
        std::string cell = fLine.substr(fPos, end - fPos);
        fPos = tab == std::string::npos ? fLine.size() : tab + 1;
        return cell;
    }
    std::string Peek() const {
        TCellReader copy = *this;
        return copy.Next();
    }

private:
    const std::string& fLine;
    std::size_t fPos = 0;
};

std::string TwoDigits(int v) {
    return IntToStrPadded(v, 2, '0');
}

bool ParseNumberPart(const std::string& Text, std::size_t& Pos, int MaxDigits, int& Value) {
    std::size_t start = Pos;
    Value = 0;
    while (Pos < Text.size() && Text[Pos] >= '0' && Text[Pos] <= '9' &&
           Pos - start < static_cast<std::size_t>(MaxDigits))
        Value = Value * 10 + (Text[Pos++] - '0');
    return Pos > start;
}

bool ParseFloatText(const std::string& Text, float& Value) {
    if (Text.empty()) return false;
    // Only plain decimal notation: from_chars would also take "inf", "nan" and the like.
    for (char c : Text)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    const char* first = Text.data();
    const char* last = Text.data() + Text.size();
    if (*first == '+') {
        ++first;
        if (first != last && (*first == '-' || *first == '+')) return false;
    }
    float v;
    auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec != std::errc() || ptr != last) return false;
    Value = v;
    return true;
}

} // namespace

ETSVVersion TSVStyleFromSetting(const std::string& Setting) {
    std::string s = UpperCaseAscii(Setting);
    if (s == "SHORT") return TSVVShort;
    if (s == "HALVORN") return TSVVHalvorn;
    return TSVVLong;
}

ETSVVersion DetectTSVStyle(const std::string& Line) {
    if (Line.empty()) return TSVEmpty;
    std::size_t tabs = 0;
    for (char c : Line) tabs += c == '\t';
    switch (tabs) {
    case 46: return TSVVShort;
    case 139: return TSVVLong;
    case 36: return TSVVHalvorn;
    default: return TSVVUnknown;
    }
}

std::string BuildTSVHeader(ETSVVersion Style, TLanguageFile& Texts) {
    TCellWriter w;
    auto title = [&](const TLangEntry& e) { w.Put(Texts.GetLanguageString(e)); };
    auto numbered = [&](const TLangEntry& e, int i) {
        w.Put(Texts.GetLanguageString(e) + " " + std::to_string(i));
    };
    for (const TLangEntry* e : {&LE::TestID, &LE::TestName, &LE::LotNumber, &LE::DistributorManufacturer,
                                &LE::DateTime, &LE::UserComments})
        title(*e);
    if (Style == TSVVLong) {
        title(LE::Voltage);
        title(LE::Temperature);
    }
    for (int i = 1; i <= TSVResultGroups; ++i) {
        numbered(LE::ResultName, i);
        numbered(LE::Result, i);
        if (Style != TSVVHalvorn) numbered(LE::ResultUnit, i);
        numbered(LE::Class, i);
    }
    if (Style == TSVVLong) {
        for (int j = 1; j <= TSVLineGroups; ++j)
            for (const TLangEntry* e :
                 {&LE::MeanValue, &LE::MinValue, &LE::MaxValue, &LE::LeftMean, &LE::RightMean,
                  &LE::PositionOfMaximum, &LE::UsedPixel, &LE::CenterPosition, &LE::LineWidth})
                numbered(*e, j);
        title(LE::ImageData);
    }
    return w.Line;
}

std::string FormatTSVFloat(float Value) {
    if (std::isnan(Value)) return "NAN";
    if (std::isinf(Value)) return Value > 0 ? "INF" : "-INF";
    char buffer[64];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(Value),
                                   std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("NAN");
}

std::string FormatTSVInt(int Value) {
    std::string digits = std::to_string(Value < 0 ? -static_cast<long long>(Value) : Value);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return (Value < 0 ? "-" : "") + digits;
}

std::string FormatFileDateTime(TDateTime Value) {
    TDateTimeFields f = DecodeDateTime(Value);
    const char ds = DefaultFormatSetting.DateSeparator, ts = DefaultFormatSetting.TimeSeparator;
    std::string text = TwoDigits(f.Month) + ds + TwoDigits(f.Day) + ds + IntToStrPadded(f.Year, 4, '0');
    if (f.Hour != 0 || f.Minute != 0 || f.Second != 0)
        text += " " + TwoDigits(f.Hour) + ts + TwoDigits(f.Minute) + ts + TwoDigits(f.Second);
    return text;
}

bool TryParseFileDateTime(const std::string& Text, TDateTimeFields& Fields) {
    const char ds = DefaultFormatSetting.DateSeparator, ts = DefaultFormatSetting.TimeSeparator;
    std::string s = TrimBlanks(Text);
    std::size_t p = 0;
    TDateTimeFields f;
    if (!ParseNumberPart(s, p, 2, f.Month) || p >= s.size() || s[p++] != ds) return false;
    if (!ParseNumberPart(s, p, 2, f.Day) || p >= s.size() || s[p++] != ds) return false;
    std::size_t yearStart = p;
    if (!ParseNumberPart(s, p, 4, f.Year) || p - yearStart != 4) return false;
    if (p < s.size()) {
        if (s[p] != ' ') return false;
        while (p < s.size() && s[p] == ' ') ++p;
        if (!ParseNumberPart(s, p, 2, f.Hour) || p >= s.size() || s[p++] != ts) return false;
        std::size_t minuteStart = p;
        if (!ParseNumberPart(s, p, 2, f.Minute) || p - minuteStart != 2) return false;
        if (p < s.size()) {
            std::size_t secondStart = ++p;
            if (s[secondStart - 1] != ts || !ParseNumberPart(s, p, 2, f.Second) || p - secondStart != 2)
                return false;
        }
        if (p != s.size()) return false;
    }
    if (f.Month < 1 || f.Month > 12 || f.Day < 1 || f.Day > DaysInMonth(f.Year, f.Month)) return false;
    if (f.Hour > 23 || f.Minute > 59 || f.Second > 59) return false;
    Fields = f;
    return true;
}

bool TryParseTSVFloat(const std::string& Text, float& Value) {
    if (ParseFloatText(Text, Value)) return true;
    if (Text.find(',') != std::string::npos && Text.find('.') == std::string::npos) {
        std::string dotted = Text;
        for (char& c : dotted)
            if (c == ',') c = '.';
        if (ParseFloatText(dotted, Value)) return true;
    }
    if (Text == "INF") {
        Value = std::numeric_limits<float>::infinity();
        return true;
    }
    // The writer's own negative infinity reads back too.
    if (Text == "-INF") {
        Value = -std::numeric_limits<float>::infinity();
        return true;
    }
    if (Text == "NAN") {
        Value = std::numeric_limits<float>::quiet_NaN();
        return true;
    }
    return false;
}

std::string BuildTSVLine(const TMeasureSet& Entry, ETSVVersion Style) {
    TCellWriter w;
    w.Put(Entry.TestID);
    w.Put(Entry.TestName);
    w.Put(Entry.LotNr);
    w.Put(Entry.Distr_Manu);
    w.Put(IsValidDateData(Entry.DateTime) ? FormatFileDateTime(DateDataToDateTime(Entry.DateTime))
                                          : DateDataToRawText(Entry.DateTime));
    w.Put(Entry.UserComment);
    if (Style == TSVVLong) {
        w.Put(Entry.Voltage);
        w.Put(Entry.Temperature);
    }
    const int groupCells = Style == TSVVHalvorn ? 3 : 4;
    int groups = 0;
    for (const TResultSet& r : Entry.ResultList) {
        if (groups == TSVResultGroups) break;
        ++groups;
        w.Put(r.ResultName.empty() ? std::string() : r.Validity + " - " + r.ResultName);
        w.Put(r.ResultValue);
        if (Style != TSVVHalvorn) w.Put(r.UnitName);
        w.Put(r.ClassName);
    }
    w.Empty((TSVResultGroups - groups) * groupCells);
    if (Style != TSVVLong) return w.Line;

    const TMeasureResult& m = Entry.MeasureResult;
    const int lines = std::min<int>(m.LineCount, TSVLineGroups);
    if (lines > 0 && m.Results.Line[0].Width != 0) {
        for (int j = 0; j < lines; ++j) {
            const TLineResult& l = m.Results.Line[static_cast<std::size_t>(j)];
            for (float v :
                 {l.MeanValue, l.MinValue, l.MaxValue, l.LeftMeanValue, l.RightMeanValue, l.MaxPosAbs})
                w.Put(FormatTSVFloat(v));
            w.Put(FormatTSVInt(l.UsedPixel));
            w.Put(FormatTSVInt(l.CenterPositionAbsolut));
            w.Put(FormatTSVInt(l.Width));
        }
    } else {
        w.Empty(lines * TSVLineGroupCells);
    }
    w.Empty((TSVLineGroups - lines) * TSVLineGroupCells);
    for (std::int32_t v : Entry.OrigImage) {
        if (v < 0) break;
        w.Put(std::to_string(v));
    }
    return w.Line;
}

bool ParseTSVLine(const std::string& Line, TMeasureSet& Entry, ETSVVersion Style) {
    TCellReader r(Line);
    Entry.TestID = r.Next();
    Entry.TestName = r.Next();
    Entry.LotNr = r.Next();
    Entry.Distr_Manu = r.Next();

    const std::string date = r.Next();
    TDateTimeFields f;
    std::uint32_t raw;
    if (TryParseFileDateTime(date, f)) {
        // Years 2000..2255 are the reader's own range and keep their century.
        int year = f.Year >= 2000 && f.Year <= 2255 ? f.Year - 2000 : f.Year % 100;
        EncodeDateData(Entry.DateTime, static_cast<std::uint8_t>(year), static_cast<std::uint8_t>(f.Month),
                       static_cast<std::uint8_t>(f.Day), static_cast<std::uint8_t>(f.Hour),
                       static_cast<std::uint8_t>(f.Minute), static_cast<std::uint8_t>(f.Second));
    } else if (TryStrToUInt32(date, raw)) {
        Entry.DateTime.Seconds = static_cast<std::uint8_t>(raw);
        Entry.DateTime.Minutes = static_cast<std::uint8_t>(raw >> 8);
        Entry.DateTime.Hour = static_cast<std::uint8_t>(raw >> 16);
        Entry.DateTime.MonthDay = static_cast<std::uint8_t>(raw >> 24);
        Entry.DateTime.Month = 0;
        Entry.DateTime.Year = 0;
    } else {
        return false;
    }

    Entry.UserComment = r.Next();
    if (Style == TSVVLong) {
        Entry.Voltage = r.Next();
        Entry.Temperature = r.Next();
    }

    for (int g = 0; g < TSVResultGroups && r.HasCells(); ++g) {
        TResultSet set;
        const std::string first = r.Next();
        std::size_t sep = first.find(" - ");
        if (sep != std::string::npos) {
            set.Validity = first.substr(0, sep);
            set.ResultName = first.substr(sep + 3);
        } else {
            set.ResultName = first;
        }
        set.ResultValue = r.Next();
        if (Style != TSVVHalvorn) set.UnitName = r.Next();
        set.ClassName = r.Next();
        if (!set.ResultName.empty() || !set.ResultValue.empty() || !set.UnitName.empty() ||
            !set.ClassName.empty())
            Entry.ResultList.push_back(set);
    }

    if (Style != TSVVLong) {
        // Anything after the tenth group is an eleventh group or another style's line.
        while (r.HasCells())
            if (!r.Next().empty()) return false;
        return true;
    }

    if (!r.HasCells()) return true;
    std::int32_t probe;
    if (!TryParseConfigInt(r.Peek(), probe)) {
        TMeasureResult& m = Entry.MeasureResult;
        for (int j = 0; j < TSVLineGroups; ++j) {
            TLineResult& l = m.Results.Line[static_cast<std::size_t>(j)];
            bool any = false;
            for (float* field : {&l.MeanValue, &l.MinValue, &l.MaxValue, &l.LeftMeanValue, &l.RightMeanValue,
                                 &l.MaxPosAbs}) {
                std::string cell = r.Next();
                if (cell.empty()) continue;
                any = true;
                if (!TryParseTSVFloat(cell, *field)) return false;
            }
            std::int32_t ints[3];
            for (int k = 0; k < 3; ++k) {
                std::string cell = r.Next();
                if (cell.empty()) continue;
                any = true;
                if (!TryParseConfigInt(cell, ints[k])) return false;
                std::uint32_t bits = static_cast<std::uint32_t>(ints[k]);
                if (k == 0) l.UsedPixel = static_cast<std::uint8_t>(bits);
                if (k == 1)
                    l.CenterPositionAbsolut = static_cast<std::int16_t>(static_cast<std::uint16_t>(bits));
                if (k == 2) l.Width = static_cast<std::uint8_t>(bits);
            }
            if (any) ++m.LineCount;
        }
    }

    std::vector<std::int32_t> image;
    while (r.HasCells()) {
        std::int32_t v;
        // The program never writes more than OrigImage holds, nor negative values.
        if (!TryParseConfigInt(r.Next(), v) || v < 0 || image.size() == MaxImageValues) return false;
        image.push_back(v);
    }
    if (!image.empty()) Entry.SetImageValues(image);
    return true;
}
