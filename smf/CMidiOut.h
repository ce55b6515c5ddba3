// A format 0 MIDI file encoder writing into its own growing memory buffer.
#pragma once

#include "events/CMemOut.h"
#include "smf/CEncoderSMF0.h"

// Constructed open: the 22 header bytes are already written. Drive it as a CEncoderSMF0, write End
// of Track, Close, then take the file: Output().Detach() hands over the buffer and
// Output().GetSize() is the file size.
class CMidiOut : public CEncoderSMF0 {
public:
    CMidiOut();
    // Frees the bytes unless they were detached.
    ~CMidiOut() override;

    CMemOut& Output() { return memory; }
    const CMemOut& Output() const { return memory; }

private:
    CMemOut memory;
};
