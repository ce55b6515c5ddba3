// roll: draws the notes the export would write, as the window's piano roll shows them.
#include "cli/CCliRoll.h"

#include "files/CFileWriter.h"
#include "cli/CCliArgs.h"
#include "cli/CCliCommands.h"
#include "cli/CCliSession.h"
#include "cli/CCliTransfer.h"
#include "shell/CRollLayout.h"
#include "shell/CRollNotes.h"
#include "shell/CRollSvg.h"
#include "shell/CStandardNames.h"
#include "shell/CStyleExport.h"

int CCliRoll::Roll(CCliSession& session, const CCliArgs& args)
{
    CExportSelection selection;
    std::string error;
    CCliTransfer::ReadSelection(args, selection, error);
    if (error.empty() && (!selection.Element || !selection.Cv))
        error = "give --element and --cv";
    const std::optional<std::string> output = args.Value("--output");
    if (error.empty() && !output)
        error = "give -o FILE.svg";
    if (!error.empty())
        return CCliCommands::UsageError(session, "roll", error);
    int k = -1;
    std::unique_ptr<CNstEditIfc> style = session.OpenStyle(args.Positional()[0], args.Positional()[1], k);
    if (!style)
        return kExitFailure;

    const int element = *selection.Element;
    const int cv = *selection.Cv;
    std::string node =
        std::string(CStandardNames::ElementName(element)) + ", " + CStandardNames::ChordVarText(cv);
    if (selection.Track != CNstEditIfc::AllTracks)
        node += std::string(", ") + CStandardNames::TrackName(selection.Track);
    if (style->GetCvState(element, cv) == CNstEditIfc::StateAbsent) {
        session.Fail("the style has no " + std::string(CStandardNames::ElementName(element)) + " " +
                     CStandardNames::ChordVarText(cv));
        return kExitFailure;
    }
    const std::optional<CRollContent> content =
        CRollNotes::Read(*style, session.Programs(), element, cv, selection.Track);
    if (!content) {
        session.Fail("the notes of " + node + " cannot be read");
        return kExitFailure;
    }
    double width = 0, height = 0;
    CRollLayout::NaturalSize(*content, width, height);
    const CRollLayout layout(*content, width, height);
    const std::string svg = CRollSvg::Write(layout, session.Names()[static_cast<size_t>(k)] + " - " + node);
    CFileWriter writer(*output);
    if (!writer.Write(reinterpret_cast<const uint8_t*>(svg.data()), svg.size())) {
        session.Fail("cannot write " + *output);
        return kExitFailure;
    }
    session.Out() << *output << "\n";
    return kExitOk;
}
