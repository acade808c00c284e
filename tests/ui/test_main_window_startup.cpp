// Start-up and exit of the main window against the local host: the gate, the connect,
// the checks that end a start-up, the open modes, the placement and the help file.
#include "test_main_window_support.h"

#include <call_hooks.h>
#include <host_database.h>

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

using MainWindowStartup = MainWindowTest;

TEST_F(MainWindowStartup, ConnectsShowsTheWindowAndClosesTheLinkOnExit)
{
    open(QStringLiteral("simpled"));
    frm_Palimor& w = mainWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.findChild<QStatusBar*>(QStringLiteral("SBarEditor")), w.SBarEditor);
    EXPECT_EQ(w.findChild<QTreeWidget*>(QStringLiteral("tvwGroups")), w.tvwGroups);
    EXPECT_TRUE(w.tvwGroups->isEnabled());
    EXPECT_TRUE(w.Toolbar1->isEnabled());
    for (const char* m : {"mnuHelp", "mnuInsert", "mnuOptions", "mnuFile", "mnuEdit", "mnuTools"})
        EXPECT_TRUE(w.entryEnabled(QLatin1String(m))) << m;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Palimor - Demo form simpled"));
    EXPECT_EQ(w.SBarPanel1->text(), QStringLiteral("Ready"));
    EXPECT_EQ(platform::mousePointer(), platform::Pointer::Default);
    EXPECT_EQ(record->linkStates, QList<int32_t>{0});
    EXPECT_FALSE(w.menuEntry(QStringLiteral("mnuHStyle"))->isVisible());

    EXPECT_EQ(endStatusOf([&] { w.mnuFExit_Click(); }), 0);
    EXPECT_EQ(record->linkStates, (QList<int32_t>{0, 10}));
    EXPECT_TRUE(record->shutdown);
    EXPECT_FALSE(goVrokApp);
    // The object set of the load is closed before the link goes.
    EXPECT_TRUE(record->calls.filter(QStringLiteral("am_close_object_set(")).size() == 1);
}

TEST_F(MainWindowStartup, RefusesShortCommandLinesBeforeConnecting)
{
    for (const QString& line : {QString(), QStringLiteral("1234567"), QStringLiteral("-tarnseX")}) {
        platform::setCommandLine(line);
        EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), kStartupFailed) << line.toStdString();
        EXPECT_FALSE(goVrokApp);
        EXPECT_TRUE(record->linkStates.isEmpty());
        resetMainWindow();
    }
    EXPECT_EQ(dialogs->texts().count(QStringLiteral("This application must be started from within the Urq Palimor")), 3);
}

TEST_F(MainWindowStartup, FailedConnectEndsWithNonZeroStatus)
{
    // A cancelled class under the switch leaves nothing to create.
    platform::setCommandLine(QStringLiteral("-tarnsel"));
    dialogs->queueInput(std::nullopt);
    EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), kStartupFailed);
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("Unable to create OLE-object!")));
    EXPECT_EQ(gsBaseDir, QStringLiteral("/opt/vrok"));
}

// Each failure after the connect: its message first, then the link is shut down, and
// the program ends with a failure status.
struct EndCase {
    const char* name;
    std::function<void(host::HostDatabase&)> arrange;
    QString record;
    QString message;
};

std::ostream& operator<<(std::ostream& os, const EndCase& c) { return os << c.name; }

class StartupEnds : public MainWindowStartup, public ::testing::WithParamInterface<EndCase> {};

TEST_P(StartupEnds, AfterItsMessageWithTheLinkClosed)
{
    const EndCase& c = GetParam();
    auto db = openHostDatabase(host.databasePath());
    ASSERT_TRUE(db);
    c.arrange(*db);
    int shownBeforeShutdown = -1;
    record->onShutdown = [&] { shownBeforeShutdown = int(dialogs->shown().size()); };
    platform::setCommandLine(c.record);
    EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), kStartupFailed);
    if (c.message.isEmpty())
        EXPECT_FALSE(dialogs->shown().empty());
    else
        EXPECT_TRUE(dialogs->texts().contains(c.message)) << dialogs->texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(record->shutdown);
    EXPECT_EQ(record->linkStates.last(), 10);
    EXPECT_EQ(shownBeforeShutdown, int(dialogs->shown().size()));
    EXPECT_FALSE(goVrokApp);
    EXPECT_FALSE(mainWindow().isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, StartupEnds,
    ::testing::Values(
        EndCase{"HostOfAnotherRelease",
                [](host::HostDatabase& db) {
                    db.exec(QStringLiteral("UPDATE host_meta SET value = 'w6.0.006' WHERE key = 'dll_version'"));
                },
                demoRecord(QStringLiteral("simpled")), QStringLiteral("Older version of Urq Palimor needed")},
        EndCase{"DefinitionsOfANewerEditor",
                [](host::HostDatabase& db) {
                    db.exec(QStringLiteral("UPDATE qxzrn315 SET za_revi = 12 WHERE cfrm = 'simpled' AND grpi = 1"));
                },
                demoRecord(QStringLiteral("simpled")),
                QStringLiteral("This form was stored by a newer version of the form editor and cannot be opened.")},
        EndCase{"LoadThatFails",
                [](host::HostDatabase&) { host::injectError(QStringLiteral("am_query_fetch("), 7); },
                demoRecord(QStringLiteral("simpled")), QString()},
        EndCase{"IdentityThatCannotStandInAQuery", [](host::HostDatabase&) {},
                demoRecord(QStringLiteral("it'emsd")), QString()}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindowStartup, WritesTheOpeningLogLinesOnlyWhenLoggingIsSet)
{
    open(QStringLiteral("simpled"));
    EXPECT_TRUE(logLines().isEmpty());
    restart();

    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("LOGGING"), 1));
    open(QStringLiteral("simpled"));
    const QStringList lines = logLines();
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("hh:mm:ss (0.000) - Palimor, Version: B%1.%2.%3")
                            .arg(PALIMOR_VERSION_MAJOR).arg(PALIMOR_VERSION_MINOR).arg(PALIMOR_VERSION_PATCH));
    EXPECT_TRUE(lines[1].contains(QStringLiteral(" - Log File Opened on ")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" - Command Line arguments: ") + demoRecord(QStringLiteral("simpled"))));
    const QString all = lines.join(u'\n');
    for (const char* line : {"Creating Vrok Object ", "Loading form frm_Palimor", "Values read from registry",
                             "Object set opened", "mInitializeLablesPLM Finished", "Group 'tekwysimpled' Inserted",
                             "Field 'tekwy002.citg - Group' Inserted into Tree", "Load Time: "})
        EXPECT_TRUE(all.contains(QLatin1String(line))) << line;
}

TEST_F(MainWindowStartup, ASecondStartRestoresThePlacement)
{
    open(QStringLiteral("simpled"));
    mainWindow().setGeometry(120, 90, 700, 500);
    const QRect placed = mainWindow().geometry();
    EXPECT_EQ(endStatusOf([] { mainWindow().mnuFExit_Click(); }), 0);
    const QString key = gsRegistryKey + QStringLiteral("\\Window");
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowWidth"), QString()),
              QString::number(700 * kTwipsPerPixel));

    restart();
    open(QStringLiteral("simpled"));
    EXPECT_EQ(mainWindow().geometry(), placed);
}

TEST_F(MainWindowStartup, PlacementIsReadAndWrittenAt32Bits)
{
    const QString key = gsRegistryKey + QStringLiteral("\\Window");
    // Beyond the 16-bit range in twips: a large desktop.
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowWidth"), QStringLiteral("40005")));
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowHeight"), QStringLiteral("9000")));
    open(QStringLiteral("simpled"));
    EXPECT_EQ(mainWindow().savedPlacement().width, 40005);
    EXPECT_EQ(mainWindow().geometry().width(), 40005 / kTwipsPerPixel);
}

// Counts the times the watched window was shown.
struct ShowCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::Show;
        return false;
    }
};

TEST_F(MainWindowStartup, UnattendedModesEndAfterTheTreeAndLeaveThePlacementAlone)
{
    for (const char* mode : {"a", "i"}) {
        platform::setCommandLine(demoRecord(QStringLiteral("itemsd"), QLatin1String(mode)));
        ShowCounter shows;
        mainWindow().installEventFilter(&shows);
        EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), 0) << mode;
        EXPECT_EQ(tree().count(), 44) << mode;
        // The program ended before the labels of the fields were fetched.
        EXPECT_TRUE(gaFields[1].sLabelDescSO.isEmpty()) << mode;
        EXPECT_TRUE(record->shutdown) << mode;
        EXPECT_FALSE(platform::machineSettings().keyExists(gsRegistryKey + QStringLiteral("\\Window")));
        EXPECT_EQ(shows.count > 0, QLatin1String(mode) == QLatin1String("a")) << mode;
        restart();
    }
}

TEST_F(MainWindowStartup, OldDefinitionsOpenReadOnlyWhenTheUserSaysNo)
{
    auto db = openHostDatabase(host.databasePath());
    db->exec(QStringLiteral("UPDATE qxzrn315 SET za_revi = 3 WHERE cfrm = 'simpled'"));
    const QString question = QStringLiteral(
        "This form was stored by a very old version of the form editor. Open it for editing? No opens it read-only.");

    dialogs->queueAnswer(platform::IdYes);
    open(QStringLiteral("simpled"));
    EXPECT_TRUE(dialogs->texts().contains(question));
    EXPECT_EQ(gsOpenMode.str(), QStringLiteral("w"));
    restart();

    dialogs->clear();
    dialogs->queueAnswer(platform::IdNo);
    open(QStringLiteral("simpled"));
    EXPECT_EQ(gsOpenMode.str(), QStringLiteral("r"));
    EXPECT_TRUE(mainWindow().windowTitle().endsWith(QStringLiteral(" (read-only)")));
}

TEST_F(MainWindowStartup, HelpFolderUnderTheBaseDirectory)
{
    // Without the folder the help commands only say so.
    open(QStringLiteral("simpled"));
    EXPECT_TRUE(gsHelpFile.isEmpty());
    mainWindow().toolbarButton(QStringLiteral("mnuHContents"))->click();
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("No help file was found.")));
    EXPECT_TRUE(help->shown().empty());
    restart();

    const QString folder = tmp.filePath(QStringLiteral("HELP/hlpplm20.chm"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile index(folder + QStringLiteral("/index.htm"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("<html></html>");
    index.close();
    open(QStringLiteral("simpled"));
    EXPECT_EQ(QDir(gsHelpFile).canonicalPath(), QDir(folder).canonicalPath());
    mainWindow().toolbarButton(QStringLiteral("mnuHContents"))->click();
    ASSERT_EQ(help->shown().size(), 1u);
    EXPECT_EQ(help->shown()[0].topic, QStringLiteral("/plm/onlinemanual/to_use_the_palimor.htm"));
    mainWindow().menuEntry(QStringLiteral("mnuHGlossary"))->trigger();
    ASSERT_EQ(help->shown().size(), 2u);
    EXPECT_EQ(help->shown()[1].command, platform::HelpCommand::DisplayIndex);
}

} // namespace
