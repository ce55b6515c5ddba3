// The program's own message and question dialog.
#include "app/TRyGeneralDlg.h"

#include "app/CLook.h"
#include "app/TClickLabel.h"
#include "app/TFocusRing.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The texts wrap at about this many average characters, the width the dialog was drawn for.
constexpr int TextColumns = 40;
// Every button is at least as wide as this text, so that short answers get equal, familiar buttons.
constexpr const char* ButtonPattern = "Initialize";

QLabel* MakeLabel(QWidget* parent, const char* name, bool bold)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFont(CLook::Styled(label->font(), 0, bold));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

// The width of the widest word of `text`: a label can wrap between words only.
int WidestWord(const QLabel& label)
{
    int widest = 0;
    for (const QString& word : label.text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
        widest = std::max(widest, label.fontMetrics().horizontalAdvance(word));
    return widest;
}

} // namespace

TRyGeneralDlg::TRyGeneralDlg(QWidget* owner, const QString& caption, const QString& text, const QString& left,
                             const QString& middle, const QString& right)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName("RyGeneralDlg");
    // No title bar shows it: the caption names the dialog on the accessibility bus.
    setWindowTitle(caption);
    setModal(true);
    CLook::UseTooltipColours(*this);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
    CaptionLabel = MakeLabel(Panel1, "CaptionLabel", true);
    TextLabel = MakeLabel(Panel1, "TextLabel", false);
    ButtonYes = MakeButton("ButtonYes", left);
    ButtonNo = MakeButton("ButtonNo", middle);
    ButtonCancel = MakeButton("ButtonCancel", right);
    CaptionLabel->setText(caption);
    TextLabel->setText(text);
    ArrangeControls();
    // The keys: Tab moves between the shown buttons, Space, Return or Enter presses the one with the
    // focus. A message or a three-way question starts on the middle button, its OK or moderate answer
    // (Merge, Keep), so that a quick Return replaces nothing. A Yes/No question starts on no button:
    // either answer may drop the user's changes ("Ignore changes ?", "Confirm changes ?"), so Return
    // alone answers nothing and the first Tab reaches Yes.
    if (!middle.isEmpty())
        ButtonNo->setFocus();
    else
        setFocus();
    new TFocusRing(this);

    connect(ButtonYes, &TClickLabel::clicked, this, &TRyGeneralDlg::ButtonYesClick);
    connect(ButtonNo, &TClickLabel::clicked, this, &TRyGeneralDlg::ButtonNoClick);
    connect(ButtonCancel, &TClickLabel::clicked, this, &TRyGeneralDlg::ButtonCancelClick);
    connect(ButtonYes, &TClickLabel::pressed, this, &TRyGeneralDlg::ButtonYesMouseDown);
    connect(ButtonNo, &TClickLabel::pressed, this, &TRyGeneralDlg::ButtonNoMouseDown);
    connect(ButtonCancel, &TClickLabel::pressed, this, &TRyGeneralDlg::ButtonCancelMouseDown);
}

TClickLabel* TRyGeneralDlg::MakeButton(const char* name, const QString& text)
{
    auto* button = new TClickLabel(Panel1);
    button->setObjectName(name);
    button->setFrameStyle(QFrame::Box | QFrame::Plain);
    button->setAlignment(Qt::AlignCenter);
    button->setTextFormat(Qt::PlainText);
    button->setText(text);
    button->setMargin(button->fontMetrics().averageCharWidth() / 2);
    // A hidden button keeps its place: the middle one stays in the middle.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    button->setVisible(!text.isEmpty());
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

void TRyGeneralDlg::ArrangeControls()
{
    auto* buttons = new QGridLayout;
    auto* panel = new QVBoxLayout(Panel1);
    panel->addWidget(CaptionLabel);
    panel->addWidget(TextLabel, 1);
    panel->addSpacing(TextLabel->fontMetrics().height() / 2);
    panel->addLayout(buttons);
    auto* dialog = new QVBoxLayout(this);
    dialog->setContentsMargins(0, 0, 0, 0);
    dialog->addWidget(Panel1);
    dialog->setSizeConstraint(QLayout::SetFixedSize);

    // Three equal buttons, wide enough for the longest answer.
    int buttonWidth = 0;
    for (TClickLabel* button : {ButtonYes, ButtonNo, ButtonCancel}) {
        const int frame = 2 * (button->frameWidth() + button->margin());
        buttonWidth = std::max({buttonWidth, button->fontMetrics().horizontalAdvance(ButtonPattern) + frame,
                                button->fontMetrics().horizontalAdvance(button->text()) + frame});
    }
    int column = 0;
    for (TClickLabel* button : {ButtonYes, ButtonNo, ButtonCancel}) {
        button->setFixedWidth(buttonWidth);
        buttons->addWidget(button, 0, column++);
    }

    // The texts wrap at a fixed width, wider only for a word that would not fit (a long file name) or
    // for the buttons; the dialog's height follows from the wrapped lines.
    const int textWidth =
        std::max({TextLabel->fontMetrics().averageCharWidth() * TextColumns, WidestWord(*TextLabel),
                  WidestWord(*CaptionLabel), 3 * buttonWidth + 2 * buttons->horizontalSpacing()});
    CaptionLabel->setFixedWidth(textWidth);
    TextLabel->setFixedWidth(textWidth);
}

void TRyGeneralDlg::ShowPressed(TClickLabel* button)
{
    // Nothing restores the colour: the dialog closes on the click that follows.
    QPalette colours = button->palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Disabled, QPalette::WindowText));
    button->setPalette(colours);
    button->setAutoFillBackground(true);
}
