// Takes the main window's picture as a user sees it: the bank open, a style clicked, then its first chord
// variation clicked. Run offscreen: QT_QPA_PLATFORM=offscreen ry7windowshot BANK OUT.png
#include "app/CMessageDialog.h"
#include "app/TForm2.h"
#include "app/TToolButton.h"
#include "tools/window/CWindowClicks.h"

#include <QApplication>
#include <QCursor>
#include <QToolButton>
#include <cstdio>

namespace {

// A message would wait for a click nobody gives: it is printed and answered with its middle button.
class CPrintedMessages final : public CMessageDialog {
public:
    int Show(QWidget*, const QString& caption, const QString& text, const QString&, const QString&,
             const QString&) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return 7;
    }
};

int Fail(const char* why)
{
    std::fprintf(stderr, "ry7windowshot: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    // Qt has taken its own options; anything else that looks like one is refused, never taken for a file.
    if (arguments.size() != 3 || arguments.at(1).startsWith('-') || arguments.at(2).startsWith('-')) {
        std::fputs("usage: ry7windowshot BANK OUT.png\n", stderr);
        return 2;
    }
    CPrintedMessages messages;
    CShellServices services;
    services.Dialog = &messages;
    TForm2 form(services);
    form.OpenBankFile(arguments.at(1));
    // The pointer starts away from the window, as it comes from elsewhere, so that no button is lit.
    QCursor::setPos(0, 0);
    form.move(form.frameGeometry().topLeft() + QPoint(100, 100));
    // The window's first size is kept within two thirds of the screen, and the offscreen screen is small:
    // take the size the window asks for, as on a desktop monitor.
    form.resize(form.sizeHint());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form) || form.StyleList->NodeAt(1) == nullptr)
        return Fail("the bank's styles are not shown");
    CWindowClicks::ClickNode(*form.StyleList, form.StyleList->NodeAt(1));
    TStyleTreeItem* cv =
        CWindowClicks::FindNode(form, [](const TTreeData& at) { return at.Kind == TTreeData::KindCv; });
    if (cv == nullptr)
        return Fail("the style shows no chord variation");
    CWindowClicks::ClickNode(*form.StyleTree, cv);
    for (const QToolButton* button :
         {form.ImportSingleSmf, form.ExportSingleSmf, form.DeleteCV, form.PlayButton})
        if (!button->isEnabled())
            return Fail("a click on a chord variation left its commands disabled");
    if (!form.grab().save(arguments.at(2)))
        return Fail("the picture could not be written");
    return 0;
}
