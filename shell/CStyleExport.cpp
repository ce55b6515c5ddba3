// Export All of both front ends.
#include "shell/CStyleExport.h"

#include "shell/CStandardNames.h"
#include "shell/CStyleTransfer.h"

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
