// Throughput of the event engine: record take/release, chain copies, and a decoder-to-encoder pass.
#include "events/CDecStream.h"
#include "events/CEncoderBase.h"
#include "events/CEventsPool.h"

#include <benchmark/benchmark.h>
#include <cstdint>

namespace {
// Delivers `count` note events 48 source ticks apart (division 96), then End of Track.
class CCountingDecoder : public CDecStream {
public:
    explicit CCountingDecoder(uint32_t events) : CDecStream(96), count(events) {}

protected:
    int OnExtractEvent(uint32_t& delay, CEvent& event) override
    {
        if (next > count)
            return ReadFailed;
        delay = next ? 48 : 0;
        event.header =
            next++ < count ? CEvent::ChannelHeader(EventKind::NoteOn, 0, 60, 100) : CEvent::EndOfTrackHeader;
        return ReadOk;
    }
    bool RewindInput() override
    {
        next = 0;
        return true;
    }

private:
    uint32_t count;
    uint32_t next = 0;
};

// Writes each event as its delay and two bytes into a small ring, as a real encoder would.
class CByteEncoder : public CEncoderBase {
public:
    bool OnChannelMsg(uint32_t time, const CEvent& event) override { return Put(time, event); }
    bool OnMetaEvent(uint32_t time, const CEvent& event) override { return Put(time, event); }
    bool OnSysEx(uint32_t time, const CEvent& event) override { return Put(time, event); }
    bool EncodeDelta(uint32_t ticks) override
    {
        uint8_t bytes[4];
        const int n = VarLenNum(ticks, bytes);
        for (int i = 0; i < n; ++i)
            Emit(bytes[i]);
        return true;
    }
    uint64_t checksum = 0;

private:
    bool Put(uint32_t time, const CEvent& event)
    {
        AdvanceTime(time);
        Emit(event.Data1());
        Emit(event.Data2());
        return true;
    }
    void Emit(uint8_t byte)
    {
        ring[used++ & 63] = byte;
        checksum += byte;
    }
    uint8_t ring[64] = {};
    uint32_t used = 0;
};

void TakeAndRelease(benchmark::State& state)
{
    CEventsPool& pool = EventsPool();
    for (auto _ : state) {
        CLinkedEvent* event = pool.GetNewEvent();
        benchmark::DoNotOptimize(event);
        pool.ReleaseEvents(event);
    }
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(TakeAndRelease);

// Reference: the same record from the general heap.
void HeapNewDelete(benchmark::State& state)
{
    for (auto _ : state) {
        auto* event = new CLinkedEvent;
        benchmark::DoNotOptimize(event);
        delete event;
    }
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(HeapNewDelete);

void CopyChain(benchmark::State& state)
{
    const auto length = static_cast<int>(state.range(0));
    CLinkedEvent* source = nullptr;
    for (int i = 0; i < length; ++i) {
        CLinkedEvent* event =
            EventsPool().GetNewEvent(CEvent::ChannelHeader(EventKind::Control, 0, 7, 100), 0);
        if (i == 0) {
            const uint8_t text[] = "a shared text";
            event->SetMeta(0x01, text, sizeof text);
        }
        event->next = source;
        source = event;
    }
    for (auto _ : state) {
        CLinkedEvent* copy = EventsPool().CopyChain(source);
        benchmark::DoNotOptimize(copy);
        EventsPool().ReleaseEvents(copy);
    }
    EventsPool().ReleaseEvents(source);
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * length), benchmark::Counter::kIsRate);
}
BENCHMARK(CopyChain)->Arg(16)->Arg(256);

void DecodeToEncode(benchmark::State& state)
{
    constexpr uint32_t Events = 100000;
    for (auto _ : state) {
        CCountingDecoder decoder(Events);
        CByteEncoder encoder;
        encoder.Open();
        uint32_t time = 0;
        int32_t delay = decoder.OnRewind();
        while (delay >= 0) {
            time += static_cast<uint32_t>(delay);
            CLinkedEvent* chain = nullptr;
            delay = decoder.ExtractEvent(chain);
            encoder.WriteChainAt(time, chain);
            EventsPool().ReleaseEvents(chain);
        }
        encoder.Close();
        benchmark::DoNotOptimize(encoder.checksum);
    }
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(state.iterations() * (Events + 1)),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(DecodeToEncode)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
