// Writes an exported chord variation for the independent reader check (mido_check.py): a style is
// built through the facade from a generated file, stored, reopened and exported; the notes written
// into the generated file are listed beside it.
#include "FacadeTestSupport.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WORKDIR\n", argv[0]);
        return 2;
    }
    const std::string workdir = argv[1];
    std::vector<facadetest::CNote> notes;
    const facadetest::Bytes file = facadetest::GeneratedFile(11, 4, 4, 12, &notes);
    CNstEditIfc built(nullptr, 0);
    if (!built.ImportSmfToCv(file.data(), file.size(), 0, 0, CNstEditIfc::AllTracks, false))
        return 1;
    const facadetest::Bytes chunk = built.BuildStyleChunk(true);
    CNstEditIfc reopened(chunk.data(), chunk.size());
    const facadetest::Bytes image = reopened.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks);
    if (image.empty())
        return 1;
    std::ofstream(workdir + "/check.mid", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::ofstream list(workdir + "/check.notes");
    for (const facadetest::CNote& note : notes)
        list << note.start << ' ' << int(note.channel) << ' ' << int(note.key) << ' ' << int(note.velocity)
             << ' ' << note.end << '\n';
    return list ? 0 : 1;
}
