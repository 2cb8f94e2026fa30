#pragma once
// Text in the program is UTF-8; files are UTF-16 little endian with a mark on
// writing, and any of the usual encodings on reading.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

bool IsValidUtf8(std::string_view text);
// Ill-formed input becomes U+FFFD in both directions.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::string Cp1252ToUtf8(std::string_view text);
void AppendUtf8(std::string& out, char32_t code);
// Length in bytes of the UTF-8 sequence starting at text[pos] (1 for a stray byte).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos);

// Decodes a file's bytes: the byte-order mark decides (UTF-8, UTF-16 LE or BE);
// without one, UTF-8 when the bytes are valid UTF-8, else Windows-1252.
std::string DecodeTextBytes(const std::vector<std::uint8_t>& bytes);
// Lines end at CR LF, a lone CR or a lone LF; a line end at the very end makes no extra line.
std::vector<std::string> SplitLines(std::string_view text);
// UTF-16 LE with the mark FF FE, CR LF after every line, the last included.
std::vector<std::uint8_t> EncodeTextLines(const std::vector<std::string>& lines);

bool ReadTextFileLines(const std::string& path, std::vector<std::string>& lines, std::string& error);
// Replaces the file whole (see ReplaceFileWhole): a failed write leaves the old file.
bool WriteTextFileLines(const std::string& path, const std::vector<std::string>& lines, std::string& error);
