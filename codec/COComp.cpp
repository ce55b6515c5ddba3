// Compressed block header, checksum and the COComp operations over the payload codec.
#include "codec/COComp.h"

#include "events/Trace.h"

#include <cassert>
#include <cstring>
#include <iterator>
#include <limits>

namespace {
constexpr uint8_t kMagic0 = 'O';
constexpr uint8_t kMagic1 = 'C';

// Highest method each block version allows; versions outside the table are invalid.
constexpr uint8_t kFirstVersion = 2;
constexpr uint8_t kMaxMethod[] = {2, 2}; // versions 2 and 3

bool IsValidCombination(uint8_t version, uint8_t method)
{
    return version >= kFirstVersion && version - kFirstVersion < static_cast<int>(std::size(kMaxMethod)) &&
           method <= kMaxMethod[version - kFirstVersion];
}

bool HasChecksum(uint8_t version)
{
    return version == 3;
}

using Encoder = int32_t (*)(const uint8_t*, int32_t, uint8_t*, void*);
constexpr Encoder kEncoders[] = {OCompEncodeFast, OCompEncodeLazy, OCompEncodeChain};
} // namespace

COComp::COComp() = default;

int32_t COComp::Compress(const uint8_t* sourceData, int32_t length, uint8_t* destination,
                         uint8_t blockVersion, uint8_t blockMethod)
{
    assert(length >= 0 && (sourceData != nullptr || length == 0) && destination != nullptr);
    if (!IsValidCombination(blockVersion, blockMethod)) {
        Trace("COComp::Compress() - version %u with method %u is not supported", blockVersion, blockMethod);
        return 0;
    }
    destination[0] = kMagic0;
    destination[1] = kMagic1;
    destination[2] = static_cast<uint8_t>('0' + blockVersion);
    destination[3] = static_cast<uint8_t>('0' + blockMethod);
    const auto size = static_cast<uint32_t>(length);
    for (int i = 0; i < 4; ++i)
        destination[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    int32_t total = static_cast<int32_t>(HeaderSize) +
                    kEncoders[blockMethod](sourceData, length, destination + HeaderSize, workArea);
    if (HasChecksum(blockVersion))
        destination[total++] = OCompChecksum(sourceData, length);
    workArea = nullptr;
    return total;
}

uint32_t COComp::Inspect(const uint8_t* block, int32_t blockLength)
{
    rawSize = 0;
    headerValid = 0;
    if (block == nullptr || blockLength < static_cast<int32_t>(MinBlockLength) || block[0] != kMagic0 ||
        block[1] != kMagic1 ||
        !IsValidCombination(static_cast<uint8_t>(block[2] - '0'), static_cast<uint8_t>(block[3] - '0'))) {
        Trace("COComp::Inspect() - block header not recognised (%d bytes)", blockLength);
        return 0;
    }
    version = static_cast<uint8_t>(block[2] - '0');
    method = static_cast<uint8_t>(block[3] - '0');
    headerValid = 1;
    rawSize = static_cast<uint32_t>(block[4]) | static_cast<uint32_t>(block[5]) << 8 |
              static_cast<uint32_t>(block[6]) << 16 | static_cast<uint32_t>(block[7]) << 24;
    source = block;
    sourceLength = blockLength;
    return rawSize;
}

int32_t COComp::Decompress(uint8_t* destination, bool verify)
{
    const uint32_t size = rawSize;
    rawSize = 0;
    if (size == 0) {
        Trace("COComp::Decompress() - no block size pending");
        return 0;
    }
    // A size beyond the signed result range cannot be reported as a success.
    if (size > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
        Trace("COComp::Decompress() - raw size %u out of range", size);
        return 0;
    }
    const int32_t payloadEnd = HasChecksum(version) ? sourceLength - 1 : sourceLength;
    const int32_t produced = OCompDecode(source + HeaderSize, payloadEnd - static_cast<int32_t>(HeaderSize),
                                         destination, static_cast<int32_t>(size));
    if (produced != static_cast<int32_t>(size)) {
        Trace("COComp::Decompress() - payload decoded to %d of %u bytes", produced, size);
        return 0;
    }
    if (HasChecksum(version) && verify && OCompChecksum(destination, produced) != source[sourceLength - 1]) {
        Trace("COComp::Decompress() - checksum mismatch");
        return 0;
    }
    return produced;
}

uint8_t OCompChecksum(const uint8_t* data, int32_t length)
{
    assert(length >= 0 && (data != nullptr || length == 0));
    const auto count = static_cast<std::size_t>(length);
    // XOR is associative, so whole 16-byte blocks fold as four words before the word's bytes fold.
    uint32_t words = 0;
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        uint32_t w[4];
        std::memcpy(w, data + i, sizeof w);
        words ^= w[0] ^ w[1] ^ w[2] ^ w[3];
    }
    uint8_t sum = static_cast<uint8_t>(words ^ words >> 8 ^ words >> 16 ^ words >> 24);
    for (; i < count; ++i)
        sum ^= data[i];
    return sum;
}
