#include "Tools.h"

namespace {
std::uint32_t Mask(std::uint32_t width) { return width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u); }
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
