// The variable-length number reader of the MIDI file readers.
#include "smf/CSmfBytes.h"

#include "events/CStream.h"

CSmfBytes::VarLen CSmfBytes::ReadVarLen(CIn& in, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t byte;
        if (!in.ReadByte(&byte)) {
            value = 0;
            return VarLen::EndOfData;
        }
        value = value << 7 | (byte & 0x7Fu);
        if (!(byte & 0x80))
            return VarLen::Ok;
    }
    value = 0;
    return VarLen::TooLong;
}
