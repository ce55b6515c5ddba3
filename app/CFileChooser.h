// The window's file dialogs: each is described by a record and run through an interface, so that tests
// can choose the files.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// One file dialog of the window with its fixed settings and the two values the window updates.
struct CFileDialogSpec {
    enum class Mode { OpenOne, OpenMany, Save };

    QString Title;
    QString Filter;        // e.g. "Style (*.sty)"
    QString DefaultSuffix; // added to a typed name without extension
    Mode DialogMode = Mode::OpenOne;
    QString InitialDir; // the folder the dialog opens in
    QString FileName;   // the name it proposes
};

class CFileChooser {
public:
    virtual ~CFileChooser() = default;
    // Runs the dialog `request` modally over `owner`. Returns the chosen paths (one, or for OpenMany
    // several, in the order the dialog lists them); an empty list when the user cancelled. Open dialogs
    // accept existing files only; the save dialog asks before overwriting.
    virtual QStringList Choose(QWidget* owner, const CFileDialogSpec& request) = 0;
};

// The toolkit's file dialog.
class CQtFileChooser final : public CFileChooser {
public:
    QStringList Choose(QWidget* owner, const CFileDialogSpec& request) override;
};
