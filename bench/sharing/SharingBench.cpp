// Loading and saving a whole style: parse, build, compaction and expansion of a 60 KB style content tree.
#include "bank/model/CNstRyIfc.h"
#include "packed/CPackedStream.h"
#include "sharing/CMakeMark.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <random>

namespace {

// Notes of one track: `notes` random notes over `length` ticks, each ended within 192 ticks.
std::vector<uint8_t> TrackStream(std::mt19937& rng, int notes, uint32_t length)
{
    struct Timed {
        uint32_t time;
        uint32_t header;
    };
    std::vector<Timed> events;
    for (int i = 0; i < notes; ++i) {
        const auto on = static_cast<uint32_t>(rng() % (length - 200));
        const auto key = static_cast<uint8_t>(30 + rng() % 60);
        events.push_back(
            {on, CEvent::ChannelHeader(EventKind::NoteOn, 0, key, static_cast<uint8_t>(40 + rng() % 80))});
        events.push_back({on + 1 + static_cast<uint32_t>(rng() % 192),
                          CEvent::ChannelHeader(EventKind::NoteOff, 0, key, 0)});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Timed& a, const Timed& b) { return a.time < b.time; });
    CPackedWriter out;
    for (const Timed& e : events) {
        CEvent event;
        event.header = e.header;
        out.WriteEvent(e.time, event);
    }
    out.Finish(length);
    return out.TakeBytes();
}

// Twelve elements with their chord variations (four in the Variations, two elsewhere) and eight tracks:
// dense drums shared by the chord variations of an element, a long Acc. 1 line in the Variations, sparser
// bass and accompaniment.
void FillStyle(CNstRyIfc& style)
{
    std::mt19937 rng(2024u);
    for (int e = 0; e < kStyleElements; ++e) {
        CNstStyleElem& element = style.GetElement(e);
        const int chordVars = e < 4 ? 4 : 2;
        std::vector<uint8_t> drums;
        for (int k = 0; k < chordVars; ++k) {
            CNstChordVar& chordVar = element.GetChordVar(k);
            const auto length = static_cast<uint32_t>(chordVar.lengthTicks);
            if (drums.empty())
                drums = TrackStream(rng, 48, length);
            chordVar.GetPattern(0).SetEvents(drums.data(), drums.size(), static_cast<int32_t>(length));
            for (int t = 1; t < kStyleTracks; ++t) {
                const int notes = t == 3 && e < 4 ? 90 : (t == 1 ? 24 : 10);
                const std::vector<uint8_t> stream = TrackStream(rng, notes, length);
                chordVar.GetPattern(t).SetEvents(stream.data(), stream.size(), static_cast<int32_t>(length));
            }
        }
    }
}

struct CBenchStyle {
    std::unique_ptr<CStyleContent> expanded;
    std::unique_ptr<CStyleContent> compact;
    CBenchStyle()
    {
        CNstRyIfc style;
        FillStyle(style);
        expanded = style.Build();
        compact = CStyleContent::CopyOf(expanded->Bytes(), static_cast<size_t>(expanded->Size()),
                                        expanded->capacity);
        CMakeMark::Compact(*compact->nav);
    }
};

const CBenchStyle& Style()
{
    static const CBenchStyle style;
    return style;
}

// Opening a style that is stored expanded: the analysis answers 0, then the model is read.
void BM_ParseExpanded(benchmark::State& state)
{
    const CBenchStyle& source = Style();
    for (auto _ : state) {
        auto tree =
            CStyleContent::CopyOf(source.expanded->Bytes(), static_cast<size_t>(source.expanded->Size()),
                                  source.expanded->capacity);
        CMakeMark mark(*tree->nav);
        CNstRyIfc style(tree->nav.get());
        benchmark::DoNotOptimize(style.Parsed());
    }
    state.counters["bytes"] = source.expanded->Size();
}
BENCHMARK(BM_ParseExpanded)->Unit(benchmark::kMicrosecond);

// Opening a style stored in compact form: analysis, expansion, then the model is read.
void BM_ExpandAndParseCompact(benchmark::State& state)
{
    const CBenchStyle& source = Style();
    for (auto _ : state) {
        auto tree = CStyleContent::CopyOf(
            source.compact->Bytes(), static_cast<size_t>(source.compact->Size()), source.compact->capacity);
        CMakeMark mark(*tree->nav);
        auto expanded = mark.TakeExpanded();
        CNstRyIfc style(expanded ? expanded->nav.get() : tree->nav.get());
        benchmark::DoNotOptimize(style.Parsed());
    }
    state.counters["bytes"] = source.compact->Size();
}
BENCHMARK(BM_ExpandAndParseCompact)->Unit(benchmark::kMicrosecond);

// Saving: the model built into a new tree, then compacted.
void BM_BuildAndCompact(benchmark::State& state)
{
    const CBenchStyle& source = Style();
    auto tree = CStyleContent::CopyOf(source.expanded->Bytes(), static_cast<size_t>(source.expanded->Size()),
                                      source.expanded->capacity);
    CNstRyIfc style(tree->nav.get());
    for (auto _ : state) {
        auto built = style.Build();
        CMakeMark::Compact(*built->nav);
        benchmark::DoNotOptimize(built->Size());
    }
}
BENCHMARK(BM_BuildAndCompact)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
