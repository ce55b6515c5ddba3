// Reads arbitrary text as an extended program list.
#include "shell/CExtProgList.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    CExtProgList list;
    size_t messages = 0;
    list.Read(in, [&messages](const std::string&, const std::string&) { ++messages; });
    CNoteRanges ranges{};
    list.LookupNoteRanges([](int element, int track) { return element * 8 + track; }, 0, ranges);
    return 0;
}
