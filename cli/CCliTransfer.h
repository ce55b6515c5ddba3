// The subcommands that move music between a style and MIDI files, and the one that looks into a MIDI file.
#pragma once

#include <string>

class CCliArgs;
class CCliSession;
struct CExportSelection;

class CCliTransfer {
public:
    // export BANK STYLE|--all-styles [-o DIR] [--element E] [--cv C] [--track T] [--tempo BPM] [--prefix P]
    static int Export(CCliSession& session, const CCliArgs& args);
    // import BANK STYLE FILES... -o OUT [--replace|--merge] [--on-duplicate keep|initialize|skip]
    //        [--merge-tracks] [--channel-map MAP]
    static int Import(CCliSession& session, const CCliArgs& args);
    // inspect FILE.mid [--json]
    static int Inspect(CCliSession& session, const CCliArgs& args);

    // Reads --element, --cv and --track into `selection`, leaving what is not given; sets `error` to
    // the usage error text of a malformed one.
    static void ReadSelection(const CCliArgs& args, CExportSelection& selection, std::string& error);
};
