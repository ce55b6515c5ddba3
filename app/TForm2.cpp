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
#include "app/TPianoRoll.h"
#include "app/TRyTreeView.h"
#include "app/TToolButton.h"
#include "bank/facade/CNstEditIfc.h"
#include "shell/CEnableRules.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolBar>

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
    : QWidget(parent, Qt::Window), services(services_)
{
    Ensure<CMessageDialog, CRyMessageDialog>(services.Dialog, ownDialog);
    Ensure<CFileChooser, CQtFileChooser>(services.Files, ownFiles);
    Ensure<CMediaPlayer, CFluidMediaPlayer>(services.Player, ownPlayer);
    Ensure<CWebOpener, CDesktopWebOpener>(services.Web, ownWeb);
    Ensure<CTrackMapChooser, CQtTrackMapChooser>(services.TrackMaps, ownTrackMaps);

    setObjectName("Form2");
    setWindowTitle(Caption);
    setWindowIcon(CIconFactory::WindowIcon());

    BuildToolBar();
    BuildTrees();
    BuildFooter();
    BuildMediaPanel();
    BuildPianoRoll();
    HelpPanel = new THelpPanel(this);
    ArrangeControls();
    ArrangeFocus();
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

void TForm2::ConnectHandlers()
{
    connect(HelpPanel, &THelpPanel::clicked, this, &TForm2::HelpPanelClick);
    connect(HelpPanel->StaticText1, &TClickLabel::clicked, this, &TForm2::StaticText1Click);
    connect(HelpPanel->GotoWeb, &TClickLabel::clicked, this, &TForm2::GotoWebClick);
    connect(Image2, &TClickLabel::clicked, this, &TForm2::Image2Click);
    connect(StyleList, &TRyTreeView::Changing, this, &TForm2::StyleListChanging);
    connect(StyleList, &TRyTreeView::Changed, this, &TForm2::StyleListChange);
    connect(StyleTree, &TRyTreeView::Changed, this, &TForm2::StyleTreeChange);
    connect(CursorTimer, &QTimer::timeout, this, &TForm2::FollowPlayer);
    // The check box only reacts to the user's release of the mouse button.
    connect(RyVersion, &QCheckBox::clicked, this, &TForm2::RyVersionMouseUp);
    StyleList->setItemDelegate(new CStyleNameDelegate(this, StyleList));
    StyleList->installEventFilter(this);
    StyleTree->installEventFilter(this);
}

// Routines

bool TForm2::HasSelectedNode(const TRyTreeView* tree) const
{
    return tree->SelectedNode() != nullptr;
}

int TForm2::SelectedTreeKind() const
{
    const auto* node = dynamic_cast<const TStyleTreeItem*>(StyleTree->SelectedNode());
    return node != nullptr ? node->data.Kind : -1;
}

TStyleListItem* TForm2::SelectedListItem() const
{
    return dynamic_cast<TStyleListItem*>(StyleList->SelectedNode());
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

    // A button follows its action, and the action's keys work only while it is enabled.
    const std::pair<TToolButton*, bool> commands[] = {{SaveStyle, states.SaveStyle},
                                                      {ImportAllSmf, states.ImportAllSmf},
                                                      {UndoStyle, states.UndoStyle},
                                                      {ImportSingleSmf, states.ImportSingleSmf},
                                                      {ImportMidiFile, states.ImportSingleSmf},
                                                      {ExportSingleSmf, states.ExportSingleSmf},
                                                      {PlayButton, states.PlayButton},
                                                      {DeleteCV, states.DeleteCV}};
    for (const auto& [button, enabled] : commands)
        button->defaultAction()->setEnabled(enabled);
    ExportAll->setEnabled(states.ImportAllSmf);
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
    CursorTimer->stop();
    PianoRoll->SetCursorTick(-1);
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

bool TForm2::EntersTree(const QEvent* event)
{
    if (event->type() != QEvent::FocusIn)
        return false;
    // The focus coming back with the window's activation (a dialog closed, another program left) or
    // after a popup finds the user where they were: a test play goes on and no info text changes.
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

bool TForm2::eventFilter(QObject* watched, QEvent* e)
{
    if (EntersTree(e)) {
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
    QString path = StartDir + QDir::separator() + CExtProgList::FileName;
    // Started from a launcher on a bank, the list that goes with the bank is the one beside it.
    const QString beside = BankDir + QDir::separator() + CExtProgList::FileName;
    if (!QFile::exists(path) && !BankDir.isEmpty() && QFile::exists(beside))
        path = beside;
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
    if (HelpPanel->isVisible()) {
        HelpPanel->raise();
        // The trees are covered: the keys scroll the help text.
        HelpPanel->Memo1->setFocus(Qt::OtherFocusReason);
    }
}

bool TForm2::focusNextPrevChild(bool next)
{
    if (!HelpPanel->isVisible())
        return QWidget::focusNextPrevChild(next);
    QWidget* from = focusWidget() != nullptr ? focusWidget() : HelpPanel->Memo1;
    for (QWidget* to = from;;) {
        to = next ? to->nextInFocusChain() : to->previousInFocusChain();
        if (to == from)
            return false;
        if (HelpPanel->isAncestorOf(to) && to->isVisible() && to->isEnabled() &&
            (to->focusPolicy() & Qt::TabFocus) != 0) {
            to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
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
