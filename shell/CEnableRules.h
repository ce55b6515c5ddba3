// The main window's enable rules, apart from the widgets so that every rule can be checked alone.
#pragma once

// What the rules look at.
struct CWindowFacts {
    bool BankOpen = false;      // a bank is open
    bool Editing = false;       // an edit interface exists for the selected style
    bool StyleModified = false; // the edit interface holds changes not yet written back
    int StyleVersion = 0;       // 0 or less = old format, 1 = new format
    int SelectedTreeKind = -1;  // Kind of the selected style tree node (0..3), -1 when none
    bool StyleListSelected = false;
};

// What the rules decide.
struct CControlStates {
    bool SaveStyle = false;
    bool ImportAllSmf = false;
    bool UndoStyle = false;
    bool ImportSingleSmf = false;
    bool ExportSingleSmf = false;
    bool PlayButton = false;
    bool DeleteCV = false;
    bool RyVersionVisible = false;
    bool RyVersionEnabled = false;
    // Only meaningful while the check box is in use (Editing); otherwise left as it is.
    bool RyVersionChecked = false;
    // The selected style list node's cached info text becomes " Uncompressed Size: ???".
    bool StyleSizeUnknown = false;
};

class CEnableRules {
public:
    // Applies the rules in their order: Save follows an open bank, Import Style an edit interface, Undo
    // a modification; the chord variation commands need a selected chord variation (test play also a
    // track); the version check box is shown with a selected style and usable only for an old-format
    // style while a style tree node is selected.
    static CControlStates Apply(const CWindowFacts& facts);
};
