// Merging decoders' event streams into one encoder.
#include "packed/CPropPattMerge.h"

#include "events/CEventsPool.h"

#include <algorithm>

CPropPattMerge::CPropPattMerge(CEncoderBase& output) : encoder(output) {}

CPropPattMerge::~CPropPattMerge() = default;

bool CPropPattMerge::AddTrack(CDecBase& decoder, uint8_t channel)
{
    return Add(decoder, channel, NoEndTime);
}

bool CPropPattMerge::AddStream(CDecBase& decoder, uint32_t endTime)
{
    return Add(decoder, KeepChannel, endTime);
}

bool CPropPattMerge::Add(CDecBase& decoder, uint8_t channel, uint32_t endTime)
{
    const int32_t delay = decoder.RewindTimed();
    if (delay == CDecBase::NoDelay) {
        failed = true;
        return false;
    }
    // A stream with nothing before its end time has nothing to give.
    if (static_cast<uint32_t>(delay) >= endTime)
        return true;
    sources.push_front({static_cast<uint32_t>(delay), endTime, &decoder, channel});
    Requeue();
    return true;
}

void CPropPattMerge::Requeue()
{
    const uint32_t time = sources.front().nextTime;
    const auto later = std::find_if(std::next(sources.begin()), sources.end(),
                                    [time](const CPropPatt& source) { return source.nextTime > time; });
    sources.splice(later, sources, sources.begin());
}

bool CPropPattMerge::CutAtEndOfTrack(CLinkedEvent*& chain, bool keepEnd)
{
    CLinkedEvent** link = &chain;
    while (*link && !(*link)->IsEndOfTrack())
        link = &(*link)->next;
    if (!*link)
        return false;
    if (keepEnd)
        link = &(*link)->next;
    EventsPool().ReleaseEvents(*link);
    *link = nullptr;
    return true;
}

int32_t CPropPattMerge::Pass(CPropPatt& source, uint32_t time)
{
    CLinkedEvent* chain = nullptr;
    const int32_t delay = source.decoder->ExtractTimed(chain);
    if (!chain) {
        // -1 without a chain: the decoder failed (a finished source is dropped before this).
        failed = failed || delay == CDecBase::NoDelay;
        return delay;
    }
    if (chain->Class() == EventClass::Channel && source.channel < 16) {
        for (CLinkedEvent* event = chain; event; event = event->next)
            event->SetChannel(source.channel);
    } else if (chain->Class() == EventClass::Meta) {
        // A source's End of Track goes no further: the merged stream gets its own.
        CutAtEndOfTrack(chain, false);
    }
    if (chain)
        encoder.WriteChainAt(time, chain);
    EventsPool().ReleaseEvents(chain);
    return delay;
}

bool CPropPattMerge::Run()
{
    uint32_t lastTaken = 0;
    while (!sources.empty()) {
        CPropPatt& source = sources.front();
        lastTaken = source.nextTime;
        const int32_t delay = Pass(source, lastTaken);
        if (delay != CDecBase::NoDelay && !source.decoder->IsFinished()) {
            source.nextTime = lastTaken + static_cast<uint32_t>(delay);
            if (source.nextTime < source.endTime) {
                Requeue();
                continue;
            }
        }
        sources.pop_front();
    }
    encoder.WriteEndOfTrackAt(lastTaken);
    return encoder.Close() && !failed;
}
