// Writing the piano roll as hand-made SVG: a few rectangles, lines and texts.
#include "shell/CRollSvg.h"

#include "shell/CRollLayout.h"

#include <charconv>
#include <cstdio>
#include <sstream>

namespace {

// A coordinate with at most two decimals, independent of the locale.
std::string Number(double value)
{
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    std::string number(text, error == std::errc() ? end : text);
    while (number.find('.') != std::string::npos && (number.back() == '0' || number.back() == '.'))
        number.pop_back();
    return number.empty() || number == "-0" ? "0" : number;
}

std::string Box(const CRollRect& rect)
{
    return "x=\"" + Number(rect.x) + "\" y=\"" + Number(rect.y) + "\" width=\"" + Number(rect.w) +
           "\" height=\"" + Number(rect.h) + "\"";
}

void WriteLabel(std::ostream& out, const CRollLabel& label, const char* kind)
{
    const double x = label.alignRight ? label.box.x + label.box.w : label.box.x;
    out << "<text class=\"" << kind << "\" x=\"" << Number(x) << "\" y=\""
        << Number(label.box.y + label.box.h / 2) << "\" dominant-baseline=\"central\""
        << (label.alignRight ? " text-anchor=\"end\"" : "") << ">" << CRollSvg::Escaped(label.text)
        << "</text>\n";
}

void WriteGrid(std::ostream& out, const CRollLayout& layout)
{
    const CRollRect& plot = layout.Plot();
    for (const CRollRect& row : layout.BlackRows())
        out << "<rect class=\"key\" " << Box(row) << " fill=\"" << CRollLayout::BlackRow.Hex() << "\"/>\n";
    for (const CRollGridLine& line : layout.GridLines())
        out << "<line class=\"" << (line.measure ? "measure" : "beat") << "\" x1=\"" << Number(line.x)
            << "\" y1=\"" << Number(plot.y) << "\" x2=\"" << Number(line.x) << "\" y2=\""
            << Number(plot.y + plot.h) << "\" stroke=\""
            << (line.measure ? CRollLayout::MeasureLine : CRollLayout::BeatLine).Hex() << "\"/>\n";
}

void WriteNotes(std::ostream& out, const CRollLayout& layout)
{
    const CRollContent& content = layout.Content();
    for (const CRollNoteBox& box : layout.NoteBoxes()) {
        const CRollNote& roll = content.notes[box.note];
        out << "<rect class=\"note" << (roll.outsideRange ? " outside" : "") << "\" " << Box(box.box)
            << " fill=\"" << CRollLayout::TrackColour(roll.note.track).Hex() << "\" fill-opacity=\""
            << Number(box.opacity) << "\"";
        if (roll.outsideRange)
            out << " stroke=\"" << CRollLayout::Outside.Hex() << "\" stroke-width=\"1.5\"";
        out << "><title>" << CRollSvg::Escaped(layout.NoteText(box.note)) << "</title></rect>\n";
    }
}

} // namespace

std::string CRollSvg::Write(const CRollLayout& layout, const std::string& caption)
{
    std::ostringstream out;
    const std::string width = Number(layout.Width());
    const std::string height = Number(layout.Height());
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << width << " " << height
        << "\" font-family=\"sans-serif\" font-size=\"11\" fill=\"" << CRollLayout::Text.Hex() << "\">\n"
        << "<title>" << Escaped(caption) << "</title>\n"
        << "<rect class=\"background\" x=\"0\" y=\"0\" width=\"" << width << "\" height=\"" << height
        << "\" fill=\"" << CRollLayout::Background.Hex() << "\"/>\n";
    WriteGrid(out, layout);
    WriteNotes(out, layout);
    for (const CRollLegendEntry& entry : layout.Legend()) {
        out << "<rect class=\"legend\" " << Box(entry.swatch) << " fill=\""
            << CRollLayout::TrackColour(entry.track).Hex() << "\"/>\n";
        WriteLabel(out, entry.name, "legend");
    }
    for (const CRollLabel& label : layout.Labels())
        WriteLabel(out, label, "label");
    out << "</svg>\n";
    return out.str();
}

std::string CRollSvg::Escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else if (c == '"')
            escaped += "&quot;";
        else if (byte >= 0x80) {
            char reference[8];
            std::snprintf(reference, sizeof reference, "&#x%02X;", byte);
            escaped += reference;
        } else if (byte < 0x20 && c != '\t' && c != '\n')
            escaped += '?';
        else
            escaped += c;
    }
    return escaped;
}
