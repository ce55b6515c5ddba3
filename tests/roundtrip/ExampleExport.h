// Exports from the example bank through the shell, kept apart from the shell's program list types.
#pragma once

#include <memory>
#include <string>

class CExtProgList;
class CFileWriter;
class CNstEditIfc;

// The first style of the example bank, opened once for any number of exports.
class CExampleStyle {
public:
    CExampleStyle();
    ~CExampleStyle();

    bool IsOpen() const { return style != nullptr; }

    // Writes the first chord variation, all tracks, through the shell's export step; its answer.
    bool ExportFirstChordVariation(const CExtProgList& programs, CFileWriter& writer);
    bool ExportFirstChordVariation(const CExtProgList& programs, const std::string& path);

private:
    std::unique_ptr<CNstEditIfc> style;
};
