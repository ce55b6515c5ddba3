// The piano roll panel paints every node of the example bank, draws bars where the notes are, and tells
// a note's key, start, length and velocity in its tool tip.
#include "app/TPianoRoll.h"

#include "CExampleStyles.h"

#include <QTest>
#include <QToolTip>
#include <algorithm>

class TPianoRollTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void paintsEveryNodeOfTheExampleBankWithoutWarnings();
    void grabHasNotePixelsWhereTheNotesAre();
    void toolTipOfANoteTellsItsKeyStartLengthAndVelocity();
    void cursorIsDrawnWhereThePlayerIs();
};

namespace {

QStringList warnings;

void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings << text;
}

bool Near(QColor actual, QColor expected, int tolerance)
{
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

QColor Colour(const CRollColour& colour)
{
    return {colour.r, colour.g, colour.b};
}

// `colour` at `opacity` over `under`.
QColor Over(const CRollColour& colour, double opacity, const CRollColour& under)
{
    const auto mix = [opacity](int top, int bottom) {
        return static_cast<int>(top * opacity + bottom * (1 - opacity));
    };
    return {mix(colour.r, under.r), mix(colour.g, under.g), mix(colour.b, under.b)};
}

QPoint Centre(const CRollRect& box)
{
    return {static_cast<int>(box.x + box.w / 2), static_cast<int>(box.y + box.h / 2)};
}

} // namespace

void TPianoRollTest::init()
{
    warnings.clear();
    qInstallMessageHandler(CollectWarnings);
}

void TPianoRollTest::cleanup()
{
    qInstallMessageHandler(nullptr);
}

void TPianoRollTest::paintsEveryNodeOfTheExampleBankWithoutWarnings()
{
    CExampleStyles example;
    QCOMPARE(example.styles.size(), size_t{4});
    TPianoRoll roll;
    roll.resize(520, 300);
    QCOMPARE(roll.EmptyText(), QString(TPianoRoll::NoNodeText));
    QVERIFY(!roll.grab().isNull());
    int painted = 0;
    for (const auto& style : example.styles)
        for (int e = 0; e < kStyleElements; ++e)
            for (int c = 0; c < kChordVars; ++c) {
                if (style->GetCvState(e, c) == CNstEditIfc::StateAbsent)
                    continue;
                for (int t = -1; t < kStyleTracks; ++t) {
                    if (t >= 0 && style->GetTrackState(e, c, t) != CNstEditIfc::StateFilled)
                        continue;
                    roll.ShowNode(*style, example.programs, e, c, t < 0 ? CNstEditIfc::AllTracks : t);
                    QVERIFY(roll.Content() && !roll.Content()->notes.empty());
                    QVERIFY(roll.EmptyText().isEmpty());
                    QVERIFY(!roll.grab().isNull());
                    ++painted;
                }
            }
    QVERIFY2(painted > 400, qPrintable(QString::number(painted)));
    // A chord variation the style does not have is no picture.
    roll.ShowNode(*example.styles[1], example.programs, 11, 0, CNstEditIfc::AllTracks);
    QCOMPARE(roll.EmptyText(), QString(TPianoRoll::UnreadableText));
    QVERIFY(!roll.grab().isNull());
    roll.Clear();
    QCOMPARE(roll.EmptyText(), QString(TPianoRoll::NoNodeText));
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
}

void TPianoRollTest::grabHasNotePixelsWhereTheNotesAre()
{
    CExampleStyles example;
    QVERIFY(!example.styles.empty());
    TPianoRoll roll;
    roll.resize(640, 360);
    // Bossa Nova, Variation 1, Chord Var 1: every track, and the organ's notes outside its range.
    roll.ShowNode(*example.styles[2], example.programs, 0, 0, CNstEditIfc::AllTracks);
    const CRollLayout* layout = roll.Layout();
    QVERIFY(layout);
    const QImage image = roll.grab().toImage();
    const std::vector<CRollNoteBox>& boxes = layout->NoteBoxes();
    QVERIFY(boxes.size() > 20);
    int sampled = 0;
    for (size_t i = 0; i < boxes.size(); i += boxes.size() / 9) {
        const CRollNoteBox& box = boxes[i];
        const CRollNote& note = layout->Content().notes[box.note];
        // The middle of a bar that no other bar covers there.
        const QPoint centre = Centre(box.box);
        if (std::count_if(boxes.begin(), boxes.end(), [&](const CRollNoteBox& other) {
                return other.box.Contains(centre.x(), centre.y());
            }) != 1)
            continue;
        ++sampled;
        const QColor pixel = image.pixelColor(centre);
        const bool overWhite = Near(
            pixel, Over(CRollLayout::TrackColour(note.note.track), box.opacity, CRollLayout::Background), 12);
        const bool overRow = Near(
            pixel, Over(CRollLayout::TrackColour(note.note.track), box.opacity, CRollLayout::BlackRow), 12);
        QVERIFY2(overWhite || overRow,
                 qPrintable(QString("note %1 at %2: %3").arg(i).arg(box.box.x).arg(pixel.name())));
    }
    QVERIFY(sampled >= 4);
    int outside = 0;
    for (const CRollNoteBox& box : boxes) {
        if (!layout->Content().notes[box.note].outsideRange)
            continue;
        ++outside;
        const QColor edge =
            image.pixelColor(static_cast<int>(box.box.x + box.box.w / 2), static_cast<int>(box.box.y));
        QVERIFY2(edge.red() > 150 && edge.green() < 90 && edge.blue() < 90, qPrintable(edge.name()));
    }
    QVERIFY(outside > 0);
    // Where no note is, the plot shows only its background, rows and lines.
    const CRollRect& plot = layout->Plot();
    for (double y = plot.y + 2; y < plot.y + plot.h; y += 7)
        for (double x = plot.x + 3; x < plot.x + plot.w; x += 11) {
            if (layout->NoteAt(x, y) >= 0 || layout->NoteAt(x - 1, y - 1) >= 0 ||
                layout->NoteAt(x + 1, y + 1) >= 0)
                continue;
            const QColor pixel = image.pixelColor(static_cast<int>(x), static_cast<int>(y));
            QVERIFY2(std::abs(pixel.red() - pixel.blue()) <= 12 &&
                         std::abs(pixel.green() - pixel.blue()) <= 12,
                     qPrintable(QString("%1,%2: %3").arg(x).arg(y).arg(pixel.name())));
        }
}

void TPianoRollTest::toolTipOfANoteTellsItsKeyStartLengthAndVelocity()
{
    CRollContent content;
    content.track = 2;
    content.notes = {{{1536 + 768 + 120, 2, 61, 192, 100}, false}};
    TPianoRoll roll;
    roll.resize(480, 240);
    roll.show();
    QVERIFY(QTest::qWaitForWindowExposed(&roll));
    roll.ShowContent(content);
    const QPoint note = Centre(roll.Layout()->NoteBoxes().front().box);
    QHelpEvent help(QEvent::ToolTip, note, roll.mapToGlobal(note));
    QApplication::sendEvent(&roll, &help);
    QCOMPARE(QToolTip::text(), QString("C#4 (Bass)\nStart: 2:3:120\nLength: 192 ticks\nVelocity: 100"));
    const QPoint free(note.x() - 60, note.y());
    QHelpEvent away(QEvent::ToolTip, free, roll.mapToGlobal(free));
    QApplication::sendEvent(&roll, &away);
    QTRY_VERIFY(QToolTip::text().isEmpty() || !QToolTip::isVisible());
}

void TPianoRollTest::cursorIsDrawnWhereThePlayerIs()
{
    CRollContent content;
    content.measures = 2;
    content.lengthTicks = 2 * 1536;
    TPianoRoll roll;
    roll.resize(480, 240);
    roll.ShowContent(content);
    const CRollLayout& layout = *roll.Layout();
    const int y = static_cast<int>(layout.Row(64).y + 2);
    const int x = static_cast<int>(layout.X(1536 + 200));
    QVERIFY(Near(roll.grab().toImage().pixelColor(x, y), Colour(CRollLayout::Background), 3));
    roll.SetCursorTick(1536 + 200);
    QVERIFY(Near(roll.grab().toImage().pixelColor(x, y), Colour(CRollLayout::Cursor), 40));
    roll.SetCursorTick(5000); // beyond the end: hidden
    QVERIFY(Near(roll.grab().toImage().pixelColor(x, y), Colour(CRollLayout::Background), 3));
}

QTEST_MAIN(TPianoRollTest)
#include "TPianoRollTest.moc"
