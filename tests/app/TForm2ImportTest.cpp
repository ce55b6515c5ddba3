// The main window's import commands and the deletion of chord variations.
#include "CWindowFixture.h"
#include "app/TForm2.h"
#include "app/TMidiImportDlg.h"
#include "app/TRyTreeView.h"
#include "bank/facade/CNstEditIfc.h"
#include "bank/facade/FacadeTestSupport.h"
#include "shell/CStyleTransfer.h"
#include "tools/smfbuilder/CSmfBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <memory>

class TForm2ImportTest : public QObject, public CWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void init() { BeginTest(); }
    void cleanup() { EndTest(); }
    void importAllReplacesTheStyle();
    void replacingWithoutAValidFileCanBeUndone();
    void importAllAsksForEveryDuplicateAndUpgradesOnce();
    void duplicateAnswersDecideWhatTheImportTakes_data();
    void duplicateAnswersDecideWhatTheImportTakes();
    void importSingleReportsAReadError();
    void importSingleTellsAFileThatGivesNoTrackAnEvent();
    void initializeWithATruncatedFileKeepsTheChordVariation_data();
    void initializeWithATruncatedFileKeepsTheChordVariation();
    void extendedProgramsUpgradeAnOldStyleOnce_data();
    void extendedProgramsUpgradeAnOldStyleOnce();
    void deletingTheOnlyChordVariationOfVariation1AddsItEmpty();
    void importMidiFileTakesASequencerFileAsTheCommandLineDoes();
    void cancellingImportMidiFileChangesNothing_data();
    void cancellingImportMidiFileChangesNothing();
    void importMidiFileImportsTheTracksChosenInItsDialog();
};

namespace {

constexpr int Intro1 = 4;

// What an element that holds no chord variation with data takes over from an imported file.
struct CElementParameters {
    uint8_t Signature = 0;
    std::array<int32_t, 8> Programs{};

    static CElementParameters Of(CNstEditIfc& style, int element)
    {
        CElementParameters parameters;
        parameters.Signature = style.GetSignature(element);
        for (int t = 0; t < 8; ++t)
            parameters.Programs[static_cast<size_t>(t)] = style.GetTrackProgram(element, t);
        return parameters;
    }
    bool operator==(const CElementParameters&) const = default;
};

// A sequencer's file in the start folder: format 1, a tempo track, a piano on channel 1, a bass (program
// 33) on channel 2 and drums on channel 10; returns its path.
QString WriteSequencerFile(const QString& path)
{
    CSmfBuilder tempo, piano, bass, drums;
    tempo.Tempo(0, 500000).Signature(0, 4, 2);
    bass.Add(0, {0xC1, 33});
    for (uint32_t beat = 0; beat < 8; ++beat) {
        piano.Note(beat * 384, beat * 384 + 300, 0, static_cast<uint8_t>(60 + beat % 4));
        bass.Note(beat * 384, beat * 384 + 200, 1, static_cast<uint8_t>(36 + beat % 3));
        drums.Note(beat * 384, beat * 384 + 50, 9, 36);
    }
    const std::vector<uint8_t> image = SmfFileImage(
        1, {tempo.TrackData(0), piano.TrackData(8 * 384), bass.TrackData(8 * 384), drums.TrackData(8 * 384)});
    CWindowFixture::WriteFile(
        path, QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size())));
    return path;
}

std::vector<uint8_t> Bytes(const QByteArray& bytes)
{
    return {bytes.begin(), bytes.end()};
}

} // namespace

void TForm2ImportTest::importAllReplacesTheStyle()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString good = ExportCv(*form, 0, 0, "V1CV1.MID");
    const QString bad = FilePath("xyz.mid");
    QVERIFY(QFile::copy(good, bad));
    dialog.Answers << 6;
    files.Choices << QStringList({good, bad});
    Click(form->ImportAllSmf);
    QCOMPARE(MessageTexts(),
             QStringList({"Import Style from SMF | Replace current style or merge with SMF files?",
                          "Import Style from SMF | 'xyz.mid'  is not a valid standard name!"}));
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), QString("New Style"));
    QCOMPARE(TreeTexts(*form).mid(0, 3), QStringList({"New Style", "Variation 1", "Chord Var 1"}));
    QCOMPARE(FindTreeNode(*form, TTreeData::KindElement)->childCount(), 1);
    QVERIFY(form->StyleModified);
}

void TForm2ImportTest::replacingWithoutAValidFileCanBeUndone()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QStringList before = TreeTexts(*form);
    const QString bad = FilePath("xyz.mid");
    WriteFile(bad, "any");
    dialog.Answers << 6;
    files.Choices << QStringList(bad);
    Click(form->ImportAllSmf);
    QCOMPARE(MessageTexts(),
             QStringList({"Import Style from SMF | Replace current style or merge with SMF files?",
                          "Import Style from SMF | 'xyz.mid'  is not a valid standard name!",
                          "Import Style from SMF | Style Element 'Variation 1' must exists. An empty "
                          "element has been added."}));
    QCOMPARE(TreeTexts(*form), QStringList({"New Style", "Variation 1", "Chord Var 1"}));
    // The empty style is a change like any import: Undo brings the bank's style and its name back.
    QVERIFY(form->StyleModified);
    QVERIFY(form->UndoStyle->isEnabled());
    Click(form->UndoStyle);
    QCOMPARE(form->StyleList->NodeAt(1)->text(0), QString("Pop 8Beat"));
    QCOMPARE(TreeTexts(*form), before);
}

void TForm2ImportTest::importAllAsksForEveryDuplicateAndUpgradesOnce()
{
    const auto form = MakeForm();
    // Swing Jazz is of the old format: no Fill 3 yet.
    SelectStyle(*form, 2);
    QCOMPARE(form->StyleVersion, 0);
    const QString v1 = ExportCv(*form, 0, 0, "v1cv1.mid");
    const QString f3a = FilePath("f3cv1.mid");
    const QString f3b = FilePath("take2_f3cv1.mid");
    QVERIFY(QFile::copy(v1, f3a) && QFile::copy(v1, f3b));
    // Merge; the second Fill 3 file is a duplicate of what the first one brought: skip it.
    dialog.Answers << 7 << 7 << 7 << 2;
    files.Choices << QStringList({f3a, v1, f3b});
    Click(form->ImportAllSmf);
    QCOMPARE(MessageTexts(),
             QStringList({"Import Style from SMF | Replace current style or merge with SMF files?",
                          "Import Style from SMF | 'f3cv1.mid'  is a new Ry version style element. Style "
                          "version has been upgraded!",
                          "Import Style from SMF | Warning! 'v1cv1.mid' is a duplicate - Initialize/Keep "
                          "Track Parameters?",
                          "Import Style from SMF | Warning! 'take2_f3cv1.mid' is a duplicate - "
                          "Initialize/Keep Track Parameters?"}));
    QCOMPARE(form->EditIfc->GetStyleVersion(), 1);
    QCOMPARE(form->EditIfc->GetCvState(10, 0), int(CNstEditIfc::StateFilled));
    QVERIFY(TreeTexts(*form).contains("Fill 3"));
    QVERIFY(form->StyleModified);
}

void TForm2ImportTest::duplicateAnswersDecideWhatTheImportTakes_data()
{
    QTest::addColumn<bool>("importAll"); // else Import Chord Variation
    QTest::addColumn<int>("answer");
    QTest::newRow("Import All: Skip CV") << true << 2;
    QTest::newRow("Import All: Keep") << true << 7;
    QTest::newRow("Import All: Initialize") << true << 6;
    QTest::newRow("Import Chord Variation: Cancel") << false << 2;
    QTest::newRow("Import Chord Variation: Keep") << false << 7;
    QTest::newRow("Import Chord Variation: Initialize") << false << 6;
}

void TForm2ImportTest::duplicateAnswersDecideWhatTheImportTakes()
{
    QFETCH(bool, importAll);
    QFETCH(int, answer);
    const auto form = MakeForm();
    // The file: Intro 1 of Swing Jazz, in 3/4 and on other programs than Pop 8Beat's.
    SelectStyle(*form, 2);
    const QString file = ExportCv(*form, Intro1, 0, "i1cv1.mid");
    const CElementParameters fromFile = CElementParameters::Of(*form->EditIfc, Intro1);
    // Pop 8Beat with its Intro 1 down to chord variation 1, confirmed into the bank.
    ClickStyle(*form, 1);
    const CElementParameters own = CElementParameters::Of(*form->EditIfc, Intro1);
    QVERIFY(own != fromFile);
    DeleteCv(*form, Intro1, 1);
    dialog.Answers << 6;
    ClickStyle(*form, 2);
    ClickStyle(*form, 1);
    QVERIFY(!form->StyleModified);
    const QByteArray before = ReadFile(ExportCv(*form, Intro1, 0, "before.mid"));
    dialog = CScriptedDialog();

    if (importAll) {
        dialog.Answers << 7 << answer; // merge, then the duplicate question
        files.Choices << QStringList(file);
        Click(form->ImportAllSmf);
    } else {
        ClickTreeNode(*form, FindCvNode(*form, Intro1, 0));
        dialog.Answers << answer;
        if (answer != 2) // Cancel runs no file dialog
            files.Choices << QStringList(file);
        Click(form->ImportSingleSmf);
    }
    QVERIFY(files.Choices.isEmpty());
    QCOMPARE(dialog.Calls.size(), importAll ? 2 : 1);
    QCOMPARE(dialog.Calls.last().Left, QString("Initialize"));
    QCOMPARE(form->StyleModified, answer != 2);
    QCOMPARE(form->UndoStyle->isEnabled(), answer != 2);
    // Initialize empties the element first, so that it takes the file's signature and programs.
    const CElementParameters now = CElementParameters::Of(*form->EditIfc, Intro1);
    QVERIFY(now == (answer == 6 ? fromFile : own));
    const QByteArray after = ReadFile(ExportCv(*form, Intro1, 0, "after.mid"));
    if (answer == 2)
        QCOMPARE(after, before);
    else
        QVERIFY(after != before);
    // Initialize brings the whole file in: the chord variation exports as the file it came from.
    QCOMPARE(after == ReadFile(file), answer == 6);
}

void TForm2ImportTest::importSingleReportsAReadError()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString junk = FilePath("junk.mid");
    WriteFile(junk, "not a midi file");
    SelectTreeNode(*form, TTreeData::KindCv);
    QTreeWidgetItem* selected = form->StyleTree->SelectedNode();
    const int index = form->StyleTree->IndexOf(selected);
    dialog.Answers << 7;
    files.Choices << QStringList(junk);
    Click(form->ImportSingleSmf);
    QCOMPARE(MessageTexts(),
             QStringList({"Import Chord Variation from SMF | Initialize/Keep Track Parameters?",
                          "Import Chord Variation from SMF | SMF read error or wrong SMF Format!"}));
    QCOMPARE(files.Asked.last().FileName, QString("v1cv1"));
    QCOMPARE(form->StyleTree->IndexOf(form->StyleTree->SelectedNode()), index);
    QVERIFY(form->StyleModified);
}

void TForm2ImportTest::importSingleTellsAFileThatGivesNoTrackAnEvent()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    // One note on MIDI channel 1, where no track of a style plays.
    const char low[] = {'M', 'T',        'h', 'd',  0,          0,          0,    6,   0,
                        0,   0,          1,   0x01, char(0x80), 'M',        'T',  'r', 'k',
                        0,   0,          0,   13,   0,          char(0x90), 60,   100, char(0x83),
                        0,   char(0x80), 60,  0,    0,          char(0xFF), 0x2F, 0};
    WriteFile(FilePath("Low.mid"), QByteArray(low, sizeof low));
    SelectTreeNode(*form, TTreeData::KindCv);
    dialog.Answers << 7;
    files.Choices << QStringList(FilePath("Low.mid"));
    form->ImportSingleSmfClick();
    QCOMPARE(
        MessageTexts(),
        QStringList({"Import Chord Variation from SMF | Initialize/Keep Track Parameters?",
                     "Import Chord Variation from SMF | 'low.mid' gives no event to any track: the tracks "
                     "play MIDI channels 9 to 16, the file uses channel 1!"}));
    QVERIFY(form->StyleModified);
}

void TForm2ImportTest::initializeWithATruncatedFileKeepsTheChordVariation_data()
{
    QTest::addColumn<bool>("importAll"); // else Import Chord Variation
    QTest::addColumn<QString>("caption");
    QTest::newRow("Import All") << true << "Import Style from SMF";
    QTest::newRow("Import Chord Variation") << false << "Import Chord Variation from SMF";
}

void TForm2ImportTest::initializeWithATruncatedFileKeepsTheChordVariation()
{
    QFETCH(bool, importAll);
    QFETCH(QString, caption);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QByteArray before = ReadFile(ExportCv(*form, 0, 0, "before.mid"));
    // Cut off inside its track: the header reads, the track does not.
    const QString cut = FilePath("v1cv1.mid");
    WriteFile(cut, before.left(before.size() / 2));
    files.Choices << QStringList(cut);
    if (importAll) {
        dialog.Answers << 7 << 6; // merge, then Initialize for the duplicate
        Click(form->ImportAllSmf);
    } else {
        ClickTreeNode(*form, FindCvNode(*form, 0, 0));
        dialog.Answers << 6;
        Click(form->ImportSingleSmf);
    }
    QCOMPARE(MessageTexts().last(), caption + " | SMF read error or wrong SMF Format!");
    QVERIFY(FindCvNode(*form, 0, 0) != nullptr);
    QCOMPARE(ReadFile(ExportCv(*form, 0, 0, "after.mid")), before);
}

void TForm2ImportTest::extendedProgramsUpgradeAnOldStyleOnce_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<bool>("marked");
    QTest::newRow("restricted range") << "60 72" << true;
    QTest::newRow("whole key range") << "0 127" << false;
}

void TForm2ImportTest::extendedProgramsUpgradeAnOldStyleOnce()
{
    QFETCH(QString, range);
    QFETCH(bool, marked);
    const auto form = MakeForm();
    SelectStyle(*form, 2); // Swing Jazz, of the old format
    const QString file = ExportCv(*form, 0, 0, "v1cv1.mid");
    constexpr int Bass = 2;
    ListExtendedProgram(*form, form->EditIfc->GetTrackProgram(0, Bass), range);
    for (int run = 0; run < 2; ++run) {
        ClickTreeNode(*form, FindCvNode(*form, 0, 0));
        dialog.Answers << 7;
        files.Choices << QStringList(file);
        Click(form->ImportSingleSmf);
    }
    QCOMPARE(MessageTexts(),
             QStringList({"Import Chord Variation from SMF | Initialize/Keep Track Parameters?",
                          "Import Chord Variation from SMF | Extendend Program used - Style version has been "
                          "upgraded!",
                          "Import Chord Variation from SMF | Initialize/Keep Track Parameters?"}));
    QCOMPARE(form->EditIfc->GetStyleVersion(), 1);
    QVERIFY(form->RyVersion->isChecked());
    // The notes outside the range are marked in the style, never in a file.
    QCOMPARE(ReadFile(ExportCv(*form, 0, 0, "again.mid")), ReadFile(file));
    QTreeWidgetItem* track = FindTrackNode(*form, 0, 0, Bass);
    QVERIFY(track != nullptr);
    ClickTreeNode(*form, track);
    QCOMPARE(form->InfoText->text().endsWith(" ***"), marked);
}

void TForm2ImportTest::deletingTheOnlyChordVariationOfVariation1AddsItEmpty()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    // Down to chord variation 1 of Variation 1: every element whose last chord variation goes leaves the
    // tree, without a message.
    for (int e = 0; e < 12; ++e)
        for (int c = 0; c < 6; ++c)
            if ((e != 0 || c != 0) && FindCvNode(*form, e, c) != nullptr)
                DeleteCv(*form, e, c);
    QVERIFY(dialog.Calls.isEmpty());
    const QRegularExpression elementName("^(Variation|Intro|Fill|Ending) ");
    QCOMPARE(TreeTexts(*form).filter(elementName), QStringList("Variation 1"));
    QVERIFY(FindTreeNode(*form, TTreeData::KindTrack) != nullptr);

    DeleteCv(*form, 0, 0);
    QCOMPARE(dialog.Calls.size(), 1);
    QCOMPARE(dialog.Calls[0].Caption, QString("Delete Chord Variation"));
    QCOMPARE(dialog.Calls[0].Text,
             QString("Style Element 'Variation 1' must exists. An empty element has been added."));
    QCOMPARE(dialog.Calls[0].Middle, QString("OK"));
    QVERIFY(dialog.Calls[0].Left.isEmpty() && dialog.Calls[0].Right.isEmpty());
    // Variation 1 is back with an empty chord variation 1: no track nodes.
    QCOMPARE(TreeTexts(*form), QStringList({"Pop 8Beat", "Variation 1", "Chord Var 1"}));
    QCOMPARE(form->EditIfc->GetCvState(0, 0), int(CNstEditIfc::StateEmpty));
    QCOMPARE(form->StyleTree->SelectedNode(), form->StyleTree->NodeAt(0));
    QVERIFY(form->StyleModified);
}

void TForm2ImportTest::importMidiFileTakesASequencerFileAsTheCommandLineDoes()
{
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QString song = WriteSequencerFile(FilePath("song.mid"));
    ClickTreeNode(*form, FindCvNode(*form, 0, 0));
    QVERIFY(form->ImportMidiFile->isEnabled());
    QCOMPARE(form->ImportMidiFile->isEnabled(), form->ImportSingleSmf->isEnabled());
    dialog.Answers << 7; // Keep
    files.Choices << QStringList(song);
    Click(form->ImportMidiFile);

    QCOMPARE(MessageTexts(),
             QStringList("Import Chord Variation from SMF | Initialize/Keep Track Parameters?"));
    QCOMPARE(files.Asked.last().FileName, QString("v1cv1"));
    QCOMPARE(trackMaps.FileNames, QStringList("song.mid"));
    std::string error;
    QCOMPARE(trackMaps.Guesses.at(0), *CTrackMap::Parse("1=Acc1,2=Bass,10=Drum", error));
    QVERIFY(form->StyleModified);
    QCOMPARE(form->StyleTree->currentItem(), FindCvNode(*form, 0, 0));

    // The command-line tool's import of the same file with the same map into the bank's style.
    const std::optional<CStyleSelection> selected = form->Bank->SelectStyle(0);
    CNstEditIfc reference(selected->content.data(), selected->content.size());
    CSmfImportOptions options;
    options.MergeTracks = true;
    options.Map = trackMaps.Guesses.at(0);
    QVERIFY(CStyleTransfer::ImportSmfFile(reference, form->ExtProg, QFile::encodeName(song).toStdString(), 0,
                                          0, false, options)
                .Ok);
    const QByteArray exported = ReadFile(ExportCv(*form, 0, 0, "after.mid"));
    QVERIFY(Bytes(exported) == reference.ExportCvToSmf(0, 0, CNstEditIfc::AllTracks));
    // The file's notes on the style's channels: Acc. 1 (12), Bass (9), Drum (10), counted from 1.
    const std::vector<facadetest::CNote> notes = facadetest::NotesOf(Bytes(exported));
    QCOMPARE(notes.size(), size_t{24});
    for (const facadetest::CNote& note : notes)
        QVERIFY(note.channel == 11 || note.channel == 8 || note.channel == 9);
}

void TForm2ImportTest::cancellingImportMidiFileChangesNothing_data()
{
    QTest::addColumn<bool>("inQuestion"); // else in the track map dialog
    QTest::newRow("Cancel in the question") << true;
    QTest::newRow("Cancel in the track map dialog") << false;
}

void TForm2ImportTest::cancellingImportMidiFileChangesNothing()
{
    QFETCH(bool, inQuestion);
    const auto form = MakeForm();
    SelectStyle(*form, 1);
    const QByteArray before = ReadFile(ExportCv(*form, 0, 0, "before.mid"));
    ClickTreeNode(*form, FindCvNode(*form, 0, 0));
    dialog.Answers << (inQuestion ? 2 : 7);
    if (!inQuestion) // Cancel runs no file dialog
        files.Choices << QStringList(WriteSequencerFile(FilePath("song.mid")));
    trackMaps.Cancel = true;
    Click(form->ImportMidiFile);
    QCOMPARE(trackMaps.FileNames.size(), inQuestion ? 0 : 1);
    QVERIFY(!form->StyleModified);
    QVERIFY(!form->UndoStyle->isEnabled());
    QCOMPARE(ReadFile(ExportCv(*form, 0, 0, "after.mid")), before);
}

void TForm2ImportTest::importMidiFileImportsTheTracksChosenInItsDialog()
{
    const auto form = MakeForm();
    CQtTrackMapChooser real;
    form->services.TrackMaps = &real;
    SelectStyle(*form, 1);
    ClickTreeNode(*form, FindCvNode(*form, 0, 0));
    dialog.Answers << 7;
    files.Choices << QStringList(WriteSequencerFile(FilePath("song.mid")));
    // The piano goes to Acc. 3 instead of the guessed Acc. 1: two steps down its list.
    QTimer::singleShot(0, [] {
        auto* chooser = qobject_cast<TMidiImportDlg*>(QApplication::activeModalWidget());
        QVERIFY(chooser != nullptr);
        QCOMPARE(chooser->ChannelTable->rowCount(), 3);
        QComboBox* piano = chooser->TargetOf(0);
        QCOMPARE(piano->currentText(), QString("Acc. 1"));
        QTest::keyClick(piano, Qt::Key_Down);
        QTest::keyClick(piano, Qt::Key_Down);
        QTest::mouseClick(chooser->ImportButton, Qt::LeftButton);
    });
    Click(form->ImportMidiFile);
    for (int track = 0; track < 8; ++track)
        QCOMPARE(form->EditIfc->GetTrackState(0, 0, track) == CNstEditIfc::StateFilled,
                 track == 0 || track == 2 || track == 5);
}

QTEST_MAIN(TForm2ImportTest)
#include "TForm2ImportTest.moc"
