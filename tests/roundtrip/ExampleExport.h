// Exports from the example bank through the shell, kept apart from the shell's program list types.
#pragma once

#include <string>

class CExtProgList;

// Writes the first chord variation of the first style of the example bank, all tracks, to `path`
// through the shell's export step; its answer.
bool ExportExampleChordVariation(const CExtProgList& programs, const std::string& path);
