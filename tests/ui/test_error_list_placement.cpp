// Where the error list opens: wide enough for its title, on the screen beside the main
// window, which makes room for it, also when it is maximized, and gets its size and
// state back when the list closes.
#include "test_main_window_support.h"

#include "mod_ModelessErrors.h"
#include "frm_ModelessErrors.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <tuple>

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
    // Where the X server has a window, and its frame, as Qt was told last: a widget may
    // keep a geometry it asked for that the window manager answered otherwise, or an older
    // frame.
    static QRect placed(const QWidget& window)
    {
        return window.windowHandle() ? window.windowHandle()->geometry() : window.geometry();
    }
    static QRect framed(const QWidget& window)
    {
        return window.windowHandle() ? window.windowHandle()->frameGeometry() : window.frameGeometry();
    }
    // A window's geometry shows a request before the window manager has answered it.
    // The window manager answers requests in their order: once it has mapped a window
    // shown after them, it has answered them all and Qt has taken the answers in. The
    // list answers some of them with requests of its own: until the windows stay put.
    void waitForWindowManager()
    {
        const auto windows = [this] {
            const frm_ModelessErrors* list = modelessErrorsWindow();
            return std::tuple(framed(w()), placed(w()), w().windowState(), list ? framed(*list) : QRect());
        };
        for (int round = 0; round < 10; ++round) {
            const auto before = windows();
            QWidget probe(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
            probe.setAttribute(Qt::WA_ShowWithoutActivating);
            probe.setGeometry(area().left(), area().top(), 1, 1);
            probe.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&probe)) << "the window manager maps no window";
            if (windows() == before)
                return;
        }
        FAIL() << "the windows do not stay put";
    }
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

// Run by the test below in a child process on an X server with a window manager. Each
// step waits for the window manager's answer, as a user does before the next step.
TEST_F(ErrorListPlacement, DISABLED_MinimisedOrUnmaximisedUnderAWindowManager)
{
    open(QStringLiteral("simpled"));
    const QRect before(area().left() + 40, area().top() + 60, 700, 500);
    w().setGeometry(before);
    w().show();
    ASSERT_NO_FATAL_FAILURE(waitForWindowManager());
    ASSERT_LT(framed(w()).top(), placed(w()).top()) << "no window manager frames the main window";
    ASSERT_EQ(placed(w()), before) << describe(placed(w()));
    frm_ModelessErrors* list = showList();
    ASSERT_TRUE(list && QTest::qWaitForWindowExposed(list));
    ASSERT_NO_FATAL_FAILURE(waitForWindowManager());
    const int narrowed = placed(w()).width();
    ASSERT_LT(narrowed, before.width());
    EXPECT_EQ(framed(*list).topLeft(), framed(w()).topRight() + QPoint(1, 0))
        << describe(framed(w())) << " and " << describe(framed(*list));
    // A minimise of the list, or of the main window with it, keeps the width given up.
    for (QWidget* window : {static_cast<QWidget*>(list), static_cast<QWidget*>(&w())}) {
        window->showMinimized();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !list->windowHandle()->isExposed(); }));
        window->showNormal();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(list));
        ASSERT_NO_FATAL_FAILURE(waitForWindowManager());
        EXPECT_EQ(placed(w()).width(), narrowed);
    }
    list->close();
    ASSERT_NO_FATAL_FAILURE(waitForWindowManager());
    EXPECT_EQ(placed(w()), before) << describe(placed(w()));

    // Beside a maximized main window, also one too wide to leave the list its room, the
    // list stays on the screen once the window manager has framed the main window anew.
    for (const int minimum : {w().minimumWidth(), area().width() - 250}) {
        SCOPED_TRACE(minimum);
        w().setMinimumWidth(minimum);
        w().showMaximized();
        ASSERT_NO_FATAL_FAILURE(waitForWindowManager());
        ASSERT_TRUE(w().windowState() & Qt::WindowMaximized);
        ASSERT_GE(framed(w()).width(), area().width()) << describe(framed(w()));
        showList();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(list));
        ASSERT_NO_FATAL_FAILURE(waitForWindowManager());
        // Shown normal, the window has borders at its sides.
        EXPECT_LT(framed(w()).left(), placed(w()).left());
        EXPECT_TRUE(area().contains(framed(w())) && area().contains(framed(*list)))
            << describe(framed(w())) << " and " << describe(framed(*list)) << " on " << describe(area());
        EXPECT_EQ(framed(*list).top(), framed(w()).top());
        list->close();
        ASSERT_NO_FATAL_FAILURE(waitForWindowManager());
        EXPECT_TRUE(w().windowState() & Qt::WindowMaximized);
        EXPECT_GE(framed(w()).width(), area().width()) << describe(framed(w()));
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
    // No animated minimise: openbox moves the frame for a while after a restore, and Qt
    // takes a window's place from where the frame is when it reads a configure.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("openbox")));
    QFile rc(dir.filePath(QStringLiteral("openbox/rc.xml")));
    ASSERT_TRUE(rc.open(QIODevice::WriteOnly));
    rc.write("<openbox_config xmlns=\"http://openbox.org/3.4/rc\"><theme><name>Clearlooks</name>"
             "<animateIconify>no</animateIconify></theme></openbox_config>\n");
    rc.close();
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
