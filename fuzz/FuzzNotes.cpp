// Any input is read as a style of generated patterns, which every step that rewrites patterns must
// leave exporting the same notes; a difference aborts with what differed.
#include "tools/notecheck/CNoteRoundTrip.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 14)
        return 0;
    const std::string failure = CheckNoteRoundTrip(StylePlanFrom(data, size));
    if (!failure.empty()) {
        std::fprintf(stderr, "note round trip: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
