// Standard names, element and track names of the window.
#include "shell/CStandardNames.h"

#include <cassert>
#include <cctype>
#include <charconv>

namespace {

constexpr const char* ElementNames[CStandardNames::ElementCount] = {
    "Variation 1", "Variation 2", "Variation 3", "Variation 4", "Intro 1", "Intro 2",
    "Fill 1",      "Fill 2",      "Ending 1",    "Ending 2",    "Fill 3",  "Intro 3"};

constexpr const char* TrackNames[CStandardNames::TrackCount] = {"Drum",   "Percussion", "Bass",   "Acc. 1",
                                                                "Acc. 2", "Acc. 3",     "Acc. 4", "Acc. 5"};

// Row order: the four Variations with six chord variations each, then the other eight elements in
// element order with two each.
constexpr const char* Names[CStandardNames::RowCount] = {
    "v1cv1", "v1cv2", "v1cv3", "v1cv4", "v1cv5", "v1cv6", "v2cv1", "v2cv2", "v2cv3", "v2cv4",
    "v2cv5", "v2cv6", "v3cv1", "v3cv2", "v3cv3", "v3cv4", "v3cv5", "v3cv6", "v4cv1", "v4cv2",
    "v4cv3", "v4cv4", "v4cv5", "v4cv6", "i1cv1", "i1cv2", "i2cv1", "i2cv2", "f1cv1", "f1cv2",
    "f2cv1", "f2cv2", "e1cv1", "e1cv2", "e2cv1", "e2cv2", "f3cv1", "f3cv2", "i3cv1", "i3cv2"};

// A name as FindTrack compares it: lower case, without blanks and dots.
std::string Folded(std::string_view text)
{
    std::string folded;
    for (const char c : text)
        if (c != ' ' && c != '.')
            folded += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folded;
}

constexpr int VariationCount = 4;
constexpr int VariationRows = VariationCount * CStandardNames::MaxCvCount;

} // namespace

const char* CStandardNames::ElementName(int element)
{
    assert(element >= 0 && element < ElementCount);
    return ElementNames[element];
}

const char* CStandardNames::TrackName(int track)
{
    assert(track >= 0 && track < TrackCount);
    return TrackNames[track];
}

std::optional<int> CStandardNames::FindTrack(std::string_view text)
{
    int number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, number);
    if (failure == std::errc() && stop == end)
        return number >= 1 && number <= TrackCount ? std::optional<int>(number - 1) : std::nullopt;
    const std::string folded = Folded(text);
    for (int t = 0; t < TrackCount; ++t)
        if (!folded.empty() && folded == Folded(TrackNames[t]))
            return t;
    return std::nullopt;
}

std::string CStandardNames::ChordVarText(int cv)
{
    return "Chord Var " + std::to_string(cv + 1);
}

int CStandardNames::CvCount(int element)
{
    return element < VariationCount ? MaxCvCount : 2;
}

const char* CStandardNames::Name(int row)
{
    assert(row >= 0 && row < RowCount);
    return Names[row];
}

CCvRef CStandardNames::RowToCv(int row)
{
    assert(row >= 0 && row < RowCount);
    if (row < VariationRows)
        return {row / MaxCvCount, row % MaxCvCount};
    return {(row - VariationRows) / 2 + VariationCount, (row - VariationRows) % 2};
}

int CStandardNames::CvToRow(int element, int cv)
{
    if (element < 0 || element >= ElementCount || cv < 0 || cv >= CvCount(element))
        return -1;
    return element < VariationCount ? MaxCvCount * element + cv : 2 * element + 16 + cv;
}

std::string CStandardNames::CvName(int element, int cv)
{
    const int row = CvToRow(element, cv);
    return row < 0 ? std::string() : std::string(Names[row]);
}

std::string CStandardNames::LowerFileName(std::string_view path)
{
    const size_t slash = path.find_last_of("/\\");
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

int CStandardNames::MatchFileName(std::string_view path)
{
    const std::string name = LowerFileName(path);
    for (int row = 0; row < RowCount; ++row) {
        if (name.find(Names[row]) != std::string::npos)
            return row;
    }
    return -1;
}
