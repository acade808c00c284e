// Start-up and exit of the main window against the local host: the gate, the connect,
// the checks that end a start-up, the placement, the help folder, and the window with
// the medium demo form rendered (its picture written into the build tree for a look).
#include "test_main_window_support.h"

#include "UiHooks.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QScreen>
#include <QToolBar>
#include <QTest>
#include <QToolButton>
#include <QWindow>

namespace {

using MainWindowStartup = MainWindowTest;

TEST_F(MainWindowStartup, ConnectsShowsTheWindowAndClosesTheLinkOnExit)
{
    open(QStringLiteral("simpled"));
    frm_Palimor& w = mainWindow();
    int closedBeforeShutdown = -1;
    record->onShutdown = [&] { closedBeforeShutdown = host::callCount(QStringLiteral("am_close_object_set(")); };
    EXPECT_TRUE(w.isVisible() && w.tvwGroups->isEnabled() && w.Toolbar1->isEnabled());
    EXPECT_TRUE(w.treeVisible() && w.tvwGroups->isVisible() && gbTreeVisible);
    EXPECT_EQ(w.windowTitle() + u'|' + w.SBarPanel1->text(), QStringLiteral("Palimor - Demo form simpled|Ready"));
    EXPECT_EQ(platform::mousePointer(), platform::Pointer::Default);
    EXPECT_EQ(record->linkStates, QList<int32_t>{0});
    EXPECT_TRUE(logLines().isEmpty());  // logging is off

    EXPECT_EQ(endStatusOf([&] { w.mnuFExit_Click(); }), 0);
    EXPECT_EQ(record->linkStates, (QList<int32_t>{0, 10}));
    EXPECT_TRUE(record->shutdown && !goVrokApp);
    // The object set of the load is closed before the link goes.
    EXPECT_EQ(closedBeforeShutdown, 1);
}

TEST_F(MainWindowStartup, ShortCommandLinesAndAFailedConnectEndWithNonZeroStatus)
{
    const QString gate = QStringLiteral("This application must be started from within the Urq Palimor");
    // A cancelled class under the switch leaves nothing to create.
    const std::pair<QString, QString> cases[] = {{QString(), gate}, {QStringLiteral("1234567"), gate},
                                                 {QStringLiteral("-tarnseX"), gate},
                                                 {QStringLiteral("-tarnsel"), QStringLiteral("Unable to create OLE-object!")}};
    for (const auto& [line, message] : cases) {
        dialogs->clear();
        dialogs->queueInput(std::nullopt);
        platform::setCommandLine(line);
        EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), kStartupFailed) << line.toStdString();
        EXPECT_EQ(dialogs->texts().value(dialogs->texts().size() - 1), message) << line.toStdString();
        EXPECT_TRUE(!goVrokApp && record->linkStates.isEmpty());
        resetMainWindow();
    }
    EXPECT_EQ(gsBaseDir, QStringLiteral("/opt/vrok"));
}

// SQLite's own words and the path, shown and on standard error, at the connect: no
// host call is made on a damaged or empty database, and the file stays as it was.
TEST_F(MainWindowStartup, ADamagedDatabaseEndsTheStartAtTheConnect)
{
    const QString path = host.databasePath();
    QFile file(path);
    const QByteArray sound = fileBytes(path);
    // The first page of the rows the version check reads is garbage.
    const QStringList page = queryRows(path, QStringLiteral("SELECT (rootpage - 1) * page_size, page_size FROM "
                                                            "sqlite_master, pragma_page_size WHERE name = 'host_meta'"))
                                 .value(0).split(u'|');
    ASSERT_EQ(page.size(), 2);
    const QByteArray torn = QByteArray(sound).replace(page[0].toInt(), page[1].toInt(), QByteArray(page[1].toInt(), '\xa5'));
    const std::pair<QByteArray, const char*> cases[] = {
        {QByteArray(8192, 'z'), "is damaged: file is not a database"},
        {sound.left(sound.size() / 2), "is damaged: database disk image is malformed"},
        {torn, "is damaged: database disk image is malformed"}, {QByteArray(), "is empty, not a host database"}};
    for (const auto& [bytes, words] : cases) {
        SCOPED_TRACE(words);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
        file.close();
        dialogs->clear();
        platform::setCommandLine(demoRecord(QStringLiteral("simpled")));
        testing::internal::CaptureStderr();
        EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), kStartupFailed);
        const QString printed = QString::fromStdString(testing::internal::GetCapturedStderr());
        EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("No connection could be made: the host database cannot "
                                                               "be used.\n%1 %2\nThe file has been left "
                                                               "as it is.").arg(path, QLatin1String(words))});
        EXPECT_TRUE(printed.contains(dialogs->texts().value(0) + QLatin1Char('\n'))) << printed.toStdString();
        EXPECT_TRUE(host::callLog().isEmpty() && !goVrokApp);
        EXPECT_TRUE(fileBytes(path) == bytes) << "the database was changed";
        resetMainWindow();
    }
}

// Each failure after the connect: its message first, then the link is shut down, and
// the program ends with a failure status.
struct EndCase {
    const char* name;
    std::function<void(host::HostDatabase&)> arrange;
    const char* form;
    const char* message;  // "": any
};

class StartupEnds : public MainWindowStartup, public ::testing::WithParamInterface<EndCase> {};

TEST_P(StartupEnds, AfterItsMessageWithTheLinkClosed)
{
    const EndCase& c = GetParam();
    auto db = openHostDatabase(host.databasePath());
    ASSERT_TRUE(db);
    c.arrange(*db);
    int shownBeforeShutdown = -1;
    record->onShutdown = [&] { shownBeforeShutdown = int(dialogs->shown().size()); };
    platform::setCommandLine(demoRecord(QLatin1String(c.form)));
    EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), kStartupFailed);
    EXPECT_FALSE(dialogs->shown().empty());
    EXPECT_TRUE(!*c.message || dialogs->texts().contains(QLatin1String(c.message))) << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(record->shutdown && record->linkStates.last() == 10 && !goVrokApp && !mainWindow().isVisible());
    EXPECT_EQ(shownBeforeShutdown, int(dialogs->shown().size()));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartupEnds,
    ::testing::Values(
        EndCase{"HostOfAnotherRelease",
                [](host::HostDatabase& db) {
                    db.exec(QStringLiteral("UPDATE host_meta SET value = 'w6.0.006' WHERE key = 'dll_version'"));
                },
                "simpled", "Older version of Urq Palimor needed"},
        EndCase{"DefinitionsOfANewerEditor",
                [](host::HostDatabase& db) {
                    db.exec(QStringLiteral("UPDATE qxzrn315 SET za_revi = 12 WHERE cfrm = 'simpled' AND grpi = 1"));
                },
                "simpled", "This form was stored by a newer version of the form editor and cannot be opened."},
        EndCase{"LoadThatFails", [](host::HostDatabase&) { host::injectError(QStringLiteral("am_query_fetch("), 7); },
                "simpled", ""},
        EndCase{"IdentityThatCannotStandInAQuery", [](host::HostDatabase&) {}, "it'emsd", ""}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindowStartup, WritesTheOpeningLogLinesWhenLoggingIsSet)
{
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("LOGGING"), 1));
    open(QStringLiteral("simpled"));
    const QStringList lines = logLines();
    EXPECT_EQ(lines.value(0), QStringLiteral("hh:mm:ss (0.000) - Palimor, Version: B%1.%2.%3")
                                  .arg(PALIMOR_VERSION_MAJOR).arg(PALIMOR_VERSION_MINOR).arg(PALIMOR_VERSION_PATCH));
    const QString all = lines.join(u'\n');
    for (const QString& line : {QStringLiteral(" - Log File Opened on "),
                                QStringLiteral(" - Command Line arguments: ") + demoRecord(QStringLiteral("simpled")),
                                QStringLiteral("Creating Vrok Object "), QStringLiteral("Group 'tekwysimpled' Inserted"),
                                QStringLiteral("Field 'tekwy002.citg - Group' Inserted into Tree"),
                                QStringLiteral("Values read from registry"), QStringLiteral("Load Time: ")})
        EXPECT_TRUE(all.contains(line)) << line.toStdString();
}

// As the program starts, the window is on the screen before the load shows its progress
// in the status bar; the tests' own starts leave that step out.
TEST_F(MainWindowStartup, TheWindowIsShownBeforeTheLoadShowsItsProgress)
{
    for (const bool paint : {true, false}) {
        SCOPED_TRACE(paint);
        restart();
        mainWindow().setPaintBeforeLoad(paint);
        QStringList progress;  // of the load: "... 10%" and on
        bool exposedAtFirst = false;
        const auto shown = ui::hooks().setStatusText;
        ui::hooks().setStatusText = [&](const QString& text) {
            if (text.endsWith(u'%')) {
                if (progress.isEmpty())
                    exposedAtFirst = mainWindow().windowHandle() && mainWindow().windowHandle()->isExposed();
                progress << text;
            }
            shown(text);
        };
        open(QStringLiteral("itemsd"));
        ASSERT_GE(progress.size(), 5);
        EXPECT_EQ(exposedAtFirst, paint) << progress.join(u'|').toStdString();
    }
}

// A status text is painted before the hook returns: a long store or load shows its
// progress without going back to the event loop.
TEST_F(MainWindowStartup, AStatusTextIsPaintedAtOnce)
{
    open(QStringLiteral("itemsd"));
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    struct PaintedTexts : QObject {
        QStringList texts;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                texts << static_cast<QLabel*>(watched)->text();
            return false;
        }
    } painted;
    w().SBarPanel1->installEventFilter(&painted);
    for (const QString& text : {QStringLiteral("Storing 41%"), QStringLiteral("Storing 42%")}) {
        ui::hooks().setStatusText(text);
        EXPECT_EQ(painted.texts.value(painted.texts.size() - 1), text);
    }
    w().SBarPanel1->removeEventFilter(&painted);
}

// Read and written at 32 bits: beyond the 16-bit range in twips, a large desktop; a
// size kept on a larger desktop is cut to this one.
TEST_F(MainWindowStartup, ASecondStartRestoresThePlacement)
{
    const QString key = gsRegistryKey + QStringLiteral("\\Window");
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowWidth"), QStringLiteral("40005")));
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowHeight"), QStringLiteral("9000")));
    open(QStringLiteral("simpled"));
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(mainWindow().savedPlacement().width, 40005);
    EXPECT_TRUE(mainWindow().geometry().width() < screen.width() && mainWindow().geometry().height() == 600
                && screen.contains(mainWindow().geometry()));
    mainWindow().setGeometry(60, 90, 700, 500);
    const QRect placed = mainWindow().geometry();
    EXPECT_EQ(endStatusOf([] { mainWindow().mnuFExit_Click(); }), 0);
    restart();
    open(QStringLiteral("simpled"));
    EXPECT_EQ(mainWindow().geometry(), placed);
}

// A size stored far out of range still centres the placement it gives (no overflow),
// and the window is on the screen.
TEST_F(MainWindowStartup, ASizeOutOfRangeIsCentredLikeAnyOther)
{
    const QString key = gsRegistryKey + QStringLiteral("\\Window");
    for (const char* name : {"WindowWidth", "WindowHeight"})
        ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QLatin1String(name), QStringLiteral("-2147483648")));
    open(QStringLiteral("simpled"));
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    const auto centred = [](int pixels) { return int32_t((int64_t(pixels) * kTwipsPerPixel + 2147483648LL) / 2); };
    EXPECT_TRUE(mainWindow().savedPlacement().top == centred(screen.height())
                && mainWindow().savedPlacement().left == centred(screen.width()));
    EXPECT_TRUE(screen.contains(mainWindow().geometry())) << mainWindow().geometry().x();
    EXPECT_EQ(mainWindow().geometry().size(), mainWindow().minimumSize());
}

TEST_F(MainWindowStartup, OldDefinitionsOpenReadOnlyWhenTheUserSaysNo)
{
    hostExec(QStringLiteral("UPDATE qxzrn315 SET za_revi = 3 WHERE cfrm = 'simpled'"));
    const QString question = QStringLiteral(
        "This form was stored by a very old version of the form editor. Open it for editing? No opens it read-only.");
    for (const int answer : {platform::IdYes, platform::IdNo}) {
        restart();
        dialogs->queueAnswer(answer);
        open(QStringLiteral("simpled"));
        EXPECT_TRUE(dialogs->texts().contains(question));
        EXPECT_EQ(gsOpenMode.str(), answer == platform::IdYes ? QStringLiteral("w") : QStringLiteral("r"));
    }
    EXPECT_TRUE(mainWindow().windowTitle().endsWith(QStringLiteral(" (read-only)")));
}

TEST_F(MainWindowStartup, HelpFolderUnderTheBaseDirectory)
{
    // Without the folder the help commands only say so. The button runs its entry's
    // command whatever the entry's state.
    open(QStringLiteral("simpled"));
    EXPECT_TRUE(gsHelpFile.isEmpty());
    mainWindow().actions().menuEntry(QStringLiteral("mnuHContents"))->setEnabled(false);
    mainWindow().actions().toolbarButton(QStringLiteral("mnuHContents"))->click();
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("No help file was found.")) && help->shown().empty());
    restart();

    const QString folder = tmp.filePath(QStringLiteral("HELP/hlpplm20.chm"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile index(folder + QStringLiteral("/index.htm"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly) && index.write("<html></html>") > 0);
    index.close();
    open(QStringLiteral("simpled"));
    EXPECT_EQ(QDir(gsHelpFile).canonicalPath(), QDir(folder).canonicalPath());
    mainWindow().actions().toolbarButton(QStringLiteral("mnuHContents"))->click();
    trigger("mnuHGlossary");
    ASSERT_EQ(help->shown().size(), 2u);
    EXPECT_EQ(help->shown()[0].topic, QStringLiteral("/plm/onlinemanual/to_use_the_palimor.htm"));
    EXPECT_EQ(help->shown()[1].command, platform::HelpCommand::DisplayIndex);
}

TEST_F(MainWindowStartup, ShowsTheMediumDemoFormWithTheTreeBetweenToolbarAndStatusBar)
{
    open(QStringLiteral("itemsd"));
    w().resize(640, 480);
    w().mResetControlPositions();
    const QImage saved(saveScreenshot(w().grab(), QStringLiteral("main_window_itemsd.png")));
    ASSERT_EQ(saved.size(), w().size() * w().devicePixelRatio());
    // Every part carries something: the menu bar and toolbar with their texts and
    // images, the tree with its node texts and images.
    EXPECT_GT(colours(saved, QRect(0, 0, saved.width(), w().tvwGroups->y())), 8);
    const QRect treeRect = w().tvwGroups->geometry();
    EXPECT_GT(colours(saved, treeRect.adjusted(0, 0, 0, -treeRect.height() / 2)), 8);
    // The tree shows the form's nodes expanded: the root and its first group.
    EXPECT_TRUE(w().tvwGroups->itemOf(node("g_0"))->isExpanded() && w().tvwGroups->itemOf(node("g_1"))->isExpanded());
    EXPECT_FALSE(w().tvwGroups->itemOf(node("f_1"))->icon(0).isNull());
    // The six composite images follow the nineteen drawn ones.
    EXPECT_EQ(w().imglstTreeView.count(), 25);
    EXPECT_FALSE(w().tvwGroups->image(QStringLiteral("session3button")).isNull());

    // Made too small, the window keeps its least size; the tree fills the space between
    // toolbar and status bar at any size.
    for (const QSize size : {QSize(640, 480), QSize(10, 10)}) {
        w().resize(size);
        w().mResetControlPositions();
        EXPECT_GE(w().width(), 5000 / kTwipsPerPixel);
        EXPECT_GE(w().height(), 3000 / kTwipsPerPixel);
        const QRect bar = w().SBarEditor->geometry(), tree = w().tvwGroups->geometry();
        EXPECT_TRUE(bar.bottom() == w().height() - 1 && bar.width() == w().width()) << size.width();
        EXPECT_TRUE(tree.top() >= w().Toolbar1->geometry().bottom() && tree.bottom() <= bar.top() && tree.width() == w().width())
            << size.width();
    }
}

} // namespace
