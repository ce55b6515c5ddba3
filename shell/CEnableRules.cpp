// The main window's enable rules.
#include "shell/CEnableRules.h"

namespace {

constexpr int KindChordVar = 2;
constexpr int KindTrack = 3;

} // namespace

CControlStates CEnableRules::Apply(const CWindowFacts& facts)
{
    CControlStates states;
    states.SaveStyle = facts.BankOpen;
    states.ImportAllSmf = facts.Editing;
    states.UndoStyle = facts.StyleModified;
    if (!facts.Editing)
        return states;

    states.RyVersionChecked = facts.StyleVersion > 0;
    if (facts.SelectedTreeKind >= 0) {
        const bool cv = facts.SelectedTreeKind == KindChordVar;
        states.ImportSingleSmf = states.ExportSingleSmf = states.DeleteCV = cv;
        states.PlayButton = cv || facts.SelectedTreeKind == KindTrack;
        states.RyVersionEnabled = facts.StyleVersion < 1;
    }
    if (facts.StyleListSelected) {
        states.RyVersionVisible = true;
        states.StyleSizeUnknown = facts.StyleModified;
    }
    return states;
}
