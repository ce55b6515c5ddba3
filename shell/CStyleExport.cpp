// Export All of both front ends.
#include "shell/CStyleExport.h"

#include "shell/CStandardNames.h"
#include "shell/CStyleTransfer.h"

#include <algorithm>
#include <cctype>

namespace {

// Variation 1 to Ending 2: the elements of the old style format.
constexpr int OldFormatElements = 10;

} // namespace

CExportResult CStyleExport::ExportAll(CNstEditIfc& style, const CExtProgList& programs,
                                      const CExportSelection& selection, const std::string& prefix)
{
    CExportResult result;
    const int elements = selection.NewFormatElements ? CStandardNames::ElementCount : OldFormatElements;
    for (int e = 0; e < elements; ++e) {
        if (selection.Element && *selection.Element != e)
            continue;
        for (int c = 0; c < CStandardNames::CvCount(e); ++c) {
            if ((selection.Cv && *selection.Cv != c) || style.GetCvState(e, c) == CNstEditIfc::StateAbsent)
                continue;
            const std::string path = prefix + CStandardNames::CvName(e, c) + ".mid";
            const bool written = CStyleTransfer::ExportCvToFile(style, programs, path, e, c, selection.Track);
            (written ? result.Written : result.FailedPaths).push_back(path);
            if (!written && selection.StopAtFailure)
                return result;
        }
    }
    return result;
}

int CStyleExport::PlayTempo(const std::string& field)
{
    size_t at = 0;
    while (at < field.size() && std::isspace(static_cast<unsigned char>(field[at])) != 0)
        ++at;
    bool negative = false;
    if (at < field.size() && (field[at] == '+' || field[at] == '-'))
        negative = field[at++] == '-';
    // Digits beyond the range only push the value further out: it is held at the first step past it.
    int value = 0;
    for (; at < field.size() && std::isdigit(static_cast<unsigned char>(field[at])) != 0; ++at)
        value = std::min(value * 10 + (field[at] - '0'), MaxTempo + 1);
    if (negative)
        return MinTempo;
    return std::clamp(value, MinTempo, MaxTempo);
}
