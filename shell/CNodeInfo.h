// The info texts of the style tree's nodes, as the window shows them and the command-line tool prints them.
#pragma once

#include <cstdint>
#include <string>

class CExtProgList;
class CNstEditIfc;

class CNodeInfo {
public:
    // The parts of an element's signature byte: numerator - 1 in the low four bits, the exponent of
    // the denominator in the high four.
    static int Numerator(uint8_t signature) { return (signature & 0x0F) + 1; }
    static int Denominator(uint8_t signature) { return 1 << (signature >> 4); }

    // Texts from values
    // " Signature: 4 / 4"
    static std::string SignatureText(uint8_t signature);
    // " Length in measures: 2"
    static std::string LengthText(int measures);
    // " Prog Change: MSB LSB PROG" for bank MSB x 2^24 + LSB x 2^16 + program, with " ***" when
    // `restricted`.
    static std::string ProgramText(int32_t program, bool restricted);

    // Texts of the nodes. Like the facade's parameter queries they create the parts they name.
    static std::string ElementText(CNstEditIfc& style, int element);
    static std::string CvText(CNstEditIfc& style, int element, int cv);
    static std::string TrackText(CNstEditIfc& style, const CExtProgList& programs, int element, int track);
    // Whether the track's program is in `programs` with a note range other than 0 to 127.
    static bool IsRestricted(CNstEditIfc& style, const CExtProgList& programs, int element, int track);
};
