// Any line the reader accepts is written and read again to the very same line:
// an entry survives saving, however odd the file it came from.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "MeasureFileFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    for (ETSVVersion style : {TSVVLong, TSVVShort, TSVVHalvorn}) {
        TMeasureSet first;
        if (!ParseTSVLine(line, first, style)) continue;
        const std::string written = BuildTSVLine(first, style);
        TMeasureSet second;
        if (!ParseTSVLine(written, second, style)) std::abort();
        if (BuildTSVLine(second, style) != written) std::abort();
    }
    return 0;
}
