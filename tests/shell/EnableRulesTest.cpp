// The main window's enable rules.
#include "shell/CEnableRules.h"

#include <gtest/gtest.h>

namespace {

// Compact spelling of the decisions: Save, ImportAll, Undo, ImportSingle, Export, Play, Delete,
// version shown, version usable, version checked, size unknown.
std::string Decisions(const CControlStates& s)
{
    std::string text;
    for (bool b :
         {s.SaveStyle, s.ImportAllSmf, s.UndoStyle, s.ImportSingleSmf, s.ExportSingleSmf, s.PlayButton,
          s.DeleteCV, s.RyVersionVisible, s.RyVersionEnabled, s.RyVersionChecked, s.StyleSizeUnknown})
        text += b ? '1' : '0';
    return text;
}

CWindowFacts Facts(bool bank, bool editing, bool modified, int version, int kind, bool listSelected)
{
    return {bank, editing, modified, version, kind, listSelected};
}

} // namespace

TEST(EnableRules, FollowTheWindowState)
{
    const struct {
        const char* what;
        CWindowFacts facts;
        const char* expected;
    } cases[] = {
        {"no bank", Facts(false, false, false, 0, -1, false), "00000000000"},
        {"bank, root selected", Facts(true, false, false, 0, -1, true), "10000000000"},
        {"style without tree selection", Facts(true, true, false, 0, -1, true), "11000001000"},
        {"style root node selected", Facts(true, true, false, 0, 0, true), "11000001100"},
        {"element selected", Facts(true, true, false, 0, 1, true), "11000001100"},
        {"chord variation selected", Facts(true, true, false, 0, 2, true), "11011111100"},
        {"track selected", Facts(true, true, false, 0, 3, true), "11000101100"},
        {"new format: box checked and locked", Facts(true, true, false, 1, 2, true), "11011111010"},
        {"changed style: undo and unknown size", Facts(true, true, true, 0, 3, true), "11100101101"},
        {"changed style, list not selected", Facts(true, true, true, 1, -1, false), "11100000010"},
        {"chord variation node left over without a style", Facts(true, false, true, 1, 2, true),
         "10100000000"},
        {"negative version counts as old", Facts(true, true, false, -3, 1, false), "11000000100"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decisions(CEnableRules::Apply(c.facts)), c.expected) << c.what;
}
