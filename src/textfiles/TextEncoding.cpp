#include "TextEncoding.h"

#include "FileSystem.h"
#include "Tools.h"

namespace {

constexpr char32_t Replacement = 0xFFFD;

// Windows-1252 0x80..0x9F; the five unassigned codes map to the C1 controls, as Windows does.
constexpr char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::u16string BytesToUtf16(const std::vector<std::uint8_t>& bytes, std::size_t start, bool bigEndian) {
    std::u16string units;
    units.reserve((bytes.size() - start) / 2);
    std::size_t i = start;
    for (; i + 1 < bytes.size(); i += 2) {
        unsigned hi = bigEndian ? bytes[i] : bytes[i + 1];
        unsigned lo = bigEndian ? bytes[i + 1] : bytes[i];
        units.push_back(static_cast<char16_t>((hi << 8) | lo));
    }
    if (i < bytes.size()) units.push_back(static_cast<char16_t>(Replacement)); // odd trailing byte
    return units;
}

} // namespace

void AppendUtf8(std::string& out, char32_t code) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = Replacement;
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
    char32_t code;
    std::size_t length;
    DecodeUtf8(text, pos, code, length);
    return length;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t code;
        std::size_t length;
        if (!DecodeUtf8(text, pos, code, length)) return false;
        pos += length;
    }
    return true;
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t code;
        std::size_t length;
        DecodeUtf8(text, pos, code, length);
        pos += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, unit); // a lone surrogate becomes U+FFFD there
        }
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char b = static_cast<unsigned char>(c);
        if (b >= 0x80 && b <= 0x9F)
            AppendUtf8(out, Cp1252High[b - 0x80]);
        else
            AppendUtf8(out, b);
    }
    return out;
}

std::string DecodeTextBytes(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        std::string_view body(reinterpret_cast<const char*>(bytes.data()) + 3, bytes.size() - 3);
        return IsValidUtf8(body) ? std::string(body) : Utf16ToUtf8(Utf8ToUtf16(body));
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE)
        return Utf16ToUtf8(BytesToUtf16(bytes, 2, false));
    if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF)
        return Utf16ToUtf8(BytesToUtf16(bytes, 2, true));
    std::string_view body(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return IsValidUtf8(body) ? std::string(body) : Cp1252ToUtf8(body);
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::vector<std::uint8_t> EncodeTextLines(const std::vector<std::string>& lines) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    auto put = [&](char16_t unit) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (const std::string& line : lines) {
        for (char16_t unit : Utf8ToUtf16(line)) put(unit);
        put(u'\r');
        put(u'\n');
    }
    return bytes;
}

bool ReadTextFileLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
    std::vector<std::uint8_t> bytes;
    lines.clear();
    if (!vexo::platform::ReadFileBytes(path, bytes, error)) return false;
    lines = SplitLines(DecodeTextBytes(bytes));
    return true;
}

bool WriteTextFileLines(const std::string& path, const std::vector<std::string>& lines, std::string& error) {
    return vexo::platform::ReplaceFileWhole(path, EncodeTextLines(lines), error);
}
