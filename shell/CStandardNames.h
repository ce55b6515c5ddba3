// The window's fixed texts and the 40 standard names that tie MIDI file names to chord variations.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// An element and one of its chord variations, both counted from 0.
struct CCvRef {
    int Element;
    int Cv;
};

class CStandardNames {
public:
    static constexpr int RowCount = 40;
    static constexpr int ElementCount = 12;
    static constexpr int TrackCount = 8;
    // Variations keep up to six chord variations, every other element two.
    static constexpr int MaxCvCount = 6;

    // Texts
    // Element name, "Variation 1" .. "Intro 3", for 0 <= element < ElementCount.
    static const char* ElementName(int element);
    // Track name, "Drum" .. "Acc. 5", for 0 <= track < TrackCount.
    static const char* TrackName(int track);
    // Track by 1-based number ("3") or by name with case, blanks and dots ignored ("Bass", "acc. 2",
    // "Acc2"); nullopt for anything else.
    static std::optional<int> FindTrack(std::string_view text);
    // "Chord Var " followed by the 1-based number of chord variation `cv`.
    static std::string ChordVarText(int cv);
    // Number of chord variations element `element` can hold: 6 for the Variations, 2 for the others.
    static int CvCount(int element);

    // Standard names and their rows
    // The five lower-case letters of row `row` ("v1cv1" .. "i3cv2"), for 0 <= row < RowCount.
    static const char* Name(int row);
    // Element and chord variation of row `row`, for 0 <= row < RowCount.
    static CCvRef RowToCv(int row);
    // Row of (element, cv); -1 when the element has no such chord variation.
    static int CvToRow(int element, int cv);
    // Standard name of (element, cv), or an empty string when there is no such row.
    static std::string CvName(int element, int cv);

    // Matching file names
    // The file name of `path` without its folder (after the last '/' or '\'), extension kept, with the
    // letters A-Z lowered. Other bytes pass unchanged, so the result does not depend on the locale and
    // UTF-8 names stay intact. This is the name the import quotes in its messages.
    static std::string LowerFileName(std::string_view path);
    // Row of the first standard name, in table order, that occurs anywhere in LowerFileName(path);
    // -1 when none does ("v2cv1_v1cv3.mid" gives row 2, "take.i1cv2" row 25, "i1cv3.mid" -1).
    static int MatchFileName(std::string_view path);
};
