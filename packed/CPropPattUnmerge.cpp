// Splitting one decoder's event stream by channel.
#include "packed/CPropPattUnmerge.h"

#include "events/CEventsPool.h"
#include "packed/CPropPattMerge.h"

namespace {
// Releases the first events of `chain` while fewer than `count` have been dropped.
void DropFirst(CLinkedEvent*& chain, uint32_t& dropped, uint32_t count)
{
    while (chain && dropped < count) {
        CLinkedEvent* first = chain;
        chain = chain->next;
        first->next = nullptr;
        EventsPool().ReleaseEvents(first);
        ++dropped;
    }
}
} // namespace

CPropPattUnmerge::CPropPattUnmerge(CDecBase& source, CFilterOut* eventFilter)
    : decoder(source), filter(eventFilter)
{
}

CPropPattUnmerge::~CPropPattUnmerge() = default;

void CPropPattUnmerge::AddMetaSink(CEncoderBase& encoder)
{
    sinks[MetaSlot] = CPropPatt{&encoder, KeepChannel, false};
}

void CPropPattUnmerge::AddChannelSink(CEncoderBase& encoder, uint8_t sourceChannel, uint8_t stampChannel)
{
    if (sourceChannel > 15) {
        singleSink = true;
        sourceChannel = 0;
    }
    sinks[sourceChannel] = CPropPatt{&encoder, stampChannel, true};
}

void CPropPattUnmerge::CPropPatt::PutEndOfTrack(uint32_t time)
{
    encoder->WriteEndOfTrackAt(time);
    encoder->Close();
    closed = true;
}

void CPropPattUnmerge::CPropPatt::Put(uint32_t time, CLinkedEvent*& chain)
{
    if (closed)
        return;
    switch (chain->Class()) {
    case EventClass::Channel:
        if (channel < 16)
            for (CLinkedEvent* event = chain; event; event = event->next)
                event->SetChannel(channel);
        encoder->WriteChainAt(time, chain);
        break;
    case EventClass::Meta: {
        const bool ends = CPropPattMerge::CutAtEndOfTrack(chain, true);
        if (!isChannelSink) {
            encoder->WriteChainAt(time, chain);
            if (ends) {
                encoder->Close();
                closed = true;
            }
        } else if (ends) {
            PutEndOfTrack(time);
        }
        break;
    }
    case EventClass::SysEx:
    case EventClass::None:
        break;
    }
}

void CPropPattUnmerge::DistributeChannelEvents(uint32_t time, const CLinkedEvent* chain)
{
    for (const CLinkedEvent* event = chain; event; event = event->next) {
        if (filter && filter->Accept(*event, time))
            continue;
        const uint8_t channel = event->Channel();
        if (channel > 15 || !sinks[channel])
            continue;
        // Channel events own no buffer: a plain copy travels alone, leaving the chain intact.
        CLinkedEvent single;
        single.header = event->header;
        single.data = event->data;
        CLinkedEvent* one = &single;
        sinks[channel]->Put(time, one);
    }
}

void CPropPattUnmerge::Distribute(uint32_t time, CLinkedEvent*& chain)
{
    const EventClass kind = chain->Class();
    if (kind == EventClass::Meta && sinks[MetaSlot])
        sinks[MetaSlot]->Put(time, chain);
    if (singleSink) {
        if (sinks[0])
            sinks[0]->Put(time, chain);
        return;
    }
    if (kind == EventClass::Channel) {
        DistributeChannelEvents(time, chain);
        return;
    }
    for (size_t slot = 0; slot < MetaSlot; ++slot)
        if (sinks[slot])
            sinks[slot]->Put(time, chain);
}

void CPropPattUnmerge::CloseSinks(uint32_t time)
{
    for (auto& sink : sinks)
        if (sink && !sink->closed)
            sink->PutEndOfTrack(time);
}

int32_t CPropPattUnmerge::Run(uint32_t skipEvents, uint32_t endTime)
{
    int32_t delay = decoder.RewindTimed();
    if (delay == CDecBase::NoDelay)
        return -1;
    uint64_t time = 0;
    uint32_t dropped = 0;
    for (;;) {
        time += static_cast<uint32_t>(delay);
        if (time > endTime)
            break;
        CLinkedEvent* chain = nullptr;
        delay = decoder.ExtractTimed(chain);
        if (!chain)
            return -1;
        DropFirst(chain, dropped, skipEvents);
        if (chain)
            Distribute(static_cast<uint32_t>(time), chain);
        EventsPool().ReleaseEvents(chain);
        if (delay == CDecBase::NoDelay || decoder.IsFinished()) {
            // Sinks closed themselves on the source's End of Track; any the stream never reached
            // (its End of Track skipped) get one here, so every output ends with exactly one.
            CloseSinks(static_cast<uint32_t>(time));
            return static_cast<int32_t>(time);
        }
    }
    CloseSinks(endTime);
    return static_cast<int32_t>(endTime);
}
