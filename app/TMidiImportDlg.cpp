// The channel table of Import MIDI File.
#include "app/TMidiImportDlg.h"

#include "app/TFocusRing.h"
#include "shell/CStandardNames.h"
#include "smf/CSmfTracks.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr const char* NoTrackText = "(none)";

QString KeyRange(const CSmfChannelSummary& channel)
{
    return channel.notes ? QString("%1-%2").arg(channel.lowKey).arg(channel.highKey) : QString("-");
}

QTableWidgetItem* Cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

} // namespace

TMidiImportDlg::TMidiImportDlg(QWidget* owner, const QString& fileName, const CSmfSummary& summary,
                               const CTrackMap& guess)
    : QDialog(owner)
{
    setObjectName("MidiImportDlg");
    setWindowTitle("Import MIDI File");
    FileLabel =
        new QLabel(QString("Choose the track each channel of '%1' is imported into:").arg(fileName), this);
    FileLabel->setObjectName("FileLabel");
    FileLabel->setWordWrap(true);

    ChannelTable = new QTableWidget(0, ColumnCount, this);
    ChannelTable->setObjectName("ChannelTable");
    ChannelTable->setHorizontalHeaderLabels(
        {"Channel", "Notes", "Keys", "Program", "Track name", "Import into"});
    ChannelTable->verticalHeader()->hide();
    ChannelTable->setSelectionMode(QAbstractItemView::NoSelection);
    // Tab goes from one track choice to the next rather than through every cell.
    ChannelTable->setTabKeyNavigation(false);
    for (int c = 0; c < CTrackMap::ChannelCount; ++c)
        if (summary.channels[static_cast<size_t>(c)].HasEvents())
            AddRow(c, summary, guess.Track(c));
    ChannelTable->resizeColumnsToContents();
    ChannelTable->horizontalHeader()->setStretchLastSection(true);

    ImportButton = new QPushButton("Import", this);
    ImportButton->setObjectName("ImportButton");
    ImportButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    connect(ImportButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ImportButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FileLabel);
    layout->addWidget(ChannelTable);
    layout->addLayout(buttons);
    resize(560, 360);
    new TFocusRing(this);
}

void TMidiImportDlg::AddRow(int channel, const CSmfSummary& summary, int track)
{
    const CSmfChannelSummary& events = summary.channels[static_cast<size_t>(channel)];
    const int row = ChannelTable->rowCount();
    ChannelTable->insertRow(row);
    ChannelTable->setItem(row, ColumnChannel, Cell(QString::number(channel + 1)));
    ChannelTable->setItem(row, ColumnNotes, Cell(QString::number(events.notes)));
    ChannelTable->setItem(row, ColumnKeys, Cell(KeyRange(events)));
    ChannelTable->setItem(
        row, ColumnProgram,
        Cell(events.firstProgram < 0 ? QString("-") : QString::number(events.firstProgram)));
    // Names are single-byte text of unknown encoding.
    ChannelTable->setItem(
        row, ColumnName,
        Cell(QString::fromLatin1(events.trackName.data(), qsizetype(events.trackName.size()))));
    auto* target = new QComboBox;
    target->setObjectName(QString("Target%1").arg(channel + 1));
    // The accessibility bus reads a cell's widget without its row: the choice carries it. (On the Linux
    // bus a list's name is its current entry; there the description says the channel.)
    target->setAccessibleName(QString("Import channel %1 into").arg(channel + 1));
    QStringList facts;
    for (int column = ColumnChannel; column < ColumnTarget; ++column)
        facts << ChannelTable->horizontalHeaderItem(column)->text() + " " +
                     ChannelTable->item(row, column)->text();
    target->setAccessibleDescription(facts.join(", "));
    for (int t = 0; t < CStandardNames::TrackCount; ++t)
        target->addItem(CStandardNames::TrackName(t), t);
    target->addItem(NoTrackText, CTrackMap::NoTrack);
    target->setCurrentIndex(target->findData(track));
    ChannelTable->setCellWidget(row, ColumnTarget, target);
    channels.push_back(channel);
}

QComboBox* TMidiImportDlg::TargetOf(int row) const
{
    return qobject_cast<QComboBox*>(ChannelTable->cellWidget(row, ColumnTarget));
}

CTrackMap TMidiImportDlg::Map() const
{
    CTrackMap map;
    for (size_t row = 0; row < channels.size(); ++row)
        map.Set(channels[row], TargetOf(static_cast<int>(row))->currentData().toInt());
    return map;
}
