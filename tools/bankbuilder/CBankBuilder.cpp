// Assembles style bank images chunk by chunk.
#include "tools/bankbuilder/CBankBuilder.h"

#include "codec/COComp.h"
#include "events/CBigEndian.h"

#include <algorithm>
#include <cassert>

namespace {
constexpr uint8_t kClass2 = 0x10;
constexpr uint8_t kData = 0x08;
constexpr uint8_t kCompressed = 0x20;
constexpr size_t kEntrySize = 24;
} // namespace

CBankBuilder::Bytes CBankBuilder::Chunk(uint8_t id, uint8_t aux1, uint8_t aux2, uint8_t flags,
                                        const Bytes& data)
{
    Bytes chunk(8 + data.size());
    chunk[0] = id;
    chunk[1] = aux1;
    chunk[2] = aux2;
    chunk[3] = flags;
    WriteBE32(chunk.data() + 4, static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), chunk.begin() + 8);
    return chunk;
}

CBankBuilder::Bytes CBankBuilder::Join(const std::vector<Bytes>& parts)
{
    Bytes joined;
    for (const Bytes& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

CBankBuilder::Bytes CBankBuilder::Record(uint8_t id, const Bytes& data)
{
    return Chunk(id, 0, 0, kData, data);
}

CBankBuilder::Bytes CBankBuilder::StyleContent(uint8_t version, const std::vector<Bytes>& records)
{
    return Chunk(1, version, 0, 0x00, Join(records));
}

CBankBuilder::CBankBuilder(std::array<uint8_t, 7> infoLead, Bytes infoTail)
{
    Bytes data(infoLead.begin(), infoLead.end());
    data.insert(data.end(), {'Q', 'U', 'E', 'F', 0});
    data.insert(data.end(), infoTail.begin(), infoTail.end());
    info = Chunk(2, 0, 0, kClass2 | kData, data);
}

CBankBuilder& CBankBuilder::Style(const std::string& name, const Bytes& content, bool compressed)
{
    if (!compressed) {
        items.push_back({Kind::Slot, Chunk(6, 0, 0, kClass2, content), name});
        return *this;
    }
    Bytes block(COComp::MaxBlockSize(content.size()));
    COComp codec;
    const int32_t size =
        codec.Compress(content.data(), static_cast<int32_t>(content.size()), block.data(), 3, 2);
    assert(size > 0);
    block.resize(static_cast<size_t>(size));
    items.push_back({Kind::Slot, Chunk(6, 0, 0, kClass2 | kCompressed, block), name});
    return *this;
}

CBankBuilder& CBankBuilder::Container(uint8_t id, const Bytes& children, const std::string& name)
{
    items.push_back({Kind::Slot, Chunk(id, 0, 0, kClass2, children), name});
    return *this;
}

CBankBuilder& CBankBuilder::DataChunk(uint8_t id, const Bytes& data)
{
    return Raw(Chunk(id, 0, 0, kClass2 | kData, data));
}

CBankBuilder& CBankBuilder::Raw(const Bytes& chunk)
{
    items.push_back({Kind::Plain, chunk, {}});
    return *this;
}

CBankBuilder& CBankBuilder::NameTable()
{
    items.push_back({Kind::Names, {}, {}});
    return *this;
}

CBankBuilder& CBankBuilder::OffsetIndex(std::array<uint8_t, 4> lead)
{
    Bytes data(4 + 4 * kIndexEntries, 0);
    std::copy(lead.begin(), lead.end(), data.begin());
    items.push_back({Kind::Index, Chunk(254, 0, 0, kClass2 | kData, data), {}});
    return *this;
}

CBankBuilder::Bytes CBankBuilder::Build() const
{
    Bytes names;
    for (const Item& item : items) {
        if (item.kind != Kind::Slot)
            continue;
        Bytes entry(kEntrySize, 0);
        std::copy_n(item.name.begin(), std::min(item.name.size(), kEntrySize), entry.begin());
        names.insert(names.end(), entry.begin(), entry.end());
    }
    Bytes children = info;
    std::vector<size_t> offsets;
    for (const Item& item : items) {
        Bytes bytes = item.kind == Kind::Names ? Chunk(5, 0, 0, kClass2 | kData, names) : item.bytes;
        if (item.kind == Kind::Index) {
            for (size_t i = 0; i < std::min(offsets.size(), kIndexEntries); ++i)
                WriteBE32(bytes.data() + 12 + 4 * i, static_cast<uint32_t>(offsets[i]));
        } else if (bytes[0] >= 3 && (bytes[3] & kClass2) != 0) {
            offsets.push_back(8 + children.size());
        }
        children.insert(children.end(), bytes.begin(), bytes.end());
    }
    return Chunk(1, 0, 1, 0x14, children);
}
