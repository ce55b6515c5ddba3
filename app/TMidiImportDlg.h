// The dialog of Import MIDI File: one row per channel of the file, each with the style track it feeds.
#pragma once

#include "shell/CTrackMap.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
struct CSmfSummary;

class TMidiImportDlg : public QDialog {
    Q_OBJECT
public:
    // Columns of ChannelTable
    enum Column {
        ColumnChannel,
        ColumnNotes,
        ColumnKeys,
        ColumnProgram,
        ColumnName,
        ColumnTarget,
        ColumnCount
    };

    // Lists every channel of `summary` that has events, in channel order: its number (from 1), notes, key
    // range, first program (as the file stores it) and the file's name of the track that plays it, with a
    // choice of Drum .. Acc. 5 or "(none)" set as `guess` says. `fileName` is shown above the table.
    TMidiImportDlg(QWidget* owner, const QString& fileName, const CSmfSummary& summary,
                   const CTrackMap& guess);

    // The map the choices give now: each listed channel to its row's track, every other channel to none.
    CTrackMap Map() const;
    // The track choice of row `row`.
    QComboBox* TargetOf(int row) const;

    // Controls, by their names
    QLabel* FileLabel;
    QTableWidget* ChannelTable;
    QPushButton* ImportButton;
    QPushButton* CancelButton;

private:
    void AddRow(int channel, const CSmfSummary& summary, int track);

    std::vector<int> channels; // the channel (0..15) of each row
};
