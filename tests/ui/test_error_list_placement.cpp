// Where the error list opens: wide enough for its title, on the screen beside the main
// window, which makes room for it, also when it is maximized, and gets its size and
// state back when the list closes.
#include "test_main_window_support.h"

#include "mod_ModelessErrors.h"
#include "frm_ModelessErrors.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

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
    static std::string describe(const QRect& r)
    {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
    }
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

// Beside a very wide main window the list takes less than its third; a main window
// near its minimum width gives up only what it has above it. Each gets back exactly
// the width it had.
TEST_F(ErrorListPlacement, TheWidthGivenUpIsCappedAndComesBackExactly)
{
    open(QStringLiteral("simpled"));
    for (const int width : {1500, w().minimumWidth() + 60}) {
        SCOPED_TRACE(width);
        w().setGeometry(area().left() + 10, area().top() + 30, width, 480);
        const QRect before = w().geometry();
        ASSERT_EQ(before.width(), width);
        frm_ModelessErrors* list = showList();
        ASSERT_TRUE(list);
        EXPECT_TRUE(width < 1500 || list->width() < width / 3) << list->width();
        EXPECT_EQ(w().width(), std::max(width - list->width(), w().minimumWidth()));
        list->close();
        EXPECT_EQ(w().geometry(), before);
    }
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

// Run by the test below in a child process on an X server with a window manager.
TEST_F(ErrorListPlacement, DISABLED_MinimisedOrUnmaximisedUnderAWindowManager)
{
    open(QStringLiteral("simpled"));
    w().setGeometry(area().left() + 40, area().top() + 60, 700, 500);
    w().show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w().frameGeometry().top() < w().geometry().top(); }))
        << "no window manager frames the main window";
    const QRect before = w().geometry();
    frm_ModelessErrors* list = showList();
    ASSERT_TRUE(list && QTest::qWaitForWindowExposed(list));
    const int narrowed = w().width();
    ASSERT_LT(narrowed, before.width());
    // A minimise of the list, or of the main window with it, keeps the width given up.
    for (QWidget* window : {static_cast<QWidget*>(list), static_cast<QWidget*>(&w())}) {
        window->showMinimized();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !list->windowHandle()->isExposed(); }));
        window->showNormal();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(list));
        EXPECT_EQ(w().width(), narrowed);
    }
    list->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w().geometry() == before; }));

    // Beside a maximized main window, also one too wide to leave the list its room, the
    // list stays on the screen once the window manager has framed the main window anew.
    for (const int minimum : {w().minimumWidth(), area().width() - 250}) {
        SCOPED_TRACE(minimum);
        w().setMinimumWidth(minimum);
        w().showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return w().frameGeometry().width() >= area().width(); }));
        showList();
        // Shown normal, the window has borders at its sides.
        ASSERT_TRUE(QTest::qWaitFor([&] { return w().frameGeometry().left() < w().geometry().left(); }));
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return area().contains(w().frameGeometry()) && area().contains(list->frameGeometry());
        })) << describe(w().frameGeometry())
            << " and " << describe(list->frameGeometry()) << " on " << describe(area());
        list->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return w().frameGeometry().width() >= area().width(); }));
    }
}

// Minimise and un-maximise need a window manager: the test above runs in a child
// process on an X server of this test's own (Xvfb) with openbox, where both are installed.
TEST(ErrorListUnderAWindowManager, MinimisedKeepsTheWidthUnmaximisedStaysOnTheScreen)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (xvfb.isEmpty() || openbox.isEmpty())
        GTEST_SKIP() << "needs Xvfb and openbox (Debian packages xvfb, openbox)";
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "not in the sanitizer build: the X libraries keep memory its leak check reports";
#endif
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto file = [&dir](const char* name) { return dir.filePath(QLatin1String(name)); };
    QProcess server, wm, child;
    // Ended by a signal each can clean up after, the X server's socket and lock too.
    const auto end = qScopeGuard([&] {
        for (QProcess* p : {&child, &wm, &server}) {
            p->terminate();
            if (!p->waitForFinished(10000))
                p->kill();
        }
    });
    // Xvfb writes its display's number to descriptor 3 once it takes connections.
    server.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("exec \"$0\" -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>\"$1\""), xvfb,
                  file("display")});
    QString display;
    const bool serves = QTest::qWaitFor(
        [&] {
            QFile f(file("display"));
            display = f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).trimmed() : QString();
            return !display.isEmpty() || server.state() == QProcess::NotRunning;
        },
        30000);
    ASSERT_TRUE(serves && !display.isEmpty()) << "Xvfb did not start: " << server.readAllStandardError().toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());  // openbox's own settings
    wm.setProcessEnvironment(env);
    // openbox runs the start-up command once it manages the screen.
    wm.start(openbox, {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                       QStringLiteral("touch '%1'").arg(file("managed"))});
    const bool manages =
        QTest::qWaitFor([&] { return QFile::exists(file("managed")) || wm.state() == QProcess::NotRunning; }, 30000);
    ASSERT_TRUE(manages && QFile::exists(file("managed")))
        << "openbox did not start: " << wm.readAllStandardError().toStdString();

    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_also_run_disabled_tests"),
         QStringLiteral("--gtest_filter=ErrorListPlacement.DISABLED_MinimisedOrUnmaximisedUnderAWindowManager")});
    const bool ended = child.waitForFinished(180000);
    const std::string out = child.readAll().toStdString();
    EXPECT_TRUE(ended && child.exitCode() == 0 && out.find("[  PASSED  ] 1 test.") != std::string::npos) << out;
    EXPECT_TRUE(server.state() == QProcess::Running && wm.state() == QProcess::Running) << "Xvfb or openbox ended";
}

} // namespace
