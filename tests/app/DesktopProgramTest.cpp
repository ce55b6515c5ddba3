// The window's program as the desktop meets it: its command line, and the install that lets a
// double-clicked bank open in it.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class DesktopProgramTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandLineIsReadAsUsual_data();
    void commandLineIsReadAsUsual();
    void installedBanksOpenInTheWindow();

private:
    struct CRun {
        int exitCode = -1;
        QString out, err;
    };
    // Runs `program` with `arguments` and the extra `environment` entries; a run that does not end in
    // time fails the test.
    static CRun Run(const QString& program, const QStringList& arguments,
                    const QStringList& environment = {});
};

DesktopProgramTest::CRun DesktopProgramTest::Run(const QString& program, const QStringList& arguments,
                                                 const QStringList& environment)
{
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        variables.insert(entry.section('=', 0, 0), entry.section('=', 1));
    process.setProcessEnvironment(variables);
    process.start(program, arguments);
    CRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

void DesktopProgramTest::commandLineIsReadAsUsual_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("platform");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // a pattern stdout must match
    QTest::addColumn<QString>("err"); // a pattern stderr must match
    // Help and version come without a display: a platform that does not exist would end the program.
    QTest::newRow("--help") << QStringList("--help") << "no-display" << 0
                            << "^Usage: \\S*ry7styletool \\[options\\] \\[bank\\]\\n"
                            << "^$";
    QTest::newRow("-h before a bank") << QStringList({"-h", "bank.sty"}) << "no-display" << 0 << "\\[bank\\]"
                                      << "^$";
    QTest::newRow("--version") << QStringList("--version") << "no-display" << 0
                               << "^Ry7 Style Tool - v\\d+\\.\\d+\\.\\d+\\n$"
                               << "^$";
    QTest::newRow("unknown option") << QStringList({"--bank", "demo.sty"}) << "offscreen" << 2 << "^$"
                                    << "Unknown option 'bank'.\\nTry '\\S*ry7styletool --help'.";
    QTest::newRow("two banks") << QStringList({"a.sty", "b.sty"}) << "offscreen" << 2 << "^$"
                               << "Only one bank can be opened.";
}

void DesktopProgramTest::commandLineIsReadAsUsual()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, platform);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const CRun run = Run(RY7STYLETOOL_PATH, arguments, {"QT_QPA_PLATFORM=" + platform});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(QRegularExpression(out).match(run.out).hasMatch(), qPrintable(run.out));
    QVERIFY2(QRegularExpression(err).match(run.err).hasMatch(), qPrintable(run.err));
}

void DesktopProgramTest::installedBanksOpenInTheWindow()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    const CRun install = Run(CMAKE_COMMAND, {"--install", RY7_BINARY_DIR, "--prefix", prefix.path()});
    QVERIFY2(install.exitCode == 0, qPrintable(install.out + install.err));
    const QString share = prefix.filePath("share");
    QVERIFY(QFileInfo(prefix.filePath("bin/ry7styletool")).isExecutable());
    QCOMPARE(QImage(share + "/icons/hicolor/48x48/apps/ry7styletool.png").size(), QSize(48, 48));

    // The menu entry passes the desktop's own check without a single remark.
    const QString entry = share + "/applications/ry7styletool.desktop";
    const CRun validate = Run("desktop-file-validate", {entry});
    QVERIFY2(validate.exitCode == 0 && validate.out.isEmpty() && validate.err.isEmpty(),
             qPrintable("desktop-file-validate (desktop-file-utils): " + validate.out + validate.err));

    // The install refreshed the prefix's caches. The desktop's file type library (GLib's gio) takes the
    // example bank for a bank by its name and header, a LaTeX style of the same extension for what it is,
    // and opens banks with the window; Qt's database knows the bank too.
    QTemporaryDir home;
    const QString dataDirs = share + ":/usr/share";
    const QStringList desktop = {"XDG_DATA_HOME=" + home.path(), "XDG_DATA_DIRS=" + dataDirs,
                                 "XDG_CONFIG_HOME=" + home.path(), "XDG_CONFIG_DIRS=" + home.path(),
                                 "PATH=" + prefix.filePath("bin") + ":" + qEnvironmentVariable("PATH")};
    const QString latex = home.filePath("article.sty");
    QFile file(latex);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\\NeedsTeXFormat{LaTeX2e}\n\\ProvidesPackage{article}\n");
    file.close();
    const auto typeOf = [&desktop](const QString& path) {
        const CRun info = Run("gio", {"info", "-a", "standard::content-type", path}, desktop);
        return info.out.section("standard::content-type: ", 1).trimmed();
    };
    QCOMPARE(typeOf(RY7_SOURCE_DIR "/examples/demo.sty"), QString("application/x-ry7-style-bank"));
    QCOMPARE(typeOf(latex), QString("text/x-tex"));
    const CRun opener = Run("gio", {"mime", "application/x-ry7-style-bank"}, desktop);
    QVERIFY2(opener.out.startsWith("Default application for “application/x-ry7-style-bank”: "
                                   "ry7styletool.desktop\n"),
             qPrintable("gio (libglib2.0-bin): " + opener.out + opener.err));

    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(dataDirs));
    const QMimeType bank = QMimeDatabase().mimeTypeForFile(RY7_SOURCE_DIR "/examples/demo.sty");
    QCOMPARE(bank.name(), QString("application/x-ry7-style-bank"));
    QCOMPARE(bank.comment(), QString("Ry7 Style Bank"));
}

QTEST_GUILESS_MAIN(DesktopProgramTest)
#include "DesktopProgramTest.moc"
