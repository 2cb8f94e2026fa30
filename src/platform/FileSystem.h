#pragma once
// Files on disk for the settings, language and measurement files: whole-file reads,
// replacing a file without ever leaving a half-written one, and the open tests
// the program makes before it touches a file.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vexo::platform {

// The program's UTF-8 text as a path and back. A path made straight from a std::string
// would take it in the ANSI code page on Windows and spell non-ASCII names wrong.
std::filesystem::path PathFromText(const std::string& path);
std::string TextFromPath(const std::filesystem::path& path);
// The folder part of a path (without trailing separator) and its last part.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// The path made absolute against the current directory (kept as given when that fails).
std::string AbsolutePath(const std::string& path);
bool IsRelativePath(const std::string& path);

// Reads the whole file; on failure error holds the reason.
bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& data, std::string& error);

// Writes data to a temporary file in the same folder and renames it over path,
// so path is always either the old file or the new one, whole. A failure leaves
// the old file as it was and tells why in error. A link is written through, never
// replaced; a file another program holds (locked, or open without sharing) is not
// replaced.
bool ReplaceFileWhole(const std::string& path, const std::vector<std::uint8_t>& data, std::string& error);

// Open tests; each closes what it opened.
bool CanOpenForReading(const std::string& path);
bool CanOpenForReadWrite(const std::string& path);
// Creates the file empty when it is missing; an existing file is never truncated.
bool OpenOrCreate(const std::string& path);
// Opens for reading and writing with no sharing: false when the file is missing,
// read-only, or held by another program.
bool CanOpenExclusive(const std::string& path);

bool MakeDirectory(const std::string& path);
// Removes a folder only when it is empty.
bool RemoveEmptyDirectory(const std::string& path);
bool DeleteFileAt(const std::string& path);

// Hidden and archive attributes; they exist on Windows only and do nothing elsewhere.
void SetFileAttributesArchive(const std::string& path);
void SetFileAttributesHiddenArchive(const std::string& path);

} // namespace vexo::platform
