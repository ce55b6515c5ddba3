// The main window's controls and their arrangement, sized from the platform's font.
#include "app/CIconFactory.h"
#include "app/TClickLabel.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TRyTreeView.h"
#include "shell/CStandardNames.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
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

void KeepPlaceWhenHidden(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

} // namespace

void TForm2::BuildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setMovable(false);
    OpenStyle = AddToolButton("OpenStyle", "Open Style Bank", int(Tool::Open), true);
    SaveStyle = AddToolButton("SaveStyle", "Save Style Bank", int(Tool::Save), false);
    ToolBar1->addSeparator();
    ImportAllSmf = AddToolButton("ImportAllSmf", "Import Style from SMFs with Standard Names",
                                 int(Tool::ImportAll), false);
    ImportSingleSmf =
        AddToolButton("ImportSingleSmf", "Import Chord Variation from SMF", int(Tool::ImportOne), false);
    ImportMidiFile =
        AddToolButton("ImportMidiFile", "Import MIDI File into Chord Variation, a Track for each Channel",
                      int(Tool::ImportMidi), false);
    ExportSingleSmf =
        AddToolButton("ExportSingleSmf", "Export Chord Variation to SMF", int(Tool::Export), false);
    ToolBar1->addSeparator();
    DeleteCV = AddToolButton("DeleteCV", "Delete Chord Variation", int(Tool::Delete), false);
    ToolBar1->addSeparator();
    UndoStyle = AddToolButton("UndoStyle", "Undo current Style Modifications", int(Tool::Undo), false);
    ToolBar1->addSeparator();
    PlayButton = AddToolButton("PlayButton", "Test play using the Mediaplayer", int(Tool::Play), false);
    ToolBar1->addSeparator();
    ButtonHelp = AddToolButton("ButtonHelp", "Help on this program", int(Tool::Help), true);
    // Every button stays on the bar: the window is never narrower than the bar needs.
    ToolBar1->setMinimumWidth(ToolBar1->sizeHint().width());
}

QToolButton* TForm2::AddToolButton(const char* name, const char* hint, int icon, bool enabled)
{
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(CIconFactory::ToolIcon(static_cast<Tool>(icon)));
    button->setAutoRaise(true);
    // Tool bar buttons are used with the mouse; the keyboard's focus stays with the trees.
    button->setFocusPolicy(Qt::NoFocus);
    button->setEnabled(enabled);
    ToolBar1->addWidget(button);
    return button;
}

void TForm2::BuildTrees()
{
    StyleList = new TRyTreeView(this);
    StyleList->setObjectName("StyleList");
    StyleList->setToolTip("Select a Style, you can edit also the Style Name here.");
    StyleList->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);

    StyleTree = new TRyTreeView(this);
    StyleTree->setObjectName("StyleTree");
    StyleTree->setToolTip("Select a Chord Variation to enable Import/Export of a single Chord Variation.");
    StyleTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void TForm2::BuildFooter()
{
    FooterNote = new QLabel("Free Software", this);
    FooterNote->setObjectName("FooterNote");
    FooterNote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FooterNote->setToolTip("Free Software. No Warranty of any kind, no support.");

    // InfoText lies over the footer note and hides it while shown. Its width is kept while it is
    // hidden, so that showing it never moves the trees.
    InfoText = new QLabel("- - -", this);
    InfoText->setObjectName("InfoText");
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
    Image2->setPixmap(CIconFactory::ToolIcon(Tool::Stop).pixmap(16, 16));
    Image2->setCursor(Qt::PointingHandCursor);

    Label3 = new QLabel("Tempo for Player:", MediaPanel);
    Label3->setObjectName("Label3");

    TempoEdit = new QLineEdit("120", MediaPanel);
    TempoEdit->setObjectName("TempoEdit");
    TempoEdit->setMaximumWidth(TempoEdit->fontMetrics().horizontalAdvance(QString(8, '0')));

    auto* layout = new QGridLayout(MediaPanel);
    layout->addWidget(Image2, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(Label2, 0, 1, 1, 2);
    layout->addWidget(Label3, 1, 1);
    layout->addWidget(TempoEdit, 1, 2, Qt::AlignLeft);
    layout->setColumnStretch(2, 1);
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
    grid->addWidget(FooterNote, 1, 0, 1, 2);
    grid->addWidget(InfoText, 1, 0, 1, 2);
    grid->addWidget(RyVersion, 2, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(MediaPanel, 0, 0, 1, 2, Qt::AlignBottom);
    grid->addWidget(HelpPanel, 0, 0, 3, 2);
    grid->setRowStretch(0, 1);
    // Extra width goes to the trees in the proportions of their first widths.
    grid->setColumnStretch(0, 137);
    grid->setColumnStretch(1, 161);

    SizeTrees();
    const QFontMetrics metrics = InfoText->fontMetrics();
    int info = 0;
    for (const QString& text : WidestInfoTexts())
        info = std::max(info, metrics.horizontalAdvance(text));
    InfoText->setMinimumWidth(info + InfoText->contentsMargins().left() +
                              InfoText->contentsMargins().right());
    adjustSize();
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
