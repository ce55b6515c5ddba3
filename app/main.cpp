// Program entry of the desktop application.
#include "app/CStartOptions.h"
#include "app/TForm2.h"
#include "app/TForm3.h"
#include "events/CGlobalObject.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>
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

int RunApplication(int& argc, char** argv)
{
    TRyApplication application(argc, argv);
    CStartOptions options;
    if (!options.Parse(QApplication::arguments())) {
        std::fprintf(stderr, "%s\nTry '%s --help'.\n", qPrintable(options.ErrorText()), argv[0]);
        return CStartOptions::WrongCommandLine;
    }
    try {
        TForm2 form2;
        TForm3 form3(&form2);
        form2.SetSplash(&form3);
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            form2.move(screen->availableGeometry().center() - form2.rect().center());
        // A bank named on the command line opens as if chosen in the Open dialog.
        if (!options.Bank().isEmpty())
            form2.OpenBankFile(options.Bank());
        form2.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        TRyApplication::ShowException(error.what());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // The pools' start-up hooks run before the application exists and their shut-down hooks after it
    // is gone, so no window can hold an event past the pools' release.
    CGlobalObjectsScope globalObjects;
    QCoreApplication::setApplicationName("Ry Style to Midi Conversion");
    if (const std::optional<int> answered = CStartOptions::AnswerWithoutWindow(argc, argv))
        return *answered;
    return RunApplication(argc, argv);
}
