// A format 0 MIDI file encoder writing into memory.
#include "smf/CMidiOut.h"

CMidiOut::CMidiOut()
{
    SetOutput(&memory);
    Open();
}

CMidiOut::~CMidiOut() = default;
