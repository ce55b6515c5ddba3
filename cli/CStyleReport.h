// What list, show and inspect print: the styles of a bank, the tree of one style with the window's info
// texts, and what a MIDI file plays on each channel.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class CCliSession;
struct CSmfSummary;
class CExtProgList;
class CNstEditIfc;

// One row of the style list.
struct CStyleRow {
    int Number = 0;     // 1-based
    std::string Name;   // from the bank's name table
    std::string Format; // "old", "new", or "-" for a style without content
    uint32_t Size = 0;  // uncompressed data size of the style chunk
};

// The style tree as the window shows it: elements, their chord variations and the tracks with data.
struct CTrackNode {
    int Index = 0;
    int32_t Program = 0; // bank MSB x 2^24 + LSB x 2^16 + program
    bool Extended = false;
    std::string Info;
};
struct CCvNode {
    int Index = 0;
    int Measures = 0;
    std::string Info;
    std::vector<CTrackNode> Tracks;
};
struct CElementNode {
    int Index = 0;
    int Numerator = 4;
    int Denominator = 4;
    std::string Info;
    std::vector<CCvNode> Cvs;
};
struct CStyleTree {
    CStyleRow Row;
    std::vector<CElementNode> Elements;
};

class CStyleReport {
public:
    // Rows for every style of the open bank.
    static std::vector<CStyleRow> Rows(CCliSession& session);
    // The tree of `style` (whose parameter queries may create nothing here: only present parts are asked).
    static CStyleTree Tree(const CStyleRow& row, CNstEditIfc& style, const CExtProgList& programs);

    static void WriteRows(std::ostream& out, const std::vector<CStyleRow>& rows);
    static void WriteRowsJson(std::ostream& out, const std::vector<CStyleRow>& rows);
    static void WriteTree(std::ostream& out, const CStyleTree& tree);
    static void WriteTreeJson(std::ostream& out, const CStyleTree& tree);
    // The file's format, tracks, division and length, then one row per channel with events: channel
    // (from 1), notes, key range, first program (as the file stores it, 0..127) and the file's name of
    // the track that plays it; "-" where there is none.
    static void WriteSmfSummary(std::ostream& out, const CSmfSummary& summary);
    static void WriteSmfSummaryJson(std::ostream& out, const CSmfSummary& summary);

    // Text from a file made safe to print: bytes outside printable ASCII become '?'.
    static std::string Printable(const std::string& text);
};
