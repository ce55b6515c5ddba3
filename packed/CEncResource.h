// The packed event encoder that inserts into a gap inside a growable buffer.
#pragma once

#include "packed/CEncoderProp.h"
#include "packed/CGrowBuffer.h"

#include <cstddef>
#include <cstdint>

// Writes packed events into `target` at `insertOffset`, in front of the bytes that follow it.
// While open, those bytes (the tail) wait at the end of the target's capacity and the output is
// the gap between; Close moves them back behind the bytes written. The target (owned by the
// caller) must outlive the encoder and must not be touched while the encoder is open.
class CEncResource : public CEncoderProp {
public:
    // Cuts the target's contents back to `insertOffset` (at most its Used()) and remembers the tail.
    CEncResource(CGrowBuffer& target, size_t growStep, size_t insertOffset);
    // Closes the encoder when it is still open, so the tail is never lost.
    ~CEncResource() override;

    // Moves the tail to the end of the capacity and writes into the gap.
    bool Open() override;
    // The closing checks; then the tail goes back behind the written bytes and the target's
    // contents grow by them.
    bool Close() override;
    // Grows the target by at least `bytes` (in steps of the growth step) and moves the tail along.
    bool Reserve(uint32_t bytes) override;

private:
    // Output between the insertion point and the tail, of which `written` bytes are used.
    void BindGap(uint32_t written);

    CGrowBuffer& target;
    size_t growStep;
    size_t insertOffset;
    size_t tailLength;
};
