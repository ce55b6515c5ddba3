// The style edits of both front ends.
#include "shell/CStyleEdit.h"

#include "bank/facade/CNstEditIfc.h"
#include "shell/CMessageSink.h"
#include "shell/CStandardNames.h"

bool CStyleEdit::DeleteCv(CNstEditIfc& style, int element, int cv, CMessageSink& messages)
{
    if (style.GetCvState(element, cv) == CNstEditIfc::StateAbsent)
        return false;
    style.DeleteCv(element, cv);
    if (style.GetElementState(element) == CNstEditIfc::StateEmpty)
        style.DeleteElement(element);
    EnsureVariationOne(style, DeleteCaption, messages);
    return true;
}

void CStyleEdit::EnsureVariationOne(CNstEditIfc& style, const char* caption, CMessageSink& messages)
{
    if (style.GetElementState(0) != CNstEditIfc::StateAbsent)
        return;
    // Asking for the first pattern parameter sets up element 0, its chord variation 0 and track 0.
    style.GetPatternParam1(0, 0, 0);
    messages.Message(
        {caption, "Style Element 'Variation 1' must exists. An empty element has been added.", {}});
}

std::string CStyleEdit::Rename(CNstEditIfc& style, const std::string& label)
{
    if (!label.empty())
        style.SetStyleName(label.substr(0, MaxNameLength));
    char name[32];
    style.GetStyleName(name, sizeof name - 1);
    return name;
}

bool CStyleEdit::Upgrade(CNstEditIfc& style)
{
    if (style.GetStyleVersion() > 0)
        return false;
    style.SetStyleVersion(1);
    return true;
}

std::string CStyleEdit::UnreadableText(const CNstEditIfc& style)
{
    std::string text = "Style corrupt - Error!";
    const CPatternPlace& place = style.UndecodablePattern();
    if (!place.IsNone())
        text += std::string("\nThe ") + CStandardNames::TrackName(place.track) + " pattern of " +
                CStandardNames::ElementName(place.element) + ", " + CStandardNames::ChordVarText(place.cv) +
                " cannot be read.";
    return text;
}
