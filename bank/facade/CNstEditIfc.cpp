// The bank facade: construction, building the content chunk, states, names and parameters.
#include "bank/facade/CNstEditIfc.h"

#include "events/Trace.h"
#include "sharing/CMakeMark.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace {

void CheckElement(int element)
{
    assert(element >= 0 && element < kStyleElements);
    (void)element;
}

void CheckCv(int element, int cv)
{
    CheckElement(element);
    assert(cv >= 0 && cv < kChordVars);
    (void)cv;
}

void CheckTrack(int track)
{
    assert(track >= 0 && track < kStyleTracks);
    (void)track;
}

template <typename Part> int StateOf(const Part* part)
{
    if (!part)
        return CNstEditIfc::StateAbsent;
    return part->IsEmpty() ? CNstEditIfc::StateEmpty : CNstEditIfc::StateFilled;
}

} // namespace

CNstEditIfc::CNstEditIfc(const uint8_t* bytes, size_t size) : filter(std::make_unique<CNstFilterIfc>(this))
{
    if (!bytes) {
        style = std::make_unique<CNstRyIfc>();
        return;
    }
    // The analysis may repair records in place, so it works on a private copy of the caller's bytes.
    const auto capacity = static_cast<int32_t>(std::min<size_t>(size, INT32_MAX));
    std::unique_ptr<CStyleContent> content = CStyleContent::CopyOf(bytes, size, capacity);
    if (!content) {
        Trace("CNstEditIfc::CNstEditIfc() - style content is not a chunk tree (%zu bytes)", size);
        style = std::make_unique<CNstRyIfc>();
        loaded = false;
        return;
    }
    CMakeMark mark(*content->nav);
    std::unique_ptr<CStyleContent> expanded = mark.TakeExpanded();
    if (mark.Analysis() != 0 && !expanded) {
        // A compact tree read as if it were expanded would lose its shared and segmented patterns.
        Trace("CNstEditIfc::CNstEditIfc() - the compact style tree cannot be expanded");
        style = std::make_unique<CNstRyIfc>();
        loaded = false;
        return;
    }
    style = std::make_unique<CNstRyIfc>(expanded ? expanded->nav.get() : content->nav.get());
    loaded = style->Parsed();
}

CNstEditIfc::~CNstEditIfc() = default;

std::vector<uint8_t> CNstEditIfc::BuildStyleChunk(bool normalise)
{
    std::unique_ptr<CStyleContent> content = style->Build();
    if (!content)
        return {};
    if (normalise)
        CMakeMark::Compact(*content->nav);
    return {content->Bytes(), content->Bytes() + content->Size()};
}

CNstChordVar* CNstEditIfc::FindChordVar(int element, int cv) const
{
    CheckCv(element, cv);
    const CNstStyleElem* found = style->FindElement(element);
    return found ? found->FindChordVar(cv) : nullptr;
}

int CNstEditIfc::GetElementState(int element) const
{
    CheckElement(element);
    return StateOf(style->FindElement(element));
}

int CNstEditIfc::GetCvState(int element, int cv) const
{
    return StateOf(FindChordVar(element, cv));
}

int CNstEditIfc::GetTrackState(int element, int cv, int track) const
{
    CheckTrack(track);
    const CNstChordVar* found = FindChordVar(element, cv);
    if (!found || found->patterns[track].isVirgin)
        return StateAbsent;
    return found->patterns[track].isEmpty ? StateEmpty : StateFilled;
}

void CNstEditIfc::DeleteElement(int element)
{
    CheckElement(element);
    style->DeleteElement(element);
}

void CNstEditIfc::DeleteCv(int element, int cv)
{
    CheckCv(element, cv);
    if (CNstStyleElem* found = style->FindElement(element))
        found->DeleteChordVar(cv);
}

void CNstEditIfc::GetStyleName(char* buffer, size_t maxLen) const
{
    const size_t count = std::min(style->name.size(), maxLen);
    std::memcpy(buffer, style->name.data(), count);
    std::memset(buffer + count, 0, maxLen + 1 - count);
}

void CNstEditIfc::SetStyleName(std::string_view text)
{
    text = text.substr(0, std::min(text.find('\0'), static_cast<size_t>(kStyleNameMax)));
    style->name.assign(text);
}

int32_t CNstEditIfc::GetStyleVersion() const
{
    return style->version;
}

void CNstEditIfc::SetStyleVersion(int32_t version)
{
    style->version = version;
}

uint8_t CNstEditIfc::GetSignature(int element)
{
    CheckElement(element);
    const CNstStyleElem& found = style->GetElement(element);
    return static_cast<uint8_t>((found.numerator - 1) + 16 * found.denomExp);
}

int32_t CNstEditIfc::GetTrackProgram(int element, int track)
{
    CheckElement(element);
    CheckTrack(track);
    const auto& entry = style->GetElement(element).tracks[track];
    return static_cast<int32_t>(uint32_t{entry[1]} << 24 | uint32_t{entry[2]} << 16 | entry[3]);
}

uint8_t CNstEditIfc::GetCvLength(int element, int cv)
{
    CheckCv(element, cv);
    return style->GetElement(element).GetChordVar(cv).measures;
}

uint8_t CNstEditIfc::GetPatternParam1(int element, int cv, int track)
{
    CheckCv(element, cv);
    CheckTrack(track);
    return style->GetElement(element).GetChordVar(cv).GetPattern(track).param1;
}
