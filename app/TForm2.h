// The main window: the open Style Bank's styles, the selected style's tree and the tool bar commands.
#pragma once

#include "app/CFileChooser.h"
#include "app/CShellServices.h"
#include "bank/chunk/CStyleBank.h"
#include "shell/CExtProgList.h"

#include <QTreeWidgetItem>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CDialogBridge;
class CTrackMapChooser;
class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QTimer;
class QToolBar;
class TClickLabel;
class THelpPanel;
class TForm3;
class TPianoRoll;
class TRyTreeView;
class TToolButton;

// Per-node data of the style tree: what the node stands for and its cached info text.
struct TTreeData {
    enum Kinds : uint8_t { KindStyle = 0, KindElement = 1, KindCv = 2, KindTrack = 3 };
    uint8_t Kind = KindStyle;
    uint8_t Element = 0;
    uint8_t Cv = 0;
    uint8_t Track = 0;
    QString Info;
};

// A style tree node owns its TTreeData, so the data goes with the node.
class TStyleTreeItem : public QTreeWidgetItem {
public:
    explicit TStyleTreeItem(const TTreeData& data_) : data(data_) {}
    TTreeData data;
};

// A style list node owns its cached info text.
class TStyleListItem : public QTreeWidgetItem {
public:
    QString Info;
};

class TForm2 : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* Caption = "Ry7 Style Tool - v3.0.3";

    // Builds the window at the size that shows every label whole in the platform's font; `services`
    // entries left null use the real dialog, file dialogs, media player and web browser. StartDir is the
    // current folder at this moment.
    explicit TForm2(const CShellServices& services = {}, QWidget* parent = nullptr);
    ~TForm2() override;

    // The splash window shown at the first activation (created after the window by the program entry).
    void SetSplash(TForm3* splash) { Splash = splash; }
    // The product web site address of the help panel's link (a build setting).
    static QString WebAddress();

    // Routines
    // Applies the enable rules to the tool bar and the version check box.
    void UpdateControls();
    // Shows a message or question; returns 6 (left), 7 (middle) or 2 (right button).
    int ShowDialog(const QString& caption, const QString& text, const QString& middle, const QString& left,
                   const QString& right);
    // Rebuilds StyleList from the open bank: the bank's file name as root, the styles' names below.
    void FillStyleList();
    // Rebuilds StyleTree from the edit interface; empty while no style is edited.
    void FillStyleTree();
    // Hides the media panel and ends a test play, deleting the test-play file.
    void StopTestPlay();
    // Writes the edited style back into the bank (compacted for the keyboard); StyleModified stays.
    void StoreCurrentStyle();
    // Writes chord variation `cv` of `element` to `path`: track 0..7 alone, a larger value every track.
    // False when no file was written in full.
    bool ExportCvToFile(const QString& path, int element, int cv, int track);
    // Exports (element, cv, track) to the test-play file and starts the player on it.
    void StartTestPlay(int element, int cv, int track);
    // Writes every chord variation of Variation 1 .. Ending 2 to files named after a chosen prefix.
    void ExportAllCvs();
    // Clears `canClose` while changes would be lost and the user does not agree to drop them.
    void FormCloseQuery(bool& canClose);
    // Ends a test play before the window goes.
    void FormClose();

    // Opens the bank at `path` as if it had been chosen in the Open dialog; messages as OpenStyleClick.
    void OpenBankFile(const QString& path);

    // Event handlers
    void FormActivate();
    void OpenStyleClick();
    void ButtonHelpClick();
    void HelpPanelClick();
    void StaticText1Click();
    void GotoWebClick();
    void Image2Click();
    void StyleListChanging(QTreeWidgetItem* leaving);
    void StyleListChange(QTreeWidgetItem* node);
    void StyleTreeChange(QTreeWidgetItem* node);
    void StyleListEnter();
    void StyleTreeEnter();
    // A style label edited to `text`; the root's label cannot be edited.
    void StyleListEdited(QTreeWidgetItem* node, const QString& text);
    void RyVersionMouseUp();
    void SaveStyleClick();
    void UndoStyleClick();
    void ExportSingleSmfClick();
    void PlayButtonClick();
    void ImportAllSmfClick();
    void ImportSingleSmfClick();
    void ImportMidiFileClick();
    void DeleteCVClick();

    // Controls, by their names
    // Each tool button runs its command's action, which carries the command's name, hint and keys.
    QToolBar* ToolBar1;
    TToolButton* OpenStyle;
    TToolButton* SaveStyle;
    TToolButton* ImportAllSmf;
    TToolButton* ImportSingleSmf;
    TToolButton* ImportMidiFile;
    TToolButton* ExportSingleSmf;
    TToolButton* DeleteCV;
    TToolButton* UndoStyle;
    TToolButton* PlayButton;
    TToolButton* ButtonHelp;
    TRyTreeView* StyleList;
    TRyTreeView* StyleTree;
    QLabel* FooterNote;
    QLabel* InfoText;
    QCheckBox* RyVersion;
    THelpPanel* HelpPanel;
    QFrame* MediaPanel;
    QLabel* Label2;
    TClickLabel* Image2;
    QLabel* Label3;
    QLineEdit* TempoEdit;
    TPianoRoll* PianoRoll;
    // Moves the piano roll's play cursor with the player while a test play runs.
    QTimer* CursorTimer;
    // Export All from the keys: the Shift click of ImportAllSmf has no button of its own.
    QAction* ExportAll;

    // File dialogs: their settings, and the folder and name each proposes next
    CFileDialogSpec OpenDialog1;
    CFileDialogSpec SaveDialog1;
    CFileDialogSpec OpenDialog2;
    CFileDialogSpec OpenDialog3;
    CFileDialogSpec SaveDialog2;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // While the help panel covers the trees, Tab and Shift+Tab move between its text and its link only.
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class CWindowFixture;
    friend class TForm2Test;
    friend class TForm2EditTest;
    friend class TForm2ImportTest;

    // Layout
    void BuildToolBar();
    void BuildTrees();
    void BuildFooter();
    void BuildMediaPanel();
    void BuildPianoRoll();
    // Places the controls in the window's grid and sizes the trees and the info line to their texts.
    void ArrangeControls();
    // Sets the order Tab moves the focus in, and shows where the focus is.
    void ArrangeFocus();
    void SizeTrees();
    void ConnectHandlers();

    // Reads ExtProgList.txt from StartDir, or, when there is none, from the folder of the bank opened
    // before the first activation (the one named on the command line).
    void ReadExtProgList();
    // Whether a focus change into a tree is the user entering it, rather than the window becoming active
    // again (after a dialog, or after another program had the focus).
    static bool EntersTree(const QEvent* event);
    bool HasSelectedNode(const TRyTreeView* tree) const;
    int SelectedTreeKind() const;
    TStyleListItem* SelectedListItem() const;
    bool AnyStyleChanged() const;
    void ReportBankResult(const char* caption, BankResult result);
    void Message(const QString& caption, const QString& text);
    // Makes EditIfc for the selected style's content; a style that cannot be read gets a message instead.
    void OpenEditIfc(const std::vector<uint8_t>& content);
    void ReportPlayerError();
    // The selected style tree node while a style is edited, or null.
    const TStyleTreeItem* SelectedTreeItem() const;
    // The selected chord variation node while a style is edited, or null.
    const TStyleTreeItem* SelectedCvNode() const;
    // Shows the notes of `node` in the piano roll: a chord variation's or a track's, none for others.
    void ShowRollOf(const TStyleTreeItem* node);
    // Moves the roll's cursor to where the player is; stops following once the player has finished.
    void FollowPlayer();
    // What every command does first: ends a test play, hides the help panel and the info text.
    void BeginCommand();
    // Writes a changed style back (clearing StyleModified) and deletes the edit interface.
    void LeaveStyle();
    // What Import Chord Variation and Import MIDI File share: with a chord variation selected, the
    // TrackParameters question and OpenDialog2, then `import` (path, chord variation, initialize) of the
    // chosen file; when it answers that it tried the file, the tree is shown again and the style counts
    // as changed.
    using CImportStep = std::function<bool(const std::string&, const TTreeData&, bool, CDialogBridge&)>;
    void ImportIntoSelectedCv(const CImportStep& import);
    void ShowCachedInfo(const TRyTreeView* tree);
    void ShowInfo(const QString& text);
    QString ListText(int index) const;

    // Node images (CIconFactory::NodeImage indexes)
    static constexpr int ImageStyle = 0;
    static constexpr int ImageElement = 1;
    static constexpr int ImageCv = 2;
    static constexpr int ImageTrack = 3;
    static constexpr int ImageBank = 4;
    static constexpr int ImageSelectedStyle = 5;
    static constexpr int ImageChangedStyle = 6;

    // Window state
    int32_t StyleCount = 0;
    uint8_t StyleSlots[64] = {};
    int32_t CurStyle = -1;
    QString CurStyleName;
    bool StyleModified = false;
    QString BankFileName;
    // The open bank: its buffer and navigator together; null when no bank is open.
    std::unique_ptr<CStyleBank> Bank;
    // The selected style's edit interface; created and deleted by the style commands.
    std::unique_ptr<CNstEditIfc> EditIfc;
    QString StartDir;
    QString TempSmfPath;
    bool FirstActivation = true;
    int32_t StyleVersion = 0;
    // ExtProgCount, ExtProgKeys, ExtProgLow and ExtProgHigh.
    CExtProgList ExtProg;
    // The folder of the open bank; empty while none is open.
    QString BankDir;

    // Services and owned defaults
    CShellServices services;
    std::unique_ptr<CMessageDialog> ownDialog;
    std::unique_ptr<CFileChooser> ownFiles;
    std::unique_ptr<CMediaPlayer> ownPlayer;
    std::unique_ptr<CWebOpener> ownWeb;
    std::unique_ptr<CTrackMapChooser> ownTrackMaps;
    TForm3* Splash = nullptr;
};
