// The header check of a Standard MIDI File image, and the decoder of its track.
#pragma once

#include "events/CMemIn.h"
#include "smf/CDecSMF0.h"

#include <cstdint>
#include <memory>

// A memory input over a caller's file image (never copied, never freed; the caller keeps it alive
// while the decoder is used). Open() checks the headers and sets up a CDecSMF0 over the track.
class CMidiIn : public CMemIn {
public:
    CMidiIn(const uint8_t* image, uint32_t size);
    ~CMidiIn() override;

    using CMemIn::Open;
    // True when the image is a format 0 file with one track: "MThd", a header length L (any),
    // format 0, 1 track, the division, then "MTrk" and the track length N at offset 8 + L. The
    // decoder then reads the N bytes after the track header, or the rest of the image when it is
    // shorter. False, without a trace and without a decoder, for anything else (including an image
    // shorter than the headers). Calling it again after success answers true and changes nothing.
    bool Open();

    // The decoder of the track, owned here: null until Open() has succeeded. Drive it with
    // OnRewind / ExtractEvent (CDecBase).
    CDecSMF0* Decoder() const { return decoder.get(); }

private:
    const uint8_t* image;
    std::unique_ptr<CDecSMF0> decoder;
};
