#pragma once
// Packed bit fields and the small text helpers shared across the program.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Descriptor for 8/16-bit containers: position * 16 + width.
std::uint8_t GetBitField8(std::uint8_t value, std::uint32_t descriptor);
void SetBitField8(std::uint8_t& container, std::uint32_t descriptor, std::uint8_t value);
std::uint16_t GetBitField16(std::uint16_t value, std::uint32_t descriptor);
void SetBitField16(std::uint16_t& container, std::uint32_t descriptor, std::uint16_t value);
// Descriptor for 32-bit containers: position * 256 + width.
std::uint32_t GetBitField32(std::uint32_t value, std::uint32_t descriptor);

// Upper-cases 'a'..'z' only; everything else (UTF-8 bytes included) stays.
std::string UpperCaseAscii(const std::string& text);
// Removes spaces (only code 32) at both ends; a text of spaces only comes back unchanged.
std::string TrimBlanks(const std::string& text);
// Decimal text of value with fill put in front until it is at least width characters long.
std::string IntToStrPadded(long long value, int width, char fill);
// True for a decimal integer in 0..4294967295.
bool TryStrToUInt32(const std::string& text, std::uint32_t& value);

// The UTF-8 sequence at text[pos]: its code and length. An ill-formed one (stray or cut-off
// byte, overlong form, surrogate, beyond U+10FFFF) gives false, U+FFFD and length 1.
bool DecodeUtf8(std::string_view text, std::size_t pos, char32_t& code, std::size_t& length);
// The low byte of every UTF-16 code unit of a UTF-8 text: how the reader and the FTDI
// library take single-byte text. An ill-formed byte counts as U+FFFD.
std::vector<std::uint8_t> Utf16LowBytes(std::string_view text);
// Single-byte characters (each byte its own code, U+0000 to U+00FF) as UTF-8.
std::string Latin1ToUtf8(const std::uint8_t* bytes, std::size_t count);
