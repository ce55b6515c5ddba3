// The style list and the style tree in text and JSON.
#include "cli/CStyleReport.h"

#include "bank/facade/CNstEditIfc.h"
#include "cli/CCliSession.h"
#include "shell/CNodeInfo.h"
#include "shell/CStandardNames.h"
#include "smf/CSmfTracks.h"

#include <cstdio>
#include <iomanip>

namespace {

std::string Json(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            // Names are single-byte text of unknown encoding; escaping every other byte keeps the
            // output valid UTF-8.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void WriteRowJsonFields(std::ostream& out, const CStyleRow& row)
{
    out << "\"number\": " << row.Number << ", \"name\": " << Json(row.Name)
        << ", \"format\": " << Json(row.Format) << ", \"size\": " << row.Size;
}

// Style format from the content chunk, without building the whole model.
std::string FormatOf(const CStyleSelection& selection)
{
    if (selection.content.empty())
        return "-";
    CNstEditIfc style(selection.content.data(), selection.content.size());
    if (!style.IsLoaded())
        return "-";
    return style.GetStyleVersion() > 0 ? "new" : "old";
}

std::string KeyRange(const CSmfChannelSummary& channel)
{
    return channel.notes ? std::to_string(channel.lowKey) + "-" + std::to_string(channel.highKey) : "-";
}

std::string Signature(const CSmfSummary& summary)
{
    return std::to_string(summary.numerator) + "/" + std::to_string(1u << summary.denomExp);
}

void WriteNode(std::ostream& out, int depth, const std::string& text, const std::string& info)
{
    const std::string label = std::string(static_cast<size_t>(2 * depth), ' ') + text;
    out << std::left << std::setw(24) << label << info << "\n";
}

} // namespace

std::string CStyleReport::Printable(const std::string& text)
{
    std::string shown = text;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            c = '?';
    return shown;
}

std::vector<CStyleRow> CStyleReport::Rows(CCliSession& session)
{
    std::vector<CStyleRow> rows;
    for (int k = 0; k < session.Bank().StyleCount(); ++k) {
        const std::optional<CStyleSelection> selection = session.Bank().SelectStyle(k);
        rows.push_back({k + 1, session.Names()[static_cast<size_t>(k)], FormatOf(*selection),
                        selection->uncompressedSize});
        session.Progress("reading styles", k + 1, session.Bank().StyleCount());
    }
    session.EndProgress();
    return rows;
}

CStyleTree CStyleReport::Tree(const CStyleRow& row, CNstEditIfc& style, const CExtProgList& programs)
{
    CStyleTree tree{row, {}};
    for (int e = 0; e < CStandardNames::ElementCount; ++e) {
        if (style.GetElementState(e) == CNstEditIfc::StateAbsent)
            continue;
        const uint8_t signature = style.GetSignature(e);
        CElementNode element{e,
                             CNodeInfo::Numerator(signature),
                             CNodeInfo::Denominator(signature),
                             CNodeInfo::SignatureText(signature),
                             {}};
        for (int c = 0; c < CStandardNames::CvCount(e); ++c) {
            if (style.GetCvState(e, c) == CNstEditIfc::StateAbsent)
                continue;
            const int measures = style.GetCvLength(e, c);
            CCvNode cv{c, measures, CNodeInfo::LengthText(measures), {}};
            for (int t = 0; t < CStandardNames::TrackCount; ++t) {
                if (style.GetTrackState(e, c, t) != CNstEditIfc::StateFilled)
                    continue;
                const int32_t program = style.GetTrackProgram(e, t);
                const bool extended = CNodeInfo::IsRestricted(style, programs, e, t);
                cv.Tracks.push_back({t, program, extended, CNodeInfo::ProgramText(program, extended)});
            }
            element.Cvs.push_back(std::move(cv));
        }
        tree.Elements.push_back(std::move(element));
    }
    return tree;
}

void CStyleReport::WriteRows(std::ostream& out, const std::vector<CStyleRow>& rows)
{
    out << std::right << std::setw(3) << "#"
        << "  " << std::left << std::setw(24) << "Name" << std::setw(7) << "Format" << std::right
        << std::setw(12) << "Size"
        << "\n";
    for (const CStyleRow& row : rows)
        out << std::right << std::setw(3) << row.Number << "  " << std::left << std::setw(24)
            << Printable(row.Name) << std::setw(7) << row.Format << std::right << std::setw(12) << row.Size
            << "\n";
}

void CStyleReport::WriteRowsJson(std::ostream& out, const std::vector<CStyleRow>& rows)
{
    out << "[";
    for (size_t i = 0; i < rows.size(); ++i) {
        out << (i ? ",\n " : "\n ") << "{";
        WriteRowJsonFields(out, rows[i]);
        out << "}";
    }
    out << "\n]\n";
}

void CStyleReport::WriteTree(std::ostream& out, const CStyleTree& tree)
{
    out << "Style " << tree.Row.Number << ": " << Printable(tree.Row.Name) << " (" << tree.Row.Format
        << " format) Uncompressed Size: " << tree.Row.Size << "\n";
    for (const CElementNode& element : tree.Elements) {
        WriteNode(out, 1, CStandardNames::ElementName(element.Index), element.Info);
        for (const CCvNode& cv : element.Cvs) {
            WriteNode(out, 2, CStandardNames::ChordVarText(cv.Index), cv.Info);
            for (const CTrackNode& track : cv.Tracks)
                WriteNode(out, 3, CStandardNames::TrackName(track.Index), track.Info);
        }
    }
}

void CStyleReport::WriteTreeJson(std::ostream& out, const CStyleTree& tree)
{
    out << "{";
    WriteRowJsonFields(out, tree.Row);
    out << ",\n \"elements\": [";
    for (size_t i = 0; i < tree.Elements.size(); ++i) {
        const CElementNode& element = tree.Elements[i];
        out << (i ? "," : "") << "\n  {\"index\": " << element.Index
            << ", \"name\": " << Json(CStandardNames::ElementName(element.Index)) << ", \"signature\": ["
            << element.Numerator << ", " << element.Denominator << "], \"info\": " << Json(element.Info)
            << ", \"chordVariations\": [";
        for (size_t j = 0; j < element.Cvs.size(); ++j) {
            const CCvNode& cv = element.Cvs[j];
            out << (j ? "," : "") << "\n   {\"index\": " << cv.Index
                << ", \"standardName\": " << Json(CStandardNames::CvName(element.Index, cv.Index))
                << ", \"measures\": " << cv.Measures << ", \"info\": " << Json(cv.Info) << ", \"tracks\": [";
            for (size_t k = 0; k < cv.Tracks.size(); ++k) {
                const CTrackNode& track = cv.Tracks[k];
                const auto bits = static_cast<uint32_t>(track.Program);
                out << (k ? ", " : "") << "{\"index\": " << track.Index
                    << ", \"name\": " << Json(CStandardNames::TrackName(track.Index)) << ", \"program\": ["
                    << (bits >> 24) << ", " << ((bits >> 16) & 0xFF) << ", " << (bits & 0xFF)
                    << "], \"extended\": " << (track.Extended ? "true" : "false")
                    << ", \"info\": " << Json(track.Info) << "}";
            }
            out << "]}";
        }
        out << "]}";
    }
    out << "\n ]\n}\n";
}

void CStyleReport::WriteSmfSummary(std::ostream& out, const CSmfSummary& summary)
{
    out << "format " << summary.format << ", " << summary.tracks
        << (summary.tracks == 1 ? " track" : " tracks") << ", division " << summary.division << ", "
        << summary.Measures() << " measures of " << Signature(summary) << "\n";
    out << "channel  notes  keys     program  track\n";
    for (size_t c = 0; c < summary.channels.size(); ++c) {
        const CSmfChannelSummary& channel = summary.channels[c];
        if (!channel.HasEvents())
            continue;
        out << std::right << std::setw(7) << c + 1 << std::setw(7) << channel.notes << "  " << std::left
            << std::setw(7) << KeyRange(channel) << std::right << std::setw(9)
            << (channel.firstProgram < 0 ? "-" : std::to_string(channel.firstProgram)) << "  "
            << (channel.trackName.empty() ? "-" : Printable(channel.trackName)) << "\n";
    }
}

void CStyleReport::WriteSmfSummaryJson(std::ostream& out, const CSmfSummary& summary)
{
    out << "{\"format\": " << summary.format << ", \"tracks\": " << summary.tracks
        << ", \"division\": " << summary.division << ", \"measures\": " << summary.Measures()
        << ", \"signature\": " << Json(Signature(summary)) << ",\n \"channels\": [";
    bool first = true;
    for (size_t c = 0; c < summary.channels.size(); ++c) {
        const CSmfChannelSummary& channel = summary.channels[c];
        if (!channel.HasEvents())
            continue;
        out << (first ? "\n  " : ",\n  ") << "{\"channel\": " << c + 1 << ", \"notes\": " << channel.notes;
        if (channel.notes)
            out << ", \"low\": " << int{channel.lowKey} << ", \"high\": " << int{channel.highKey};
        else
            out << ", \"low\": null, \"high\": null";
        out << ", \"program\": " << (channel.firstProgram < 0 ? "null" : std::to_string(channel.firstProgram))
            << ", \"track\": " << Json(channel.trackName) << "}";
        first = false;
    }
    out << "\n ]\n}\n";
}
