// Trimming a long pattern to its chord variation: with split ons and offs (what every stored bank
// built by import holds) and with the keyboard's own Note events.
#include "packed/CMemEncoder.h"
#include "packed/CPatternData.h"
#include "packed/CPatternState.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {
constexpr uint32_t PatternNotes = 20000;
constexpr uint32_t Spacing = 96;
// The chord variation ends before the last 1% of the notes: trimming drops them and closes the
// notes sounding at the end.
constexpr uint32_t CvLength = PatternNotes / 100 * 99 * Spacing;

std::vector<uint8_t> Stream(bool whole)
{
    std::mt19937 rng(11);
    CMemEncoder encoder(whole ? CNoteForm::Paired : CNoteForm::Split);
    for (uint32_t i = 0; i < PatternNotes; ++i) {
        const uint32_t time = i * Spacing;
        CLinkedEvent note;
        note.header = CEvent::ChannelHeader(EventKind::Note, 0, static_cast<uint8_t>(36 + rng() % 48),
                                            static_cast<uint8_t>(1 + rng() % 127));
        note.data = CEvent::NoteData(24 + rng() % 400, 64);
        encoder.WriteChainAt(time, &note);
        if (i % 8 == 0) {
            CLinkedEvent control;
            control.header =
                CEvent::ChannelHeader(EventKind::Control, 0, 11, static_cast<uint8_t>(rng() % 128));
            encoder.WriteChainAt(time, &control);
        }
    }
    encoder.Finish(PatternNotes * Spacing);
    encoder.Close();
    return {encoder.Data(), encoder.Data() + encoder.Size()};
}

void TrimWith(benchmark::State& state, bool whole)
{
    const std::vector<uint8_t> stream = Stream(whole);
    CPatternData source(3);
    source.data = stream.data();
    source.dataSize = static_cast<uint32_t>(stream.size());
    source.lengthTicks = CvLength;
    std::vector<uint8_t> buffer(4 * stream.size() + 1024);
    CPatternState patternState;
    CPatternData trimmed(3);
    for (auto _ : state) {
        CPatternData::Trim(patternState, source, trimmed, buffer.data(), static_cast<uint32_t>(buffer.size()),
                           true);
        benchmark::DoNotOptimize(trimmed.dataSize);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
    state.counters["bytes_out"] = static_cast<double>(trimmed.dataSize);
}

void TrimSplitNotes(benchmark::State& state)
{
    TrimWith(state, false);
}

void TrimWholeNotes(benchmark::State& state)
{
    TrimWith(state, true);
}
} // namespace

BENCHMARK(TrimSplitNotes)->Unit(benchmark::kMillisecond);
BENCHMARK(TrimWholeNotes)->Unit(benchmark::kMillisecond);
