// The common base of every decoder: the protocol that turns bytes into timed event chains.
#pragma once

#include "events/CEvent.h"

#include <cstdint>

// Snapshot interface: a decoder that supports it can set its position aside and come back to it.
class CPhotogenic {
public:
    virtual ~CPhotogenic() = default;
    virtual int Snapshot() { return 1; }
    virtual int Restore() { return 1; }
    // 1 when Snapshot and Restore do something.
    virtual int SupportsSnapshot() const { return 1; }
};

// Serialisation interface of decoders that can be stored and reloaded; every hook accepts.
class CDMSerial {
public:
    virtual ~CDMSerial() = default;
    virtual int SerialSize() const { return 1; }
    virtual int Load() { return 1; }
    virtual int Save() const { return 1; }
    virtual int LoadAndWrite() { return 1; }
    virtual int Relocate() { return 1; }
    virtual int IsSerialValid() const { return 1; }
    virtual int SerialVersion() const { return 1; }
};

// A decoder delivers chains of simultaneous events with the delay between them, in ticks of 384
// per quarter note. Protocol for drivers:
//   1. construct, give the decoder its input (derived classes say how);
//   2. OnRewind() -> delay from time 0 to the first chain, or -1 when the input cannot be read;
//   3. repeat ExtractEvent(chain) -> the chain at the current time (owned by the caller, who
//      releases it with EventsPool().ReleaseEvents) and the delay to the next chain: 0 when the
//      next chain has the same time but another kind class, -1 with the last chain (it ends with
//      End of Track), -1 with a null chain on failure or after the end;
//   4. destroy.
// A driver that keeps time on the decoder itself uses RewindTimed / ExtractTimed, which maintain
// the current delay and the elapsed time.
class CDecBase : public CPhotogenic, public CDMSerial {
public:
    static constexpr int32_t NoDelay = -1;

    CDecBase() = default;
    ~CDecBase() override = default;
    CDecBase(const CDecBase&) = delete;
    CDecBase& operator=(const CDecBase&) = delete;

    // Identification and reset
    // Type number of the decoder (the base answers 4).
    virtual int TypeNumber() const { return 4; }
    virtual int Initialize() { return 1; }
    // Clears the elapsed time; answers 1.
    virtual int Reset();

    // State queries
    // Class of the event held in look-ahead, None when there is none.
    virtual EventClass PendingClass() const { return EventClass::None; }
    // True once the End of Track has been delivered.
    virtual bool IsFinished() const = 0;
    // End time of events stored into the decoder's source, -1 when unknown.
    virtual int32_t StoredEndTime() const { return -1; }
    // Progressive inputs: wait for data instead of producing filler events.
    virtual void SetBlocking(bool) {}

    // Decoding: implemented by every decoder
    // Hands out the chain at the current time (null on failure) and answers the delay to the
    // next chain, or -1 (see the protocol above). The caller owns the chain.
    virtual int32_t ExtractEvent(CLinkedEvent*& chain) = 0;
    // Starts over from the beginning of the input: answers the delay to the first chain, or -1.
    virtual int32_t OnRewind() = 0;

    // Snapshot of the time pair
    int Snapshot() override;
    int Restore() override;

    // Time kept by drivers
    // Clears the elapsed time, rewinds and keeps the answer as the current delay.
    int32_t RewindTimed();
    // Adds the current delay (unless -1) to the elapsed time, extracts, and keeps the answer as
    // the current delay.
    int32_t ExtractTimed(CLinkedEvent*& chain);
    int32_t CurrentDelay() const { return static_cast<int32_t>(currentDelay); }
    uint32_t ElapsedTime() const { return elapsedTime; }
    void SetCurrentDelay(int32_t delay) { currentDelay = static_cast<uint32_t>(delay); }
    void SetElapsedTime(uint32_t time) { elapsedTime = time; }

protected:
    uint32_t snapshotDelay = 0;
    uint32_t snapshotElapsed = 0;
    uint32_t currentDelay = 0;
    uint32_t elapsedTime = 0;
};
