#pragma once
// A text file of heads ("[name]") and items ("name = value") held as lines in
// memory; the base of the settings and language files.
#include <cstdint>
#include <string>
#include <vector>

#include "FileNotifier.h"

class TGenFile {
public:
    // A null notifier means DefaultFileNotifier() at the time of each message.
    explicit TGenFile(const std::string& FileName, tFileNotifier* Notifier = nullptr);
    TGenFile(const std::string& FileName, bool SaveImmediate, tFileNotifier* Notifier = nullptr);
    TGenFile(const std::string& FileName, bool SaveImmediate, bool ROnly, tFileNotifier* Notifier = nullptr);
    // Saves (see save).
    virtual ~TGenFile();
    TGenFile(const TGenFile&) = delete;
    TGenFile& operator=(const TGenFile&) = delete;

    // Reads the file again; unsaved changes are lost.
    void reload();
    // Writes Lines unless ReadOnly, SaveImmediate or not FileValid. The file is
    // replaced whole, so a failed write leaves the old one; the failure is
    // reported through the notifier and returns false.
    bool save();

    static std::string MakeSaveString(const std::string& Value);
    static std::string DecodeSaveString(const std::string& Value);
    static bool DecodeHexNibble(char C, std::uint8_t& Value);

    static std::string StripLine(const std::string& Line, bool KeepBlanks);
    static std::string GetHeadOfLine(const std::string& Line);
    static std::string GetItemOfLine(const std::string& Line);
    int FindNextHead(int Start) const;
    int FindItem(int Start, int Stop, const std::string& Item) const;
    std::string GetValOfLine(int Index, bool KeepBlanks) const;
    static std::string UpperCaseAscii(const std::string& Text);

    bool FileValid = false;
    bool SaveImmediate = false;
    bool ReadOnly = false;
    std::string Filename;
    std::vector<std::string> Lines;

protected:
    // Index of the head line "[reduced Head]" (whole line, case ignored), or -1.
    int FindHeadLine(const std::string& Head) const;
    // Last line of a head's range: the next head line, or the last line.
    int HeadRangeEnd(int HeadLine) const;
    // Line of Item within Head, or -1; HeadLine gets the head's line or -1.
    int FindHeadItem(const std::string& Head, const std::string& Item, int& HeadLine) const;
    void Notify(const std::string& Text, const std::string& Caption) const;

private:
    void OpenFile(const std::string& FileName, bool SaveImmediate, bool ROnly);
    tFileNotifier* fNotifier;
};
