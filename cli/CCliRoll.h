// The roll subcommand: the notes of a chord variation or track as an SVG piano roll.
#pragma once

class CCliArgs;
class CCliSession;

class CCliRoll {
public:
    // roll BANK STYLE --element E --cv C [--track T] -o FILE.svg
    static int Roll(CCliSession& session, const CCliArgs& args);
};
