// Navigator of an open style bank: adds compression of the current chunk with the block codec.
#pragma once

#include "bank/chunk/CChunkNav.h"

class CChunkNavComp : public CChunkNav {
public:
    using CChunkNav::CChunkNav;

    // Compression of the current chunk
    // Replaces the data by one codec block (version 3, method 2) and sets flag 0x20. Returns true at once
    // when the flag is already set, and for an empty chunk, which stays uncompressed because its block would
    // be too short to be recognised again. Returns false (chunk unchanged) when the codec fails or a block
    // larger than the data does not fit the buffer.
    bool Compress();
    // Replaces the codec block by the bytes it holds (checksum verified) and clears flag 0x20. Returns true
    // at once when the flag is clear. Returns false (chunk still compressed and unchanged) when the block is
    // not valid, its raw size does not fit the buffer, or, for a container, the decoded bytes are not
    // exactly filled by well-formed chunks.
    bool Expand();
};
