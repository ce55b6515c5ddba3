// The program's own message and question dialog.
#include "app/TRyGeneralDlg.h"

#include "app/CLook.h"
#include "app/TClickLabel.h"

#include <QFrame>
#include <QLabel>

namespace {

constexpr int ButtonTop = 104;
constexpr int ButtonWidth = 73;
constexpr int ButtonHeight = 19;

QLabel* MakeLabel(QWidget* parent, const char* name, const QRect& place, bool bold)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setGeometry(place);
    label->setFont(CLook::Styled(label->font(), 13, bold));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

TRyGeneralDlg::TRyGeneralDlg(QWidget* owner, const QString& caption, const QString& text, const QString& left,
                             const QString& middle, const QString& right)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName("RyGeneralDlg");
    setFixedSize(289, 145);
    setModal(true);
    CLook::UseTooltipColours(*this);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(rect());
    Panel1->setFrameStyle(QFrame::Box | QFrame::Plain);

    CaptionLabel = MakeLabel(this, "CaptionLabel", QRect(16, 16, 249, 25), true);
    TextLabel = MakeLabel(this, "TextLabel", QRect(16, 48, 249, 41), false);
    ButtonYes = MakeButton("ButtonYes", 16, left);
    ButtonNo = MakeButton("ButtonNo", 104, middle);
    ButtonCancel = MakeButton("ButtonCancel", 192, right);
    CaptionLabel->setText(caption);
    TextLabel->setText(text);

    connect(ButtonYes, &TClickLabel::clicked, this, &TRyGeneralDlg::ButtonYesClick);
    connect(ButtonNo, &TClickLabel::clicked, this, &TRyGeneralDlg::ButtonNoClick);
    connect(ButtonCancel, &TClickLabel::clicked, this, &TRyGeneralDlg::ButtonCancelClick);
    connect(ButtonYes, &TClickLabel::pressed, this, &TRyGeneralDlg::ButtonYesMouseDown);
    connect(ButtonNo, &TClickLabel::pressed, this, &TRyGeneralDlg::ButtonNoMouseDown);
    connect(ButtonCancel, &TClickLabel::pressed, this, &TRyGeneralDlg::ButtonCancelMouseDown);
}

TClickLabel* TRyGeneralDlg::MakeButton(const char* name, int left, const QString& text)
{
    auto* button = new TClickLabel(this);
    button->setObjectName(name);
    button->setGeometry(left, ButtonTop, ButtonWidth, ButtonHeight);
    button->setFrameStyle(QFrame::Box | QFrame::Plain);
    button->setAlignment(Qt::AlignCenter);
    button->setText(text);
    button->setVisible(!text.isEmpty());
    return button;
}

void TRyGeneralDlg::ShowPressed(TClickLabel* button)
{
    // Nothing restores the colour: the dialog closes on the click that follows.
    QPalette colours = button->palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Disabled, QPalette::WindowText));
    button->setPalette(colours);
    button->setAutoFillBackground(true);
}
