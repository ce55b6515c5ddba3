// Navigator over a tree of nested chunks held in one caller-owned buffer.
#include "bank/chunk/CChunkNav.h"

#include "events/CBigEndian.h"
#include "events/Trace.h"

#include <cassert>
#include <cstring>

bool CChunkNav::CheckTree(const uint8_t* bytes, size_t length)
{
    if (length < kHeaderSize || ReadBE32(bytes + 4) > length - kHeaderSize) {
        Trace("CChunkNav::CheckTree() - root chunk does not fit %zu bytes", length);
        return false;
    }
    return CheckChildren(bytes, ReadBE32(bytes + 4) + size_t{kHeaderSize}, 0);
}

bool CChunkNav::CheckChildren(const uint8_t* bytes, size_t length, uint16_t depth)
{
    // Iterative pre-order walk: `ends` holds the end offsets of the containers being filled, innermost
    // last, so a hostile nesting depth cannot exhaust the stack.
    std::vector<size_t> ends{length};
    size_t pos = 0;
    for (;;) {
        while (!ends.empty() && pos == ends.back())
            ends.pop_back();
        if (ends.empty())
            return true;
        const size_t end = ends.back();
        const uint8_t* header = bytes + pos;
        if (end - pos < kHeaderSize || ReadBE32(header + 4) > end - pos - kHeaderSize) {
            Trace("CChunkNav::CheckTree() - chunk at offset %zu overruns its parent", pos);
            return false;
        }
        const size_t chunkEnd = pos + kHeaderSize + ReadBE32(header + 4);
        const size_t level = depth + ends.size() - 1;
        const bool descend = (header[3] & (kFlagData | kFlagCompressed)) == 0 && chunkEnd > pos + kHeaderSize;
        if (descend && level >= kMaxDepth) {
            Trace("CChunkNav::CheckTree() - chunks nested deeper than %d levels", kMaxDepth);
            return false;
        }
        if (descend) {
            ends.push_back(chunkEnd);
            pos += kHeaderSize;
        } else {
            pos = chunkEnd;
        }
    }
}

CChunkNav::CChunkNav(uint8_t* bytes, int32_t bytesCapacity) : buffer(bytes), capacity(bytesCapacity)
{
    assert(buffer != nullptr && capacity >= kHeaderSize);
    const uint32_t rootSize = ReadBE32(buffer + 4);
    assert(rootSize <= static_cast<uint32_t>(capacity - kHeaderSize));
    used = static_cast<int32_t>(rootSize + kHeaderSize);
    free = capacity - used;
    Push(buffer);
}

CChunkNav::CChunkNav(const CChunkNav& source, uint8_t* bytes, int32_t bytesCapacity)
    : buffer(bytes), capacity(bytesCapacity)
{
    const uint32_t total = source.DataSize() + kHeaderSize;
    assert(buffer != nullptr && total <= static_cast<uint32_t>(capacity));
    std::memmove(buffer, source.Header(), total);
    used = static_cast<int32_t>(total);
    free = capacity - used;
    Push(buffer);
}

CChunkNav::~CChunkNav() = default;

bool CChunkNav::Matches(const uint8_t* header, uint16_t idSpec, uint8_t chunkClass, uint8_t chunkKind)
{
    if (idSpec >= 256 && header[0] != idSpec - 256)
        return false;
    const bool class2 = (header[3] & kFlagClass2) != 0;
    if ((chunkClass == kClass1 && class2) || (chunkClass == kClass2 && !class2))
        return false;
    const bool isData = (header[3] & kFlagData) != 0;
    return !((chunkKind == kContainer && isData) || (chunkKind == kData && !isData));
}

uint8_t* CChunkNav::EndOf(const CChunkNode& node)
{
    return node.data + ReadBE32(node.header + 4);
}

bool CChunkNav::Fits(const uint8_t* at, const uint8_t* end)
{
    return end - at >= kHeaderSize && ReadBE32(at + 4) <= static_cast<uint64_t>(end - at - kHeaderSize);
}

void CChunkNav::Push(uint8_t* header)
{
    path.push_back({current, header, header + kHeaderSize});
    current = &path.back();
    depth = static_cast<uint16_t>(path.size() - 1);
}

void CChunkNav::Pop()
{
    assert(path.size() > 1);
    path.pop_back();
    current = &path.back();
    depth = static_cast<uint16_t>(path.size() - 1);
}

std::vector<uint8_t*> CChunkNav::SavePath() const
{
    std::vector<uint8_t*> headers;
    for (const CChunkNode& node : path)
        headers.push_back(node.header);
    return headers;
}

void CChunkNav::RestorePath(const std::vector<uint8_t*>& headers)
{
    path.clear();
    current = nullptr;
    for (uint8_t* header : headers)
        Push(header);
}

ChunkStep CChunkNav::Rewind()
{
    while (depth > 0)
        Pop();
    return Here();
}

ChunkStep CChunkNav::Enter(uint16_t idSpec, uint8_t chunkClass, uint8_t chunkKind)
{
    if ((Flags() & (kFlagData | kFlagCompressed)) != 0 || DataSize() == 0 || depth >= kMaxDepth)
        return {};
    uint8_t* child = current->data;
    if (!Fits(child, EndOf(*current))) {
        Trace("CChunkNav::Enter() - child at offset %td overruns its parent", child - buffer);
        return {};
    }
    if (!Matches(child, idSpec, chunkClass, chunkKind))
        return {};
    Push(child);
    return Here();
}

ChunkStep CChunkNav::Next(uint16_t idSpec, uint8_t chunkClass, uint8_t chunkKind)
{
    if (depth == 0)
        return {};
    uint8_t* sibling = EndOf(*current);
    uint8_t* parentEnd = EndOf(*current->parent);
    if (sibling >= parentEnd)
        return {};
    if (!Fits(sibling, parentEnd)) {
        Trace("CChunkNav::Next() - sibling at offset %td overruns its parent", sibling - buffer);
        return {};
    }
    if (!Matches(sibling, idSpec, chunkClass, chunkKind))
        return {};
    current->header = sibling;
    current->data = sibling + kHeaderSize;
    return Here();
}

ChunkStep CChunkNav::Leave()
{
    if (depth == 0)
        return {};
    Pop();
    return Here();
}

ChunkStep CChunkNav::Find(uint16_t idSpec, uint8_t chunkClass, uint8_t chunkKind, uint16_t floorDepth,
                          uint16_t exactDepth)
{
    if (floorDepth > exactDepth)
        floorDepth = exactDepth;
    const std::vector<uint8_t*> start = SavePath();
    for (;;) {
        bool moved = (exactDepth == 0 || depth < exactDepth) && Enter(0, kAny, kAny);
        if (!moved)
            moved = static_cast<bool>(Next(0, kAny, kAny));
        while (!moved) {
            if (!Leave() || depth == floorDepth) {
                RestorePath(start);
                return {};
            }
            moved = static_cast<bool>(Next(0, kAny, kAny));
        }
        if ((exactDepth == 0 || depth == exactDepth) &&
            Matches(current->header, idSpec, chunkClass, chunkKind))
            return Here();
    }
}

ChunkStep CChunkNav::Seek(const uint8_t* header, uint16_t seekDepth)
{
    const std::vector<uint8_t*> start = SavePath();
    bool ok = true;
    while (ok && header < current->header)
        ok = static_cast<bool>(Leave());
    while (ok && current->header != header)
        ok = static_cast<bool>(Find(0, kAny, kAny, 0, seekDepth));
    if (!ok) {
        RestorePath(start);
        return {};
    }
    return Here();
}

uint32_t CChunkNav::DataSize() const
{
    return ReadBE32(current->header + 4);
}

void CChunkNav::Shift(uint8_t* from, int64_t delta)
{
    uint8_t* usedEnd = buffer + used;
    assert(from >= buffer && from <= usedEnd && delta <= free);
    std::memmove(from + delta, from, static_cast<size_t>(usedEnd - from));
    if (delta > 0)
        std::memset(from, 0, static_cast<size_t>(delta));
    used = static_cast<int32_t>(used + delta);
    free = capacity - used;
}

void CChunkNav::AdjustSizes(CChunkNode* node, int64_t delta)
{
    for (; node != nullptr; node = node->parent)
        WriteBE32(node->header + 4, static_cast<uint32_t>(ReadBE32(node->header + 4) + delta));
}

bool CChunkNav::Resize(uint32_t newSize)
{
    const uint32_t oldSize = DataSize();
    const int64_t delta = static_cast<int64_t>(newSize) - oldSize;
    if (delta == 0)
        return true;
    if (!HasRoom(delta)) {
        Trace("CChunkNav::Resize() - %u bytes do not fit the buffer (%d free)", newSize, free);
        return false;
    }
    Shift(current->data + oldSize, delta);
    AdjustSizes(current, delta);
    return true;
}

uint8_t* CChunkNav::Data(uint32_t newSize)
{
    return Resize(newSize) ? current->data : nullptr;
}

bool CChunkNav::Write(uint32_t offset, const void* src, uint32_t n)
{
    if (static_cast<uint64_t>(offset) + n > DataSize())
        return false;
    if (n > 0)
        std::memcpy(current->data + offset, src, n);
    return true;
}

void CChunkNav::SetFlags(uint8_t set, uint8_t clear)
{
    current->header[3] = static_cast<uint8_t>((current->header[3] | set) & ~clear);
}

ChunkStep CChunkNav::Remove()
{
    if (depth == 0)
        return {};
    const int64_t total = int64_t{DataSize()} + kHeaderSize;
    uint8_t* at = current->header;
    Shift(at + total, -total);
    AdjustSizes(current->parent, -total);
    if (at == EndOf(*current->parent))
        Pop();
    return Here();
}

ChunkStep CChunkNav::OpenSibling(const uint8_t fields[4], uint32_t size)
{
    const int64_t total = int64_t{size} + kHeaderSize;
    if (depth == 0 || !HasRoom(total))
        return {};
    uint8_t* at = EndOf(*current);
    Shift(at, total);
    std::memcpy(at, fields, 4);
    WriteBE32(at + 4, size);
    AdjustSizes(current->parent, total);
    current->header = at;
    current->data = at + kHeaderSize;
    return Here();
}

ChunkStep CChunkNav::InsertAfter(uint32_t size)
{
    uint8_t fields[4];
    std::memcpy(fields, current->header, 4);
    return OpenSibling(fields, size);
}

namespace {
uint8_t FlagsFor(uint8_t chunkClass, uint8_t chunkKind)
{
    return static_cast<uint8_t>((chunkClass == CChunkNav::kClass2 ? CChunkNav::kFlagClass2 : 0) |
                                (chunkKind == CChunkNav::kData ? CChunkNav::kFlagData : 0));
}
} // namespace

ChunkStep CChunkNav::AddSibling(uint8_t chunkClass, uint8_t chunkKind, uint8_t id, uint8_t aux1, uint8_t aux2,
                                uint32_t size)
{
    const uint8_t fields[4] = {id, aux1, aux2, FlagsFor(chunkClass, chunkKind)};
    return OpenSibling(fields, chunkKind == kData ? size : 0);
}

uint8_t* CChunkNav::OpenChild(uint64_t total)
{
    if ((Flags() & (kFlagData | kFlagCompressed)) != 0 || DataSize() != 0 || depth >= kMaxDepth ||
        total > static_cast<uint64_t>(free))
        return nullptr;
    Resize(static_cast<uint32_t>(total));
    return current->data;
}

ChunkStep CChunkNav::AddChild(uint8_t chunkClass, uint8_t chunkKind, uint8_t id, uint8_t aux1, uint8_t aux2,
                              uint32_t size)
{
    const uint32_t dataSize = chunkKind == kData ? size : 0;
    uint8_t* child = OpenChild(uint64_t{dataSize} + kHeaderSize);
    if (child == nullptr)
        return {};
    const uint8_t fields[4] = {id, aux1, aux2, FlagsFor(chunkClass, chunkKind)};
    std::memcpy(child, fields, 4);
    WriteBE32(child + 4, dataSize);
    Push(child);
    return Here();
}

ChunkStep CChunkNav::AddChildCopy(const CChunkNav& other)
{
    assert(&other != this);
    uint8_t* child = OpenChild(static_cast<uint64_t>(other.used));
    if (child == nullptr)
        return {};
    std::memcpy(child, other.buffer, static_cast<size_t>(other.used));
    Push(child);
    return Here();
}
