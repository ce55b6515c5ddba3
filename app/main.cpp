// Program entry of the desktop application.
#include "app/TForm2.h"
#include "app/TForm3.h"
#include "app/TRyTreeView.h"
#include "events/CGlobalObject.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <exception>

namespace {

// An exception that escapes an event handler is shown and the message loop goes on.
class TRyApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            ShowException(error.what());
        } catch (...) {
            ShowException("Unknown exception");
        }
        return false;
    }

    static void ShowException(const char* what)
    {
        QMessageBox::critical(nullptr, applicationName(), QString::fromLocal8Bit(what));
    }
};

// Selects the first style and its first chord variation and saves a picture of the window.
void GrabWindow(TForm2& form, const QString& picture)
{
    form.StyleList->SelectNode(form.StyleList->NodeAt(1));
    for (int i = 0; QTreeWidgetItem* node = form.StyleTree->NodeAt(i); ++i) {
        if (static_cast<TStyleTreeItem*>(node)->data.Kind == TTreeData::KindCv) {
            form.StyleTree->SelectNode(node);
            break;
        }
    }
    if (!form.grab().save(picture))
        TRyApplication::ShowException("The picture could not be written.");
}

void RunApplication(int& argc, char** argv)
{
    TRyApplication application(argc, argv);
    try {
        QApplication::setApplicationName("Ry Style to Midi Conversion");
        TForm2 form2;
        TForm3 form3(&form2);
        form2.SetSplash(&form3);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            form2.move(screen->availableGeometry().center() - form2.rect().center());
        // A bank named on the command line opens as if chosen in the Open dialog.
        QStringList arguments = QApplication::arguments();
        const qsizetype grab = arguments.indexOf("--grab");
        QString picture;
        if (grab > 0 && grab + 1 < arguments.size()) {
            picture = arguments.at(grab + 1);
            arguments.remove(grab, 2);
        }
        if (arguments.size() > 1)
            form2.OpenBankFile(arguments.at(1));
        // The picture is taken without showing the window, so no activation message can wait for a click.
        if (!picture.isEmpty()) {
            GrabWindow(form2, picture);
            return;
        }
        form2.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        TRyApplication::ShowException(error.what());
    }
}

} // namespace

int main(int argc, char** argv)
{
    // The pools' start-up hooks run before the application exists and their shut-down hooks after it
    // is gone, so no window can hold an event past the pools' release.
    CGlobalObjectsScope globalObjects;
    RunApplication(argc, argv);
    return 0;
}
