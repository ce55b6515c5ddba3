// The facade through which the window works on its selected style.
#pragma once

#include "bank/facade/CStyleMsgFilter.h"
#include "bank/model/CNstRyIfc.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// A note range of a track's program: notes below `low` or above `high` lie outside it. (0, 127) is
// no range.
struct CNoteRange {
    uint8_t low = 0;
    uint8_t high = 127;
    bool IsFull() const { return low == 0 && high == 127; }
};
using CNoteRanges = std::array<CNoteRange, kStyleTracks>;

// A note of a chord variation as its MIDI file holds it: start in ticks (384 per quarter note), track
// 0..7, key, length in ticks and on velocity.
struct CCvNote {
    uint32_t start;
    uint8_t track;
    uint8_t key;
    uint32_t length;
    uint8_t velocity;
    auto operator<=>(const CCvNote&) const = default;
};

class CEncoderBase;

// Owns one style model (with its tempo and a filter holder) and offers what the window shows and
// changes: states, names, parameters, deletion, building the content chunk again, and moving music
// between the style and Standard MIDI Files of format 0.
//
// Indices: element 0..11, chord variation 0..5, track 0..7, and AllTracks (255) where a track index
// may name every track. Out-of-range indices are programmer errors (asserted).
//
// Queries that read a parameter (GetSignature, GetTrackProgram, GetCvLength, GetPatternParam1)
// create the element, chord variation or pattern they name; the state queries never create
// anything.
class CNstEditIfc {
public:
    static constexpr int AllTracks = 255;
    static constexpr int32_t DefaultTempo = 120;
    // 0-based MIDI channel of each track (Drum, Percussion, Bass, Acc. 1..5); import and export use
    // the same table.
    static constexpr std::array<uint8_t, kStyleTracks> TrackChannels = {9, 10, 8, 11, 12, 13, 14, 15};
    // Results of the state queries.
    static constexpr int StateAbsent = 0;
    static constexpr int StateEmpty = 1;
    static constexpr int StateFilled = 2;

    // Construction
    // From a copy of a style content chunk (`size` bytes: header and data; the facade copies them
    // and never writes into or frees the caller's bytes). A compact tree is expanded first. With
    // null bytes the style is new: "New Style", version 1, no element. When the bytes are not a
    // readable style content tree the style has no element and IsLoaded() answers false.
    CNstEditIfc(const uint8_t* bytes, size_t size);
    ~CNstEditIfc();
    CNstEditIfc(const CNstEditIfc&) = delete;
    CNstEditIfc& operator=(const CNstEditIfc&) = delete;

    // False when construction was given bytes it could not read. Such a style is not to be edited:
    // building it would replace the bank's copy with an empty style.
    bool IsLoaded() const { return loaded; }
    // When the bytes could not be read because a pattern's stream cannot be decoded to its end: where
    // that pattern lies. None otherwise.
    const CPatternPlace& UndecodablePattern() const { return style->UndecodablePattern(); }

    // Building
    // The style's content chunk built anew from the model (which is cleaned up on the way: empty
    // elements and chord variations dropped, Variation 1 always present). With `normalise` the tree
    // is compacted for the keyboard: identical patterns merged, patterns of many events split into
    // segments of about 80 events, merged again. Empty when no tree could be built.
    std::vector<uint8_t> BuildStyleChunk(bool normalise);

    // States: StateAbsent, StateEmpty or StateFilled
    int GetElementState(int element) const;
    int GetCvState(int element, int cv) const;
    // StateAbsent also for a virgin pattern.
    int GetTrackState(int element, int cv, int track) const;

    // Deleting
    void DeleteElement(int element);
    // Does nothing when the element is absent.
    void DeleteCv(int element, int cv);

    // Name and version
    // Copies at most `maxLen` characters of the name into `buffer`, which holds maxLen + 1 bytes,
    // and terminates it (buffer[maxLen] is always 0).
    void GetStyleName(char* buffer, size_t maxLen) const;
    // Keeps the first 31 characters of `text` (up to its first NUL).
    void SetStyleName(std::string_view text);
    int32_t GetStyleVersion() const;
    void SetStyleVersion(int32_t version);

    // Parameters (creating what they name)
    // (numerator - 1) + 16 x denominator exponent of the element's time signature.
    uint8_t GetSignature(int element);
    // Bank MSB x 2^24 + bank LSB x 2^16 + program of the track in the element.
    int32_t GetTrackProgram(int element, int track);
    // Length of the chord variation in measures.
    uint8_t GetCvLength(int element, int cv);
    // The first pattern parameter, after setting the pattern up.
    uint8_t GetPatternParam1(int element, int cv, int track);

    // Standard MIDI Files (CNstEditIfcTransfer.cpp)
    // The image of a format 0 file (division 384) holding the chord variation, or one track of it
    // (`track` 0..7, or AllTracks): Set Tempo and Time Signature, each track's expression, bank
    // select and program at tick 0 on the track's channel, then the patterns, each lengthened to the
    // chord variation (one track: to a whole number of its own measures), and with all tracks the
    // chord variation's tempo changes; marked notes are written as notes. A pattern that is absent or virgin
    // is set up first (creating the element and chord variation), with all tracks only the Drum pattern and
    // only when every pattern is empty. Empty when no image could be made (a pattern that cannot be decoded
    // or encoded, the event pool exhausted).
    std::vector<uint8_t> ExportCvToSmf(int element, int cv, int track);
    // Reads a format 0 file (`bytes` of `size` bytes, not kept) into the chord variation: into
    // `track` (0..7) or every track (AllTracks), each from its channel, or with `singleChannel`
    // every channel into `track`. At most 32 measures are taken (of the element's signature, or of the
    // file's for an element that was empty); the chord variation's length becomes the file's in whole
    // measures, at least one. Expression at tick 0 is left to the element's track parameters. An element that
    // was empty also takes the file's time signature and each imported track's expression, bank select and
    // program; the style tempo becomes the file's first tempo. A track that receives no event becomes virgin.
    // False, with the style unchanged, when the file is not a format 0 file with one track, its track cannot
    // be decoded up to its End of Track, or the event pool runs out.
    bool ImportSmfToCv(const uint8_t* bytes, size_t size, int element, int cv, int track, bool singleChannel);
    // The notes of the chord variation, or of one track of it (`track` 0..7, or AllTracks), exactly as
    // ExportCvToSmf writes them into its file (the same merge: patterns lengthened to the chord variation,
    // marked notes as notes, notes still sounding at the end cut there), sorted by start, track, key,
    // length and velocity. Unlike the export it creates and changes nothing: an absent element or chord
    // variation and a virgin track have no notes. False, with `notes` empty, when a pattern cannot be
    // decoded or encoded or the event pool runs out.
    bool ReadCvNotes(int element, int cv, int track, std::vector<CCvNote>& notes) const;

    // Note range marks (CNstEditIfcTransfer.cpp)
    // In every present, non-virgin pattern of the chord variation whose track has a range other than
    // (0, 127), notes outside the range become sounds (NoteOn, NoteOff, Note to SoundOn, SoundOff,
    // Sound). Export writes them as notes again. Does nothing when the element or chord variation is
    // absent. False when a pattern could not be re-encoded; that pattern is left as it
    // was, the others are marked.
    bool MarkNotesOutsideRanges(int element, int cv, const CNoteRanges& ranges);
    // Turns every sound of the chord variation's present, non-virgin patterns back into a note.
    // False as MarkNotesOutsideRanges.
    bool ClearNoteMarks(int element, int cv);

    // The parts
    CNstRyIfc& Style() { return *style; }
    const CNstRyIfc& Style() const { return *style; }
    CNstFilterIfc& Filter() { return *filter; }
    // Beats per minute: 120 until a file with a tempo is imported.
    int32_t StyleTempo() const { return styleTempo; }
    // Sets the tempo written into the next exports (beats per minute, above 0).
    void SetStyleTempo(int32_t tempo) { styleTempo = tempo; }

private:
    CNstChordVar* FindChordVar(int element, int cv) const;
    // What ExportCvToSmf and ReadCvNotes share: the tick-0 messages, each selected pattern lengthened and
    // the tempo marks, merged in time order into `encoder` (open), which is then closed. The chord
    // variation is left as it is. False when a pattern cannot be decoded or encoded, or a source could
    // not be merged whole.
    bool MergeCv(const CNstStyleElem& elem, const CNstChordVar& chordVar, int track,
                 CEncoderBase& encoder) const;

    int32_t styleTempo = DefaultTempo;
    std::unique_ptr<CNstRyIfc> style;
    std::unique_ptr<CNstFilterIfc> filter;
    bool loaded = true;
};
