// Assembles style bank images chunk by chunk, for tests and for the example bank.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The bank is laid out in call order after the bank info chunk, which always comes first. The name table
// gets one 24-byte entry per class-2 container at depth 1 (the given name, cut to 24 bytes, then zeros);
// the offset index lists every class-2 chunk of id 3 or more in front of it.
class CBankBuilder {
public:
    using Bytes = std::vector<uint8_t>;
    static constexpr size_t kIndexEntries = 104;

    // Single chunks: header (id, aux1, aux2, flags, big-endian size) and data.
    static Bytes Chunk(uint8_t id, uint8_t aux1, uint8_t aux2, uint8_t flags, const Bytes& data);
    // Concatenation of chunks, e.g. the children of a container.
    static Bytes Join(const std::vector<Bytes>& parts);
    // A class-1 data chunk, as records inside a style's content are.
    static Bytes Record(uint8_t id, const Bytes& data);
    // A style content chunk (id 1, class 1, container, aux1 = version) over the given records.
    static Bytes StyleContent(uint8_t version, const std::vector<Bytes>& records);

    // `infoLead` are the 7 uninterpreted bytes in front of the signature; `infoTail` follows it.
    explicit CBankBuilder(std::array<uint8_t, 7> infoLead = {0, 1, 2, 3, 4, 5, 6},
                          Bytes infoTail = {0, 0, 0, 0});

    // Root children
    // A style container (id 6) holding `content`, stored as one codec block when `compressed`.
    CBankBuilder& Style(const std::string& name, const Bytes& content, bool compressed = false);
    // A class-2 container of another id; it takes a name table slot.
    CBankBuilder& Container(uint8_t id, const Bytes& children = {}, const std::string& name = {});
    // A class-2 data chunk.
    CBankBuilder& DataChunk(uint8_t id, const Bytes& data);
    // Any chunk bytes exactly as given.
    CBankBuilder& Raw(const Bytes& chunk);
    CBankBuilder& NameTable();
    // The chunk offset index (id 254) with the given first four data bytes.
    CBankBuilder& OffsetIndex(std::array<uint8_t, 4> lead = {0, 0, 0, 0});

    Bytes Build() const;

private:
    enum class Kind { Plain, Slot, Names, Index };
    struct Item {
        Kind kind;
        Bytes bytes;
        std::string name;
    };
    Bytes info;
    std::vector<Item> items;
};
