// How the window asks which style track each channel of a MIDI file feeds, so that tests can answer.
#pragma once

#include "shell/CTrackMap.h"

#include <QString>
#include <optional>

class QWidget;
struct CSmfSummary;

class CTrackMapChooser {
public:
    virtual ~CTrackMapChooser() = default;
    // Shows the channels of the file `fileName` that `summary` sums up, modally over `owner`, with the
    // tracks of `guess` chosen. Returns the map the user confirmed, or nullopt when the user cancelled.
    virtual std::optional<CTrackMap> Choose(QWidget* owner, const QString& fileName,
                                            const CSmfSummary& summary, const CTrackMap& guess) = 0;
};

// The real dialog: a TMidiImportDlg shown modally and destroyed when answered.
class CQtTrackMapChooser final : public CTrackMapChooser {
public:
    std::optional<CTrackMap> Choose(QWidget* owner, const QString& fileName, const CSmfSummary& summary,
                                    const CTrackMap& guess) override;
};
