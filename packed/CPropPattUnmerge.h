// Splitting one decoder's event stream by channel into per-channel encoders.
#pragma once

#include "events/CDecBase.h"
#include "events/CEncoderBase.h"

#include <array>
#include <cstdint>
#include <optional>

// An event filter consulted before a channel event is distributed.
class CFilterOut {
public:
    virtual ~CFilterOut() = default;
    // True when the filter takes `event` (at absolute tick `time`): it then goes to no sink.
    virtual bool Accept(const CEvent& event, uint32_t time) = 0;
};

// Reads one stream and distributes its events to up to 16 channel sinks (one per source channel)
// and one meta sink, each writing to its own encoder. Every sink's output ends with exactly one End
// of Track: the source's own, or one at the end time given to Run; the sink then closes its
// encoder. Construct, add sinks, Run once. The decoder, the filter and the encoders are not owned.
class CPropPattUnmerge {
public:
    static constexpr uint8_t KeepChannel = 255;
    static constexpr uint8_t AllChannels = 255; // as `sourceChannel`: the single sink

    // `filter` may be null (every channel event is distributed).
    CPropPattUnmerge(CDecBase& decoder, CFilterOut* filter);
    ~CPropPattUnmerge();
    CPropPattUnmerge(const CPropPattUnmerge&) = delete;
    CPropPattUnmerge& operator=(const CPropPattUnmerge&) = delete;

    // Sinks
    // The meta sink receives every meta chain (Set Tempo, Time Signature, texts ...).
    void AddMetaSink(CEncoderBase& encoder);
    // The sink of `sourceChannel` (0-15) receives that channel's events with `stampChannel` set on
    // them (16 or more keeps their channel). A `sourceChannel` above 15 makes it the single sink:
    // every chain then goes to it, unfiltered. A channel sink receives End of Track of meta chains
    // but no other meta or system exclusive event.
    void AddChannelSink(CEncoderBase& encoder, uint8_t sourceChannel, uint8_t stampChannel);

    // Distributes the stream from its start. The first `skipEvents` events are dropped (a chain
    // straddling the count loses its first part). Chains after `endTime` are not read: each sink
    // is given End of Track at `endTime` instead. Answers the absolute time at which distribution
    // stopped (the source's End of Track, or `endTime`), or -1 when the decoder failed (the sinks
    // are then left unclosed, their output incomplete).
    int32_t Run(uint32_t skipEvents, uint32_t endTime);

private:
    static constexpr size_t MetaSlot = 16;

    struct CPropPatt {
        CEncoderBase* encoder;
        uint8_t channel; // stamped on channel events; 16 or more leaves them
        bool isChannelSink;
        bool closed = false;

        // Writes `chain` (owned by the caller) at `time` by the sink's rules.
        void Put(uint32_t time, CLinkedEvent*& chain);
        void PutEndOfTrack(uint32_t time);
    };

    void Distribute(uint32_t time, CLinkedEvent*& chain);
    void DistributeChannelEvents(uint32_t time, const CLinkedEvent* chain);
    // Gives End of Track at `time` to every sink that has not had one.
    void CloseSinks(uint32_t time);

    CDecBase& decoder;
    CFilterOut* filter;
    bool singleSink = false;
    std::array<std::optional<CPropPatt>, 17> sinks;
};
