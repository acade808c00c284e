#pragma once
// The main window started against the local host: a fixture with a recording host
// link, start records of the demo forms, host rows.
#include "mod_Clipboard.h"
#include "test_screenshots.h"

#include "NodeTreeWidget.h"
#include "frm_Palimor.h"
#include "NodeTree.h"
#include "Clipboard.h"
#include "FileViewer.h"
#include "Fonts.h"
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <form_dump.h>
#include <form_identity.h>
#include <sqlite_util.h>

#include <QAction>

#include <functional>

// Forwards to the real local host and remembers what the editor did with the link.
class RecordingHost : public VrokApplication {
public:
    struct Record {
        QList<int32_t> linkStates;
        bool shutdown = false;
        std::function<void()> onShutdown;
        std::function<void(const QString& callText)> onCall;  // before each call
    };
    RecordingHost(std::unique_ptr<VrokApplication> inner, std::shared_ptr<Record> rec)
        : m_inner(std::move(inner)), m_rec(std::move(rec)) {}
    void setLinkState(int32_t s) override { m_rec->linkStates.append(s); m_inner->setLinkState(s); }
    int32_t vrokError() const override { return m_inner->vrokError(); }
    QString returnValue() const override { return m_inner->returnValue(); }
    QString returnCall() const override { return m_inner->returnCall(); }
    void setLinkOption(int32_t o) override { m_inner->setLinkOption(o); }
    void shutdown() override
    {
        m_rec->shutdown = true;
        if (m_rec->onShutdown)
            m_rec->onShutdown();
        m_inner->shutdown();
    }
    void executeFunction(const QString& o, const QString& c, int32_t& n) override
    {
        if (m_rec->onCall)
            m_rec->onCall(c);
        m_inner->executeFunction(o, c, n);
    }

private:
    std::unique_ptr<VrokApplication> m_inner;
    std::shared_ptr<Record> m_rec;
};

// The start record the host passes for a demo form (te/kwy, language 2, 7.6/a3/dev).
inline QString demoRecord(const QString& form, const QString& mode = QStringLiteral("w"))
{
    return QStringLiteral("te kwy ") + padded(form, 9) + QStringLiteral(" 2 2 2 7.6  a3 dev  ") + padded(QString(), 8)
           + QStringLiteral("  1") + padded(mode, 1) + QStringLiteral(",Demo form ") + form;
}

class MainWindowTest : public CoreTest {
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
        help = platform::installScriptedHelpViewer();
    }
    void TearDown() override
    {
        resetMainWindow();
        resetModules();
        platform::resetHelpViewer();
        CoreTest::TearDown();
    }
    static void resetModules()
    {
        for (void (*reset)() : {resetTextCaches, resetPointers, resetRecords, resetStore, resetHelp, resetFonts})
            reset();
    }
    // A second run in the same test: everything but the registry starts afresh.
    void restart()
    {
        resetMainWindow();
        resetModules();
        const QString registry = tmp.filePath(QStringLiteral("registry.json"));
        resetAll();
        platform::setMachineSettingsPath(registry);
        record->linkStates.clear();
        help = platform::installScriptedHelpViewer();
        // An unattended run may have put its own message port in.
        dialogs = platform::installScriptedDialogs();
    }

    // Starts the window on a demo form; the test fails when the program ended. Open
    // modes "a" and "i" save and exit by themselves: there the program must have ended
    // with status 0 (the window and the records stay for the test to read).
    void open(const QString& form, const QString& mode = QStringLiteral("w"))
    {
        platform::setCommandLine(demoRecord(form, mode));
        const std::optional<int> status = endStatusOf([] { mainWindow().Form_Load(); });
        const bool unattended = mode == QLatin1String("a") || mode == QLatin1String("i");
        ASSERT_EQ(status, unattended ? std::optional<int>(0) : std::nullopt)
            << dialogs->texts().join(QStringLiteral(" | ")).toStdString();
    }

    frm_Palimor& w() { return mainWindow(); }
    NodeTree& tree() { return mainWindow().nodes(); }
    TreeNode* node(const QString& key) { return tree().node(key); }
    TreeNode* node(const char* key) { return tree().node(QLatin1String(key)); }
    // Selects the node as a click would, the menus following.
    void select(const char* key)
    {
        tree().setSelectedItem(node(key));
        w().mSetMenuState();
    }
    void trigger(const char* entry) { w().actions().menuEntry(QLatin1String(entry))->trigger(); }
    // File Save, then a second run on the same form.
    void saveAndReopen(const QString& form)
    {
        w().mnuFSave_Click();
        ASSERT_FALSE(gbFormChanged) << dialogs->texts().join(u'|').toStdString();
        restart();
        open(form);
    }
    // The rows of a query on the host database, columns joined by "|"; statements run on it.
    QStringList rows(const QString& sql) const { return queryRows(host.databasePath(), sql); }
    void hostExec(const QString& sql) const { openHostDatabase(host.databasePath())->exec(sql); }
    // The stored rows of a demo form.
    QString formDump(const char* form) const
    {
        return host::dumpForm(openHostDatabase(host.databasePath())->handle(),
                              host::FormIdentity{"te", "kwy", QLatin1String(form), "2", "7.6", "a3", "dev"});
    }

    LocalHostEnvironment host;
    std::shared_ptr<RecordingHost::Record> record;
    std::shared_ptr<platform::ScriptedHelpViewer> help;
};

// The main window with a scripted clipboard and file viewer.
class ExchangeWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        clipboard = platform::installScriptedClipboard();
        viewer = platform::installScriptedFileViewer();
    }
    void TearDown() override
    {
        resetStructureExchange();
        platform::resetClipboard();
        platform::resetFileViewer();
        MainWindowTest::TearDown();
    }
    std::shared_ptr<platform::ScriptedClipboard> clipboard;
    std::shared_ptr<platform::ScriptedFileViewer> viewer;
};

inline qsizetype recordLength(const QString& table) { int16_t n = 0; return gGetRecordLength(table, n), n; }

// The fields named in keys ("field=value ...") as a start record of the host table holds
// them, in the same form.
inline QString startRecordKeys(const QString& table, const QString& record, const QString& keys)
{
    QStringList out;
    for (const QString& key : keys.split(u' ')) {
        const QString field = key.section(u'=', 0, 0);
        out << field + u'=' + record.mid(glFieldOffset(table, field, true) - 1, glFieldLength(table, field)).trimmed();
    }
    return out.join(u' ');
}

// The tree as text: one line per node in display order, indented by depth, with its
// key, image and text.
inline QString treeText(const NodeTree& tree)
{
    QString out;
    for (TreeNode* n = tree.firstRoot(); n; n = NodeTree::nextDepthFirst(n)) {
        int depth = 0;
        for (TreeNode* p = n->parent(); p; p = p->parent())
            ++depth;
        out += QString(depth * 2, QLatin1Char(' ')) + n->key() + QStringLiteral(" [") + n->image()
               + QStringLiteral("] ") + n->text() + QLatin1Char('\n');
    }
    return out;
}

// Every group counts the subgroup nodes it holds.
inline void expectSubgroupCounters(const NodeTree& tree)
{
    for (int32_t g = 0; size_t(g) < gaGroups.size(); ++g)
        if (const TreeNode* n = tree.node(gsGroupKey(g))) {
            int16_t groups = 0;
            for (const TreeNode* c = n->child(); c; c = c->next())
                groups += gbIsGroupKey(c->key()) ? 1 : 0;
            EXPECT_EQ(gaGroups[size_t(g)].iNrOfSubGroups, groups) << g;
        }
}
