// The window's command line.
#include "app/CStartOptions.h"

#include "app/TForm2.h"

#include <QCoreApplication>
#include <cstdio>

CStartOptions::CStartOptions()
    : help(QStringList{"h", "help"}, "Shows this help and ends."),
      version(QStringList{"v", "version"}, "Shows the program's version and ends.")
{
    parser.setApplicationDescription("Opens Style Banks (*.sty) of the Ry7 arranger keyboard and moves their "
                                     "chord variations to and from Standard MIDI Files.");
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument("bank", "The Style Bank to open, as if chosen in the Open dialog.",
                                 "[bank]");
}

std::optional<int> CStartOptions::AnswerWithoutWindow(int& argc, char** argv)
{
    // A core application gives the help text the program's name, and needs no display.
    const QCoreApplication probe(argc, argv);
    CStartOptions options;
    // Options of the window's toolkit are unknown here: only the two answers count.
    options.parser.parse(QCoreApplication::arguments());
    QString text;
    if (options.parser.isSet(options.help))
        text = options.parser.helpText();
    else if (options.parser.isSet(options.version))
        text = QString(TForm2::Caption) + "\n";
    else
        return std::nullopt;
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return 0;
}

bool CStartOptions::Parse(const QStringList& arguments)
{
    error.clear();
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (parser.positionalArguments().size() > 1)
        error = "Only one bank can be opened.";
    return error.isEmpty();
}

QString CStartOptions::Bank() const
{
    const QStringList banks = parser.positionalArguments();
    return banks.isEmpty() ? QString() : banks.first();
}
