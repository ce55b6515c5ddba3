// The info texts of the style tree's nodes.
#include "shell/CNodeInfo.h"

#include "bank/facade/CNstEditIfc.h"
#include "shell/CStyleTransfer.h"

std::string CNodeInfo::SignatureText(uint8_t signature)
{
    return " Signature: " + std::to_string(Numerator(signature)) + " / " +
           std::to_string(Denominator(signature));
}

std::string CNodeInfo::LengthText(int measures)
{
    return " Length in measures: " + std::to_string(measures);
}

std::string CNodeInfo::ProgramText(int32_t program, bool restricted)
{
    const auto bits = static_cast<uint32_t>(program);
    return " Prog Change: " + std::to_string(bits >> 24) + " " + std::to_string((bits >> 16) & 0xFF) + " " +
           std::to_string(bits & 0xFF) + (restricted ? " ***" : "");
}

std::string CNodeInfo::ElementText(CNstEditIfc& style, int element)
{
    return SignatureText(style.GetSignature(element));
}

std::string CNodeInfo::CvText(CNstEditIfc& style, int element, int cv)
{
    return LengthText(style.GetCvLength(element, cv));
}

std::string CNodeInfo::TrackText(CNstEditIfc& style, const CExtProgList& programs, int element, int track)
{
    return ProgramText(style.GetTrackProgram(element, track), IsRestricted(style, programs, element, track));
}

bool CNodeInfo::IsRestricted(CNstEditIfc& style, const CExtProgList& programs, int element, int track)
{
    CNoteRanges ranges{};
    return CStyleTransfer::LookupNoteRanges(style, programs, element, ranges) &&
           !ranges[static_cast<size_t>(track)].IsFull();
}
