// Navigator over a tree of nested chunks held in one caller-owned buffer, walked and edited in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// One level of the current path. Owned by its navigator; `data` is always `header` + 8.
struct CChunkNode {
    CChunkNode* parent = nullptr; // enclosing level, null at the root
    uint8_t* header = nullptr;    // this chunk's 8-byte header inside the buffer
    uint8_t* data = nullptr;      // this chunk's data
};

// Result of every move and edit: the id of the chunk that is current afterwards (0 on failure) and
// whether the operation succeeded. A failed operation leaves the position unchanged.
struct ChunkStep {
    uint8_t id = 0;
    bool ok = false;
    explicit operator bool() const { return ok; }
};

// A chunk is an 8-byte header (id, aux1, aux2, flags, big-endian data size) followed by its data. A
// container's data is its children, back to back, exactly filling it; a data chunk's data is opaque; a
// compressed chunk's data is one codec block and is never entered. docs/formats/style-bank.md has the layout.
//
// Every move takes three match arguments:
//   idSpec     >= 256: the id must equal idSpec - 256 (use MatchId(id)); below 256: any id.
//   chunkClass 0 any, 1 class 1 (flag 0x10 clear), 2 class 2 (flag 0x10 set).
//   chunkKind  0 any, 1 container (flag 0x08 clear), 2 data chunk (flag 0x08 set).
//
// Every header met by Enter and Next is checked against the enclosing chunk's end, which never lies past
// the used area; a header that does not fit is not moved to (failure plus a trace line). Trees from
// outside should pass CheckTree before a navigator is built over them.
class CChunkNav {
public:
    static constexpr uint8_t kFlagRoot = 0x04;
    static constexpr uint8_t kFlagData = 0x08;
    static constexpr uint8_t kFlagClass2 = 0x10;
    static constexpr uint8_t kFlagCompressed = 0x20;
    static constexpr uint8_t kAny = 0;
    static constexpr uint8_t kClass1 = 1;
    static constexpr uint8_t kClass2 = 2;
    static constexpr uint8_t kContainer = 1;
    static constexpr uint8_t kData = 2;
    static constexpr int32_t kHeaderSize = 8;
    // Deepest level Enter goes to and CheckTree accepts; style trees are a handful of levels deep.
    static constexpr uint16_t kMaxDepth = 64;

    static constexpr uint16_t MatchId(uint8_t id) { return static_cast<uint16_t>(256 + id); }

    // True when `bytes` starts with one chunk that fits inside `length` and every container in it (outside
    // compressed chunks) is exactly filled by children that fit, no deeper than kMaxDepth. Bytes after the
    // first chunk are ignored. Never reads outside [bytes, bytes + length).
    static bool CheckTree(const uint8_t* bytes, size_t length);
    // True when [bytes, bytes + length) is exactly filled by sibling chunks as CheckTree demands, the first
    // of them lying at `depth`. Used for data that is about to become a container's content.
    static bool CheckChildren(const uint8_t* bytes, size_t length, uint16_t depth);

    // Construction. Neither constructor takes ownership of `buffer`; it must outlive the navigator.
    // Over a buffer that already holds a tree: position = root, used = root size + 8, which must not exceed
    // `capacity` (assert; check untrusted bytes with CheckTree first).
    CChunkNav(uint8_t* buffer, int32_t capacity);
    // Copies the source's current chunk (header and data) to the start of `buffer` and makes it the root.
    // The chunk must fit `capacity` (assert).
    CChunkNav(const CChunkNav& source, uint8_t* buffer, int32_t capacity);
    virtual ~CChunkNav();
    CChunkNav(const CChunkNav&) = delete;
    CChunkNav& operator=(const CChunkNav&) = delete;

    // Moves
    // Back to the root; always succeeds with the root's id.
    ChunkStep Rewind();
    // To the first child when it matches. Fails on a data chunk, a compressed chunk, an empty container, at
    // kMaxDepth, or when the child's header does not fit the current chunk.
    ChunkStep Enter(uint16_t idSpec, uint8_t chunkClass, uint8_t chunkKind);
    // To the immediately following sibling when it matches. Fails at the root, after the last child, or when
    // the sibling's header does not fit the parent.
    ChunkStep Next(uint16_t idSpec, uint8_t chunkClass, uint8_t chunkKind);
    // To the parent. Fails at the root.
    ChunkStep Leave();
    // Pre-order walk from the current chunk (never stopping on it) to the first chunk that matches and,
    // when exactDepth is not 0, lies at that depth without descending below it. The walk gives up when it
    // climbs back to floorDepth (lowered to exactDepth when above it). Repeated Find(0, 2, 1, 0, 1) from the
    // root visits the root's class-2 containers in order.
    ChunkStep Find(uint16_t idSpec, uint8_t chunkClass, uint8_t chunkKind, uint16_t floorDepth,
                   uint16_t exactDepth);
    // Back to a chunk whose header position and depth were remembered before an edit that did not move
    // it (an edit inside it or behind it). Fails when no chunk at that depth starts there.
    ChunkStep Seek(const uint8_t* header, uint16_t depth);

    // Reading and writing the current chunk
    uint8_t Id() const { return current->header[0]; }
    uint8_t Aux1() const { return current->header[1]; }
    uint8_t Aux2() const { return current->header[2]; }
    uint8_t Flags() const { return current->header[3]; }
    uint32_t DataSize() const;
    const uint8_t* Header() const { return current->header; }
    uint8_t* Data() const { return current->data; }
    uint16_t Depth() const { return depth; }
    // Changes the current chunk's size, moving everything behind it and adjusting every enclosing size.
    // The first min(old, new) data bytes stay; grown bytes are zeroed. Returns false (nothing changed) when
    // the used area would exceed the capacity.
    bool Resize(uint32_t newSize);
    // Resize(newSize), then the data pointer; null when the resize was refused.
    uint8_t* Data(uint32_t newSize);
    // Copies n bytes to data offset `offset`. Returns false (nothing written) when they would not fit the
    // current chunk's data.
    bool Write(uint32_t offset, const void* src, uint32_t n);

    // Editing the tree. Each fails (tree unchanged) when the used area would exceed the capacity.
    // Deletes the current chunk; the position then holds the following sibling, or the parent when the
    // removed chunk was the last child. Fails at the root.
    ChunkStep Remove();
    // Opens a zeroed chunk of `size` data bytes right after the current one, with the current chunk's id,
    // aux bytes and flags, and makes it current. Fails at the root.
    ChunkStep InsertAfter(uint32_t size);
    // Puts a first child into the current chunk, which must be an empty, uncompressed container, and makes
    // it current. Flags: 0x10 for chunkClass 2, 0x08 for chunkKind 2; a container always gets size 0.
    ChunkStep AddChild(uint8_t chunkClass, uint8_t chunkKind, uint8_t id, uint8_t aux1, uint8_t aux2,
                       uint32_t size);
    // Like InsertAfter with the given header fields (flags and size as for AddChild). Fails at the root.
    ChunkStep AddSibling(uint8_t chunkClass, uint8_t chunkKind, uint8_t id, uint8_t aux1, uint8_t aux2,
                         uint32_t size);
    // Copies the other navigator's whole root chunk into the current chunk, which must be an empty,
    // uncompressed container, and makes the copy current.
    ChunkStep AddChildCopy(const CChunkNav& other);

    // The buffer
    uint8_t* Buffer() const { return buffer; }
    int32_t Used() const { return used; }
    int32_t Free() const { return free; }

protected:
    // Sets or clears flag bits of the current header.
    void SetFlags(uint8_t set, uint8_t clear);

private:
    static bool Matches(const uint8_t* header, uint16_t idSpec, uint8_t chunkClass, uint8_t chunkKind);
    static uint8_t* EndOf(const CChunkNode& node);
    // Is a header at `at` inside [at, end) with its whole data before `end`?
    static bool Fits(const uint8_t* at, const uint8_t* end);
    ChunkStep Here() const { return {Id(), true}; }
    void Push(uint8_t* header);
    void Pop();
    std::vector<uint8_t*> SavePath() const;
    void RestorePath(const std::vector<uint8_t*>& headers);
    bool HasRoom(int64_t grow) const { return grow <= free; }
    // Moves [from, used end) by `delta` bytes (zeroing opened bytes) and updates used/free.
    void Shift(uint8_t* from, int64_t delta);
    // Adds `delta` to the size of `node` and of every enclosing chunk.
    static void AdjustSizes(CChunkNode* node, int64_t delta);
    // Opens a sibling right after the current chunk, with the given header, and makes it current.
    ChunkStep OpenSibling(const uint8_t fields[4], uint32_t size);
    // Grows the empty, uncompressed current container by `total` bytes for a first child and returns where
    // its header goes; null when the chunk cannot take a child or the bytes do not fit.
    uint8_t* OpenChild(uint64_t total);

    std::deque<CChunkNode> path; // root first; push_back and pop_back keep the parent links valid
    CChunkNode* current = nullptr;
    uint8_t* buffer = nullptr;
    int32_t capacity = 0;
    int32_t used = 0;
    int32_t free = 0;
    uint16_t depth = 0;
};
