// An open style bank: opening, style queries, committing a style, saving.
#include "bank/chunk/CStyleBank.h"

#include "events/CBigEndian.h"
#include "events/Trace.h"
#include "files/CFileReader.h"
#include "files/CFileWriter.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace {
using Nav = CChunkNav;
}

const char* CStyleBank::Message(BankResult result)
{
    switch (result) {
    case BankResult::Ok:
        return "";
    case BankResult::NotABank:
        return "File read error - File in use - or not a Quelon Ry Style File!";
    case BankResult::TooLarge:
        return "File too large for a Style Bank - Error!";
    case BankResult::Corrupt:
        return "File corrupt - Error!";
    case BankResult::NoRoom:
        return "Style Bank full - Error!";
    case BankResult::NoStyle:
        return "Style not found - Error!";
    case BankResult::CompressionError:
        return "Compression Error!";
    case BankResult::WriteError:
        return "File write error!";
    }
    return "";
}

CStyleBank::CStyleBank() = default;
CStyleBank::~CStyleBank() = default;

void CStyleBank::Close()
{
    nav.reset();
    buffer.reset();
    slots.clear();
    styleSizes.clear();
}

bool CStyleBank::HeaderMatches(const uint8_t* bytes)
{
    static const uint8_t root[4] = {0x01, 0x00, 0x01, 0x14};
    static const uint8_t info[4] = {kIdInfo, 0x00, 0x00, 0x18};
    static const uint8_t signature[5] = {'Q', 'U', 'E', 'F', 0};
    return std::memcmp(bytes, root, 4) == 0 && std::memcmp(bytes + 8, info, 4) == 0 &&
           std::memcmp(bytes + 23, signature, 5) == 0;
}

BankResult CStyleBank::OpenFile(const std::string& path)
{
    Close();
    std::vector<uint8_t> bytes;
    switch (CFileReader::Read(path, static_cast<size_t>(kCapacity), bytes)) {
    case FileReadResult::Ok:
        return OpenImage(bytes.data(), bytes.size());
    case FileReadResult::TooLarge:
        return BankResult::TooLarge;
    default:
        Trace("CStyleBank::OpenFile() - cannot read %s", path.c_str());
        return BankResult::NotABank;
    }
}

BankResult CStyleBank::OpenImage(const uint8_t* bytes, size_t length)
{
    Close();
    if (length < kHeaderCheckSize || !HeaderMatches(bytes)) {
        Trace("CStyleBank::Open() - no bank header in %zu bytes", length);
        return BankResult::NotABank;
    }
    if (length > static_cast<size_t>(kCapacity)) {
        Trace("CStyleBank::Open() - %zu bytes exceed the bank buffer", length);
        return BankResult::TooLarge;
    }
    if (!Nav::CheckTree(bytes, length)) {
        Trace("CStyleBank::Open() - chunk tree does not fit %zu bytes", length);
        return BankResult::Corrupt;
    }
    // Bytes past the used area are never read: every edit zeroes the bytes it opens.
    buffer = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(kCapacity));
    std::memcpy(buffer.get(), bytes, length);
    nav = std::make_unique<CChunkNavComp>(buffer.get(), kCapacity);
    const BankResult result = ReadSlots();
    if (result != BankResult::Ok)
        Close();
    return result;
}

BankResult CStyleBank::ReadSlots()
{
    nav->Rewind();
    while (nav->Find(0, Nav::kClass2, Nav::kContainer, 0, 1)) {
        if (slots.size() == kMaxSlots) {
            Trace("CStyleBank::Open() - more than %zu bank-level containers", kMaxSlots);
            return BankResult::Corrupt;
        }
        const bool style = nav->Id() == kIdStyle;
        slots.push_back(style ? 1 : 0);
        if (!style)
            continue;
        styleSizes.push_back(nav->DataSize());
        if (!nav->Expand()) {
            Trace("CStyleBank::Open() - style %zu does not expand", styleSizes.size() - 1);
            return BankResult::Corrupt;
        }
    }
    nav->Rewind();
    return BankResult::Ok;
}

int CStyleBank::SlotOfStyle(int k) const
{
    for (size_t slot = 0; slot < slots.size(); ++slot) {
        if (slots[slot] != 0 && k-- == 0)
            return static_cast<int>(slot);
    }
    return -1;
}

std::span<uint8_t> CStyleBank::FindNameTable() const
{
    nav->Rewind();
    if (!nav->Find(Nav::MatchId(kIdNameTable), Nav::kClass2, Nav::kData, 0, 1))
        return {};
    return {nav->Data(), nav->DataSize()};
}

std::vector<std::string> CStyleBank::StyleNames() const
{
    std::vector<std::string> names;
    if (!IsOpen())
        return names;
    const std::span<uint8_t> table = FindNameTable();
    for (int k = 0; k < StyleCount(); ++k) {
        const size_t offset = static_cast<size_t>(SlotOfStyle(k)) * kNameEntrySize;
        if (table.size() < offset + kNameEntrySize)
            break;
        const uint8_t* entry = table.data() + offset;
        names.emplace_back(entry, std::find(entry, entry + kNameEntrySize, 0));
    }
    nav->Rewind();
    return names;
}

bool CStyleBank::FindStyle(int k) const
{
    nav->Rewind();
    if (k < 0 || k >= StyleCount())
        return false;
    for (int i = 0; i <= k; ++i) {
        if (!nav->Find(Nav::MatchId(kIdStyle), Nav::kClass2, Nav::kContainer, 1, 1)) {
            nav->Rewind();
            return false;
        }
    }
    return true;
}

std::optional<CStyleSelection> CStyleBank::SelectStyle(int k) const
{
    if (!IsOpen() || !FindStyle(k))
        return std::nullopt;
    CStyleSelection selection;
    selection.uncompressedSize = nav->DataSize();
    selection.compressedSize = styleSizes[static_cast<size_t>(k)];
    if (nav->Enter(Nav::MatchId(kIdStyleContent), Nav::kClass1, Nav::kContainer))
        selection.content.assign(nav->Header(), nav->Header() + Nav::kHeaderSize + nav->DataSize());
    nav->Rewind();
    return selection;
}

BankResult CStyleBank::CommitStyle(int k, std::vector<uint8_t> chunk)
{
    if (!IsOpen() || !FindStyle(k))
        return BankResult::NoStyle;
    const BankResult result = ReplaceContent(k, chunk);
    nav->Rewind();
    return result;
}

BankResult CStyleBank::ReplaceContent(int k, std::vector<uint8_t>& chunk)
{
    const uint8_t* styleHeader = nav->Header();
    const uint16_t styleDepth = nav->Depth();
    const uint32_t styleSize = nav->DataSize();
    // Remove, Seek and AddChildCopy rely on the content chunk being the style's only child.
    if (!nav->Enter(Nav::MatchId(kIdStyleContent), Nav::kClass1, Nav::kContainer) ||
        nav->DataSize() + size_t{Nav::kHeaderSize} != styleSize) {
        Trace("CStyleBank::CommitStyle() - style %d holds no single content chunk", k);
        return BankResult::NoStyle;
    }
    if (chunk.size() > static_cast<size_t>(kCapacity) ||
        static_cast<int64_t>(chunk.size()) - styleSize > nav->Free()) {
        Trace("CStyleBank::CommitStyle() - style %d of %zu bytes does not fit the buffer", k, chunk.size());
        return BankResult::NoRoom;
    }
    if (!Nav::CheckTree(chunk.data(), chunk.size()) ||
        ReadBE32(chunk.data() + 4) + size_t{Nav::kHeaderSize} != chunk.size() ||
        chunk[0] != kIdStyleContent ||
        (chunk[3] & (Nav::kFlagData | Nav::kFlagClass2 | Nav::kFlagCompressed)) != 0) {
        Trace("CStyleBank::CommitStyle() - new content of style %d is not a sound content chunk", k);
        return BankResult::Corrupt;
    }
    CChunkNav replacement(chunk.data(), static_cast<int32_t>(chunk.size()));
    nav->Remove();
    // The room was checked above and the style is now empty, so neither step can fail.
    const bool back = nav->Seek(styleHeader, styleDepth) && nav->AddChildCopy(replacement);
    assert(back);
    (void)back;
    return BankResult::Ok;
}

int CStyleBank::CompressStyles(std::vector<uint32_t>& sizes)
{
    int failures = 0;
    nav->Rewind();
    while (nav->Find(0, Nav::kClass2, Nav::kContainer, 0, 1)) {
        if (nav->Id() != kIdStyle)
            continue;
        if (!nav->Compress())
            ++failures;
        sizes.push_back(nav->DataSize());
    }
    nav->Rewind();
    return failures;
}

void CStyleBank::RewriteOffsetIndex()
{
    std::vector<uint8_t> offsets;
    nav->Rewind();
    while (nav->Find(0, Nav::kClass2, Nav::kAny, 0, 1)) {
        if (nav->Id() == kIdOffsetIndex) {
            const size_t room =
                nav->DataSize() < 4 ? 0 : std::min<size_t>(kMaxIndexEntries, (nav->DataSize() - 4) / 4);
            if (offsets.size() > room * 4)
                Trace("CStyleBank::Save() - %zu chunks for an index of %zu entries; the rest are left out",
                      offsets.size() / 4, room);
            offsets.resize(std::min(offsets.size(), room * 4));
            nav->Write(4, offsets.data(), static_cast<uint32_t>(offsets.size()));
            break;
        }
        if (nav->Id() >= 3) {
            uint8_t entry[4];
            WriteBE32(entry, static_cast<uint32_t>(nav->Header() - nav->Buffer()));
            offsets.insert(offsets.end(), entry, entry + 4);
        }
    }
    nav->Rewind();
}

void CStyleBank::RewriteNames(const std::vector<std::string>& names)
{
    const std::span<uint8_t> table = FindNameTable();
    const int count = std::min(StyleCount(), static_cast<int>(names.size()));
    for (int k = 0; k < count; ++k) {
        const size_t offset = static_cast<size_t>(SlotOfStyle(k)) * kNameEntrySize;
        if (table.size() < offset + kNameEntrySize)
            break;
        const std::string& name = names[static_cast<size_t>(k)];
        const size_t length = std::min(name.size(), kMaxNameLength);
        std::memcpy(table.data() + offset, name.data(), length);
        table[offset + length] = 0;
    }
    nav->Rewind();
}

void CStyleBank::ExpandStyles()
{
    nav->Rewind();
    while (nav->Find(Nav::MatchId(kIdStyle), Nav::kClass2, Nav::kContainer, 0, 1)) {
        // The blocks were made from these very bytes a moment ago, in the same buffer space.
        const bool expanded = nav->Expand();
        assert(expanded);
        (void)expanded;
    }
    nav->Rewind();
}

template <typename Sink> CSaveResult CStyleBank::SaveTo(Sink&& sink, const std::vector<std::string>& names)
{
    assert(IsOpen());
    if (!IsOpen())
        return {BankResult::WriteError, 0};
    CSaveResult result;
    std::vector<uint32_t> sizes;
    result.compressionErrors = CompressStyles(sizes);
    RewriteOffsetIndex();
    RewriteNames(names);
    if (sink(buffer.get(), static_cast<size_t>(nav->Used())))
        styleSizes = std::move(sizes);
    else
        result.result = BankResult::WriteError;
    ExpandStyles();
    return result;
}

CSaveResult CStyleBank::Save(CFileWriter& writer, const std::vector<std::string>& names)
{
    return SaveTo([&writer](const uint8_t* bytes, size_t n) { return writer.Write(bytes, n); }, names);
}

CSaveResult CStyleBank::SaveFile(const std::string& path, const std::vector<std::string>& names)
{
    CFileWriter writer(path);
    return Save(writer, names);
}

CSaveResult CStyleBank::SaveImage(std::vector<uint8_t>& image, const std::vector<std::string>& names)
{
    return SaveTo(
        [&image](const uint8_t* bytes, size_t n) {
            image.assign(bytes, bytes + n);
            return true;
        },
        names);
}
