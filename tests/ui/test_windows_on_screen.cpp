// The windows under a real X server with a window manager, as the screen shows them:
// once a window is shown, the screen's pixels over it are the window's own picture (a
// window the manager framed whose content never reached the screen would stay a black
// or stale rectangle). The test windows_under_openbox runs these under Xvfb and
// openbox and saves what the screen shows into screenshots-xcb; elsewhere they skip.
#include "test_main_window_support.h"
#include "test_screenshots.h"

#include "frm_Preview.h"
#include "frm_Properties.h"

#include <QScreen>
#include <QTest>

namespace {

class OnScreen : public MainWindowTest {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server with a window manager; the test windows_under_openbox runs it";
        MainWindowTest::SetUp();
    }

    // Opens the form; the condition of these tests is that a window manager frames the
    // main window.
    void start(const char* form)
    {
        restart();
        open(QLatin1String(form));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
        ASSERT_TRUE(QTest::qWaitFor([this] { return w().frameGeometry() != w().geometry(); }, 10000))
            << "no window manager frames the windows";
    }

    // The share of the window's pixels that the screen shows as the window paints them.
    static double shownShare(QWidget* window)
    {
        const QImage own = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect r = window->geometry();
        // Window 0: the screen as the server has it, whatever window lies there.
        const QImage screen = window->screen()
                                  ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        if (own.size() != screen.size() || own.isNull())
            return 0;
        qint64 same = 0;
        for (int y = 0; y < own.height(); ++y)
            for (int x = 0; x < own.width(); ++x)
                same += own.pixel(x, y) == screen.pixel(x, y) ? 1 : 0;
        return double(same) / double(qint64(own.width()) * own.height());
    }

    // The window on the screen as it paints itself within seconds of its showing.
    // A blinking text cursor may differ.
    void expectOnScreen(QWidget* window, const QString& name)
    {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window)) << name.toStdString();
        double share = 0;
        const bool shown = QTest::qWaitFor(
            [&] {
                share = shownShare(window);
                return share > 0.99;
            },
            10000);
        const QRect frame = window->frameGeometry();
        saveScreenshot(window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()),
                       QStringLiteral("on_screen_%1.png").arg(name));
        EXPECT_TRUE(shown) << name.toStdString() << ": " << share * 100 << "% of the window on the screen";
    }
};

// Each kind of the property dialog, opened from the main window twice, over it.
TEST_F(OnScreen, ThePropertyDialogShowsWhatItPaintsForEveryKind)
{
    const std::pair<const char*, const char*> nodes[] = {
        {"simpled", "g_0"}, {"simpled", "f_1"}, {"itemsd", "g_0"}, {"itemsd", "f_3"}, {"itemsd", "g_2"}};
    for (const auto& [form, key] : nodes) {
        start(form);
        for (int round = 1; round <= 2; ++round) {
            const QString name =
                QStringLiteral("properties_%1_%2_%3").arg(QLatin1String(form), QLatin1String(key)).arg(round);
            SCOPED_TRACE(name.toStdString());
            select(key);
            w().mnuEProperties_Click();
            frm_Properties& d = propertiesDialog();
            ASSERT_TRUE(d.isVisible());
            expectOnScreen(&d, name);
            d.cmdCancel_Click();
            ASSERT_FALSE(d.isVisible());
        }
    }
}

// The single-occurrence preview of forms small enough to lie within the main window.
TEST_F(OnScreen, TheSingleOccurrencePreviewShowsWhatItPaints)
{
    for (const char* form : {"simpled", "olditemd", "itemsd"}) {
        SCOPED_TRACE(form);
        start(form);
        dialogs->clear();
        w().mnuOPreview_Click();
        frm_Preview& p = previewWindow();
        ASSERT_TRUE(p.isVisible()) << dialogs->texts().join(u'|').toStdString();
        expectOnScreen(&p, QStringLiteral("preview_%1").arg(QLatin1String(form)));
        p.close();
    }
}

}  // namespace
