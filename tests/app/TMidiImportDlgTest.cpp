// The dialog of Import MIDI File: its rows, its guess, and choices made with real clicks and keys.
#include "app/TMidiImportDlg.h"

#include "app/CTrackMapChooser.h"
#include "smf/CSmfTracks.h"
#include "tools/smfbuilder/CSmfBuilder.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

class TMidiImportDlgTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void listsEveryChannelWithEventsWithTheGuessChosen();
    void keysAndClicksChooseTheTracks();
    void cancelOrEscapeGiveNoMap_data();
    void cancelOrEscapeGiveNoMap();
    void tabGoesFromChoiceToChoiceEachNamedByItsRow();

private:
    std::vector<uint8_t> image;
    CSmfSummary summary;
};

void TMidiImportDlgTest::init()
{
    // A piano on channel 1, a named bass on 2 (program 33), drums on 10; channel 5 only changes a program.
    CSmfBuilder piano, bass, drums;
    piano.Add(0, {0xFF, 0x03, 5, 'P', 'i', 'a', 'n', 'o'}).Note(0, 300, 0, 60).Note(0, 300, 0, 67);
    bass.Add(0, {0xFF, 0x03, 4, 'B', 'a', 's', 's'}).Add(0, {0xC1, 33}).Note(0, 300, 1, 40);
    drums.Note(0, 60, 9, 36).Add(0, {0xC4, 7});
    image = SmfFileImage(1, {piano.TrackData(384), bass.TrackData(384), drums.TrackData(384)});
    CSmfTracks tracks;
    QVERIFY(tracks.Read(image.data(), image.size()) == CSmfTracks::Result::Ok);
    summary = tracks.Summary();
}

void TMidiImportDlgTest::listsEveryChannelWithEventsWithTheGuessChosen()
{
    TMidiImportDlg dialog(nullptr, "song.mid", summary, CTrackMap::Guess(summary));
    QVERIFY(dialog.FileLabel->text().contains("'song.mid'"));
    const QStringList expected[] = {{"1", "2", "60-67", "-", "Piano", "Acc. 1"},
                                    {"2", "1", "40-40", "33", "Bass", "Bass"},
                                    {"5", "0", "-", "7", "", "Acc. 2"},
                                    {"10", "1", "36-36", "-", "", "Drum"}};
    QCOMPARE(dialog.ChannelTable->rowCount(), 4);
    for (int row = 0; row < 4; ++row) {
        QStringList shown;
        for (int column = 0; column < TMidiImportDlg::ColumnTarget; ++column)
            shown << dialog.ChannelTable->item(row, column)->text();
        shown << dialog.TargetOf(row)->currentText();
        QCOMPARE(shown, expected[row]);
    }
    QCOMPARE(dialog.Map(), CTrackMap::Guess(summary));
}

void TMidiImportDlgTest::keysAndClicksChooseTheTracks()
{
    TMidiImportDlg dialog(nullptr, "song.mid", summary, CTrackMap::Guess(summary));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Channel 1 one down the list, from Acc. 1 to Acc. 2, by key.
    QComboBox* piano = dialog.TargetOf(0);
    piano->setFocus();
    QTest::keyClick(piano, Qt::Key_Down);
    // Channel 5 to no track, by clicking its list open and clicking the last entry.
    QComboBox* silent = dialog.TargetOf(2);
    QTest::mouseClick(silent, Qt::LeftButton);
    QAbstractItemView* list = silent->view();
    QTRY_VERIFY(list->isVisible());
    const QModelIndex none = list->model()->index(silent->count() - 1, 0);
    // The list takes a release as a choice only once the click that opened it is over.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(none).center());
    QTRY_VERIFY(!list->isVisible());
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QTest::mouseClick(dialog.ImportButton, Qt::LeftButton);
    QCOMPARE(accepted.count(), 1);

    CTrackMap expected = CTrackMap::Guess(summary);
    expected.Set(0, 4);
    expected.Set(4, CTrackMap::NoTrack);
    QCOMPARE(dialog.Map(), expected);
}

void TMidiImportDlgTest::cancelOrEscapeGiveNoMap_data()
{
    QTest::addColumn<bool>("escape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Escape key") << true;
}

void TMidiImportDlgTest::cancelOrEscapeGiveNoMap()
{
    QFETCH(bool, escape);
    QTimer::singleShot(0, [escape] {
        auto* dialog = qobject_cast<TMidiImportDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        if (escape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            QTest::mouseClick(dialog->CancelButton, Qt::LeftButton);
    });
    CQtTrackMapChooser chooser;
    QVERIFY(!chooser.Choose(nullptr, "song.mid", summary, CTrackMap::Guess(summary)).has_value());
}

void TMidiImportDlgTest::tabGoesFromChoiceToChoiceEachNamedByItsRow()
{
    TMidiImportDlg dialog(nullptr, "song.mid", summary, CTrackMap::Guess(summary));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    dialog.ChannelTable->setFocus();
    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited,
             QStringList({"Target1", "Target2", "Target5", "Target10", "ImportButton", "CancelButton"}));
    // The bus reads a choice without its row: the choice's description carries it.
    QAccessibleInterface* bass = QAccessible::queryAccessibleInterface(dialog.TargetOf(1));
    QCOMPARE(bass->text(QAccessible::Description),
             QString("Channel 2, Notes 1, Keys 40-40, Program 33, Track name Bass"));
}

QTEST_MAIN(TMidiImportDlgTest)
#include "TMidiImportDlgTest.moc"
