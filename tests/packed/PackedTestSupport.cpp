// Shared helpers of the packed subsystem's tests.
#include "PackedTestSupport.h"

#include "packed/CMemEncoder.h"

#include <cstring>

CLinkedEvent* MakeEvent(const TimedEvent& e)
{
    CLinkedEvent* event = EventsPool().GetNewEvent();
    if (!event)
        return nullptr;
    const EventKind kind = static_cast<EventKind>(e.header & 0xFF);
    if (kind == EventKind::Meta) {
        event->SetMeta(static_cast<uint8_t>(e.header >> 8), e.bytes.data(),
                       static_cast<uint32_t>(e.bytes.size()));
    } else if (kind == EventKind::SysEx) {
        uint8_t* buffer = EvBuffersPool().Alloc(static_cast<uint32_t>(e.bytes.size()));
        if (!e.bytes.empty())
            std::memcpy(buffer, e.bytes.data(), e.bytes.size());
        event->header = CEvent::SysExHeader(static_cast<uint32_t>(e.bytes.size()));
        event->data = reinterpret_cast<uintptr_t>(buffer);
    } else {
        event->header = e.header;
        event->data = e.word;
    }
    return event;
}

TimedEvent Describe(uint32_t time, const CEvent& event)
{
    TimedEvent e{time, event.header, 0, {}};
    const EventClass cls = event.Class();
    if (cls == EventClass::Meta || cls == EventClass::SysEx) {
        for (uint32_t i = 0; i < event.Length(); ++i)
            e.bytes.push_back(event.DataByte(i));
    } else {
        e.word = event.Inline();
    }
    return e;
}

std::vector<TimedEvent> DecodeAll(const uint8_t* bytes, size_t size, std::vector<size_t>* chains)
{
    std::vector<TimedEvent> out;
    CDecProp decoder(bytes, static_cast<int32_t>(size));
    int32_t delay = decoder.CurrentDelay();
    uint32_t time = 0;
    while (delay != -1) {
        time += static_cast<uint32_t>(delay);
        CLinkedEvent* chain = nullptr;
        delay = decoder.ExtractEvent(chain);
        if (!chain)
            break;
        if (chains)
            chains->push_back(CLinkedEvent::ChainLength(chain));
        for (const CLinkedEvent* event = chain; event; event = event->next)
            out.push_back(Describe(time, *event));
        EventsPool().ReleaseEvents(chain);
    }
    return out;
}

void WriteAll(CEncoderBase& encoder, const std::vector<TimedEvent>& events, bool grouped)
{
    for (size_t i = 0; i < events.size();) {
        CChainPtr chain(MakeEvent(events[i]));
        CLinkedEvent* tail = chain.get();
        size_t j = i + 1;
        while (grouped && j < events.size() && events[j].time == events[i].time &&
               CEvent{events[j].header, 0}.Class() == CEvent{events[i].header, 0}.Class()) {
            tail->next = MakeEvent(events[j++]);
            tail = tail->next;
        }
        encoder.WriteChainAt(events[i].time, chain.get());
        i = j;
    }
}

Bytes EncodeAll(const std::vector<TimedEvent>& events, bool noteMode, bool grouped)
{
    CMemEncoder encoder(noteMode ? CNoteForm::Paired : CNoteForm::Split);
    WriteAll(encoder, events, grouped);
    return Bytes(encoder.Data(), encoder.Data() + encoder.Size());
}
