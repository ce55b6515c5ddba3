// The extended program list: programs whose ordinary notes lie in a restricted key range.
#pragma once

#include "bank/facade/CNstEditIfc.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

// Shows one message (caption, text) and returns once the user has answered it.
using ExtProgMessageSink = std::function<void(const std::string& caption, const std::string& text)>;

// Gives the program of track `track` of element `element` of the selected style as
// bank select MSB * 2^24 + LSB * 2^16 + program number.
using TrackProgramLookup = std::function<int32_t(int element, int track)>;

// The table read from "ExtProgList.txt". Each line of the file holds five decimal integers: bank select
// MSB, LSB, program number, lowest and highest ordinary note. The key of an entry is
// MSB * 16,777,216 + LSB * 65,536 + program in 32-bit unsigned arithmetic (wrapping); the notes keep
// their low 8 bits.
class CExtProgList {
public:
    static constexpr int Capacity = 128;
    static constexpr const char* FileName = "ExtProgList.txt";
    static constexpr const char* Caption = "Extended Program List";
    // Larger files are refused as unreadable: 128 lines of five numbers never come close.
    static constexpr size_t MaxFileSize = 1048576;

    enum class ReadResult { Read, NotFound, ReadError };

    // Reading
    // Empties the table, then reads `path` (CFileReader). A missing file gives NotFound after the message
    // "'<shownName>' - File not found"; anything else that cannot be read (a folder, a device or pipe, no
    // permission, more than MaxFileSize bytes) gives ReadError after "'<shownName>' - File read error".
    // Otherwise the lines are read as by Read() and the result is Read. The window shows the file's own
    // name, the command-line tool the path it was given.
    ReadResult ReadFile(const std::string& path, const ExtProgMessageSink& message,
                        const std::string& shownName = FileName);

    // Empties the table and reads lines from `in` (single-byte text; lines end at LF, CR LF or a lone
    // CR) until the input ends or Capacity entries are stored; later lines are neither read nor reported.
    // Per line the numbers are scanned as C's "%d%d%d%d%d" does: each field skips white space, takes an
    // optional sign and at least one digit; scanning stops at the first field that does not convert and
    // text after the fifth field is ignored. Numbers beyond the int32 range saturate at INT32_MIN or
    // INT32_MAX (C leaves that overflow undefined).
    // - five fields with field 4 < field 5 (signed): the entry is stored;
    // - one to four fields, or five with field 4 >= field 5: the message
    //   "Format Error - Line : '<line>'" (lines longer than 256 bytes are quoted by their first 256
    //   bytes and "...") and the line is skipped;
    // - no field (empty, blank or not starting with a number): skipped silently.
    // Each message is given to `message` before the next line is read. Memory use does not grow with
    // the length of a line.
    void Read(std::istream& in, const ExtProgMessageSink& message);

    // Lookup
    // For each track t of `element`, looks program(element, t) up among the keys and, at the first
    // entry that matches, sets ranges[t] to the entry's notes; tracks without a match keep what the
    // caller put in. Returns true when at least one track matched. An empty `program` (no style being
    // edited) returns false and leaves `ranges` as it is.
    bool LookupNoteRanges(const TrackProgramLookup& program, int element, CNoteRanges& ranges) const;

    // The table, filled by the readers in file order.
    int32_t ExtProgCount = 0;
    uint32_t ExtProgKeys[Capacity] = {};
    uint8_t ExtProgLow[Capacity] = {};
    uint8_t ExtProgHigh[Capacity] = {};
};
