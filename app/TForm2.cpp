// The main window: layout, enable rules, messages, first activation, help panel and test-play stop.
#include "app/TForm2.h"

#include "app/CFluidMediaPlayer.h"
#include "app/CIconFactory.h"
#include "app/CMessageDialog.h"
#include "app/CTrackMapChooser.h"
#include "app/CWebOpener.h"
#include "app/TClickLabel.h"
#include "app/TForm3.h"
#include "app/THelpPanel.h"
#include "app/TRyTreeView.h"
#include "bank/facade/CNstEditIfc.h"
#include "shell/CEnableRules.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>

#ifndef RY7_WEB_ADDRESS
#define RY7_WEB_ADDRESS "https://ry7styletool.example.org/"
#endif

namespace {

using Tool = CIconFactory::Tool;

const QString StyleFilter = "Style (*.sty)";
const QString MidiFilter = "Midi (*.mid)";

CFileDialogSpec DialogSpec(const char* title, const QString& filter, const char* suffix,
                           CFileDialogSpec::Mode mode)
{
    CFileDialogSpec request;
    request.Title = title;
    request.Filter = filter;
    request.DefaultSuffix = suffix;
    request.DialogMode = mode;
    return request;
}

// Hands an edited style label to the window instead of writing it into the node, so that the window
// decides the name that is shown.
class CStyleNameDelegate final : public QStyledItemDelegate {
public:
    CStyleNameDelegate(TForm2* form_, TRyTreeView* tree_)
        : QStyledItemDelegate(tree_), form(form_), tree(tree_)
    {
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        const auto* line = qobject_cast<QLineEdit*>(editor);
        if (line != nullptr)
            form->StyleListEdited(tree->itemFromIndex(index), line->text());
    }

private:
    TForm2* form;
    TRyTreeView* tree;
};

template <class Service, class Default> Service* Ensure(Service*& slot, std::unique_ptr<Service>& own)
{
    if (slot == nullptr) {
        own = std::make_unique<Default>();
        slot = own.get();
    }
    return slot;
}

} // namespace

TForm2::TForm2(const CShellServices& services_, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::WindowSystemMenuHint | Qt::MSWindowsFixedSizeDialogHint),
      services(services_)
{
    Ensure<CMessageDialog, CRyMessageDialog>(services.Dialog, ownDialog);
    Ensure<CFileChooser, CQtFileChooser>(services.Files, ownFiles);
    Ensure<CMediaPlayer, CFluidMediaPlayer>(services.Player, ownPlayer);
    Ensure<CWebOpener, CDesktopWebOpener>(services.Web, ownWeb);
    Ensure<CTrackMapChooser, CQtTrackMapChooser>(services.TrackMaps, ownTrackMaps);
    if (!services.ShiftDown)
        services.ShiftDown = [] {
            return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
        };

    setObjectName("Form2");
    setWindowTitle(Caption);
    setWindowIcon(CIconFactory::WindowIcon());
    setFixedSize(319, 390);

    BuildToolBar();
    BuildTrees();
    BuildFooter();
    BuildMediaPanel();
    HelpPanel = new THelpPanel(this);
    ConnectHandlers();

    using Mode = CFileDialogSpec::Mode;
    OpenDialog1 = DialogSpec("Open Style Bank File", StyleFilter, "sty", Mode::OpenOne);
    SaveDialog1 = DialogSpec("Save Style Bank File", StyleFilter, "sty", Mode::Save);
    OpenDialog2 = DialogSpec("Open Standard Midi File", MidiFilter, "mid", Mode::OpenOne);
    OpenDialog3 = DialogSpec("Open Standard Midi Files", MidiFilter, "mid", Mode::OpenMany);
    SaveDialog2 = DialogSpec("Save Standard Midi File", MidiFilter, "mid", Mode::Save);

    StartDir = QDir::toNativeSeparators(QDir::currentPath());
}

TForm2::~TForm2() = default;

QString TForm2::WebAddress()
{
    return QStringLiteral(RY7_WEB_ADDRESS);
}

// Layout

void TForm2::BuildToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setGeometry(0, 0, 319, 29);
    ToolBar1->setIconSize(QSize(16, 16));
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
}

QToolButton* TForm2::AddToolButton(const char* name, const char* hint, int icon, bool enabled)
{
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(CIconFactory::ToolIcon(static_cast<Tool>(icon)));
    button->setFixedSize(23, 22);
    button->setAutoRaise(true);
    button->setEnabled(enabled);
    ToolBar1->addWidget(button);
    return button;
}

void TForm2::BuildTrees()
{
    StyleList = new TRyTreeView(this);
    StyleList->setObjectName("StyleList");
    StyleList->setGeometry(8, 40, 137, 305);
    StyleList->setToolTip("Select a Style, you can edit also the Style Name here.");
    StyleList->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);

    StyleTree = new TRyTreeView(this);
    StyleTree->setObjectName("StyleTree");
    StyleTree->setGeometry(152, 40, 161, 305);
    StyleTree->setToolTip("Select a Chord Variation to enable Import/Export of a single Chord Variation.");
    StyleTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void TForm2::BuildFooter()
{
    FooterNote = new QLabel("Free Software", this);
    FooterNote->setObjectName("FooterNote");
    FooterNote->setGeometry(8, 350, 305, 17);
    FooterNote->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FooterNote->setToolTip("Free Software. No Warranty of any kind, no support.");

    // InfoText lies over the footer note and hides it while shown.
    InfoText = new QLabel("- - -", this);
    InfoText->setObjectName("InfoText");
    InfoText->setGeometry(8, 350, 305, 17);
    InfoText->setAutoFillBackground(true);
    InfoText->hide();

    RyVersion = new QCheckBox("new Ry style format", this);
    RyVersion->setObjectName("RyVersion");
    RyVersion->setGeometry(8, 369, 160, 17);
    RyVersion->hide();
}

void TForm2::BuildMediaPanel()
{
    MediaPanel = new QFrame(this);
    MediaPanel->setObjectName("MediaPanel");
    MediaPanel->setGeometry(8, 245, 305, 100);
    MediaPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    MediaPanel->setAutoFillBackground(true);
    MediaPanel->hide();

    Label2 =
        new QLabel("The Mediaplayer is using your sound card resources. Sound will not be the same as on the "
                   "Ry7. Inaccurate reproduction may occur also on the Percussion track and on tracks with "
                   "different settings on Key or Chord properties!",
                   MediaPanel);
    Label2->setObjectName("Label2");
    Label2->setGeometry(32, 4, 268, 66);
    Label2->setWordWrap(true);

    Image2 = new TClickLabel(MediaPanel);
    Image2->setObjectName("Image2");
    Image2->setGeometry(8, 8, 16, 16);
    Image2->setPixmap(CIconFactory::ToolIcon(Tool::Stop).pixmap(16, 16));
    Image2->setCursor(Qt::PointingHandCursor);

    Label3 = new QLabel("Tempo for Player:", MediaPanel);
    Label3->setObjectName("Label3");
    Label3->setGeometry(32, 74, 110, 20);

    TempoEdit = new QLineEdit("120", MediaPanel);
    TempoEdit->setObjectName("TempoEdit");
    TempoEdit->setGeometry(146, 74, 50, 20);
}

void TForm2::ConnectHandlers()
{
    connect(OpenStyle, &QToolButton::clicked, this, &TForm2::OpenStyleClick);
    connect(ButtonHelp, &QToolButton::clicked, this, &TForm2::ButtonHelpClick);
    connect(HelpPanel, &THelpPanel::clicked, this, &TForm2::HelpPanelClick);
    connect(HelpPanel->StaticText1, &TClickLabel::clicked, this, &TForm2::StaticText1Click);
    connect(HelpPanel->GotoWeb, &TClickLabel::clicked, this, &TForm2::GotoWebClick);
    connect(Image2, &TClickLabel::clicked, this, &TForm2::Image2Click);
    connect(SaveStyle, &QToolButton::clicked, this, &TForm2::SaveStyleClick);
    connect(UndoStyle, &QToolButton::clicked, this, &TForm2::UndoStyleClick);
    connect(ExportSingleSmf, &QToolButton::clicked, this, &TForm2::ExportSingleSmfClick);
    connect(PlayButton, &QToolButton::clicked, this, &TForm2::PlayButtonClick);
    connect(ImportAllSmf, &QToolButton::clicked, this, &TForm2::ImportAllSmfClick);
    connect(ImportSingleSmf, &QToolButton::clicked, this, &TForm2::ImportSingleSmfClick);
    connect(ImportMidiFile, &QToolButton::clicked, this, &TForm2::ImportMidiFileClick);
    connect(DeleteCV, &QToolButton::clicked, this, &TForm2::DeleteCVClick);
    connect(StyleList, &TRyTreeView::Changing, this, &TForm2::StyleListChanging);
    connect(StyleList, &TRyTreeView::Changed, this, &TForm2::StyleListChange);
    connect(StyleTree, &TRyTreeView::Changed, this, &TForm2::StyleTreeChange);
    // The check box only reacts to the user's release of the mouse button.
    connect(RyVersion, &QCheckBox::clicked, this, &TForm2::RyVersionMouseUp);
    StyleList->setItemDelegate(new CStyleNameDelegate(this, StyleList));
    StyleList->installEventFilter(this);
    StyleTree->installEventFilter(this);
}

// Routines

bool TForm2::HasSelectedNode(const TRyTreeView* tree) const
{
    return tree->currentItem() != nullptr && tree->currentItem()->isSelected();
}

int TForm2::SelectedTreeKind() const
{
    const auto* node =
        HasSelectedNode(StyleTree) ? dynamic_cast<const TStyleTreeItem*>(StyleTree->currentItem()) : nullptr;
    return node != nullptr ? node->data.Kind : -1;
}

TStyleListItem* TForm2::SelectedListItem() const
{
    return HasSelectedNode(StyleList) ? dynamic_cast<TStyleListItem*>(StyleList->currentItem()) : nullptr;
}

void TForm2::UpdateControls()
{
    CWindowFacts facts;
    facts.BankOpen = Bank != nullptr;
    facts.Editing = EditIfc != nullptr;
    facts.StyleModified = StyleModified;
    facts.StyleVersion = StyleVersion;
    facts.SelectedTreeKind = SelectedTreeKind();
    facts.StyleListSelected = SelectedListItem() != nullptr;
    const CControlStates states = CEnableRules::Apply(facts);

    SaveStyle->setEnabled(states.SaveStyle);
    ImportAllSmf->setEnabled(states.ImportAllSmf);
    UndoStyle->setEnabled(states.UndoStyle);
    ImportSingleSmf->setEnabled(states.ImportSingleSmf);
    ImportMidiFile->setEnabled(states.ImportSingleSmf);
    ExportSingleSmf->setEnabled(states.ExportSingleSmf);
    PlayButton->setEnabled(states.PlayButton);
    DeleteCV->setEnabled(states.DeleteCV);
    RyVersion->setVisible(states.RyVersionVisible);
    RyVersion->setEnabled(states.RyVersionEnabled);
    if (facts.Editing)
        RyVersion->setChecked(states.RyVersionChecked);
    if (states.StyleSizeUnknown)
        SelectedListItem()->Info = " Uncompressed Size: ???";
}

int TForm2::ShowDialog(const QString& caption, const QString& text, const QString& middle,
                       const QString& left, const QString& right)
{
    return services.Dialog->Show(this, caption, text, middle, left, right);
}

void TForm2::StopTestPlay()
{
    MediaPanel->hide();
    // The test-play file goes on every stop, also once the style it was made from is gone.
    if (TempSmfPath.isEmpty())
        return;
    CMediaPlayer& player = *services.Player;
    for (bool (CMediaPlayer::*step)() : {&CMediaPlayer::Stop, &CMediaPlayer::Eject, &CMediaPlayer::Close}) {
        if (!(player.*step)())
            ReportPlayerError();
    }
    QFile::remove(TempSmfPath);
    TempSmfPath.clear();
}

// First activation

bool TForm2::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate)
        FormActivate();
    return QWidget::event(e);
}

bool TForm2::eventFilter(QObject* watched, QEvent* e)
{
    if (e->type() == QEvent::FocusIn) {
        if (watched == StyleList)
            StyleListEnter();
        else if (watched == StyleTree)
            StyleTreeEnter();
    }
    return QWidget::eventFilter(watched, e);
}

void TForm2::closeEvent(QCloseEvent* e)
{
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

void TForm2::ReportPlayerError()
{
    const CMediaPlayer& player = *services.Player;
    Message("MediaPlayer", QString("Error %1: %2").arg(player.LastError()).arg(player.LastErrorText()));
}

void TForm2::Message(const QString& caption, const QString& text)
{
    ShowDialog(caption, text, "OK", "", "");
}

void TForm2::FormActivate()
{
    if (!FirstActivation)
        return;
    FirstActivation = false;
    if (Splash != nullptr)
        Splash->show();
    ReadExtProgList();
}

void TForm2::ReadExtProgList()
{
    const QString path = StartDir + QDir::separator() + CExtProgList::FileName;
    ExtProg.ReadFile(QFile::encodeName(path).toStdString(),
                     [this](const std::string& caption, const std::string& text) {
                         // The list is single-byte text.
                         ShowDialog(QString::fromLatin1(caption), QString::fromLatin1(text), "OK", "", "");
                     });
}

// Help panel

void TForm2::ButtonHelpClick()
{
    StopTestPlay();
    HelpPanel->setVisible(HelpPanel->isHidden());
    if (HelpPanel->isVisible())
        HelpPanel->raise();
}

void TForm2::HelpPanelClick()
{
    HelpPanel->hide();
}

void TForm2::StaticText1Click()
{
    HelpPanel->hide();
}

void TForm2::GotoWebClick()
{
    const QString address = WebAddress();
    if (!services.Web->LaunchBrowser(address))
        ShowDialog("Web Link", "Cannot launch Web Browser! Visit: '" + address + "'.", "OK", "", "");
}

// Media panel

void TForm2::Image2Click()
{
    StopTestPlay();
    StyleTree->setFocus();
}
