// The main window's controls and their arrangement, sized from the platform's font.
#include "app/CIconFactory.h"
#include "app/TClickLabel.h"
#include "app/TFocusRing.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TPianoRoll.h"
#include "app/TRyTreeView.h"
#include "app/TToolButton.h"
#include "shell/CStandardNames.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

using Tool = CIconFactory::Tool;

constexpr int StyleNameLength = 11;
// Rows the trees show at first, and at least.
constexpr int PreferredTreeRows = 17;
constexpr int MinimumTreeRows = 8;

// The widest character a style name or a file name can hold (single-byte text) in `font`.
QChar WidestCharacter(const QFontMetrics& metrics)
{
    QChar widest = 'W';
    for (int code = 0x20; code <= 0xFF; ++code) {
        const QChar c(code);
        if (c.isPrint() && metrics.horizontalAdvance(c) > metrics.horizontalAdvance(widest))
            widest = c;
    }
    return widest;
}

// The longest texts the info line can show: the largest numbers each info text can hold.
QStringList WidestInfoTexts()
{
    return {" Uncompressed Size: 3145728", " Signature: 16 / 32768", " Length in measures: 255",
            " Prog Change: 255 255 255 ***", " Uncompressed Size: ???"};
}

// The hint shows as the tool tip and is the description on the accessibility bus, which not every
// control takes from its tool tip.
void GiveHint(QWidget& control, const QString& hint)
{
    control.setToolTip(hint);
    control.setAccessibleDescription(hint);
}

void KeepPlaceWhenHidden(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

// A tool bar command: its button, the command's name (its action's text, which the accessibility bus
// reads as the button's name), its hint where that says more than the name (with the keys, the button's
// tool tip and its description on the bus), the keys, the handler and whether it starts enabled. A row
// without a button is a separator.
struct CToolCommand {
    TToolButton* TForm2::*Button = nullptr;
    const char* Control = nullptr;
    const char* Name = nullptr;
    const char* Hint = nullptr;
    Tool Icon = Tool::Open;
    QList<QKeySequence> Keys;
    void (TForm2::*Run)() = nullptr;
    bool Enabled = false;
};

QString HintWithKeys(const QString& hint, const QKeySequence& keys)
{
    return QString("%1 (%2)").arg(hint, keys.toString(QKeySequence::NativeText));
}

TToolButton* AddToolButton(TForm2& form, QToolBar& bar, const CToolCommand& command)
{
    auto* action = new QAction(CIconFactory::ToolIcon(command.Icon), command.Name, &form);
    action->setObjectName(QString(command.Control) + "Action");
    action->setShortcuts(command.Keys);
    action->setToolTip(
        HintWithKeys(command.Hint != nullptr ? command.Hint : command.Name, command.Keys.first()));
    action->setEnabled(command.Enabled);
    QObject::connect(action, &QAction::triggered, &form, command.Run);

    auto* button = new TToolButton(&bar);
    button->setObjectName(command.Control);
    button->setDefaultAction(action);
    // The button would take the action's text without its ellipsis.
    button->setAccessibleName(command.Name);
    button->setAutoRaise(true);
    // The bar is used with the mouse or through the commands' keys: the keyboard's focus stays with the
    // trees.
    button->setFocusPolicy(Qt::NoFocus);
    bar.addWidget(button);
    return button;
}

} // namespace

void TForm2::BuildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    const auto keys = [](QKeyCombination combination) { return QList<QKeySequence>{combination}; };
    const CToolCommand separator;
    const CToolCommand commands[] = {
        {&TForm2::OpenStyle, "OpenStyle", "Open Style Bank", nullptr, Tool::Open,
         QKeySequence::keyBindings(QKeySequence::Open), &TForm2::OpenStyleClick, true},
        {&TForm2::SaveStyle, "SaveStyle", "Save Style Bank", nullptr, Tool::Save,
         QKeySequence::keyBindings(QKeySequence::Save), &TForm2::SaveStyleClick},
        separator,
        {&TForm2::ImportAllSmf, "ImportAllSmf", "Import Style from SMFs with Standard Names", nullptr,
         Tool::ImportAll, keys(Qt::CTRL | Qt::SHIFT | Qt::Key_I), &TForm2::ImportAllSmfClick},
        {&TForm2::ImportSingleSmf, "ImportSingleSmf", "Import Chord Variation from SMF", nullptr,
         Tool::ImportOne, keys(Qt::CTRL | Qt::Key_I), &TForm2::ImportSingleSmfClick},
        {&TForm2::ImportMidiFile, "ImportMidiFile", "Import MIDI File...",
         "Import MIDI File into Chord Variation, a Track for each Channel", Tool::ImportMidi,
         keys(Qt::CTRL | Qt::Key_M), &TForm2::ImportMidiFileClick},
        {&TForm2::ExportSingleSmf, "ExportSingleSmf", "Export Chord Variation to SMF", nullptr, Tool::Export,
         keys(Qt::CTRL | Qt::Key_E), &TForm2::ExportSingleSmfClick},
        separator,
        {&TForm2::DeleteCV, "DeleteCV", "Delete Chord Variation", nullptr, Tool::Delete,
         keys(QKeyCombination(Qt::Key_Delete)), &TForm2::DeleteCVClick},
        separator,
        {&TForm2::UndoStyle, "UndoStyle", "Undo", "Undo current Style Modifications", Tool::Undo,
         QKeySequence::keyBindings(QKeySequence::Undo), &TForm2::UndoStyleClick},
        separator,
        {&TForm2::PlayButton, "PlayButton", "Test Play", "Test play using the Mediaplayer", Tool::Play,
         keys(Qt::CTRL | Qt::Key_Space), &TForm2::PlayButtonClick},
        separator,
        {&TForm2::ButtonHelp, "ButtonHelp", "Help", "Help on this program", Tool::Help,
         QKeySequence::keyBindings(QKeySequence::HelpContents), &TForm2::ButtonHelpClick, true},
    };
    for (const CToolCommand& command : commands) {
        if (command.Button == nullptr)
            ToolBar1->addSeparator();
        else
            this->*command.Button = AddToolButton(*this, *ToolBar1, command);
    }

    ExportAll = new QAction("Export All", this);
    ExportAll->setObjectName("ExportAll");
    ExportAll->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_E);
    ExportAll->setEnabled(false);
    addAction(ExportAll);
    connect(ExportAll, &QAction::triggered, this, &TForm2::ExportAllCvs);
    QAction* importAll = ImportAllSmf->defaultAction();
    importAll->setToolTip(importAll->toolTip() + "\n" +
                          HintWithKeys("With Shift: Export All", ExportAll->shortcut()));

    // Every button stays on the bar: the window is never narrower than the bar needs.
    ToolBar1->setMinimumWidth(ToolBar1->sizeHint().width());
}

void TForm2::BuildTrees()
{
    StyleList = new TRyTreeView(this);
    StyleList->setObjectName("StyleList");
    StyleList->setAccessibleName("Style Bank");
    GiveHint(*StyleList, "Select a Style, you can edit also the Style Name here.");
    StyleList->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);

    StyleTree = new TRyTreeView(this);
    StyleTree->setObjectName("StyleTree");
    StyleTree->setAccessibleName("Style");
    GiveHint(*StyleTree, "Select a Chord Variation to enable Import/Export of a single Chord Variation.");
    StyleTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The Delete key deletes a chord variation only where the chord variations are: in the style tree.
    QAction* deleteCv = DeleteCV->defaultAction();
    deleteCv->setShortcutContext(Qt::WidgetShortcut);
    StyleTree->addAction(deleteCv);
}

void TForm2::BuildFooter()
{
    FooterNote = new QLabel("Free Software", this);
    FooterNote->setObjectName("FooterNote");
    FooterNote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    GiveHint(*FooterNote, "Free Software. No Warranty of any kind, no support.");

    // InfoText lies over the footer note and hides it while shown. Its width is kept while it is
    // hidden, so that showing it never moves the trees.
    InfoText = new QLabel("- - -", this);
    InfoText->setObjectName("InfoText");
    // The bus reads the info text itself as the line's name, and follows its changes.
    InfoText->setAccessibleDescription("Info on the selected node");
    InfoText->setTextFormat(Qt::PlainText);
    InfoText->setAutoFillBackground(true);
    KeepPlaceWhenHidden(InfoText);
    InfoText->hide();

    RyVersion = new QCheckBox("new Ry style format", this);
    RyVersion->setObjectName("RyVersion");
    KeepPlaceWhenHidden(RyVersion);
    RyVersion->hide();
}

void TForm2::BuildMediaPanel()
{
    MediaPanel = new QFrame(this);
    MediaPanel->setObjectName("MediaPanel");
    MediaPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    MediaPanel->setAutoFillBackground(true);
    MediaPanel->hide();

    Label2 =
        new QLabel("The Mediaplayer is using your sound card resources. Sound will not be the same as on the "
                   "Ry7. Inaccurate reproduction may occur also on the Percussion track and on tracks with "
                   "different settings on Key or Chord properties!",
                   MediaPanel);
    Label2->setObjectName("Label2");
    Label2->setWordWrap(true);

    Image2 = new TClickLabel(MediaPanel);
    Image2->setObjectName("Image2");
    Image2->setAccessibleName("Stop Test Play");
    Image2->setPixmap(CIconFactory::ToolIcon(Tool::Stop).pixmap(16, 16));
    Image2->setCursor(Qt::PointingHandCursor);

    Label3 = new QLabel("Tempo for Player:", MediaPanel);
    Label3->setObjectName("Label3");

    TempoEdit = new QLineEdit("120", MediaPanel);
    TempoEdit->setObjectName("TempoEdit");
    TempoEdit->setMaximumWidth(TempoEdit->fontMetrics().horizontalAdvance(QString(8, '0')));
    Label3->setBuddy(TempoEdit);

    auto* layout = new QGridLayout(MediaPanel);
    layout->addWidget(Image2, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(Label2, 0, 1, 1, 2);
    layout->addWidget(Label3, 1, 1);
    layout->addWidget(TempoEdit, 1, 2, Qt::AlignLeft);
    layout->setColumnStretch(2, 1);
}

void TForm2::BuildPianoRoll()
{
    PianoRoll = new TPianoRoll(this);
    PianoRoll->setObjectName("PianoRoll");
    PianoRoll->setAccessibleName("Piano Roll");
    CursorTimer = new QTimer(this);
    CursorTimer->setObjectName("CursorTimer");
    // About thirty steps a second: smooth to the eye, little work for the player's position queries.
    CursorTimer->setInterval(30);
}

void TForm2::ArrangeControls()
{
    // The bar runs along the whole top edge; everything else has the window's margins.
    auto* window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addWidget(ToolBar1);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(style()->pixelMetric(QStyle::PM_LayoutLeftMargin),
                             style()->pixelMetric(QStyle::PM_LayoutTopMargin),
                             style()->pixelMetric(QStyle::PM_LayoutRightMargin),
                             style()->pixelMetric(QStyle::PM_LayoutBottomMargin));
    window->addLayout(grid, 1);

    // The trees side by side take whatever room the window gets; the help panel covers them, the info
    // line and the version box; the media panel lies over the trees' lower part.
    grid->addWidget(StyleList, 0, 0);
    grid->addWidget(StyleTree, 0, 1);
    grid->addWidget(PianoRoll, 0, 2, 3, 1);
    grid->addWidget(FooterNote, 1, 0, 1, 2);
    grid->addWidget(InfoText, 1, 0, 1, 2);
    grid->addWidget(RyVersion, 2, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(MediaPanel, 0, 0, 1, 2, Qt::AlignBottom);
    grid->addWidget(HelpPanel, 0, 0, 3, 2);
    grid->setRowStretch(0, 1);
    // Extra width goes to the trees in the proportions of their first widths, and most of it to the
    // piano roll beside them, whose time runs across.
    grid->setColumnStretch(0, 137);
    grid->setColumnStretch(1, 161);
    grid->setColumnStretch(2, 600);

    SizeTrees();
    const QFontMetrics metrics = InfoText->fontMetrics();
    int info = 0;
    for (const QString& text : WidestInfoTexts())
        info = std::max(info, metrics.horizontalAdvance(text));
    InfoText->setMinimumWidth(info + InfoText->contentsMargins().left() +
                              InfoText->contentsMargins().right());
    adjustSize();
}

void TForm2::ArrangeFocus()
{
    // Tab: the Style Bank tree, the style tree, the tempo field while a test play shows it; then the
    // version box while it can be used.
    setTabOrder(StyleList, StyleTree);
    setTabOrder(StyleTree, TempoEdit);
    new TFocusRing(this);
}

void TForm2::SizeTrees()
{
    const QChar widest = WidestCharacter(StyleList->fontMetrics());
    const QString styleName(StyleNameLength, widest);
    // A bank from the keyboard's floppy disk has a short file name.
    const QString bankFile = QString(8, widest) + ".STY";
    const int listWidth = StyleList->WidthFor({{bankFile}, {styleName}});

    QStringList elements, chordVariations, tracks;
    for (int e = 0; e < CStandardNames::ElementCount; ++e)
        elements << CStandardNames::ElementName(e);
    for (int c = 0; c < CStandardNames::MaxCvCount; ++c)
        chordVariations << QString::fromStdString(CStandardNames::ChordVarText(c));
    for (int t = 0; t < CStandardNames::TrackCount; ++t)
        tracks << CStandardNames::TrackName(t);
    const int treeWidth = StyleTree->WidthFor({{styleName}, elements, chordVariations, tracks});

    for (auto [tree, width] : {std::pair{StyleList, listWidth}, std::pair{StyleTree, treeWidth}}) {
        tree->setMinimumSize(width, tree->HeightFor(MinimumTreeRows));
        tree->SetPreferredSize(QSize(width, tree->HeightFor(PreferredTreeRows)));
    }
}
