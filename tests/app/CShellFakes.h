// Stand-ins for the window's platform services: scripted answers and recorded calls.
#pragma once

#include "app/CFileChooser.h"
#include "app/CMessageDialog.h"
#include "app/CWebOpener.h"

#include <QList>
#include <QString>
#include <QStringList>

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

// Answers each file dialog with the next queued choice (a cancel when none is left) and keeps the
// dialogs it was asked to run.
class CFakeFileChooser final : public CFileChooser {
public:
    QStringList Choose(QWidget*, const CFileDialogSpec& spec) override
    {
        Asked.append(spec);
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
