// Whatever bytes a text file holds, they decode to valid UTF-8 lines that the
// program writes and reads back unchanged, and every value survives its escapes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "GenFile.h"
#include "TextEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    const std::string text = DecodeTextBytes(bytes);
    if (!IsValidUtf8(text)) std::abort();
    const std::vector<std::string> lines = SplitLines(text);
    if (SplitLines(DecodeTextBytes(EncodeTextLines(lines))) != lines) std::abort();

    const std::string value(reinterpret_cast<const char*>(data), size);
    const std::string line = "Item = \"" + TGenFile::MakeSaveString(value) + "\" # comment";
    std::string reduced = TGenFile::StripLine(line, false);
    if (reduced.compare(0, 5, "Item=") != 0) std::abort();
    if (TGenFile::DecodeSaveString(reduced.substr(5)) != value) std::abort();
    for (const std::string& l : lines) {
        TGenFile::GetHeadOfLine(l);
        TGenFile::DecodeSaveString(TGenFile::StripLine(l, true));
    }
    return 0;
}
