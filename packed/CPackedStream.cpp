// Chain-by-chain reading and writing of packed event streams.
#include "packed/CPackedStream.h"

#include "events/CEncoderBase.h"
#include "packed/CDecProp.h"
#include "packed/CMemEncoder.h"
#include "packed/CPatternData.h"
#include "packed/CPatternState.h"

#include <algorithm>

// --- Reading ---

CPackedReader::CPackedReader(const uint8_t* data, size_t size)
    : decoder(std::make_unique<CDecProp>(data, static_cast<int32_t>(std::min<size_t>(size, INT32_MAX))))
{
    Rewind();
}

CPackedReader::~CPackedReader() = default;

void CPackedReader::Rewind()
{
    delay = decoder->OnRewind();
    time = 0;
    done = delay < 0;
    // A stream that yields no first chain cannot be decoded (streams always close with End of Track).
    failed = done;
}

bool CPackedReader::Next(CChainPtr& chain, uint32_t& at)
{
    chain.reset();
    if (done)
        return false;
    time += static_cast<uint32_t>(delay);
    CLinkedEvent* raw = nullptr;
    delay = decoder->ExtractEvent(raw);
    chain.reset(raw);
    if (!raw) {
        done = failed = true;
        return false;
    }
    if (delay < 0) {
        done = true;
        const CLinkedEvent* last = raw->Last();
        failed = !last->IsEndOfTrack() && !IsPrivateMark(*last, 1);
    }
    at = time;
    return true;
}

// --- Writing ---

CPackedWriter::CPackedWriter() : encoder(std::make_unique<CMemEncoder>(CNoteForm::Kept)) {}

CPackedWriter::~CPackedWriter() = default;

bool CPackedWriter::Write(uint32_t time, CLinkedEvent* chain)
{
    return encoder->WriteChainAt(time, chain);
}

bool CPackedWriter::WriteWithoutEnd(uint32_t time, CLinkedEvent* chain)
{
    CLinkedEvent* before = nullptr;
    CLinkedEvent* end = chain;
    while (end && !end->IsEndOfTrack()) {
        before = end;
        end = end->next;
    }
    if (!end)
        return Write(time, chain);
    if (!before)
        return true;
    // End of Track always closes its chain: cut it off for the write and put it back.
    before->next = nullptr;
    const bool ok = Write(time, chain);
    before->next = end;
    return ok;
}

bool CPackedWriter::WriteMeta(uint32_t time, uint8_t type, std::initializer_list<uint8_t> bytes)
{
    return WriteMetaTo(*encoder, time, type, bytes.begin(), static_cast<uint32_t>(bytes.size()));
}

bool CPackedWriter::WriteEvent(uint32_t time, const CEvent& event)
{
    CChainPtr copy(EventsPool().GetNewEvent());
    if (!copy)
        return false;
    copy->ShareFrom(event);
    return Write(time, copy.get());
}

bool CPackedWriter::Finish(uint32_t endTime)
{
    return encoder->Finish(endTime) && encoder->Close();
}

const uint8_t* CPackedWriter::Bytes() const
{
    return EncodedBytesOf(*encoder).bytes;
}

size_t CPackedWriter::Size() const
{
    return EncodedBytesOf(*encoder).size;
}

CEncodedBytes EncodedBytesOf(const CMemEncoder& encoder)
{
    return {encoder.Data(), encoder.Size(), static_cast<int32_t>(encoder.GetEndTime())};
}

bool WriteMetaTo(CEncoderBase& encoder, uint32_t time, uint8_t type, const uint8_t* bytes, uint32_t length)
{
    CChainPtr event(EventsPool().GetNewEvent());
    return event && event->SetMeta(type, bytes, length) && encoder.WriteChainAt(time, event.get());
}

bool IsPrivateMark(const CEvent& event, uint8_t code)
{
    return event.Kind() == EventKind::Meta && event.MetaType() == CEvent::PrivateMetaType &&
           event.Length() >= 1 && event.DataByte(0) == code;
}

bool CopyTempoMarks(const std::vector<uint8_t>& tempoData, uint32_t limit, CPackedWriter& out)
{
    if (tempoData.empty())
        return true;
    CPackedReader reader(tempoData.data(), tempoData.size());
    CChainPtr chain;
    uint32_t time = 0;
    while (reader.Next(chain, time))
        for (const CLinkedEvent* event = chain.get(); event && time < limit; event = event->next)
            if (IsPrivateMark(*event, kTempoMark) && !out.WriteEvent(time, *event))
                return false;
    return !reader.Failed();
}

bool StoreTrimmedRecord(const uint8_t* data, size_t size, uint8_t kind, uint8_t param1, uint8_t param2,
                        uint32_t lengthTicks, std::vector<uint8_t>& record)
{
    CPatternData source(kind);
    source.lengthTicks = lengthTicks;
    source.dataSize = static_cast<uint32_t>(size);
    source.data = data;
    source.trailer[0] = param1;
    source.trailer[1] = param2;
    // Every kept event of two or more bytes grows by at most a delta and a channel increment, and
    // every reset event stands for a note or controller event of the source: four times the
    // source plus a margin always holds the result.
    if (size > (UINT32_MAX - 1024) / 4)
        return false;
    std::vector<uint8_t> buffer(4 * size + 1024);
    CPatternState state;
    CPatternData trimmed(kind);
    if (CPatternData::Trim(state, source, trimmed, buffer.data(), static_cast<uint32_t>(buffer.size()),
                           true) == CPatternData::TrimResult::Failed)
        return false;
    record.resize(trimmed.StoredSize());
    return trimmed.Store(record.data(), static_cast<uint32_t>(record.size())) == record.size();
}
