// Where the error list opens: wide enough for its title, on the screen beside the main
// window, which makes room for it, also when it is maximized, and gets its size and
// state back when the list closes.
#include "test_main_window_support.h"

#include "mod_ModelessErrors.h"
#include "frm_ModelessErrors.h"

#include <QScreen>
#include <QTest>

namespace {

class ErrorListPlacement : public MainWindowTest {
protected:
    frm_ModelessErrors* showList()
    {
        gbShowModelessMessage(QStringLiteral("plqx0143"), QString(), QString(), QString(), QStringLiteral("f_1"));
        frm_ModelessErrors* list = modelessErrorsWindow();
        EXPECT_TRUE(list && list->isVisible());
        return list;
    }
    // The title in a bold face, its window's icon and close button beside it.
    static int titleNeeds(const QWidget* list)
    {
        QFont bold = list->font();
        bold.setBold(true);
        return QFontMetrics(bold).horizontalAdvance(list->windowTitle()) + 2 * 24;
    }
    QRect area() { return w().screen()->availableGeometry(); }
};

TEST_F(ErrorListPlacement, BesideANormalMainWindowWideEnoughForItsTitle)
{
    open(QStringLiteral("simpled"));
    // A third of this width is less than the title needs.
    w().setGeometry(area().left() + 20, area().top() + 30, 640, 480);
    const QRect before = w().geometry();
    frm_ModelessErrors* list = showList();
    ASSERT_TRUE(list);
    saveScreenshot(list->grab(), QStringLiteral("error_list_beside_normal.png"));
    EXPECT_EQ(list->windowTitle(), QStringLiteral("Palimor - Structure errors"));
    EXPECT_GE(list->width(), titleNeeds(list));
    EXPECT_EQ(list->frameGeometry().left(), w().frameGeometry().right() + 1);
    EXPECT_EQ(w().width() + list->width(), before.width());
    EXPECT_TRUE(area().contains(list->frameGeometry())) << list->frameGeometry().right() << " " << area().right();

    list->close();
    EXPECT_EQ(w().geometry(), before);
}

TEST_F(ErrorListPlacement, BesideAMaximizedMainWindowWhichIsMaximizedAgainAfterwards)
{
    open(QStringLiteral("simpled"));
    const QRect normal(area().left() + 40, area().top() + 40, 500, 400);
    w().setGeometry(normal);
    w().setWindowState(Qt::WindowMaximized);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w().frameGeometry().width() >= area().width(); }));

    frm_ModelessErrors* list = showList();
    ASSERT_TRUE(list);
    EXPECT_GE(list->width(), titleNeeds(list));
    EXPECT_FALSE(w().windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(area().contains(w().frameGeometry()));
    EXPECT_TRUE(area().contains(list->frameGeometry()))
        << list->frameGeometry().left() << "-" << list->frameGeometry().right() << " " << area().right();
    EXPECT_FALSE(w().frameGeometry().intersects(list->frameGeometry()));
    EXPECT_EQ(list->frameGeometry().left(), w().frameGeometry().right() + 1);
    // The main window takes what the list leaves of the screen's width.
    EXPECT_GE(w().frameGeometry().width() + list->frameGeometry().width(), area().width() - 8);
    // A later entry changes nothing.
    const QRect shown = w().geometry();
    gbShowModelessMessage(QStringLiteral("plqx0141"), QString(), QString(), QString(), QStringLiteral("g_1"));
    EXPECT_EQ(w().geometry(), shown);

    list->close();
    EXPECT_TRUE(w().windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w().normalGeometry(), normal);
    // Maximized again, the exit keeps it so.
    gbFormChanged = false;
    EXPECT_EQ(endStatusOf([&] { w().mnuFExit_Click(); }), 0);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey + QStringLiteral("\\Window"),
                             QStringLiteral("WindowState"), QString()),
              QStringLiteral("2"));
}

} // namespace
