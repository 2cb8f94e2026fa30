#include "GenFile.h"

#include "FileSystem.h"
#include "TextEncoding.h"
#include "Tools.h"

namespace {

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::UpperCaseAscii(a) == ::UpperCaseAscii(b);
}

} // namespace

TGenFile::TGenFile(const std::string& FileName, tFileNotifier* Notifier)
    : TGenFile(FileName, false, false, Notifier) {}

TGenFile::TGenFile(const std::string& FileName, bool SaveImmediate, tFileNotifier* Notifier)
    : TGenFile(FileName, SaveImmediate, false, Notifier) {}

TGenFile::TGenFile(const std::string& FileName, bool SaveImmediate, bool ROnly, tFileNotifier* Notifier)
    : fNotifier(Notifier) {
    OpenFile(FileName, SaveImmediate, ROnly);
}

TGenFile::~TGenFile() {
    try {
        save();
    } catch (...) {
        // A destructor must not throw; save reports its own failures.
    }
}

void TGenFile::Notify(const std::string& Text, const std::string& Caption) const {
    (fNotifier ? *fNotifier : DefaultFileNotifier()).ShowSystemMessage(Text, Caption);
}

void TGenFile::OpenFile(const std::string& FileName, bool SaveImmediate, bool ROnly) {
    Filename = vexo::platform::AbsolutePath(FileName);
    Lines.clear();
    ReadOnly = ROnly;
    this->SaveImmediate = SaveImmediate;
    FileValid = false;
    if (vexo::platform::CanOpenForReading(Filename)) {
        FileValid = true;
    } else if (ReadOnly) {
        Notify("Could not open file " + Filename, "File Error");
    } else if (vexo::platform::OpenOrCreate(Filename)) {
        FileValid = true;
    } else {
        Notify("Could neither open nor create file " + Filename, "File error");
    }
    if (!FileValid) return;
    std::string error;
    if (!ReadTextFileLines(Filename, Lines, error)) {
        // Saving over a file we could not read would lose it.
        FileValid = false;
        Lines.clear();
        Notify("Could not open file " + Filename, "File Error");
    }
}

void TGenFile::reload() {
    OpenFile(Filename, SaveImmediate, ReadOnly);
}

bool TGenFile::save() {
    if (ReadOnly || !FileValid || SaveImmediate) return true;
    std::string error;
    if (WriteTextFileLines(Filename, Lines, error)) return true;
    Notify(SaveFailedText(Filename, error), "File error");
    return false;
}

std::string TGenFile::MakeSaveString(const std::string& Value) {
    static const char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(Value.size() + 8);
    for (char c : Value) {
        unsigned char code = static_cast<unsigned char>(c);
        switch (code) {
        case 8: out += "\\b"; break;
        case 9: out += "\\t"; break;
        case 10: out += "\\r"; break; // reversed on purpose; DecodeSaveString mirrors it
        case 13: out += "\\n"; break;
        case 27: out += "\\e"; break;
        case '"': out += "\\\""; break;
        case '#': out += "\\#"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (code <= 26) {
                out += "\\x";
                out += Hex[code >> 4];
                out += Hex[code & 15];
            } else {
                out += c;
            }
        }
    }
    return out;
}

bool TGenFile::DecodeHexNibble(char C, std::uint8_t& Value) {
    if (C >= '0' && C <= '9')
        Value = static_cast<std::uint8_t>(C - '0');
    else if (C >= 'a' && C <= 'f')
        Value = static_cast<std::uint8_t>(C - 'a' + 10);
    else if (C >= 'A' && C <= 'F')
        Value = static_cast<std::uint8_t>(C - 'A' + 10);
    else
        return false;
    return true;
}

std::string TGenFile::DecodeSaveString(const std::string& Value) {
    std::string out;
    std::size_t i = 0;
    const std::size_t n = Value.size();
    // A character after a backslash is a whole UTF-8 sequence, so dropping it never splits one.
    auto seq = [&](std::size_t pos) { return Utf8SequenceLength(Value, pos); };
    while (i < n) {
        if (Value[i] != '\\') {
            out += Value[i++];
            continue;
        }
        if (i + 1 >= n) break; // incomplete escape at the end
        char c = Value[i + 1];
        switch (c) {
        case '"':
        case '#':
        case '\\':
            out += c;
            i += 2;
            continue;
        case 'b':
            out += '\b';
            i += 2;
            continue;
        case 'e':
            out += '\x1B';
            i += 2;
            continue;
        case 'n':
            out += '\r';
            i += 2;
            continue;
        case 'r':
            out += '\n';
            i += 2;
            continue;
        case 't':
            out += '\t';
            i += 2;
            continue;
        case 'x': break;
        default: i += 1 + seq(i + 1); continue; // unknown escape: both dropped
        }
        // "\x"
        std::size_t p = i + 2;
        if (p >= n) break;
        std::uint8_t hi, lo;
        if (!DecodeHexNibble(Value[p], hi)) {
            std::size_t len = seq(p);
            out.append(Value, p, len);
            i = p + len;
            continue;
        }
        if (p + 1 >= n) break;
        if (DecodeHexNibble(Value[p + 1], lo)) {
            AppendUtf8(out, static_cast<char32_t>(hi * 16 + lo));
            i = p + 2;
        } else {
            AppendUtf8(out, hi);
            std::size_t len = seq(p + 1);
            out.append(Value, p + 1, len);
            i = p + 1 + len;
        }
    }
    return out;
}

std::string TGenFile::StripLine(const std::string& Line, bool KeepBlanks) {
    std::string out;
    out.reserve(Line.size());
    bool quoted = false;
    for (std::size_t i = 0; i < Line.size(); ++i) {
        char c = Line[i];
        if (c == '\\') {
            if (i + 1 >= Line.size()) break; // a trailing backslash is dropped
            std::size_t len = Utf8SequenceLength(Line, i + 1);
            out.append(Line, i, 1 + len);
            i += len;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!KeepBlanks && !quoted && (c == ' ' || c == '\t')) {
            // blanks outside quotes vanish
        } else if (!KeepBlanks && !quoted && c == '#') {
            break;
        } else {
            out += c;
        }
    }
    return out;
}

std::string TGenFile::GetHeadOfLine(const std::string& Line) {
    std::string s = StripLine(Line, false);
    if (s.empty() || s[0] != '[') return {};
    std::size_t close = s.find(']', 1);
    return s.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

std::string TGenFile::GetItemOfLine(const std::string& Line) {
    std::string s = StripLine(Line, false);
    std::size_t eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

int TGenFile::FindNextHead(int Start) const {
    if (Start < 0) Start = 0;
    for (std::size_t i = static_cast<std::size_t>(Start); i < Lines.size(); ++i)
        if (!GetHeadOfLine(Lines[i]).empty()) return static_cast<int>(i);
    return -1;
}

int TGenFile::FindItem(int Start, int Stop, const std::string& Item) const {
    const int last = static_cast<int>(Lines.size()) - 1;
    if (Start < 0) Start = 0;
    if (Stop < 0 || Stop > last) Stop = last;
    const std::string wanted = StripLine(Item, false);
    for (int i = Start; i <= Stop; ++i) {
        const std::string& line = Lines[static_cast<std::size_t>(i)];
        // Lines without "=" have an empty item name.
        if (line.find('=') == std::string::npos) {
            if (wanted.empty()) return i;
            continue;
        }
        if (GetItemOfLine(line) == wanted) return i;
    }
    return -1;
}

std::string TGenFile::GetValOfLine(int Index, bool KeepBlanks) const {
    if (Index < 0 || static_cast<std::size_t>(Index) >= Lines.size()) return {};
    std::string s = StripLine(Lines[static_cast<std::size_t>(Index)], KeepBlanks);
    std::size_t eq = s.find('=');
    if (eq == std::string::npos) return {};
    return DecodeSaveString(s.substr(eq + 1));
}

std::string TGenFile::UpperCaseAscii(const std::string& Text) {
    return ::UpperCaseAscii(Text);
}

int TGenFile::FindHeadLine(const std::string& Head) const {
    const std::string line = "[" + StripLine(Head, false) + "]";
    for (std::size_t i = 0; i < Lines.size(); ++i)
        if (EqualsIgnoreCase(Lines[i], line)) return static_cast<int>(i);
    return -1;
}

int TGenFile::HeadRangeEnd(int HeadLine) const {
    int next = FindNextHead(HeadLine + 1);
    return next < 0 ? static_cast<int>(Lines.size()) - 1 : next;
}

int TGenFile::FindHeadItem(const std::string& Head, const std::string& Item, int& HeadLine) const {
    HeadLine = FindHeadLine(Head);
    if (HeadLine < 0) return -1;
    int stop = HeadRangeEnd(HeadLine);
    if (HeadLine + 1 > stop) return -1;
    return FindItem(HeadLine + 1, stop, Item);
}
