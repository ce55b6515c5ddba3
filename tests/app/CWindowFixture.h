// A main window over scripted services in a fresh start folder, and the steps the window tests drive it by.
#pragma once

#include "CShellFakes.h"
#include "app/TForm2.h"
#include "app/TRyTreeView.h"
#include "app/TToolButton.h"
#include "tools/window/CWindowClicks.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <optional>

class CWindowFixture : public CWindowClicks {
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
    }
    // Restores the current folder and removes the temporary one with everything written into it.
    void EndTest()
    {
        QDir::setCurrent(previousDir);
        dir.reset();
    }
    QString StartFolder() const { return dir->path(); }
    QString FilePath(const QString& name) const { return dir->filePath(name); }

    // A shown, active window over the fakes. Its first activation counts as handled: only the tests of
    // that step let the window read its program list.
    std::unique_ptr<TForm2> MakeForm()
    {
        auto form = MakeHiddenForm();
        form->FirstActivation = false;
        form->show();
        if (!QTest::qWaitForWindowActive(form.get()))
            qWarning("The window did not become active: clicks may go astray.");
        return form;
    }
    // A window over the fakes, not yet shown.
    std::unique_ptr<TForm2> MakeHiddenForm()
    {
        CShellServices services;
        services.Dialog = &dialog;
        services.Files = &files;
        services.Web = &web;
        services.Player = &player;
        services.TrackMaps = &trackMaps;
        return std::make_unique<TForm2>(services);
    }

    // Driving the window with the mouse and the keyboard
    static void Click(QAbstractButton* button, Qt::KeyboardModifiers keys = {})
    {
        QTest::mouseClick(button, Qt::LeftButton, keys);
    }
    // Opens the bank at `bank` with the Open button.
    void OpenBank(TForm2& form, const QString& bank = DemoBank())
    {
        files.Choices.append(QStringList(bank));
        Click(form.OpenStyle);
    }
    // Opens the bank at `bank` and clicks the style at list index `style` (1-based).
    void SelectStyle(TForm2& form, int style, const QString& bank = DemoBank())
    {
        OpenBank(form, bank);
        ClickStyle(form, style);
        QVERIFY(form.EditIfc != nullptr);
    }
    // Clicks the style list node at `index` (0 is the bank).
    static void ClickStyle(TForm2& form, int index)
    {
        QTreeWidgetItem* node = form.StyleList->NodeAt(index);
        QVERIFY(node != nullptr);
        ClickNode(*form.StyleList, node);
        QCOMPARE(form.StyleList->SelectedNode(), node);
    }
    // Clicks `node` of the style tree, opening the nodes above it first as a user does.
    static void ClickTreeNode(TForm2& form, QTreeWidgetItem* node)
    {
        QVERIFY(node != nullptr);
        for (QTreeWidgetItem* above = node->parent(); above != nullptr; above = above->parent())
            above->setExpanded(true);
        ClickNode(*form.StyleTree, node);
        QCOMPARE(form.StyleTree->SelectedNode(), node);
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
    // Clicks the first style tree node of `kind`.
    static void SelectTreeNode(TForm2& form, int kind) { ClickTreeNode(form, FindTreeNode(form, kind)); }
    // Deletes chord variation `cv` of `element` with a click on it and one on the Delete button.
    static void DeleteCv(TForm2& form, int element, int cv)
    {
        ClickTreeNode(form, FindCvNode(form, element, cv));
        Click(form.DeleteCV);
    }
    // Exports chord variation `cv` of `element` with the Export button to `name` in the start folder;
    // returns the path.
    QString ExportCv(TForm2& form, int element, int cv, const QString& name)
    {
        const QString path = FilePath(name);
        ClickTreeNode(form, FindCvNode(form, element, cv));
        files.Choices.append(QStringList(path));
        Click(form.ExportSingleSmf);
        return path;
    }
    // Edits the selected style's label in the list's editor (F2), types `text` and ends with `key`.
    static void RenameStyle(TForm2& form, const QString& text, Qt::Key key = Qt::Key_Return)
    {
        QTest::keyClick(form.StyleList, Qt::Key_F2);
        const QPointer<QLineEdit> editor = form.StyleList->findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, text);
        // The tree commits on Enter from its event loop.
        QTest::keyClick(editor, key);
        QTRY_VERIFY(editor.isNull());
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

private:
    std::optional<QTemporaryDir> dir;
    QString previousDir;
};
