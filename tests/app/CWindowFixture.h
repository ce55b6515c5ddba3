// A main window over scripted services in a fresh start folder, and the steps the window tests drive it by.
#pragma once

#include "CShellFakes.h"
#include "app/TForm2.h"
#include "app/TRyTreeView.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>

class CWindowFixture {
public:
    static QString DemoBank() { return QStringLiteral(RY7_SOURCE_DIR "/examples/demo.sty"); }

    // Per test
    // Makes a new temporary folder the current one (the next window's start folder) and resets the fakes.
    void BeginTest()
    {
        previousDir = QDir::currentPath();
        dir.emplace();
        QVERIFY(dir->isValid());
        QDir::setCurrent(dir->path());
        dialog = CScriptedDialog();
        files = CFakeFileChooser();
        web = CFakeWebOpener();
        player = CFakeMediaPlayer();
        trackMaps = CFakeTrackMapChooser();
        shift = false;
    }
    // Restores the current folder and removes the temporary one with everything written into it.
    void EndTest()
    {
        QDir::setCurrent(previousDir);
        dir.reset();
    }
    QString StartFolder() const { return dir->path(); }
    QString FilePath(const QString& name) const { return dir->filePath(name); }

    // A window over the fakes. Its first activation counts as handled: only the tests of that step let
    // the window read its program list.
    std::unique_ptr<TForm2> MakeForm()
    {
        CShellServices services;
        services.Dialog = &dialog;
        services.Files = &files;
        services.Web = &web;
        services.Player = &player;
        services.TrackMaps = &trackMaps;
        services.ShiftDown = [this] { return shift; };
        auto form = std::make_unique<TForm2>(services);
        form->FirstActivation = false;
        return form;
    }

    // Driving the window
    // Opens the bank at `bank` and selects the style at list index `style` (1-based).
    static void SelectStyle(TForm2& form, int style, const QString& bank = DemoBank())
    {
        form.OpenBankFile(bank);
        form.StyleList->SelectNode(form.StyleList->NodeAt(style));
        QVERIFY(form.EditIfc != nullptr);
    }
    // The first style tree node of `kind` in walk order, or null.
    static TStyleTreeItem* FindTreeNode(const TForm2& form, int kind)
    {
        return FindNode(form, [kind](const TTreeData& at) { return at.Kind == kind; });
    }
    // The node of chord variation `cv` of `element`, or null.
    static TStyleTreeItem* FindCvNode(const TForm2& form, int element, int cv)
    {
        return FindNode(form, [element, cv](const TTreeData& at) {
            return at.Kind == TTreeData::KindCv && at.Element == element && at.Cv == cv;
        });
    }
    // The node of `track` in that chord variation, or null.
    static TStyleTreeItem* FindTrackNode(const TForm2& form, int element, int cv, int track)
    {
        return FindNode(form, [element, cv, track](const TTreeData& at) {
            return at.Kind == TTreeData::KindTrack && at.Element == element && at.Cv == cv &&
                   at.Track == track;
        });
    }
    static void SelectTreeNode(TForm2& form, int kind)
    {
        QTreeWidgetItem* node = FindTreeNode(form, kind);
        QVERIFY(node != nullptr);
        form.StyleTree->SelectNode(node);
    }
    // Deletes chord variation `cv` of `element` through the tool button's handler.
    static void DeleteCv(TForm2& form, int element, int cv)
    {
        QTreeWidgetItem* node = FindCvNode(form, element, cv);
        QVERIFY(node != nullptr);
        form.StyleTree->SelectNode(node);
        form.DeleteCVClick();
    }
    // Exports chord variation `cv` of `element` through the export command to `name` in the start folder;
    // returns the path.
    QString ExportCv(TForm2& form, int element, int cv, const QString& name)
    {
        const QString path = FilePath(name);
        form.StyleTree->SelectNode(FindCvNode(form, element, cv));
        files.Choices.append(QStringList(path));
        form.ExportSingleSmfClick();
        return path;
    }

    // Gives the window a program list of one entry: `program` as GetTrackProgram() reports it, with the
    // ordinary note range `range` ("low high").
    void ListExtendedProgram(TForm2& form, int32_t program, const QString& range)
    {
        const auto key = static_cast<uint32_t>(program);
        WriteFile(FilePath("ExtProgList.txt"), QString("%1 %2 %3 %4\n")
                                                   .arg(key >> 24)
                                                   .arg((key >> 16) & 0xFF)
                                                   .arg(key & 0xFF)
                                                   .arg(range)
                                                   .toLatin1());
        form.ReadExtProgList();
    }

    // What the window shows
    // The texts of every node of `tree` in walk order.
    static QStringList Texts(const TRyTreeView* tree)
    {
        QStringList texts;
        for (int i = 0; const QTreeWidgetItem* node = tree->NodeAt(i); ++i)
            texts << node->text(0);
        return texts;
    }
    static QStringList TreeTexts(const TForm2& form) { return Texts(form.StyleTree); }
    static QStringList ListTexts(const TForm2& form) { return Texts(form.StyleList); }
    // "caption | text" of every message shown so far.
    QStringList MessageTexts() const
    {
        QStringList texts;
        for (const CScriptedDialog::CCall& call : dialog.Calls)
            texts << call.Caption + " | " + call.Text;
        return texts;
    }
    static QByteArray ReadFile(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static void WriteFile(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    CScriptedDialog dialog;
    CFakeFileChooser files;
    CFakeWebOpener web;
    CFakeMediaPlayer player;
    CFakeTrackMapChooser trackMaps;
    bool shift = false;

private:
    template <class Match> static TStyleTreeItem* FindNode(const TForm2& form, Match match)
    {
        for (int i = 0; QTreeWidgetItem* node = form.StyleTree->NodeAt(i); ++i) {
            auto* item = static_cast<TStyleTreeItem*>(node);
            if (match(item->data))
                return item;
        }
        return nullptr;
    }

    std::optional<QTemporaryDir> dir;
    QString previousDir;
};
