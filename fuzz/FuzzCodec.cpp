// Feeds arbitrary bytes to the block reader: header check, then decoding with and without the checksum.
#include "codec/COComp.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Sizes above 16 MB are refused before allocating, as a real reader must.
    constexpr uint32_t maxRaw = 16u << 20;
    for (const bool verify : {false, true}) {
        COComp codec;
        const uint32_t raw = codec.Inspect(data, static_cast<int32_t>(size));
        if (raw == 0 || raw > maxRaw)
            return 0;
        std::vector<uint8_t> out(raw);
        codec.Decompress(out.data(), verify);
    }
    return 0;
}
