// The help panel and its text.
#include "app/THelpPanel.h"

#include "app/CLook.h"
#include "app/TClickLabel.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

constexpr const char* HelpLines[] = {
    "GENERAL",
    "This tool converts the styles of a Ry7 Style Bank file (*.sty) to Standard MIDI Files and back. "
    "Style Banks are the files the keyboard saves to its floppy disk; copy one to the computer and open "
    "it here. The left list shows the styles of the bank; click a selected style name again to edit it "
    "(at most 11 characters). The right tree shows the elements of the selected style, their chord "
    "variations and the tracks holding data.",
    "",
    "Each chord variation is exchanged as one Standard MIDI File of format 0. Every track has its own "
    "MIDI channel:",
    "  Channel 9   Bass",
    "  Channel 10  Drum",
    "  Channel 11  Percussion",
    "  Channel 12 to 16  Acc. 1 to Acc. 5",
    "Events on other channels are ignored on import.",
    "",
    "FILE NAMES",
    "'Import Style from SMFs with Standard Names' fills several chord variations at once. Each file name "
    "must contain a standard name: v1cv1 to v1cv6 ... v4cv1 to v4cv6 for Variation 1 to 4, i1cv1 and "
    "i1cv2 for Intro 1, i2cv1, i2cv2, i3cv1, i3cv2 for Intro 2 and 3, f1cv1 to f3cv2 for Fill 1 to 3, "
    "e1cv1 to e2cv2 for Ending 1 and 2. Upper or lower case does not matter and the name may stand "
    "anywhere in the file name, for example 'V1CV1.MID', 'funk_v2cv3.mid' or 'i1cv2-take2.mid'. A file "
    "named 'i1cv3.mid' is refused: an Intro has two chord variations only. Files of Fill 3 and Intro 3 "
    "upgrade the style to the new Ry style format.",
    "Hold the Shift key while clicking the same button to export every chord variation with standard "
    "names: the name proposed, '_all_', gives files like '_all_v1cv1.mid' that import again as they are.",
    "",
    "CONVERSION",
    "An exported file starts at tick 0 with the tempo, the time signature of the element and, for each "
    "track in use, expression (control 11), bank select MSB and LSB (controls 0 and 32) and the program "
    "change, followed by the notes and controllers of the tracks.",
    "On import the tempo of the file is taken over, and into an empty element also its time signature and "
    "each track's expression, bank select and program. Expression at tick 0 is taken out of the pattern; "
    "the other events are stored as they come, up to 32 measures.",
    "",
    "TEST PLAY",
    "The play button plays the selected chord variation or track through the computer's synthesizer. "
    "What you hear depends on the sound set-up of the computer and is not the sound of the Ry7.",
    "",
    "NOTES",
    "Track parameters such as volume, effects and key or chord properties are edited on the keyboard "
    "itself. Only styles that already exist in a bank file can be changed; make a bank with the needed "
    "number of styles on the keyboard first.",
    "",
    "Free Software. No Warranty of any kind, no support. Keep a copy of your bank files before you change "
    "them.",
};

} // namespace

THelpPanel::THelpPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName("HelpPanel");
    setFrameStyle(QFrame::Box | QFrame::Plain);
    CLook::UseTooltipColours(*this);

    StaticText1 = MakeLabel("StaticText1", Title);
    StaticText1->setFont(CLook::Styled(StaticText1->font(), 0, true));
    StaticText1->setWordWrap(true);
    StaticText1->SetAccessibleRole(QAccessible::StaticText);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAccessibleName("Help Text");
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setPlainText(HelpText());

    GotoWeb = MakeLabel("GotoWeb", WebLinkText);
    GotoWeb->setFont(CLook::Styled(GotoWeb->font(), 0, false, true, true));
    QPalette maroon = GotoWeb->palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
    GotoWeb->setPalette(maroon);
    GotoWeb->setCursor(Qt::PointingHandCursor);
    GotoWeb->SetAccessibleRole(QAccessible::Link);
    GotoWeb->setFocusPolicy(Qt::StrongFocus);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StaticText1);
    layout->addWidget(Memo1, 1);
    layout->addWidget(GotoWeb);
    hide();
}

TClickLabel* THelpPanel::MakeLabel(const char* name, const char* text)
{
    auto* label = new TClickLabel(this);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    label->setText(text);
    return label;
}

QString THelpPanel::HelpText()
{
    QStringList lines;
    for (const char* line : HelpLines)
        lines << QString::fromLatin1(line);
    return lines.join('\n');
}

void THelpPanel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
}

void THelpPanel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}
