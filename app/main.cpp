// Program entry of the desktop application.
#include "app/TForm2.h"
#include "app/TForm3.h"

#include <QApplication>
#include <QMessageBox>
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

// The global objects' start-up and shut-down hooks. The event pools and their collector are not part
// of the build yet; their broadcasts (OnStartup, OnStartupLate / OnShutdown, OnShutdownLate, then the
// collector's release) belong in these two functions and nowhere else.
void StartGlobalObjects() {}
void StopGlobalObjects() {}

void RunApplication(int& argc, char** argv)
{
    TRyApplication application(argc, argv);
    try {
        QApplication::setApplicationName("Ry Style to Midi Conversion");
        TForm2 form2;
        TForm3 form3(&form2);
        form2.SetSplash(&form3);
        form2.show();
        QApplication::exec();
    } catch (const std::exception& error) {
        TRyApplication::ShowException(error.what());
    }
}

} // namespace

int main(int argc, char** argv)
{
    StartGlobalObjects();
    RunApplication(argc, argv);
    StopGlobalObjects();
    return 0;
}
