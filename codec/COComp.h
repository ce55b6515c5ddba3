// Compressed block codec: "OC" header, byte-oriented LZ77 payload, optional XOR checksum.
#pragma once

#include <cstddef>
#include <cstdint>

// Size in bytes of a caller-supplied encoder work area, large enough for every method's dictionary (the
// chain method's 65535 entries of 8 bytes and the prefix index that speeds up its search). The memory
// must be aligned for uint32_t (anything from new, malloc or std::vector<uint32_t> is); its contents
// on entry do not matter.
inline constexpr std::size_t OCompWorkAreaSize = 1310720;

// One compression or decompression at a time: Inspect then Decompress for reading, Compress for writing.
// The layout of a block is described in docs/formats/compressed-block.md.
class COComp {
public:
    // Header fields of a block.
    static constexpr std::size_t HeaderSize = 8;
    static constexpr std::size_t MinBlockLength = 15; // shortest block Inspect recognises

    // Largest block Compress can write for a source of n bytes, any version and method: header, the
    // payload when every byte is stored as a literal (run opcodes, 65532-byte pieces above 65535 bytes),
    // the extra run opcodes when matches split the literals into runs (each match saves at least one
    // byte, so this stays below n / 16), end marker and checksum.
    static constexpr std::size_t MaxBlockSize(std::size_t n)
    {
        return HeaderSize + n + n / 16 + 3 * (n / 65532 + 2) + 3 + 1;
    }

    // Leaves headerValid, rawSize and workArea at zero.
    COComp();

    // Writing
    // Compresses `sourceLength` bytes at `source` into one block at `destination` as `version` (2 or 3)
    // with `method` (0 fast, 1 lazy, 2 chain). `destination` must hold MaxBlockSize(sourceLength) bytes;
    // nothing checks the bound. Uses workArea when set (OCompWorkAreaSize bytes, owned by the caller),
    // else each call allocates and frees its dictionary; workArea is cleared on return.
    // Returns the block size (header, payload, and the checksum byte for version 3), or 0 with nothing
    // written when the version is not 2 or 3 or the method is above the version's highest.
    int32_t Compress(const uint8_t* source, int32_t sourceLength, uint8_t* destination, uint8_t version,
                     uint8_t method);

    // Reading
    // Examines the header of `block` (`blockLength` bytes, not owned; it must stay valid until
    // Decompress). Recognised when blockLength >= 15, the magic is "OC", the version is 2 or 3 and the
    // method is allowed for it: stores version, method, rawSize, source and sourceLength, sets
    // headerValid to 1 and returns the uncompressed size. Otherwise headerValid is 0 and it returns 0.
    // rawSize is 0 in both cases before the header is examined.
    uint32_t Inspect(const uint8_t* block, int32_t blockLength);

    // Decodes the block last recognised by Inspect into `destination`, which must hold rawSize bytes.
    // For version 3 with `verify` set the block's checksum must match the decoded bytes.
    // Returns rawSize on success; 0 when no size is pending (rawSize 0: no Inspect, an empty block, or a
    // second call), when the payload is malformed, decodes to another size or needs more room, or when
    // the checksum differs. rawSize is 0 on return in every case.
    int32_t Decompress(uint8_t* destination, bool verify);

    // State of the current operation.
    uint8_t version = 0;             // version digit's value from the last recognised header
    uint8_t method = 0;              // method digit's value from the last recognised header
    int32_t headerValid = 0;         // 1 when the last examined header was recognised
    uint32_t rawSize = 0;            // uncompressed size of the pending block, 0 when none is pending
    const uint8_t* source = nullptr; // compressed block being read (not owned)
    int32_t sourceLength = 0;        // its length in bytes
    void* workArea = nullptr;        // optional encoder scratch memory (not owned), null to allocate
};

// Payload decoder
// Decodes the instruction stream of `inputLength` bytes at `input` into `output`, writing at most
// `outputCapacity` bytes and never reading or writing outside either buffer. The stream ends with the end
// marker, which must be its last three bytes, or at an instruction boundary at the input end.
// Returns the number of bytes produced; -1 for a malformed stream (bytes after the end marker, operands or
// literals running past the input end, a match reaching before the output start); -2 when a literal run,
// match or trailing-literal copy would pass outputCapacity.
int32_t OCompDecode(const uint8_t* input, int32_t inputLength, uint8_t* output, int32_t outputCapacity);

// Payload encoders
// Each writes the instruction stream for `sourceLength` bytes at `source` to `output`, which must hold
// MaxBlockSize(sourceLength) - 9 bytes, and returns the number of payload bytes written. `workArea` is
// null (the dictionary is allocated for the call) or OCompWorkAreaSize bytes owned by the caller.
// Method 0: greedy, one position per hash bucket.
int32_t OCompEncodeFast(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea);
// Method 1: 32 positions per hash bucket, one step of look-ahead.
int32_t OCompEncodeLazy(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea);
// Method 2: hash chains in a ring of nodes, one step of look-ahead; the method the bank writes.
int32_t OCompEncodeChain(const uint8_t* source, int32_t sourceLength, uint8_t* output, void* workArea);

// Checksum
// XOR of the `length` bytes at `data` (0 for none).
uint8_t OCompChecksum(const uint8_t* data, int32_t length);
