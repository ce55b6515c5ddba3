// Throughput of the packed pattern decoder and encoders on a 100,000-event pattern.
#include "events/CEventsPool.h"
#include "packed/CDecProp.h"
#include "packed/CMemEncoder.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {
constexpr size_t PatternEvents = 100000;

struct TimedRecord {
    uint32_t time;
    CLinkedEvent event; // outside the pool: 100,000 of them would not fit in its 1024 records
};

// Notes with durations (60%), controls (30%) and programs (10%) on a few channels, mostly a
// sixteenth apart, now and then several at one time.
const std::vector<TimedRecord>& Pattern()
{
    static const std::vector<TimedRecord> pattern = [] {
        std::mt19937 rng(7);
        std::vector<TimedRecord> records(PatternEvents);
        uint32_t time = 0;
        for (TimedRecord& r : records) {
            time += rng() % 4 == 0 ? 0 : 96;
            r.time = time;
            const uint8_t channel = static_cast<uint8_t>(rng() % 4);
            const uint32_t pick = rng() % 10;
            if (pick < 6) {
                r.event.header =
                    CEvent::ChannelHeader(EventKind::Note, channel, static_cast<uint8_t>(36 + rng() % 48),
                                          static_cast<uint8_t>(1 + rng() % 127));
                r.event.data = CEvent::NoteData(24 + rng() % 720, 64);
            } else if (pick < 9) {
                r.event.header =
                    CEvent::ChannelHeader(EventKind::Control, channel, static_cast<uint8_t>(rng() % 120),
                                          static_cast<uint8_t>(rng() % 128));
            } else {
                r.event.header =
                    CEvent::ChannelHeader(EventKind::Program, channel, static_cast<uint8_t>(rng() % 128), 0);
            }
        }
        return records;
    }();
    return pattern;
}

std::vector<uint8_t> Encode(CNoteForm form)
{
    const auto& pattern = Pattern();
    std::vector<uint8_t> out(PatternEvents * 16);
    CMemEncoder encoder(out.data(), static_cast<uint32_t>(out.size()), form);
    for (const TimedRecord& r : pattern)
        encoder.WriteChainAt(r.time, &r.event);
    encoder.Finish(pattern.back().time + 1536);
    out.resize(encoder.Size());
    return out;
}

// Decodes the whole pattern, releasing each chain as it comes (the pool holds only 1024 records).
size_t DecodeOnce(const std::vector<uint8_t>& stream, bool count)
{
    size_t events = 0;
    CDecProp decoder(stream.data(), static_cast<int32_t>(stream.size()));
    for (;;) {
        CLinkedEvent* chain = nullptr;
        const int32_t delay = decoder.ExtractEvent(chain);
        if (count)
            events += CLinkedEvent::ChainLength(chain);
        EventsPool().ReleaseEvents(chain);
        if (delay < 0)
            return events;
    }
}

void DecodeNotes(benchmark::State& state)
{
    const std::vector<uint8_t> stream = Encode(CNoteForm::Paired);
    const size_t events = DecodeOnce(stream, true);
    for (auto _ : state)
        DecodeOnce(stream, false);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * events));
    state.counters["bytes"] = static_cast<double>(stream.size());
}

void EncodeWith(benchmark::State& state, CNoteForm form)
{
    const auto& pattern = Pattern();
    std::vector<uint8_t> out(PatternEvents * 16);
    size_t written = 0;
    for (auto _ : state) {
        CMemEncoder encoder(out.data(), static_cast<uint32_t>(out.size()), form);
        for (const TimedRecord& r : pattern)
            encoder.WriteChainAt(r.time, &r.event);
        encoder.Finish(pattern.back().time + 1536);
        benchmark::DoNotOptimize(encoder.Size());
        written = encoder.Size();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * PatternEvents));
    // Split notes write an on and an off per Note: count the events that reach the stream too.
    const size_t streamEvents = DecodeOnce(std::vector<uint8_t>(out.begin(), out.begin() + written), true);
    state.counters["stream_events_per_second"] =
        benchmark::Counter(static_cast<double>(streamEvents), benchmark::Counter::kIsIterationInvariantRate);
}

// Note mode: Note events are written whole with their durations.
void EncodeNotes(benchmark::State& state)
{
    EncodeWith(state, CNoteForm::Paired);
}

// The system's memory encoder: notes split into ons and offs through the pending-off heap.
void EncodeSplitNotes(benchmark::State& state)
{
    EncodeWith(state, CNoteForm::Split);
}
// Reference: one pool record taken and released per event, the floor under any decoder that hands
// out pooled chains.
void ReferencePoolCycle(benchmark::State& state)
{
    CEventsPool& pool = EventsPool();
    for (auto _ : state) {
        for (size_t i = 0; i < PatternEvents; ++i) {
            CLinkedEvent* event = pool.GetNewEvent(0x00403C07u, 0);
            benchmark::DoNotOptimize(event);
            pool.ReleaseEvents(event);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * PatternEvents));
}
} // namespace

BENCHMARK(ReferencePoolCycle)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeNotes)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeNotes)->Unit(benchmark::kMillisecond);
BENCHMARK(EncodeSplitNotes)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
