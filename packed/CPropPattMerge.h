// Merging several decoders' event streams into one encoder, in time order.
#pragma once

#include "events/CDecBase.h"
#include "events/CEncoderBase.h"

#include <cstdint>
#include <list>

// Pulls chains from every source decoder in time order and writes them through one encoder,
// stamping each source's channel on its channel events. Sources never pass their own End of Track
// on; the merged stream gets one End of Track at the time of the last chain taken. Construct, add
// sources, Run once. Neither the encoder nor the decoders are owned.
class CPropPattMerge {
public:
    static constexpr uint32_t NoEndTime = 0xFFFFFFFF;
    static constexpr uint8_t KeepChannel = 255;

    explicit CPropPattMerge(CEncoderBase& encoder);
    ~CPropPattMerge();
    CPropPattMerge(const CPropPattMerge&) = delete;
    CPropPattMerge& operator=(const CPropPattMerge&) = delete;

    // Sources. Each rewinds its decoder (elapsed time cleared); a decoder that cannot be rewound
    // is not added, the answer is false and Run will answer false.
    // A source whose channel events get `channel` (16 or more leaves them as they are).
    bool AddTrack(CDecBase& decoder, uint8_t channel);
    // A source left unstamped whose chains at or after `endTime` are not read.
    bool AddStream(CDecBase& decoder, uint32_t endTime);

    // Merges all sources into the (open) encoder, writes End of Track and closes the encoder.
    // Sources with chains at the same time are read in the order they were added, and a source
    // read again sorts behind the others waiting at that time. Writes the encoder refuses are left
    // out. False when a source failed (its decoder answered -1 without a chain, or could not be
    // rewound) or the encoder could not be closed; the merged output then lacks that source's rest.
    bool Run();

    // Ends `chain` (null allowed) at its first End of Track: the events after it, and with
    // `keepEnd` false the End of Track itself, are released; `chain` becomes null when nothing
    // remains. True when the chain held an End of Track.
    static bool CutAtEndOfTrack(CLinkedEvent*& chain, bool keepEnd);

private:
    struct CPropPatt {
        uint32_t nextTime; // absolute time of the source's next chain
        uint32_t endTime;
        CDecBase* decoder;
        uint8_t channel;
    };

    bool Add(CDecBase& decoder, uint8_t channel, uint32_t endTime);
    // Puts the front source back before the first source whose next time is later.
    void Requeue();
    // Reads the source's next chain, writes it at `time` and answers the decoder's delay.
    int32_t Pass(CPropPatt& source, uint32_t time);

    CEncoderBase& encoder;
    std::list<CPropPatt> sources; // sorted by nextTime
    bool failed = false;
};
