// Navigator of an open style bank: compression of the current chunk with the block codec.
#include "bank/chunk/CChunkNavComp.h"

#include "codec/COComp.h"
#include "events/Trace.h"

#include <cstring>
#include <vector>

bool CChunkNavComp::Compress()
{
    const uint32_t size = DataSize();
    if ((Flags() & kFlagCompressed) != 0 || size == 0)
        return true;
    // The codec writes without checking its bound, so the work buffer is sized for the worst case.
    std::vector<uint8_t> block(COComp::MaxBlockSize(size));
    COComp codec;
    const int32_t blockSize = codec.Compress(Data(), static_cast<int32_t>(size), block.data(), 3, 2);
    if (blockSize <= 0) {
        Trace("CChunkNavComp::Compress() - codec refused %u bytes", size);
        return false;
    }
    uint8_t* data = Data(static_cast<uint32_t>(blockSize));
    if (data == nullptr)
        return false;
    std::memcpy(data, block.data(), static_cast<size_t>(blockSize));
    SetFlags(kFlagCompressed, 0);
    return true;
}

bool CChunkNavComp::Expand()
{
    if ((Flags() & kFlagCompressed) == 0)
        return true;
    const uint32_t size = DataSize();
    COComp codec;
    const uint32_t rawSize = codec.Inspect(Data(), static_cast<int32_t>(size));
    if (rawSize == 0) {
        Trace("CChunkNavComp::Expand() - chunk %d holds no valid block", Id());
        return false;
    }
    // The raw size comes from the file: refuse it before allocating anything for it.
    if (static_cast<int64_t>(rawSize) - size > Free()) {
        Trace("CChunkNavComp::Expand() - %u raw bytes do not fit the buffer", rawSize);
        return false;
    }
    std::vector<uint8_t> raw(rawSize);
    if (codec.Decompress(raw.data(), true) != static_cast<int32_t>(rawSize)) {
        Trace("CChunkNavComp::Expand() - block of chunk %d is damaged", Id());
        return false;
    }
    // Walks over the tree trust it, so decoded children must be as sound as the rest of it.
    const bool container = (Flags() & kFlagData) == 0;
    if (container && !CheckChildren(raw.data(), raw.size(), static_cast<uint16_t>(Depth() + 1))) {
        Trace("CChunkNavComp::Expand() - decoded chunk %d is not a sound tree", Id());
        return false;
    }
    std::memcpy(Data(rawSize), raw.data(), rawSize);
    SetFlags(0, kFlagCompressed);
    return true;
}
