// The shell commands' messages and questions in the window's message dialog.
#include "app/CDialogBridge.h"

#include "app/CMessageDialog.h"

#include <QFile>
#include <QString>

namespace {

// The texts quote file names in the file system's encoding.
QString Text(const std::string& text)
{
    return QFile::decodeName(QByteArray::fromStdString(text));
}

} // namespace

void CDialogBridge::Message(const CShellMessage& message)
{
    dialog.Show(owner, Text(message.Caption), Text(message.Text), "OK", "", "");
}

CAnswer CDialogBridge::Ask(const CQuestion& question)
{
    switch (dialog.Show(owner, Text(question.Caption), Text(question.Text), Text(question.Middle),
                        Text(question.Left), Text(question.Right))) {
    case 6:
        return CAnswer::Left;
    case 2:
        return CAnswer::Right;
    default:
        // The middle button, and a dialog closed without a button, as the window has always taken it.
        return CAnswer::Middle;
    }
}
