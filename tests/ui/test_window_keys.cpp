// The keys a user of any dialog expects in the table-field picker and the error list:
// Enter presses the default button, Esc closes, the focused button shows.
#include "test_main_window_support.h"

#include "frm_TableFields.h"
#include "mod_ModelessErrors.h"
#include "frm_ModelessErrors.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

class WindowKeys : public MainWindowTest {
protected:
    void TearDown() override
    {
        resetTableFieldsWindow();
        MainWindowTest::TearDown();
    }
    static bool activate(QWidget& window)
    {
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
    static TreeNode* topEntry(NodeTree& list, const char* field)
    {
        for (TreeNode* n = list.firstRoot(); n; n = n->next())
            if (n->text().startsWith(QStringLiteral("tekwy001.") + QLatin1String(field) + QLatin1Char(' ')))
                return n;
        return nullptr;
    }
};

TEST_F(WindowKeys, PickerEnterAppliesTabShowsTheFocusedButtonEscCloses)
{
    open(QStringLiteral("itemsd"));
    w().mnuOOneTableField_Click();
    frm_TableFields& p = tableFieldsWindow();
    ASSERT_TRUE(activate(p));
    NodeTree& list = p.tvwFields->nodes();
    TreeNode* seqn = topEntry(list, "seqn");
    ASSERT_TRUE(seqn && seqn->next());
    list.setSelectedItem(seqn);
    p.tvwFields->setFocus();
    const QImage cancelUnfocused = p.cmdCancel->grab().toImage();

    // Enter in the list: Apply, which inserts the entry and moves on to the next.
    const int32_t live = glLiveFieldCount();
    QTest::keyClick(p.tvwFields, Qt::Key_Return);
    EXPECT_EQ(glLiveFieldCount(), live + 1);
    EXPECT_EQ(list.selectedItem(), seqn->next());
    EXPECT_TRUE(p.isVisible() && p.tvwFields->hasFocus());

    // Tab reaches the buttons: the focused one alone is drawn as the one Enter presses.
    QTest::keyClick(p.tvwFields, Qt::Key_Tab);
    ASSERT_TRUE(p.cmdApply->hasFocus());
    EXPECT_TRUE(p.cmdApply->isDefault());
    const QImage applyFocused = p.cmdApply->grab().toImage();
    QTest::keyClick(p.cmdApply, Qt::Key_Tab);
    ASSERT_TRUE(p.cmdCancel->hasFocus());
    EXPECT_TRUE(p.cmdCancel->isDefault() && !p.cmdApply->isDefault());
    EXPECT_NE(p.cmdCancel->grab().toImage(), cancelUnfocused);
    EXPECT_NE(p.cmdApply->grab().toImage(), applyFocused);
    QTest::keyClick(p.cmdCancel, Qt::Key_Return);
    EXPECT_FALSE(p.isVisible() || gbTableFieldsOpen);
    EXPECT_EQ(glLiveFieldCount(), live + 1);

    // Esc, from the list, closes it as Cancel does; it opens again as it was.
    w().mnuOOneTableField_Click();
    ASSERT_TRUE(p.isVisible() && gbTableFieldsOpen);
    QTest::keyClick(p.tvwFields, Qt::Key_Escape);
    EXPECT_FALSE(p.isVisible() || gbTableFieldsOpen);
    EXPECT_TRUE(tableFieldsWindowExists());
}

TEST_F(WindowKeys, EscClosesTheErrorListAsItsCloseBoxDoes)
{
    open(QStringLiteral("itemsd"));
    w().show();
    w().setGeometry(60, 40, 900, 600);
    gbShowModelessMessage(QStringLiteral("plqx0143"), QString(), QString(), QString(), QStringLiteral("f_13"));
    frm_ModelessErrors* errors = modelessErrorsWindow();
    ASSERT_TRUE(errors && errors->isVisible() && w().width() < 900);
    errors->lstErrors->setCurrentRow(0);
    QTest::keyClick(errors->lstErrors, Qt::Key_Escape);
    EXPECT_FALSE(errors->isVisible());
    EXPECT_EQ(w().width(), 900);
    EXPECT_EQ(modelessErrorsWindow(), errors);
}

} // namespace
