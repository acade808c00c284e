// Every window of the editor and of the local host opens wholly on the available area
// of a small screen and fits it: run on 1600x1000 pixels at scale 2 (800x500 points)
// and on 1024x768 (tests/CMakeLists.txt). Under a real X server the whole screen is
// saved with each window for a look.
#include "test_properties_support.h"

#include "support/HostWindowsFixture.h"
#include "frm_Preview.h"
#include "frm_TableFields.h"
#include "frm_Type4.h"
#include "gui_HelpViewer.h"
#include "frm_ModelessErrors.h"
#include "frm_About.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

namespace {

QString describe(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// The window, its frame too, on the available area of its screen.
::testing::AssertionResult onScreen(QWidget& window)
{
    // Under a real X server the frame is known once the window is on the screen; the
    // check below judges what is there after the wait, exposed or not.
    if (window.isVisible())
        static_cast<void>(QTest::qWaitForWindowExposed(&window));
    QCoreApplication::processEvents();
    const QRect area = window.screen()->availableGeometry();
    if (window.isVisible() && area.contains(window.frameGeometry()))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << window.objectName().toStdString() << " "
                                         << window.metaObject()->className() << (window.isVisible() ? "" : " hidden")
                                         << ": frame " << describe(window.frameGeometry()).toStdString() << " on "
                                         << describe(area).toStdString();
}

// The window's picture, and under a real X server the whole screen's with the window
// manager's frames, named for the screen the run has.
void picture(QWidget& window, const QString& name)
{
    const QSize screen = window.screen()->size() * window.devicePixelRatio();
    const QString stem = QStringLiteral("%1x%2_%3").arg(screen.width()).arg(screen.height()).arg(name);
    saveScreenshot(window.grab(), stem + QStringLiteral(".png"));
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        QTest::qWait(400);  // the window manager frames the window
        saveScreenshot(window.screen()->grabWindow(0), QStringLiteral("screen_") + stem + QStringLiteral(".png"));
    }
}

// Runs act on the modal dialog of type T once it is open, then closes it.
template <typename T>
void whenOpen(std::function<void(T*)> act, int triesLeft = 200)
{
    QTimer::singleShot(10, [act, triesLeft] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(d);
            d->reject();
        } else if (triesLeft > 0) {
            whenOpen<T>(act, triesLeft - 1);
        } else {
            ADD_FAILURE() << "the dialog did not open";
            if (auto* any = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                any->reject();
        }
    });
}

class WindowGeometry : public PropertiesDialog {
protected:
    void TearDown() override
    {
        resetTableFieldsWindow();
        PropertiesDialog::TearDown();
    }
};

// The checks below judge nothing on a screen other than the one the run names.
TEST(TestScreen, IsTheOneAskedFor)
{
    const QString wanted = qEnvironmentVariable("PALIMOR_TEST_SCREEN");
    ASSERT_FALSE(wanted.isEmpty()) << "PALIMOR_TEST_SCREEN names no screen";
    const QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_TRUE(screen);
    const QSize pixels = screen->size() * screen->devicePixelRatio();
    EXPECT_EQ(QStringLiteral("%1x%2@%3").arg(pixels.width()).arg(pixels.height()).arg(screen->devicePixelRatio()),
              wanted);
}

TEST_F(WindowGeometry, MainWindowAlsoWithAPlacementKeptOnALargerScreen)
{
    open(QStringLiteral("itemsd"));
    w().show();
    EXPECT_TRUE(onScreen(w()));
    picture(w(), QStringLiteral("main_window"));

    restart();
    const QString key = gsRegistryKey + QStringLiteral("\\Window");
    for (const auto& [name, pixels] : {std::pair{"WindowLeft", 1200}, {"WindowTop", 700}, {"WindowWidth", 1900},
                                       {"WindowHeight", 1150}})
        ASSERT_TRUE(
            gbSaveRegString(HKEY_LOCAL_MACHINE, key, QLatin1String(name), QString::number(pixels * kTwipsPerPixel)));
    open(QStringLiteral("itemsd"));
    w().show();
    EXPECT_TRUE(onScreen(w()));
}

// Each kind, and each page of a field: on the screen, its buttons within it, and every
// input of the page within reach of the page's scrolling.
TEST_F(WindowGeometry, PropertyDialogOfEveryKindAndPage)
{
    open(QStringLiteral("itemsd"));
    w().show();
    const std::pair<const char*, const char*> kinds[] = {
        {"g_0", "form"}, {"g_2", "group"}, {"f_3", "field"}, {"p_13", "picture"}};
    for (const auto& [key, kind] : kinds) {
        SCOPED_TRACE(key);
        frm_Properties& d = openOn(QLatin1String(key));
        auto* area = d.findChild<QScrollArea*>();
        ASSERT_TRUE(area);
        const int pages = QLatin1String(kind) == QLatin1String("field") ? d.tabProperties->count() : 1;
        for (int page = 0; page < pages; ++page) {
            if (pages > 1)
                d.tabProperties->setCurrentIndex(page);
            const QString name = pages > 1 ? QStringLiteral("properties_field_page%1").arg(page + 1)
                                           : QStringLiteral("properties_%1").arg(QLatin1String(kind));
            SCOPED_TRACE(name.toStdString());
            EXPECT_TRUE(onScreen(d));
            for (QPushButton* b : {d.cmdPrev, d.cmdNext, d.cmdOk, d.cmdCancel, d.cmdHelp})
                EXPECT_TRUE(b->isVisible() && d.rect().contains(b->geometry())) << b->objectName().toStdString();
            area->verticalScrollBar()->setValue(0);
            picture(d, name);
            for (QWidget* input : area->widget()->findChildren<QWidget*>()) {
                if (!input->isVisible() || input->focusPolicy() == Qt::NoFocus || qobject_cast<QTabBar*>(input))
                    continue;
                area->ensureWidgetVisible(input, 0, 0);
                const QRect shown(input->mapTo(area->viewport(), QPoint()), input->size());
                EXPECT_TRUE(area->viewport()->rect().contains(shown))
                    << input->objectName().toStdString() << " " << describe(shown).toStdString();
            }
        }
        d.cmdCancel_Click();
    }
}

// The property dialog opens centred over the main window (across: a low screen
// decides its height and top). On a screen lower than the group dialog, the highest
// kind, its pages scroll, and the dialog is wider by the scroll bar, which covers no
// input.
TEST_F(WindowGeometry, PropertyDialogOpensCentredAndScrollsBesideItsInputs)
{
    open(QStringLiteral("itemsd"));
    w().show();
    frm_Properties& d = openOn(QStringLiteral("g_2"));
    EXPECT_TRUE(onScreen(d));
    EXPECT_LE(std::abs(d.frameGeometry().center().x() - w().frameGeometry().center().x()), 1)
        << describe(d.frameGeometry()).toStdString() << " over " << describe(w().frameGeometry()).toStdString();
    auto* area = d.findChild<QScrollArea*>();
    ASSERT_TRUE(area);
    QWidget* pages = area->widget();
    if (pages->height() <= area->height())
        GTEST_SKIP() << "the screen holds the group dialog whole";
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());
    EXPECT_GE(area->viewport()->width(), pages->width());
    EXPECT_EQ(d.width(), pages->width() + area->verticalScrollBar()->width());
}

TEST_F(WindowGeometry, PreviewInBothOccurrences)
{
    open(QStringLiteral("itemsd"));
    w().show();
    for (const bool single : {true, false}) {
        single ? w().mnuOPreview_Click() : w().mnuOPreviewMO_Click();
        frm_Preview& p = previewWindow();
        EXPECT_TRUE(onScreen(p)) << single;
        picture(p, single ? QStringLiteral("preview_single") : QStringLiteral("preview_multi"));
        p.close();
    }
}

TEST_F(WindowGeometry, PickerErrorListAndFormCodeDialog)
{
    open(QStringLiteral("itemsd"));
    w().show();
    w().mnuOOneTableField_Click();
    EXPECT_TRUE(onScreen(tableFieldsWindow()));
    picture(tableFieldsWindow(), QStringLiteral("table_field_picker"));
    tableFieldsWindow().cmdCancel_Click();

    gbShowModelessMessage(QStringLiteral("plqx0143"), QString(), QString(), QString(), QStringLiteral("f_13"));
    ASSERT_TRUE(modelessErrorsWindow());
    EXPECT_TRUE(onScreen(*modelessErrorsWindow()));
    EXPECT_TRUE(onScreen(w()));
    picture(*modelessErrorsWindow(), QStringLiteral("error_list"));
    modelessErrorsWindow()->close();

    bool noSeparateLabels = false, tableCodeOk = false, seen = false;
    whenOpen<frm_Type4>([&seen](frm_Type4* d) {
        EXPECT_TRUE(onScreen(*d));
        picture(*d, QStringLiteral("form_code_dialog"));
        seen = true;
    });
    frm_Type4(&w(), noSeparateLabels, tableCodeOk).exec();
    EXPECT_TRUE(seen);
}

TEST_F(WindowGeometry, HelpWindowAndAboutBox)
{
    open(QStringLiteral("itemsd"));
    w().show();
    platform::WidgetHelpViewer port;
    ASSERT_NE(port.showHelp(&w(), qEnvironmentVariable("PALIMOR_SOURCE_DIR") + QStringLiteral("/help"),
                            platform::HelpCommand::DisplayTopic, QStringLiteral("/plm/plm/label.htm")),
              0);
    EXPECT_TRUE(onScreen(*port.window()));
    picture(*port.window(), QStringLiteral("help_window"));
    port.window()->close();

    frm_About& about = aboutBox();
    about.show();
    EXPECT_TRUE(onScreen(about));
    picture(about, QStringLiteral("about_box"));
    about.close();
    delete aboutBoxInstance();
}

class HostWindowGeometry : public HostWindowsFixture {
protected:
    void run(const QString& callText) { call(callText); }
};

TEST_F(HostWindowGeometry, EveryWindowOfTheLocalHost)
{
    QStringList seen;
    const auto check = [&seen](const char* name) {
        return [&seen, name](QDialog* d) {
            EXPECT_TRUE(onScreen(*d)) << name;
            picture(*d, QLatin1String(name));
            seen << QLatin1String(name);
        };
    };
    whenOpen<host::FormChooserDialog>(check("host_form_browser"));
    run(QStringLiteral(
        "start.vrok.session(\"qxzrn3500m000\",\"qxzrn300\",\"2tekwyolditemd\",0,\"cfrm ,desc\",\"\",\"\")"));
    whenOpen<host::LookUpDialog>(check("host_lookup"));
    run(QStringLiteral("start.vrok.session(\"qxzrn2530m000\",\"qxzrn420\",\"tekwy002\",0,\"cpac ,flno\",\"\",\"\")"));
    whenOpen<host::SessionWindow>(check("host_session"));
    run(QStringLiteral("start.vrok.session(\"tekwyorders\",\"\",\"\",0,\"\",\"\",\"\")"));
    whenOpen<host::IconChooserDialog>(check("host_icons"));
    run(QStringLiteral("select.icon(\"teform_\",\"box             \")"));
    whenOpen<host::TechDocDialog>(check("host_documentation"));
    run(QStringLiteral("write.tech.doc(\"2\",\"te\",\"kwy\",\"itemsd\",\"7.6\",\"a3\",\"dev\",\"tekwy001.dsca\")"));
    EXPECT_EQ(seen, QStringList({"host_form_browser", "host_lookup", "host_session", "host_icons", "host_documentation"}));
}

} // namespace
