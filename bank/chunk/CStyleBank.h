// An open style bank: the whole file in one fixed buffer, walked by its navigator, styles kept expanded.
#pragma once

#include "bank/chunk/CChunkNavComp.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class CFileWriter;

// Outcome of a bank operation. CStyleBank::Message gives the text the user is shown for it.
enum class BankResult {
    Ok,
    NotABank,         // file unreadable, or its first 32 bytes are not a bank header
    TooLarge,         // file larger than the bank buffer
    Corrupt,          // chunk sizes do not fit, too many slots, a style block that does not expand
    NoRoom,           // an edit would make the bank larger than its buffer
    NoStyle,          // no such style, or it holds no single style content chunk
    CompressionError, // a style could not be compressed for saving
    WriteError,       // the file could not be written; an old file keeps its contents
};

// What selecting a style hands to the facade.
struct CStyleSelection {
    uint32_t uncompressedSize = 0; // data size of the style chunk in memory
    uint32_t compressedSize = 0;   // data size of the style chunk as found in the file
    std::vector<uint8_t> content;  // the style content chunk, header and data; empty when there is none
};

struct CSaveResult {
    BankResult result = BankResult::Ok; // Ok or WriteError
    int compressionErrors = 0;          // styles written uncompressed; one CompressionError message each
};

// Owns the bank buffer and its navigator together. Every operation starts from the root and leaves the
// navigator there. Nothing is printed; failures come back as BankResult values.
class CStyleBank {
public:
    static constexpr int32_t kCapacity = 3145728;
    static constexpr size_t kHeaderCheckSize = 32;
    static constexpr size_t kMaxSlots = 64;
    static constexpr size_t kMaxIndexEntries = 104;
    static constexpr size_t kNameEntrySize = 24;
    static constexpr size_t kMaxNameLength = 23;
    // Ids of the bank-level chunks.
    static constexpr uint8_t kIdInfo = 2;
    static constexpr uint8_t kIdNameTable = 5;
    static constexpr uint8_t kIdStyle = 6;
    static constexpr uint8_t kIdOffsetIndex = 254;
    static constexpr uint8_t kIdStyleContent = 1;

    // The user text for `result` (empty for Ok).
    static const char* Message(BankResult result);

    CStyleBank();
    ~CStyleBank();
    CStyleBank(const CStyleBank&) = delete;
    CStyleBank& operator=(const CStyleBank&) = delete;

    // Opening. Any open bank is dropped first; on failure no bank is open.
    // Reads the whole file (CFileReader). NotABank when it is no regular file, cannot be read or fails
    // the header check, TooLarge when it exceeds kCapacity, Corrupt when the tree does not fit the file,
    // there are more than kMaxSlots class-2 containers at depth 1, or a compressed style does not expand.
    BankResult OpenFile(const std::string& path);
    // The same over a memory image (copied; the caller keeps `bytes`).
    BankResult OpenImage(const uint8_t* bytes, size_t length);
    void Close();
    bool IsOpen() const { return nav != nullptr; }

    // Contents
    int StyleCount() const { return static_cast<int>(styleSizes.size()); }
    // One flag per class-2 container at depth 1, in file order: 1 a style, 0 another container.
    const std::vector<uint8_t>& Slots() const { return slots; }
    // Slot of style k (0-based), -1 when there is no such style.
    int SlotOfStyle(int k) const;
    // Names of the styles from the name table, in style order: empty without a table, and shorter than
    // StyleCount when the table ends early. Each is the entry's text up to its NUL (at most 24 bytes).
    std::vector<std::string> StyleNames() const;
    // Bytes of the buffer the bank uses (root size + 8); 0 when no bank is open.
    int32_t Used() const { return nav ? nav->Used() : 0; }

    // Selecting and committing styles
    // Copies style k's content chunk and gives its sizes; nullopt when no bank is open or k is out of range.
    std::optional<CStyleSelection> SelectStyle(int k) const;
    // Replaces style k's content chunk by `chunk` (a complete content chunk: id 1, class 1, container,
    // header and data, a sound tree). NoStyle when style k does not hold exactly one content chunk, Corrupt
    // when `chunk` is not such a chunk, NoRoom when the bank would outgrow its buffer; the bank is unchanged
    // then.
    BankResult CommitStyle(int k, std::vector<uint8_t> chunk);

    // Saving: compresses every style, rewrites the offset index and the name table from `names` (style
    // order; a name is cut to kMaxNameLength bytes; styles without a name keep their entry), writes the
    // used bytes, and expands the styles again. The bank stays open either way.
    // Writes through `writer` (the old file stays intact on failure: WriteError).
    CSaveResult Save(CFileWriter& writer, const std::vector<std::string>& names);
    CSaveResult SaveFile(const std::string& path, const std::vector<std::string>& names);
    // The bytes the file would get, into `image`.
    CSaveResult SaveImage(std::vector<uint8_t>& image, const std::vector<std::string>& names);

private:
    static bool HeaderMatches(const uint8_t* bytes);
    BankResult ReadSlots();
    // Moves to style k; false (at the root) when there is no such style.
    bool FindStyle(int k) const;
    // Replaces the content chunk of style k, the current chunk, as CommitStyle describes.
    BankResult ReplaceContent(int k, std::vector<uint8_t>& chunk);
    // The name table's data, leaving the navigator on it; empty without a table.
    std::span<uint8_t> FindNameTable() const;
    // Compresses every style; returns the number of failures and notes the sizes written in `sizes`.
    int CompressStyles(std::vector<uint32_t>& sizes);
    void RewriteOffsetIndex();
    void RewriteNames(const std::vector<std::string>& names);
    void ExpandStyles();
    template <typename Sink> CSaveResult SaveTo(Sink&& sink, const std::vector<std::string>& names);

    std::unique_ptr<uint8_t[]> buffer; // kCapacity bytes, freed together with `nav`
    std::unique_ptr<CChunkNavComp> nav;
    std::vector<uint8_t> slots;
    std::vector<uint32_t> styleSizes; // per style: data size as found in (or last written to) the file
};
