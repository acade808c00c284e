// Start-up and exit of the main window against the local host.
#include "mainwindow/frm_Palimor.h"
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <QLabel>
#include <QStatusBar>
#include <QTreeWidget>

namespace {

// Forwards to the real local host and remembers what the editor did with the link.
class RecordingHost : public VrokApplication {
public:
    struct Record {
        QList<int32_t> linkStates;
        bool shutdown = false;
    };
    RecordingHost(std::unique_ptr<VrokApplication> inner, std::shared_ptr<Record> rec)
        : m_inner(std::move(inner)), m_rec(std::move(rec)) {}
    void setLinkState(int32_t s) override { m_rec->linkStates.append(s); m_inner->setLinkState(s); }
    int32_t vrokError() const override { return m_inner->vrokError(); }
    QString returnValue() const override { return m_inner->returnValue(); }
    QString returnCall() const override { return m_inner->returnCall(); }
    void setLinkOption(int32_t o) override { m_inner->setLinkOption(o); }
    void shutdown() override { m_rec->shutdown = true; m_inner->shutdown(); }
    void executeFunction(const QString& o, const QString& c, int32_t& n) override { m_inner->executeFunction(o, c, n); }

private:
    std::unique_ptr<VrokApplication> m_inner;
    std::shared_ptr<Record> m_rec;
};

class MainWindowStartup : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(host.ok()) << host.error().toStdString();
        record = std::make_shared<RecordingHost::Record>();
        setVrokObjectFactory([rec = record](const QString& cls) -> std::unique_ptr<VrokApplication> {
            return std::make_unique<RecordingHost>(createVrokObject(cls), rec);
        });
        platform::setProgramDirectory(tmp.filePath(QStringLiteral("bin")));
    }
    void TearDown() override
    {
        resetMainWindow();
        CoreTest::TearDown();
    }

    LocalHostEnvironment host;
    std::shared_ptr<RecordingHost::Record> record;
};

TEST_F(MainWindowStartup, ConnectsShowsTheWindowAndClosesTheLinkOnExit)
{
    platform::setCommandLine(startRecord());
    EXPECT_FALSE(endStatusOf([] { mainWindow().Form_Load(); }));
    frm_Palimor& w = mainWindow();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.findChild<QStatusBar*>(QStringLiteral("SBarEditor")), w.SBarEditor);
    EXPECT_EQ(w.findChild<QTreeWidget*>(QStringLiteral("tvwGroups")), w.tvwGroups);
    EXPECT_TRUE(w.tvwGroups->isEnabled());
    EXPECT_EQ(platform::mousePointer(), platform::Pointer::Default);
    ASSERT_TRUE(goVrokApp);
    EXPECT_EQ(record->linkStates, QList<int32_t>{0});

    EXPECT_EQ(endStatusOf([&] { w.mnuFExit_Click(); }), 0);
    EXPECT_EQ(record->linkStates, (QList<int32_t>{0, 10}));
    EXPECT_TRUE(record->shutdown);
    EXPECT_FALSE(goVrokApp);
}

TEST_F(MainWindowStartup, StatusTextGoesToPanelOne)
{
    platform::setCommandLine(startRecord());
    mainWindow().Form_Load();
    glShowMessage(4, 1, StatusBarOnly);
    useTexts({{QStringLiteral("qxplqx0401"), QStringLiteral("Ready")}});
    glShowMessage(4, 1, StatusBarOnly);
    EXPECT_EQ(mainWindow().SBarPanel1->text(), QStringLiteral("Ready"));
}

TEST_F(MainWindowStartup, RefusesShortCommandLinesBeforeConnecting)
{
    for (const QString& line : {QString(), QStringLiteral("1234567"), QStringLiteral("-tarnseX")}) {
        platform::setCommandLine(line);
        EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), 1) << line.toStdString();
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
    EXPECT_EQ(endStatusOf([] { mainWindow().Form_Load(); }), 1);
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("Unable to create OLE-object!")));
    EXPECT_EQ(gsBaseDir, QStringLiteral("/opt/vrok"));
}

TEST_F(MainWindowStartup, WritesTheOpeningLogLinesOnlyWhenLoggingIsSet)
{
    platform::setCommandLine(startRecord());
    mainWindow().Form_Load();
    EXPECT_TRUE(logLines().isEmpty());
    resetMainWindow();
    resetAll();

    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("LOGGING"), 1));
    mainWindow().Form_Load();
    const QStringList lines = logLines();
    ASSERT_GE(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("hh:mm:ss (0.000) - Palimor, Version: B%1.%2.%3")
                            .arg(PALIMOR_VERSION_MAJOR).arg(PALIMOR_VERSION_MINOR).arg(PALIMOR_VERSION_PATCH));
    EXPECT_TRUE(lines[1].contains(QStringLiteral(" - Log File Opened on ")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(" - Command Line arguments: ") + startRecord()));
    EXPECT_TRUE(lines.join(u'\n').contains(QStringLiteral("Creating Vrok Object ")));
    EXPECT_TRUE(lines.join(u'\n').contains(QStringLiteral("Values read from registry")));
}

TEST_F(MainWindowStartup, PlacementIsReadAndWrittenAt32Bits)
{
    platform::setCommandLine(startRecord());
    const QString key = gsRegistryKey + QStringLiteral("\\Window");
    // Beyond the 16-bit range in twips: a large desktop.
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowWidth"), QStringLiteral("40005")));
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowHeight"), QStringLiteral("9000")));
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowTop"), QStringLiteral("300")));
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowLeft"), QStringLiteral("450")));
    mainWindow().Form_Load();
    EXPECT_EQ(mainWindow().savedPlacement().width, 40005);
    EXPECT_EQ(mainWindow().geometry().width(), 40005 / kTwipsPerPixel);

    mainWindow().resize(2500, 700);
    EXPECT_EQ(endStatusOf([] { mainWindow().mnuFExit_Click(); }), 0);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowWidth"), QString()),
              QString::number(2500 * kTwipsPerPixel));
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowHeight"), QString()),
              QString::number(700 * kTwipsPerPixel));
}

TEST_F(MainWindowStartup, UnattendedModesLeaveThePlacementAlone)
{
    platform::setCommandLine(startRecord(QStringLiteral("qxzrn301"), QStringLiteral(" 1"), QStringLiteral("i")));
    mainWindow().Form_Load();
    EXPECT_FALSE(mainWindow().isVisible());
    EXPECT_EQ(endStatusOf([] { mainWindow().mnuFExit_Click(); }), 0);
    EXPECT_FALSE(platform::machineSettings().keyExists(gsRegistryKey + QStringLiteral("\\Window")));
}

} // namespace
