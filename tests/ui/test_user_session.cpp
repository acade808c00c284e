// One user's whole session with the editor on the item form, driven only as a user
// drives it: clicks and double-clicks in the tree, the menus opened from the menu bar,
// the toolbar's buttons, the tree's keys, a drag, typing in the property dialog. The
// stored rows of the written form must equal the golden dump and come back as the
// same tree; read-only, the same session must leave the database as it was.
#include "test_main_window_support.h"

#include "frm_Preview.h"
#include "frm_Properties.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

class UserSession : public ExchangeWindowTest {
protected:
    // ---- What the user does ----

    void startEditor(const char* mode)
    {
        openMode = QLatin1String(mode);
        open(QStringLiteral("itemsd"), QLatin1String(mode));
        ASSERT_TRUE(becomesActive(w()));
    }
    // The window system's activation of a window shown or asked for arrives through
    // the event loop.
    static bool becomesActive(QWidget& window)
    {
        return QTest::qWaitFor([&] { return window.isActiveWindow(); });
    }
    // The node showing text (the first in display order).
    TreeNode* node(const char* text)
    {
        for (TreeNode* n = tree().firstRoot(); n; n = NodeTree::nextDepthFirst(n))
            if (n->text().trimmed() == QLatin1String(text))
                return n;
        ADD_FAILURE() << "no node shows " << text;
        return tree().firstRoot();
    }
    QPoint at(const TreeNode* n)
    {
        NodeTreeWidget* view = w().tvwGroups;
        view->scrollToItem(view->itemOf(n));
        return view->visualItemRect(view->itemOf(n)).center();
    }
    QWidget* treeArea() { return w().tvwGroups->viewport(); }
    void click(const TreeNode* n) { QTest::mouseClick(treeArea(), Qt::LeftButton, {}, at(n)); }
    // Press, release, and the second press that the window system reports as a double click.
    void doubleClick(const TreeNode* n)
    {
        const QPoint p = at(n);
        QTest::mouseClick(treeArea(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(treeArea(), Qt::LeftButton, {}, p);
        QTest::mouseRelease(treeArea(), Qt::LeftButton, {}, p);
    }
    // Opens the menu from the menu bar and clicks its entry; a greyed entry does
    // nothing, and the user closes the menu again.
    void choose(const char* menuName, const char* entryName)
    {
        QMenuBar* bar = w().menuBar();
        QMenu* menu = w().actions().menu(QLatin1String(menuName));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(menu->isVisible()) << menuName;
        const QRect entry = menu->actionGeometry(w().actions().menuEntry(QLatin1String(entryName)));
        QTest::mouseClick(menu, Qt::LeftButton, {}, entry.center());
        if (menu->isVisible())
            QTest::keyClick(menu, Qt::Key_Escape);
    }
    void press(const char* button) { QTest::mouseClick(w().actions().toolbarButton(QLatin1String(button)), Qt::LeftButton); }
    void key(int code, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus) << "no window takes keys";
        QTest::keyClick(focus, Qt::Key(code), modifiers);
    }
    // Drags the node with the mouse and lets go over target. The offscreen platform
    // ends a drag at once: the tree then gets the events of the drag passing over it.
    void drag(const TreeNode* n, const TreeNode* target)
    {
        const QPoint from = at(n), away = from + QPoint(0, 2 * QApplication::startDragDistance() + 2);
        QTest::mousePress(treeArea(), Qt::LeftButton, {}, from);
        QTest::mouseMove(treeArea(), from + QPoint(0, 2));
        QTest::mouseMove(treeArea(), away);
        QTest::mouseRelease(treeArea(), Qt::LeftButton, {}, away);
        const std::unique_ptr<QMimeData> data(NodeTreeWidget::nodeMimeData(QStringLiteral("tvwGroups"), n->key()));
        const QPoint to = at(target);
        QDragEnterEvent enter(to, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QDragMoveEvent over(to, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QDropEvent drop(to, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        for (QEvent* e : std::initializer_list<QEvent*>{&enter, &over, &drop})
            QApplication::sendEvent(treeArea(), e);
    }
    // Clicks into the box, replaces its text and leaves it with Tab, which runs its check.
    static void typeInto(QLineEdit* box, const QString& text)
    {
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Tab);
    }
    static void showPage(QTabBar* bar, const char* title)
    {
        for (int i = 0; i < bar->count(); ++i)
            if (bar->tabText(i).remove(u'&') == QLatin1String(title))
                return QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
        ADD_FAILURE() << "no page " << title;
    }
    static void tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

    void screenshot(QWidget& window, const char* name)
    {
        const QString dir = screenshotFolder();
        const QString file = QStringLiteral("/user_session_%1_%2.png").arg(openMode, QLatin1String(name));
        ASSERT_TRUE(QDir().mkpath(dir) && window.grab().save(dir + file));
    }

    // ---- The session ----

    // Everything from the first click to File > Exit, which leaves exitStatus. In open
    // mode "r" the editing steps are refused: nothing is inserted, and the user goes on
    // with the nodes that are there.
    void theSession()
    {
        // A new group inside "Actions on the item", after its last field, and two fields in it.
        click(node("Commands act on this item"));
        press("mnuEInsertGroup");
        TreeNode* newGroup = tree().selectedItem();
        choose("mnuInsert", "mnuEInsertField");
        press("mnuEInsertField");
        TreeNode* firstField = newGroup->child() ? newGroup->child() : newGroup;
        TreeNode* secondField = firstField->next() ? firstField->next() : firstField;

        // The first field gets a control, the domain "te" "qty" and the label of "tekwy001.stoc".
        doubleClick(firstField);
        frm_Properties& d = propertiesDialog();
        ASSERT_TRUE(d.isVisible() && w().isLocked() && becomesActive(d));
        tick(d.chkNoControl);
        typeInto(d.txtDomainPackage, QStringLiteral("te"));
        typeInto(d.txtDomainCode, QStringLiteral("qty"));
        showPage(d.tabProperties->tabBar(), "Label");
        typeInto(d.txtLabelCode, QStringLiteral("tekwy001.stoc"));
        // The checks on leaving the boxes show what the domain and the label are.
        shownInDialog = d.lblDataTypeText->text() + QStringLiteral(" | ") + d.lblLabelDescSOText->text();
        screenshot(d, "properties");
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        ASSERT_FALSE(d.isVisible() || w().isLocked());
        ASSERT_TRUE(becomesActive(w()));

        // "Storage place" copied by the Edit menu and pasted after the second field with
        // Shift+Insert: into the new group.
        click(node("Storage place"));
        choose("mnuEdit", "mnuECopy");
        click(secondField);
        key(Qt::Key_Insert, Qt::ShiftModifier);

        // "Search key" dragged from "General data" onto the new group: its last child.
        drag(node("tekwy001.seak - Search key"), newGroup);

        // The first field goes down below the second.
        click(firstField);
        key(Qt::Key_Down, Qt::ControlModifier);
        screenshot(w(), "tree");

        choose("mnuFile", "mnuOPreview");
        ASSERT_TRUE(previewWindow().isVisible() && w().isLocked());
        showPage(previewWindow().tabPages->tabBar(), "Actions");
        screenshot(previewWindow(), "preview");
        previewWindow().close();  // its close box
        ASSERT_FALSE(w().isLocked());

        press("mnuFSave");
        treeAtExit = treeText(tree());
        exitStatus = endStatusOf([&] { choose("mnuFile", "mnuFExit"); });
    }

    QByteArray databaseBytes() const
    {
        QFile file(host.databasePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString openMode;
    std::optional<int> exitStatus;
    QString shownInDialog;
    QString treeAtExit;
};

TEST_F(UserSession, EditsSavesAndExitsAndTheFormComesBackAsSaved)
{
    ASSERT_NO_FATAL_FAILURE(startEditor("w"));
    ASSERT_NO_FATAL_FAILURE(theSession());
    EXPECT_EQ(exitStatus, 0) << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(record->shutdown);
    EXPECT_EQ(shownInDialog, QStringLiteral("Integer (6) | Quantity in stock"));

    const QString rows = formDump("itemsd");
    const QString expected = golden(QStringLiteral("ui"), QStringLiteral("user_session_itemsd"), rows);
    EXPECT_EQ(firstDifference(rows, expected), "");

    restart();
    ASSERT_NO_FATAL_FAILURE(startEditor("w"));
    EXPECT_EQ(firstDifference(treeText(tree()), treeAtExit), "");
}

TEST_F(UserSession, ReadOnlyTheSameSessionChangesNothingAndExits)
{
    const QString rows = formDump("itemsd");
    const QByteArray bytes = databaseBytes();
    ASSERT_NO_FATAL_FAILURE(startEditor("r"));
    const QString treeAtStart = treeText(tree());
    gsHelpFile = qEnvironmentVariable("PALIMOR_SOURCE_DIR") + QStringLiteral("/help");
    ASSERT_NO_FATAL_FAILURE(theSession());
    // Every input is disabled: the clicks on them opened their topics.
    QStringList anchors;
    for (const auto& shown : help->shown())
        anchors << shown.anchor;
    EXPECT_EQ(anchors, QStringList({"chkNoControl", "txtDomainCode", "txtDomainCode", "txtLabelCode"}));
    EXPECT_EQ(exitStatus, 0) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(firstDifference(treeAtExit, treeAtStart), "");
    EXPECT_TRUE(record->shutdown);
    EXPECT_TRUE(clipboard->text().contains(u"tekwy001.cwar"));  // copying is no edit
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(firstDifference(formDump("itemsd"), rows), "");
    EXPECT_TRUE(databaseBytes() == bytes);
}

} // namespace
