// The tree reports the node being left and then the new one, from code and from clicks.
#include "app/TRyTreeView.h"

#include <QTest>

class TRyTreeViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void selectingFromCodeRunsBothHandlersBeforeReturning();
    void clickingANodeRunsBothHandlers();
    void aCtrlClickKeepsTheNodeSelected();
    void walkOrderIndexesEveryNode();
};

namespace {

struct CTreeFixture {
    TRyTreeView tree;
    QTreeWidgetItem* root;
    QTreeWidgetItem* first;
    QTreeWidgetItem* second;
    QStringList log;
    // Whether each node reported by Changed() was selected when the handler ran.
    QList<bool> selectedWhenChanged;

    CTreeFixture()
    {
        root = new QTreeWidgetItem(&tree, QStringList("bank.sty"));
        first = new QTreeWidgetItem(root, QStringList("Style A"));
        second = new QTreeWidgetItem(root, QStringList("Style B"));
        tree.expandAll();
        QObject::connect(&tree, &TRyTreeView::Changing, [this](QTreeWidgetItem* leaving) {
            log << "changing from " + (leaving ? leaving->text(0) : QString("none"));
        });
        QObject::connect(&tree, &TRyTreeView::Changed, [this](QTreeWidgetItem* item) {
            log << "changed to " + (item ? item->text(0) : "none");
            selectedWhenChanged << (item != nullptr && item->isSelected());
        });
    }

    // Shows the tree on screen, so that clicks reach its nodes.
    bool Show()
    {
        tree.resize(200, 200);
        tree.show();
        return QTest::qWaitForWindowExposed(&tree);
    }
};

} // namespace

void TRyTreeViewTest::selectingFromCodeRunsBothHandlersBeforeReturning()
{
    CTreeFixture f;
    f.tree.SelectNode(f.first);
    f.tree.SelectNode(f.second);
    f.tree.SelectNode(f.second); // no change: no handler
    QCOMPARE(f.log, QStringList({"changing from none", "changed to Style A", "changing from Style A",
                                 "changed to Style B"}));
    QVERIFY(f.second->isSelected());
    QVERIFY(!f.first->isSelected());
}

void TRyTreeViewTest::clickingANodeRunsBothHandlers()
{
    CTreeFixture f;
    QVERIFY(f.Show());
    f.tree.SelectNode(f.root);
    f.log.clear();
    f.selectedWhenChanged.clear();
    QTest::mouseClick(f.tree.viewport(), Qt::LeftButton, {}, f.tree.visualItemRect(f.second).center());
    QCOMPARE(f.log, QStringList({"changing from bank.sty", "changed to Style B"}));
    // The toolkit makes a pressed node current before it selects it; the handlers see it selected.
    QCOMPARE(f.selectedWhenChanged, QList<bool>({true}));
    QCOMPARE(f.tree.SelectedNode(), f.second);
}

void TRyTreeViewTest::aCtrlClickKeepsTheNodeSelected()
{
    CTreeFixture f;
    QVERIFY(f.Show());
    f.tree.SelectNode(f.first);
    QTest::mouseClick(f.tree.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      f.tree.visualItemRect(f.first).center());
    QVERIFY(f.first->isSelected());
    QCOMPARE(f.tree.SelectedNode(), f.first);
}

void TRyTreeViewTest::walkOrderIndexesEveryNode()
{
    CTreeFixture f;
    auto* child = new QTreeWidgetItem(f.first, QStringList("Variation 1"));
    QCOMPARE(f.tree.NodeAt(0), f.root);
    QCOMPARE(f.tree.NodeAt(2), child);
    QCOMPARE(f.tree.NodeAt(3), f.second);
    QCOMPARE(f.tree.NodeAt(4), nullptr);
    QCOMPARE(f.tree.NodeAt(-1), nullptr);
    QCOMPARE(f.tree.IndexOf(f.second), 3);
    QCOMPARE(f.tree.IndexOf(nullptr), -1);
}

QTEST_MAIN(TRyTreeViewTest)
#include "TRyTreeViewTest.moc"
