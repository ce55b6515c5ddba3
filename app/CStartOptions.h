// The window's command line: --help, --version and the bank to open, read with the toolkit's parser.
#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

class CStartOptions {
public:
    // Exit code of a wrong command line, as the command-line tool's.
    static constexpr int WrongCommandLine = 2;

    CStartOptions();

    // Answers --help and --version before the toolkit looks for a display, so that both work in any
    // terminal: prints the text to stdout and gives the exit code 0. Nothing (nullopt) when the command
    // line asks for the window; a wrong one is told once the window's toolkit has taken its own options.
    static std::optional<int> AnswerWithoutWindow(int& argc, char** argv);

    // Reads `arguments` (the program first) once the toolkit has removed its own options. False on a
    // wrong command line (an unknown option, more than one bank): ErrorText() says why.
    bool Parse(const QStringList& arguments);
    QString ErrorText() const { return error; }
    // The bank named on the command line; empty when none. "--" lets a bank's name start with a dash.
    QString Bank() const;

private:
    QCommandLineParser parser;
    QCommandLineOption help;
    QCommandLineOption version;
    QString error;
};
