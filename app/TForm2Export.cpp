// The main window's export commands and the test play through the media player.
#include "app/CMediaPlayer.h"
#include "app/CWaitCursor.h"
#include "app/TForm2.h"
#include "app/THelpPanel.h"
#include "app/TPianoRoll.h"
#include "app/TRyTreeView.h"
#include "bank/facade/CNstEditIfc.h"
#include "shell/CStandardNames.h"
#include "shell/CStyleExport.h"
#include "shell/CStyleTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <algorithm>

bool TForm2::ExportCvToFile(const QString& path, int element, int cv, int track)
{
    return EditIfc != nullptr &&
           CStyleTransfer::ExportCvToFile(*EditIfc, ExtProg, QFile::encodeName(path).toStdString(), element,
                                          cv, track);
}

void TForm2::ExportSingleSmfClick()
{
    BeginCommand();
    const TStyleTreeItem* node = SelectedCvNode();
    if (node == nullptr)
        return;
    const TTreeData at = node->data;
    SaveDialog2.FileName = QString::fromStdString(CStandardNames::CvName(at.Element, at.Cv));
    const QStringList chosen = services.Files->Choose(this, SaveDialog2);
    if (!chosen.isEmpty()) {
        bool written = false;
        {
            CWaitCursor wait;
            SaveDialog2.InitialDir = QFileInfo(chosen.first()).absolutePath();
            written = ExportCvToFile(chosen.first(), at.Element, at.Cv, CNstEditIfc::AllTracks);
        }
        if (!written)
            Message(CStyleExport::Caption, CStyleExport::WriteErrorText);
    }
    StyleTree->setFocus();
}

void TForm2::ExportAllCvs()
{
    BeginCommand();
    if (EditIfc == nullptr)
        return;
    SaveDialog2.FileName = "_all_";
    const QStringList chosen = services.Files->Choose(this, SaveDialog2);
    if (!chosen.isEmpty()) {
        // The dialog completed the name with its extension; the standard names go before it.
        const QString prefix = chosen.first().chopped(std::min<qsizetype>(4, chosen.first().size()));
        SaveDialog2.FileName = prefix;
        CExportResult result;
        {
            CWaitCursor wait;
            SaveDialog2.InitialDir = QFileInfo(prefix).absolutePath();
            // Fill 3 and Intro 3 are left out.
            result = CStyleExport::ExportAll(*EditIfc, ExtProg, CExportSelection{},
                                             QFile::encodeName(prefix).toStdString());
        }
        if (result.Failed())
            Message(CStyleExport::Caption, CStyleExport::WriteErrorText);
    }
    StyleTree->setFocus();
}

void TForm2::PlayButtonClick()
{
    HelpPanel->hide();
    InfoText->hide();
    const TStyleTreeItem* node = SelectedTreeItem();
    if (node == nullptr)
        return;
    StyleTree->setFocus();
    const int tempo = CStyleExport::PlayTempo(TempoEdit->text().toStdString());
    TempoEdit->setText(QString::number(tempo));
    EditIfc->SetStyleTempo(tempo);
    const TTreeData& at = node->data;
    if (at.Kind == TTreeData::KindCv)
        StartTestPlay(at.Element, at.Cv, CNstEditIfc::AllTracks);
    else if (at.Kind == TTreeData::KindTrack)
        StartTestPlay(at.Element, at.Cv, at.Track);
}

void TForm2::StartTestPlay(int element, int cv, int track)
{
    StopTestPlay();
    if (EditIfc == nullptr)
        return;
    TempSmfPath = StartDir + QDir::separator() + "rytemp.mid";
    if (!ExportCvToFile(TempSmfPath, element, cv, track)) {
        TempSmfPath.clear();
        Message("MediaPlayer SMF conversion", CStyleExport::WriteErrorText);
        return;
    }
    CMediaPlayer& player = *services.Player;
    if (!player.Open(TempSmfPath) || !player.Play()) {
        ReportPlayerError();
        // One failure, one message: the player is released and the file deleted now, quietly, since the
        // next stop would only add the player's complaint that nothing is playing.
        player.Close();
        QFile::remove(TempSmfPath);
        TempSmfPath.clear();
        return;
    }
    MediaPanel->show();
    MediaPanel->raise();
    CursorTimer->start();
}

void TForm2::FollowPlayer()
{
    const int tick = services.Player->PositionTicks();
    PianoRoll->SetCursorTick(tick);
    if (tick < 0)
        CursorTimer->stop();
}
