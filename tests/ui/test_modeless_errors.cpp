// The error list window on a demo form loaded from the local host: the entries of the
// structure checks with their host texts and node keys, a click or Enter on an entry
// selecting its node, the main window narrowed while the list shows and given its
// width back when the list closes or is unloaded.
#include "test_structure_checks_support.h"

#include <QListWidget>
#include <QTest>

#include "mainwindow/mod_StructureChecks.h"
#include "properties/frm_ModelessErrors.h"

namespace {

constexpr int kMainWidth = 900;

class ModelessErrors : public DemoFormTest {
protected:
    void SetUp() override
    {
        DemoFormTest::SetUp();
        main.setGeometry(40, 30, kMainWidth, 600);
        main.show();
        installModelessErrorsWindow(&main);
        load(QStringLiteral("itemsd"));
    }
    void TearDown() override
    {
        resetModelessErrorsWindow();
        DemoFormTest::TearDown();
    }

    // The errors of a faulty save: double input field, option values not unique, tab
    // page without label, selection group without parent table.
    void seedErrorsAndCheck()
    {
        gaFields[15].sFieldName = gaFields[14].sFieldName;
        gaFields[6].iLinkedConst = gaFields[5].iLinkedConst;
        gaGroups[2].sLabelCode.clear();
        gaGroups[7].sParentTable.clear();
        bool ok = true;
        mCheckStructure(node(QStringLiteral("g_0")), ok);
        ASSERT_FALSE(ok);
    }
    // Each line as "key text", sorted.
    QStringList shown() const
    {
        QStringList lines;
        for (int i = 0; i < list()->count(); ++i)
            lines << list()->item(i)->data(Qt::UserRole).toString() + u' ' + list()->item(i)->text();
        lines.sort();
        return lines;
    }
    QListWidget* list() const { return modelessErrorsWindow()->lstErrors; }
    QString selectedKey() const { return tree.selectedItem() ? tree.selectedItem()->key() : QString(); }
    void add(const char* code, const char* key)
    {
        gbShowModelessMessage(QLatin1String(code), QString(), QString(), QString(), QLatin1String(key));
    }

    QWidget main;
};

TEST_F(ModelessErrors, SeededErrorsAreListedWithTheirTextsAndAClickOrEnterSelectsTheirNode)
{
    seedErrorsAndCheck();
    frm_ModelessErrors* w = modelessErrorsWindow();
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_EQ(w->objectName(), QStringLiteral("frm_ModelessErrors"));
    EXPECT_EQ(w->findChild<QListWidget*>(QStringLiteral("lstErrors")), w->lstErrors);
    EXPECT_EQ(shown(), QStringList({
                           "f_15 Input field tekwy001.stoc occurs twice in group 4 in the same occurrence view.",
                           "f_4 Option set tekwy001.ityp: two options have the same value.",
                           "g_2 Group 3 is a tab page but has no label.",
                           "g_7 A selection group needs a parent table.",
                       }));

    // A click, or Enter, selects the entry's node.
    add("plqx0143", "f_13");  // a picture, named by its field key
    for (int row = 0; row < list()->count(); ++row) {
        tree.setSelectedItem(node(QStringLiteral("g_0")));
        QListWidgetItem* item = list()->item(row);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
        const QString key = item->data(Qt::UserRole).toString();
        EXPECT_EQ(selectedKey(), key == QLatin1String("f_13") ? QStringLiteral("p_13") : key);
        EXPECT_EQ(tree.dropHighlight(), tree.selectedItem());
    }
    tree.setSelectedItem(node(QStringLiteral("g_0")));
    list()->setFocus();
    list()->setCurrentRow(1);
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(selectedKey(), list()->item(1)->data(Qt::UserRole).toString());

    // The next save empties the list before it checks again.
    gClearModelessErrors();
    gaGroups[2].sLabelCode = QStringLiteral("tekwy100.stock");
    gaGroups[7].sParentTable = QStringLiteral("tekwy003");
    bool ok = true;
    mCheckStructure(node(QStringLiteral("g_0")), ok);
    EXPECT_EQ(shown().size(), 2);
}

TEST_F(ModelessErrors, TheMainWindowMakesRoomWhileTheListShowsAndGetsItsWidthBack)
{
    add("plqx0142", "g_2");
    frm_ModelessErrors* w = modelessErrorsWindow();
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_LT(main.width(), kMainWidth);
    EXPECT_EQ(main.width() + w->narrowedBy(), kMainWidth);
    auto docked = [&] {
        return w->frameGeometry().left() == main.frameGeometry().right() + 1
               && w->frameGeometry().top() == main.frameGeometry().top() && w->height() == main.height();
    };
    EXPECT_TRUE(docked());

    // More entries do not narrow it again; the list follows the main window.
    const int narrowed = main.width();
    add("plqx0141", "g_7");
    EXPECT_EQ(main.width(), narrowed);
    main.move(100, 80);
    EXPECT_TRUE(docked());

    w->close();
    EXPECT_EQ(main.width(), kMainWidth);

    // Shown again by the next entry; the unload (a save without errors) gives the
    // width back and forgets the entries.
    add("plqx0141", "g_7");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(main.width(), narrowed);
    unloadModelessErrorsWindow();
    EXPECT_FALSE(modelessErrorsWindow());
    EXPECT_EQ(main.width(), kMainWidth);
    EXPECT_TRUE(gModelessErrors().empty());
}

} // namespace
