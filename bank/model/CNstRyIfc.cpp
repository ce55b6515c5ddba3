// Reading a style content tree into the model and building a new tree from it.
#include "bank/model/CNstRyIfc.h"

#include "bank/model/CNstRecords.h"
#include "events/Trace.h"
#include "packed/CPackedStream.h"
#include "packed/CPatternData.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {
constexpr uint8_t C1 = CChunkNav::kClass1;
constexpr uint8_t kContainer = CChunkNav::kContainer;
constexpr uint8_t kData = CChunkNav::kData;
constexpr int32_t kHeader = CChunkNav::kHeaderSize;

constexpr uint8_t kElementAux[kStyleElements] = {1, 1, 1, 1, 3, 1, 1, 1, 3, 1, 1, 1};
constexpr uint8_t kCvMeasures[kStyleElements] = {2, 2, 2, 2, 2, 2, 1, 1, 2, 2, 2, 2};
// Bank MSB, bank LSB and program of each track of a new element.
constexpr uint8_t kTrackVoices[kStyleTracks][3] = {{120, 0, 0}, {120, 0, 64}, {121, 0, 32}, {121, 0, 0},
                                                   {121, 0, 0}, {121, 0, 0},  {121, 0, 0},  {121, 0, 0}};
constexpr uint8_t kTrackStyles[kStyleTracks][kTrackStyleBytes] = {{0, 0, 1}, {0, 0, 0}, {2, 0, 0}, {2, 1, 0},
                                                                  {2, 1, 0}, {2, 1, 0}, {2, 1, 0}, {2, 1, 0}};

// The lowest set bit of `mask` at or above `from`, or -1.
int NextBit(uint32_t mask, int from)
{
    for (int bit = from; bit < 32; ++bit)
        if (mask & (1u << bit))
            return bit;
    return -1;
}

bool Refuse(const char* why)
{
    Trace("CNstRyIfc::Parse() - style content corrupt: %s", why);
    return false;
}

int CvLimit(int element)
{
    return element < 4 ? kChordVars : 2;
}

// A style's tree as written back, its patterns lengthened to their chord variations, takes at most four
// bank buffers: far more than any style that fits a bank needs, while a damaged length asking for
// more is refused before the work is done.
constexpr size_t kMaxBuiltSize = 4 * CNstPattern::MaxLengthenedSize;

// The stored record of a pattern as its chord variation of `cvLength` ticks plays it: lengthened by
// repetition (to at most `maxSize` bytes), then trimmed to the chord variation so that it ends in a
// neutral state.
bool StorePattern(const CNstPattern& pattern, int32_t cvLength, size_t maxSize, std::vector<uint8_t>& record)
{
    CNstPattern copy = pattern;
    const int32_t length = copy.lengthTicks;
    if (length > 0 && length < cvLength) {
        const int64_t repeats = (int64_t{cvLength} + length - 1) / length;
        if (!copy.SetLength(static_cast<int32_t>(repeats * length), false, maxSize))
            return false;
    }
    return StoreTrimmedRecord(copy.data.data(), copy.data.size(), static_cast<uint8_t>(copy.trackType + 2),
                              copy.param1, copy.param2, static_cast<uint32_t>(cvLength), record);
}

// One element as it will be written.
struct CElemPlan {
    std::vector<uint8_t> header;
    std::vector<uint8_t> params;
    std::vector<std::vector<uint8_t>> chordVars;
};

void AppendChunk(size_t& total, size_t dataSize)
{
    total += static_cast<size_t>(kHeader) + dataSize;
}

bool WriteDataChunk(CChunkNav& nav, bool asChild, uint8_t id, uint8_t aux2, const std::vector<uint8_t>& bytes)
{
    const auto size = static_cast<uint32_t>(bytes.size());
    const ChunkStep step =
        asChild ? nav.AddChild(C1, kData, id, 0, aux2, size) : nav.AddSibling(C1, kData, id, 0, aux2, size);
    return step && nav.Write(0, bytes.data(), size);
}
} // namespace

// --- Content buffers ---

std::unique_ptr<CStyleContent> CStyleContent::Create(int32_t capacity, uint8_t version)
{
    if (capacity < kHeader)
        return nullptr;
    auto content = std::make_unique<CStyleContent>();
    content->buffer.reset(new (std::nothrow) uint8_t[static_cast<size_t>(capacity)]);
    if (!content->buffer)
        return nullptr;
    content->capacity = capacity;
    const uint8_t root[kHeader] = {1, version, 0, 0, 0, 0, 0, 0};
    std::memcpy(content->buffer.get(), root, sizeof root);
    content->nav = std::make_unique<CChunkNav>(content->buffer.get(), capacity);
    return content;
}

std::unique_ptr<CStyleContent> CStyleContent::CopyOf(const uint8_t* bytes, size_t size, int32_t capacity)
{
    if (size > static_cast<size_t>(capacity) || !CChunkNav::CheckTree(bytes, size))
        return nullptr;
    auto content = Create(capacity, 0);
    if (!content)
        return nullptr;
    std::memcpy(content->buffer.get(), bytes, size);
    content->nav = std::make_unique<CChunkNav>(content->buffer.get(), capacity);
    return content;
}

// --- Defaults ---

CNstRyIfc::CNstRyIfc(CChunkNav* nav)
{
    name = "New Style";
    for (int track = 0; track < kStyleTracks; ++track)
        std::copy(std::begin(kTrackStyles[track]), std::end(kTrackStyles[track]), trackStyle[track].begin());
    if (nav)
        Parse(*nav);
}

void CNstRyIfc::OnElementCreated(CNstStyleElem& element, int index)
{
    element.elementAux = kElementAux[index];
    element.cvMeasures = kCvMeasures[index];
    for (int track = 0; track < kStyleTracks; ++track)
        std::copy(std::begin(kTrackVoices[track]), std::end(kTrackVoices[track]),
                  element.tracks[track].begin() + 1);
}

void CNstRyIfc::OnPatternSetUp(CNstPattern& pattern, int track)
{
    pattern.trackType = TrackTypeOf(track);
}

// --- Reading ---

bool CNstRyIfc::Parse(CChunkNav& nav)
{
    parsed = false;
    undecodable = {};
    for (int i = 0; i < kStyleElements; ++i)
        DeleteElement(i);
    const uint16_t rootDepth = nav.Depth();
    version = nav.Aux1();
    CStyleHeaderRec header;
    bool ok = nav.Enter(CChunkNav::MatchId(1), C1, kData) &&
              header.Read(nav.Data(), nav.DataSize(), nav.Aux2() != 0);
    if (!ok) {
        Refuse("no style header");
    } else if (!nav.Next(CChunkNav::MatchId(2), C1, kContainer) || nav.DataSize() < kHeader) {
        ok = Refuse("no pattern pool");
    } else {
        // The pool is walked by a navigator of its own, over the same bytes, while the elements are read.
        CChunkNav pool(nav.Data() - kHeader, static_cast<int32_t>(nav.DataSize()) + kHeader);
        ok = pool.Enter(CChunkNav::MatchId(1), C1, kData) ? true : Refuse("no pool list");
        int index = -1;
        while (ok && nav.Next(CChunkNav::MatchId(3), C1, kContainer)) {
            index = NextBit(header.elementMask, index + 1);
            ok = index >= 0 && index < kStyleElements ? ParseElement(nav, pool, index)
                                                      : Refuse("more elements than the mask has");
        }
        if (ok && NextBit(header.elementMask, index + 1) >= 0)
            ok = Refuse("fewer elements than the mask has");
    }
    while (nav.Depth() > rootDepth)
        nav.Leave();
    if (!ok) {
        for (int i = 0; i < kStyleElements; ++i)
            DeleteElement(i);
        return false;
    }
    name = header.name;
    trackStyle = header.trackStyle;
    parsed = true;
    return true;
}

bool CNstRyIfc::ParseElement(CChunkNav& nav, CChunkNav& pool, int index)
{
    CElemHeaderRec header;
    if (!nav.Enter(CChunkNav::MatchId(1), C1, kData) || !header.Read(nav.Data(), nav.DataSize()))
        return Refuse("element header");
    CNstStyleElem& element = GetElement(index);
    element.numerator = header.numerator;
    element.denomExp = header.denomExp;
    element.elementAux = header.elementAux;
    element.chordTable = header.chordTable;
    bool ok = nav.Next(CChunkNav::MatchId(2), C1, kData) &&
                      CTrackParamRec::Read(nav.Data(), nav.DataSize(), element.tracks)
                  ? true
                  : Refuse("track parameters");
    int cv = -1;
    while (ok && nav.Next(CChunkNav::MatchId(3), C1, kData)) {
        cv = NextBit(header.cvMask, cv + 1);
        ok = cv >= 0 && cv < kChordVars ? ParseChordVar(element, index, nav.Data(), nav.DataSize(), cv, pool)
                                        : Refuse("more chord variations than the mask has");
    }
    if (ok && NextBit(header.cvMask, cv + 1) >= 0)
        ok = Refuse("fewer chord variations than the mask has");
    nav.Leave();
    return ok;
}

bool CNstRyIfc::ParseChordVar(CNstStyleElem& element, int elementIndex, const uint8_t* bytes, size_t size,
                              int index, CChunkNav& pool)
{
    CCvRecord record;
    if (!record.Read(bytes, size) || record.lengthTicks > INT32_MAX)
        return Refuse("chord variation record");
    CNstChordVar& chordVar = element.GetChordVar(index);
    if (chordVar.SetTempoStream(record.marks, record.marksSize, -1) < 0)
        return Refuse("mark stream");
    chordVar.lengthTicks = static_cast<int32_t>(record.lengthTicks);
    chordVar.numerator = element.numerator;
    chordVar.denomExp = element.denomExp;
    const int32_t measureTicks = element.MeasureTicks();
    chordVar.measures = static_cast<uint8_t>(
        measureTicks > 0 ? std::min<int64_t>(255, record.lengthTicks / measureTicks) : 0);
    for (const CCvPair& pair : record.pairs) {
        CPatternData stored;
        if (!pool.Next(0, C1, kData))
            return Refuse("pool ran out of patterns");
        if (pair.track >= kStyleTracks || !stored.Load(pool.Data(), pool.DataSize(), pool.Id(), false) ||
            stored.lengthTicks > INT32_MAX)
            return Refuse("pattern record");
        CNstPattern& pattern = chordVar.GetPattern(pair.track);
        pattern.trackType = static_cast<uint8_t>(pool.Id() - 2);
        pattern.param1 = stored.trailer[0];
        pattern.param2 = stored.trailer[1];
        pattern.numerator = chordVar.numerator;
        pattern.denomExp = chordVar.denomExp;
        pattern.measures = chordVar.measures;
        pattern.SetEvents(stored.data, stored.dataSize, static_cast<int32_t>(stored.lengthTicks));
        if (!pattern.DecodesWhole()) {
            undecodable = {elementIndex, index, pair.track};
            return Refuse("a pattern cannot be decoded to its end");
        }
    }
    return true;
}

// --- Writing ---

void CNstRyIfc::CleanUp()
{
    for (int e = 0; e < kStyleElements; ++e) {
        CNstStyleElem* element = FindElement(e);
        if (!element)
            continue;
        if (element->IsEmpty()) {
            DeleteElement(e);
            continue;
        }
        for (int k = 0; k < kChordVars; ++k) {
            CNstChordVar* chordVar = element->FindChordVar(k);
            if (!chordVar)
                continue;
            if (chordVar->IsEmpty() || k >= CvLimit(e)) {
                element->DeleteChordVar(k);
                continue;
            }
            for (CNstPattern& pattern : chordVar->patterns)
                if (!pattern.isVirgin && pattern.isEmpty)
                    pattern.Reset();
        }
        // Only chord variations beyond the element's limit had events: nothing of it can be stored.
        if (std::none_of(element->chordVars.begin(), element->chordVars.end(),
                         [](const auto& cv) { return cv != nullptr; })) {
            DeleteElement(e);
            continue;
        }
        element->FixChordTable();
    }
    if (!FindElement(0))
        GetElement(0).GetChordVar(0).GetPattern(0);
}

std::unique_ptr<CStyleContent> CNstRyIfc::Build()
{
    CleanUp();
    const bool newFormat = (version & 0xFF) != 0;
    CStyleHeaderRec header;
    header.name = name.substr(0, kStyleNameMax);
    header.trackStyle = trackStyle;
    std::vector<std::pair<uint8_t, std::vector<uint8_t>>> patterns;
    std::vector<CElemPlan> plans;
    size_t total = kHeader;
    int chordVarCount = 0;
    for (int e = 0; e < kStyleElements; ++e) {
        const CNstStyleElem* element = FindElement(e);
        if (!element)
            continue;
        header.elementMask = static_cast<uint16_t>(header.elementMask | (1u << e));
        CElemHeaderRec elemHeader;
        elemHeader.elementAux = element->elementAux;
        elemHeader.numerator = element->numerator;
        elemHeader.denomExp = element->denomExp;
        elemHeader.chordTable = element->chordTable;
        CElemPlan& plan = plans.emplace_back();
        for (int k = 0; k < kChordVars; ++k) {
            const CNstChordVar* chordVar = element->FindChordVar(k);
            if (!chordVar)
                continue;
            elemHeader.cvMask = static_cast<uint8_t>(elemHeader.cvMask | (1u << k));
            ++chordVarCount;
            CCvRecord record;
            record.lengthTicks = static_cast<uint32_t>(std::max(0, chordVar->lengthTicks));
            CPackedWriter marks;
            for (int track = 0; track < kStyleTracks; ++track) {
                const CNstPattern& pattern = chordVar->patterns[track];
                if (pattern.isVirgin)
                    continue;
                std::vector<uint8_t> stored;
                if (!StorePattern(pattern, chordVar->lengthTicks, kMaxBuiltSize - total, stored))
                    return nullptr;
                AppendChunk(total, stored.size());
                if (total > kMaxBuiltSize) {
                    Trace("CNstRyIfc::Build() - the style would exceed %zu bytes", kMaxBuiltSize);
                    return nullptr;
                }
                patterns.emplace_back(static_cast<uint8_t>(pattern.trackType + 2), std::move(stored));
                marks.WriteMeta(0, CEvent::PrivateMetaType,
                                {kStartMark, static_cast<uint8_t>(record.pairs.size()), 0, 0});
                record.pairs.push_back({TrackTypeOf(track), static_cast<uint8_t>(track)});
            }
            if (!CopyTempoMarks(chordVar->tempoData, record.lengthTicks, marks) ||
                !marks.Finish(record.lengthTicks))
                return nullptr;
            record.Bytes(marks.TakeBytes(), plan.chordVars.emplace_back());
            AppendChunk(total, plan.chordVars.back().size());
        }
        plan.header = elemHeader.Bytes();
        plan.params = CTrackParamRec::Bytes(element->tracks);
        AppendChunk(total, 0);
        AppendChunk(total, plan.header.size());
        AppendChunk(total, plan.params.size());
    }
    const std::vector<uint8_t> headerBytes = header.Bytes(newFormat);
    const std::vector<uint8_t> poolList =
        CPoolListRec::Sequential(static_cast<uint16_t>(patterns.size())).Bytes();
    AppendChunk(total, headerBytes.size());
    AppendChunk(total, 0);
    AppendChunk(total, poolList.size());
    // The estimate leaves room for the tree converters that rework the built tree in place.
    const int64_t estimate =
        int64_t{EstimateSize(true)} + chordVarCount * 100 + static_cast<int64_t>(patterns.size()) * 2 + 50000;
    const int64_t capacity = std::max<int64_t>(estimate, static_cast<int64_t>(total) + 50000);
    if (capacity > INT32_MAX)
        return nullptr;
    auto content = CStyleContent::Create(static_cast<int32_t>(capacity), static_cast<uint8_t>(version));
    if (!content)
        return nullptr;
    CChunkNav& nav = *content->nav;
    bool ok = WriteDataChunk(nav, true, 1, newFormat ? 1 : 0, headerBytes) &&
              nav.AddSibling(C1, kContainer, 2, 0, 0, 0) && WriteDataChunk(nav, true, 1, 0, poolList);
    for (size_t i = 0; ok && i < patterns.size(); ++i)
        ok = WriteDataChunk(nav, false, patterns[i].first, 0, patterns[i].second);
    ok = ok && nav.Leave();
    for (size_t i = 0; ok && i < plans.size(); ++i) {
        ok = nav.AddSibling(C1, kContainer, 3, 0, 0, 0) && WriteDataChunk(nav, true, 1, 0, plans[i].header) &&
             WriteDataChunk(nav, false, 2, 0, plans[i].params);
        for (size_t k = 0; ok && k < plans[i].chordVars.size(); ++k)
            ok = WriteDataChunk(nav, false, 3, 0, plans[i].chordVars[k]);
        ok = ok && nav.Leave();
    }
    nav.Rewind();
    return ok ? std::move(content) : nullptr;
}
