// The shell commands' messages and questions, shown in the window's message dialog.
#pragma once

#include "shell/CMessageSink.h"
#include "shell/CQuestionAnswerer.h"

class CMessageDialog;
class QWidget;

// Lives for one command; neither the dialog nor the owner is owned.
class CDialogBridge final : public CMessageSink, public CQuestionAnswerer {
public:
    CDialogBridge(CMessageDialog& dialog_, QWidget* owner_) : dialog(dialog_), owner(owner_) {}

    // A message with the single button "OK"; its Subject is not shown.
    void Message(const CShellMessage& message) override;
    // The question's three buttons as the dialog places them; a dialog closed otherwise answers Middle.
    CAnswer Ask(const CQuestion& question) override;

private:
    CMessageDialog& dialog;
    QWidget* owner;
};
