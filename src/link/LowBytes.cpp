#include "LowBytes.h"

namespace {

// Length and value of the UTF-8 sequence at text[i]; 0 when it is not a valid one.
std::size_t DecodeUtf8(const std::string& text, std::size_t i, std::uint32_t& code) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
    const std::uint8_t b0 = byte(i);
    std::size_t length;
    if (b0 < 0x80) {
        code = b0;
        return 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        code = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        code = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        code = b0 & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

} // namespace

tByteBuffer TextLowBytes(const std::string& text) {
    tByteBuffer bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t code = 0;
        const std::size_t length = DecodeUtf8(text, i, code);
        if (length == 0) {
            // Not UTF-8: the byte stands for itself.
            bytes.push_back(static_cast<std::uint8_t>(text[i]));
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            const std::uint32_t v = code - 0x10000;
            bytes.push_back(static_cast<std::uint8_t>((0xD800 + (v >> 10)) & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((0xDC00 + (v & 0x3FF)) & 0xFF));
        } else {
            bytes.push_back(static_cast<std::uint8_t>(code & 0xFF));
        }
        i += length;
    }
    return bytes;
}

std::string BytesToText(const std::uint8_t* bytes, std::size_t count) {
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
