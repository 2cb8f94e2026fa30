#pragma once
// The link's bridge between UTF-8 text and single-byte characters: a text goes out as
// the low byte of each UTF-16 code unit, and a byte comes back as the character of that code.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ExtTypes.h"

tByteBuffer TextLowBytes(const std::string& text);
std::string BytesToText(const std::uint8_t* bytes, std::size_t count);
