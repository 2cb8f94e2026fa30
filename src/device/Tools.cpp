#include "Tools.h"

namespace {
std::uint32_t Mask(std::uint32_t width) {
    return width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
}
} // namespace

std::uint8_t GetBitField8(std::uint8_t value, std::uint32_t descriptor) {
    std::uint32_t pos = (descriptor >> 4) & 0x0F, width = descriptor & 0x0F;
    if (pos >= 8) return 0;
    return static_cast<std::uint8_t>((static_cast<std::uint32_t>(value) >> pos) & Mask(width));
}

void SetBitField8(std::uint8_t& container, std::uint32_t descriptor, std::uint8_t value) {
    std::uint32_t pos = (descriptor >> 4) & 0x0F, width = descriptor & 0x0F;
    if (pos >= 8) return;
    std::uint32_t c = container;
    c &= ~(Mask(width) << pos);
    c |= static_cast<std::uint32_t>(value) << pos;
    container = static_cast<std::uint8_t>(c);
}

std::uint16_t GetBitField16(std::uint16_t value, std::uint32_t descriptor) {
    std::uint32_t pos = (descriptor >> 4) & 0x0F, width = descriptor & 0x0F;
    return static_cast<std::uint16_t>((static_cast<std::uint32_t>(value) >> pos) & Mask(width));
}

void SetBitField16(std::uint16_t& container, std::uint32_t descriptor, std::uint16_t value) {
    std::uint32_t pos = (descriptor >> 4) & 0x0F, width = descriptor & 0x0F;
    std::uint32_t c = container;
    c &= ~(Mask(width) << pos);
    c |= static_cast<std::uint32_t>(value) << pos;
    container = static_cast<std::uint16_t>(c);
}

std::uint32_t GetBitField32(std::uint32_t value, std::uint32_t descriptor) {
    std::uint32_t pos = (descriptor >> 8) & 0xFFFFFF, width = descriptor & 0xFF;
    if (pos >= 32) return 0;
    return (value >> pos) & Mask(width);
}

std::string UpperCaseAscii(const std::string& text) {
    std::string r = text;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

std::string TrimBlanks(const std::string& text) {
    std::size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return text;
    std::size_t e = text.find_last_not_of(' ');
    return text.substr(b, e - b + 1);
}

std::string IntToStrPadded(long long value, int width, char fill) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), fill);
    return s;
}

bool TryStrToUInt32(const std::string& text, std::uint32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size()) return false;
    unsigned long long v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > 0xFFFFFFFFull) return false;
    }
    if (negative && v != 0) return false;
    value = static_cast<std::uint32_t>(v);
    return true;
}

bool DecodeUtf8(std::string_view text, std::size_t pos, char32_t& code, std::size_t& length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    length = 1;
    if (b0 < 0x80) {
        code = b0;
        return true;
    }
    code = 0xFFFD;
    std::size_t need;
    char32_t least;
    char32_t value;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        value = b0 & 0x1F;
        least = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        value = b0 & 0x0F;
        least = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        value = b0 & 0x07;
        least = 0x10000;
    } else {
        return false;
    }
    if (pos + need >= text.size()) return false;
    for (std::size_t i = 1; i <= need; ++i) {
        const unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) return false;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    code = value;
    length = need + 1;
    return true;
}

std::vector<std::uint8_t> Utf16LowBytes(std::string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t code;
        std::size_t length;
        DecodeUtf8(text, pos, code, length);
        pos += length;
        if (code >= 0x10000) {
            // A surrogate pair: two code units.
            const char32_t v = code - 0x10000;
            out.push_back(static_cast<std::uint8_t>((0xD800 + (v >> 10)) & 0xFF));
            out.push_back(static_cast<std::uint8_t>((0xDC00 + (v & 0x3FF)) & 0xFF));
        } else {
            out.push_back(static_cast<std::uint8_t>(code & 0xFF));
        }
    }
    return out;
}

std::string Latin1ToUtf8(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    text.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        if (b < 0x80) {
            text += static_cast<char>(b);
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}
