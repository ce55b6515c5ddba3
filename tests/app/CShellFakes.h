// Stand-ins for the window's platform services: scripted answers and recorded calls.
#pragma once

#include "app/CFileChooser.h"
#include "app/CMediaPlayer.h"
#include "app/CMessageDialog.h"
#include "app/CTrackMapChooser.h"
#include "app/CWebOpener.h"
#include "app/TClickLabel.h"
#include "app/TRyGeneralDlg.h"

#include <QApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <optional>
#include <vector>

// Records every message and answers with the queued results (7, the middle button, when none is left).
class CScriptedDialog final : public CMessageDialog {
public:
    struct CCall {
        QString Caption, Text, Middle, Left, Right;
    };

    int Show(QWidget*, const QString& caption, const QString& text, const QString& middle,
             const QString& left, const QString& right) override
    {
        Calls.append({caption, text, middle, left, right});
        return Answers.isEmpty() ? 7 : Answers.takeFirst();
    }

    QList<CCall> Calls;
    QList<int> Answers;
};

// The real dialog, answered with a click on the next queued button ("ButtonYes", "ButtonNo" or
// "ButtonCancel"; the middle one when none is left). Once it is gone its owner is activated again, as a
// window manager does, so that the focus comes back as it does on a desktop.
class CClickedDialog final : public CMessageDialog {
public:
    int Show(QWidget* owner, const QString& caption, const QString& text, const QString& middle,
             const QString& left, const QString& right) override
    {
        Texts << text;
        const QString button = Answers.isEmpty() ? QString("ButtonNo") : Answers.takeFirst();
        QTimer::singleShot(0, [button] {
            if (auto* shown = qobject_cast<TRyGeneralDlg*>(QApplication::activeModalWidget()))
                QTest::mouseClick(shown->findChild<TClickLabel*>(button), Qt::LeftButton);
        });
        const int result = CRyMessageDialog().Show(owner, caption, text, middle, left, right);
        owner->window()->activateWindow();
        return result;
    }

    QStringList Answers;
    QStringList Texts;
};

// Answers each file dialog with the next queued choice (a cancel when none is left) and keeps the
// dialogs it was asked to run.
class CFakeFileChooser final : public CFileChooser {
public:
    QStringList Choose(QWidget*, const CFileDialogSpec& request) override
    {
        Asked.append(request);
        return Choices.isEmpty() ? QStringList() : Choices.takeFirst();
    }

    QList<QStringList> Choices;
    QList<CFileDialogSpec> Asked;
};

class CFakeWebOpener final : public CWebOpener {
public:
    bool LaunchBrowser(const QString& address) override
    {
        Addresses << address;
        return Succeeds;
    }

    bool Succeeds = false;
    QStringList Addresses;
};

// Records the player calls; `FailingCall` ("Open", "Play", "Stop", ...) fails with FailError. Reports
// the position the test sets.
class CFakeMediaPlayer final : public CMediaPlayer {
public:
    bool Open(const QString& fileName) override
    {
        OpenedFile = fileName;
        return Record("Open");
    }
    bool Play() override { return Record("Play"); }
    bool Stop() override { return Record("Stop"); }
    bool Eject() override { return Record("Eject"); }
    bool Close() override { return Record("Close"); }
    int LastError() const override { return error; }
    QString LastErrorText() const override { return ErrorText(error); }
    int PositionTicks() const override { return Position; }

    QStringList Calls;
    QString OpenedFile;
    QString FailingCall;
    int FailError = FileNotLoadable;
    int Position = -1; // what PositionTicks() reports

private:
    bool Record(const QString& call)
    {
        Calls << call;
        error = call == FailingCall ? FailError : NoError;
        return error == NoError;
    }
    int error = NoError;
};

// Answers the track map question with `Answer`, or with the guess when it is unset, or cancels when `Cancel`
// is set; keeps the file names and guesses it was shown.
class CFakeTrackMapChooser final : public CTrackMapChooser {
public:
    std::optional<CTrackMap> Choose(QWidget*, const QString& fileName, const CSmfSummary&,
                                    const CTrackMap& guess) override
    {
        FileNames << fileName;
        Guesses.push_back(guess);
        if (Cancel)
            return std::nullopt;
        return Answer ? Answer : guess;
    }

    std::optional<CTrackMap> Answer;
    bool Cancel = false;
    QStringList FileNames;
    std::vector<CTrackMap> Guesses;
};
