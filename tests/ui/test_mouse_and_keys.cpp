// The main tree with the mouse and the keyboard against the local host: nodes dragged
// with the mouse and dropped through the tree's drag events, picker entries dropped on
// the form, the right button's pop-up, and the window's shortcut keys, in a writable
// and a read-only form.
#include "test_main_window_support.h"

#include "frm_TableFields.h"
#include "frm_Properties.h"
#include "gui_Clipboard.h"
#include "mod_Clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QToolButton>

namespace {

class MouseAndKeys : public ExchangeWindowTest {
public:
    using ExchangeWindowTest::clipboard;
    using MainWindowTest::node;
    void start(const char* mode = "w")
    {
        restart();
        open(QStringLiteral("itemsd"), QLatin1String(mode));
        w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
        tree().setExpanded(node("g_2"), true);
        tree().setExpanded(node("g_5"), true);
        focusTree("f_3");
    }
    static QPoint at(NodeTreeWidget* view, const TreeNode* n)
    {
        view->scrollToItem(view->itemOf(n));
        return view->visualItemRect(view->itemOf(n)).center();
    }
    QPoint at(const char* key) { return at(w().tvwGroups, node(key)); }
    void focusTree(const char* key)
    {
        w().tvwGroups->setFocus();
        tree().setSelectedItem(node(key));
        w().mSetMenuState();
    }
    // Presses the left button on the node and moves away far enough to start a drag.
    static void drag(NodeTreeWidget* view, const TreeNode* n)
    {
        const QPoint p = at(view, n), away = p + QPoint(0, 2 * QApplication::startDragDistance() + 2);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseMove(view->viewport(), p + QPoint(0, 2));
        QTest::mouseMove(view->viewport(), away);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, away);
    }
    void drag(const char* key) { drag(w().tvwGroups, node(key)); }
    // A drag of key from the tree named source entering the view, over p, let go.
    static void dropOn(NodeTreeWidget* view, const QPoint& p, const QString& source, const QString& key)
    {
        const std::unique_ptr<QMimeData> data(NodeTreeWidget::nodeMimeData(source, key));
        QDragEnterEvent enter(p, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QDragMoveEvent over(p, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        QDropEvent drop(p, Qt::MoveAction, data.get(), Qt::LeftButton, {});
        for (QEvent* e : std::initializer_list<QEvent*>{&enter, &over, &drop})
            QApplication::sendEvent(view->viewport(), e);
    }
    void dropOn(const char* target, const QString& source, const QString& key)
    {
        dropOn(w().tvwGroups, at(target), source, key);
    }
    void dragAndDrop(const char* key, const char* target)
    {
        drag(key);
        dropOn(target, QStringLiteral("tvwGroups"), QLatin1String(key));
    }
    // As a keyboard sends it: Ctrl or Shift pressed first, the key going to the focus
    // widget of its moment.
    static void key(int code, Qt::KeyboardModifiers m = {})
    {
        if (m & (Qt::ControlModifier | Qt::ShiftModifier))
            QTest::keyPress(QApplication::focusWidget(), m & Qt::ControlModifier ? Qt::Key_Control : Qt::Key_Shift);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(code), m);
    }
};

TEST_F(MouseAndKeys, AGroupDraggedOntoAnotherGroupBecomesItsLastChildOneLevelDeeper)
{
    start();
    dragAndDrop("g_3", "g_5");
    EXPECT_TRUE(node("g_5")->lastChild() == node("g_3") && gaGroups[3].lGroupLevel == gaGroups[5].lGroupLevel + 1);
    EXPECT_EQ(gaGroups[3].lAlignmentGroupId, -3);  // it left its siblings
    EXPECT_TRUE(gbFormChanged && w().treeVisible());
    const QPixmap image = w().tvwGroups->dragImage(node("g_3"));
    EXPECT_GT(image.width(), 3 * image.height());  // the icon and the text

    // Parents are told apart by their keys, not their texts.
    gaGroups[4].lAlignmentGroupId = 5;
    tree().setText(node("g_5"), node("g_2")->text());
    dragAndDrop("g_4", "g_6");
    EXPECT_EQ(gaGroups[4].lAlignmentGroupId, -4);
    EXPECT_EQ(gaGroups[4].lGroupLevel, 3);  // g_6 is on level 2
    expectSubgroupCounters(tree());
    const QString shot = saveScreenshot(w().grab(), QStringLiteral("tree_after_drop.png"));
    ASSERT_TRUE(image.save(QFileInfo(shot).dir().filePath(QStringLiteral("drag_image.png"))));

    saveAndReopen(QStringLiteral("itemsd"));
    EXPECT_TRUE(node("g_5")->lastChild() == node("g_3") && node("g_6")->lastChild() == node("g_4"));
    EXPECT_EQ(gaGroups[3].lGroupLevel * 10 + gaGroups[4].lGroupLevel, 23);
    expectSubgroupCounters(tree());
}

TEST_F(MouseAndKeys, DropsThatCannotLandChangeNothing)
{
    // Dragged, target, message ("" none).
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"g_3", "g_3", ""},   {"f_9", "f_9", ""},
        {"g_2", "g_3", ""},   // a group onto its own subgroup
        {"g_2", "f_14", ""},  // or a field below it
        {"f_9", "f_10", ""},  // a field onto its own follow-up
        {"g_1", "f_10", ""},  // a group among follow-up fields
        {"f_3", "f_7", "The target field has follow-up fields already; drop the field onto one of them."},
    };
    for (const auto& [dragged, target, message] : cases) {
        SCOPED_TRACE(testing::Message() << dragged << " on " << target);
        start();
        // f_7 follows f_6, which follows f_5 under f_4: no field may follow f_7.
        tree().setParent(node("f_7"), node("f_6"));
        tree().setParent(node("f_8"), node("f_7"));
        const QString before = treeText(tree());
        dialogs->clear();
        dragAndDrop(dragged, target);
        EXPECT_TRUE(treeText(tree()) == before && !gbFormChanged);
        EXPECT_EQ(dialogs->texts().join(u'|'), QLatin1String(message));
    }
}

TEST_F(MouseAndKeys, APickerEntryDraggedOntoTheFormBecomesANewField)
{
    start();
    w().mnuOOneTableField_Click();
    NodeTreeWidget* picker = tableFieldsWindow().tvwFields;
    auto entry = [picker](const char* field) {
        TreeNode* n = picker->nodes().firstRoot();
        while (n && !n->text().startsWith(QStringLiteral("tekwy001.%1 ").arg(QLatin1String(field))))
            n = n->next();
        return n;
    };
    drag(picker, entry("wloc"));  // a combined field starts no drag
    EXPECT_EQ(dialogs->texts().join(u'|'), QStringLiteral("A combined field cannot be placed on the form; place its parts instead."));

    drag(picker, entry("seqn"));
    dropOn("g_3", QStringLiteral("tvwFields"), picker->nodes().selectedItem()->key());
    const TreeNode* added = node("g_3")->lastChild();
    EXPECT_TRUE(tree().selectedItem() == added && gbFormChanged);
    EXPECT_EQ(gaFields[size_t(added->keyNumber())].sFieldName, QStringLiteral("tekwy001.seqn"));
    drag(picker, entry("item"));
    dropOn("f_15", QStringLiteral("tvwFields"), entry("item")->key());
    EXPECT_EQ(node("f_15")->next(), tree().selectedItem());  // onto a field: after it

    // A node of the form let go on the picker stays where it is.
    const QString before = treeText(tree());
    dialogs->clear();
    drag("f_3");
    dropOn(picker, at(picker, entry("item")), QStringLiteral("tvwGroups"), QStringLiteral("f_3"));
    EXPECT_TRUE(treeText(tree()) == before && dialogs->texts().size() == 1);
}

TEST_F(MouseAndKeys, ShortcutsEditAWritableFormAndNothingReadOnly)
{
    // Key, modifiers, node selected, and what shows that it ran on a writable form.
    const std::tuple<int, Qt::KeyboardModifiers, const char*, std::function<bool(MouseAndKeys&)>> cases[] = {
        {Qt::Key_Down, Qt::ControlModifier, "f_3", [](auto& t) { return t.node("f_4")->next() == t.node("f_3"); }},
        {Qt::Key_Up, Qt::ControlModifier, "f_15", [](auto& t) { return t.node("f_14")->previous() == t.node("f_15"); }},
        {Qt::Key_1, Qt::ControlModifier, "f_3", [](auto& t) { return t.node("f_3")->next()->image() == u"picture"; }},
        {Qt::Key_Insert, Qt::ShiftModifier, "f_3",
         [](auto& t) { return t.node("f_3")->next()->text().startsWith(u"tekwy001.cuni"); }},
        {Qt::Key_Delete, Qt::ShiftModifier, "f_11",
         [](auto& t) { return !t.node("f_11") && t.clipboard->text().contains(u"cuni"); }},
        {Qt::Key_ParenLeft, Qt::ShiftModifier, "f_3",  // Shift+9: the picked fields appended
         [](auto& t) { return t.node("g_0")->lastChild()->text().startsWith(u"tekwy001."); }},
    };
    for (const char* mode : {"w", "r"}) {
        for (const auto& [code, modifiers, selected, ran] : cases) {
            SCOPED_TRACE(testing::Message() << mode << ' ' << code << ' ' << int(modifiers));
            start(mode);
            gCopyStructure(node("f_11"), true);
            focusTree(selected);
            const QString before = treeText(tree());
            key(code, modifiers);
            // A command that hid the tree gives it the focus back.
            EXPECT_EQ(QApplication::focusWidget(), w().tvwGroups);
            if (*mode == 'w')
                EXPECT_TRUE(ran(*this)) << treeText(tree()).toStdString();
            else
                EXPECT_TRUE(treeText(tree()) == before && !gbFormChanged);
        }
    }
    // Dragging a read-only form starts no drag, and nothing dropped lands.
    const QString before = treeText(tree());
    drag("g_3");
    EXPECT_TRUE(w().dragKey().isEmpty());
    dropOn("g_5", QStringLiteral("tvwGroups"), QStringLiteral("g_3"));
    dropOn("g_3", QStringLiteral("tvwFields"), QStringLiteral("t_1"));
    EXPECT_TRUE(treeText(tree()) == before && !gbFormChanged);
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'|').toStdString();
}

// The copy keys on the tree put on the system clipboard only what Copy copies: with
// Copy disabled (the root) what was there stays, and no key copies a node's text.
TEST_F(MouseAndKeys, TheCopyKeysLeaveTheClipboardAloneWhereCopyIsDisabled)
{
    start();
    platform::setClipboard(std::make_shared<platform::SystemClipboard>());
    QClipboard* system = QGuiApplication::clipboard();
    system->setText(QStringLiteral("before"));
    focusTree("f_11");
    key(Qt::Key_Insert, Qt::ControlModifier);
    const QString structure = system->text();
    ASSERT_TRUE(structure != QStringLiteral("before") && gbClipboardHasStructure());

    const std::pair<const char*, Qt::Key> cases[] = {{"g_0", Qt::Key_Insert}, {"g_0", Qt::Key_C}, {"f_3", Qt::Key_C}};
    for (const auto& [selected, code] : cases) {
        SCOPED_TRACE(testing::Message() << selected << ' ' << code);
        focusTree(selected);
        key(code, Qt::ControlModifier);
        // The key brought the Edit menu's enabling up to date.
        EXPECT_EQ(w().actions().entryEnabled(QStringLiteral("mnuECopy")), *selected == 'f');
        EXPECT_EQ(system->text(), structure);
        EXPECT_EQ(QApplication::focusWidget(), w().tvwGroups);
    }
}

TEST_F(MouseAndKeys, KeysActOnlyInTheTreeAndOnlyWithTheirOwnModifiers)
{
    start();
    // F5 rewrites the node texts from the records; with Shift or Ctrl it does not.
    gaFields[3].sFieldName = QStringLiteral("tekwy001.renamed");
    for (const Qt::KeyboardModifiers m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::NoModifier}) {
        key(Qt::Key_F5, m);
        EXPECT_EQ(node("f_3")->text().startsWith(u"tekwy001.renamed"), m == Qt::NoModifier) << int(m);
    }

    // Ctrl+Up on a first child whose parent is first too: neither node nor selection moves.
    focusTree("f_1");
    const QString before = treeText(tree());
    key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(treeText(tree()) == before && tree().selectedItem() == node("f_1"));

    // Outside the tree the keys do nothing; a key of the tree takes the focus back to
    // it, a modifier alone or Tab leave it on the button.
    QToolButton* button = w().actions().toolbarButton(QStringLiteral("mnuMDown"));
    const std::pair<int, Qt::KeyboardModifiers> fromButton[] = {
        {Qt::Key_Control, Qt::ControlModifier}, {Qt::Key_Tab, {}}, {Qt::Key_Down, Qt::ControlModifier},
        {Qt::Key_Delete, Qt::ShiftModifier}};
    for (const auto& [code, modifiers] : fromButton) {
        button->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), button);
        key(code, modifiers);
        EXPECT_EQ(treeText(tree()), before);
        EXPECT_EQ(QApplication::focusWidget() == w().tvwGroups, code != Qt::Key_Control && code != Qt::Key_Tab) << code;
    }

    // Shift+6, reported as the symbol the layout gives it: the debug view of the node.
    key(Qt::Key_AsciiCircum, Qt::ShiftModifier);
    EXPECT_TRUE(viewer->opened().size() == 1 && QFile::exists(viewer->opened().value(0)));

    // Alt+Enter opens the property dialog; Enter alone does nothing.
    key(Qt::Key_Return);
    EXPECT_FALSE(w().isLocked());
    key(Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(w().isLocked() && propertiesDialog().isVisible());
    propertiesDialog().cmdCancel_Click();

    // The right button and Shift+F10: the Edit menu, Properties its default.
    QMenu* edit = w().actions().menu(QStringLiteral("mnuEdit"));
    QTest::mouseClick(w().tvwGroups->viewport(), Qt::RightButton, {}, at("g_4"));
    EXPECT_TRUE(tree().selectedItem() == node("g_4") && tree().dropHighlight() == node("g_4"));
    ASSERT_TRUE(edit->isVisible());
    EXPECT_EQ(edit->defaultAction(), w().actions().menuEntry(QStringLiteral("mnuEProperties")));
    edit->close();
    EXPECT_EQ(edit->defaultAction(), nullptr);
    focusTree("g_0");
    key(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(edit->isVisible() && !w().actions().entryEnabled(QStringLiteral("mnuECut")));  // never the form itself
    edit->close();
}

} // namespace
