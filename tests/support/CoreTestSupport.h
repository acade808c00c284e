#pragma once
// A clean editor core for each test: every module reset, the settings store on a
// temporary file, scripted dialogs, a program end that throws, the log in a
// temporary directory, host texts seeded into the registry text cache.

#include <QDir>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>

#include <ostream>

#include "LocalHostFixture.h"
#include "call_hooks.h"
#include "host_database.h"
#include "update_set.h"
#include "mod_DataSets.h"
#include "mod_Enumerate.h"
#include "mod_External.h"
#include "mod_Texts.h"
#include "mod_Velq.h"
#include "mod_VrokGlobal.h"
#include "mod_VrokInterface.h"
#include "session_windows.h"
#include "CoreHooks.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_ModelessErrors.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_Store.h"
#include "mod_TableFields.h"
#include "mod_TextCaches.h"
#include "mod_Versions.h"
#include "mod_ViewFields.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "Process.h"
#include "SettingsStore.h"
#include "TickClock.h"
#include "UserSettings.h"
#include "UiHooks.h"
#include "mod_Help.h"
#include "HelpViewer.h"
#include "mod_Global.h"
#include "mod_Registry.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

inline QString padded(const QString& s, int width) { return s.leftJustified(width, QLatin1Char(' '), true); }

// A start record of 47 columns for form FRM0815; the tail begins at column 48.
inline QString startRecord(const QString& table = QStringLiteral("qxzrn301"),
                           const QString& mode = QStringLiteral(" 1"), const QString& tail = QString())
{
    return QStringLiteral("qx zrn FRM0815   e d f 6.2  a  c001 ") + padded(table, 8) + u' ' + padded(mode, 2)
           + tail;
}

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        installCoreHooks();
        resetAll();
        platform::setMachineSettingsPath(tmp.filePath(QStringLiteral("registry.json")));
        platform::setUserSettingsPath(tmp.filePath(QStringLiteral("user-settings.json")));
        dialogs = platform::installScriptedDialogs();
        platform::setEndProgramHandler([](int status) { throw platform::ProgramEnded{status}; });
        QLocale::setDefault(QLocale::c());
        qputenv("PALIMOR_LOG_DIR", logDir().toLocal8Bit());
    }

    void TearDown() override
    {
        resetAll();
        platform::resetProcess();
        platform::resetDialogs();
        platform::releaseTickCount();
        platform::setMachineSettingsPath(QString());
        platform::setUserSettingsPath(QString());
        QLocale::setDefault(QLocale::system());
        qunsetenv("PALIMOR_LOG_DIR");
    }

    static void resetAll()
    {
        for (void (*reset)() : {resetDataSets, resetVersions, resetExternal, resetVelq, resetDesignDefinitions, resetKeys,
                                resetEnumerate, resetTextCaches, resetPointers, resetModelessErrors, resetRecords,
                                resetStore, resetHelp, platform::resetHelpViewer, host::resetSessionWindows,
                                resetVrokInterface, resetVrokGlobal, resetGlobal, resetTexts, resetRegistry, resetPalimor,
                                resetViewFields, resetTableFields, ui::resetHooks})
            reset();
        platform::setMousePointer(platform::Pointer::Default);
    }

    QString logDir() const { return tmp.filePath(QStringLiteral("log")); }

    // Lines of the current log file with the time of day masked.
    QStringList logLines() const
    {
        QFile f(QDir(logDir()).filePath(QStringLiteral("PalmryEd.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QString text = QString::fromUtf8(f.readAll());
        text.replace(QRegularExpression(QStringLiteral("(?m)^\\d\\d:\\d\\d:\\d\\d ")), QStringLiteral("hh:mm:ss "));
        QStringList lines = text.split(QLatin1Char('\n'));
        if (lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    void startLogging()
    {
        gbLogging = true;
        platform::setTickCount(1000);
    }

    // Seeds the registry text cache of the user language and of language "2" with
    // code -> text, so the text service answers these codes without the host.
    void useTexts(const QHash<QString, QString>& texts)
    {
        for (auto it = texts.cbegin(); it != texts.cend(); ++it)
            for (const QString& language : {gsUserLanguage, QStringLiteral("2")})
                ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey(language), it.key(), it.value()));
    }

    QTemporaryDir tmp;
    std::shared_ptr<platform::ScriptedDialogs> dialogs;
};

// The status the program ended with while running f, or nullopt when it went on.
template <typename F>
std::optional<int> endStatusOf(F&& f)
{
    try {
        f();
    } catch (const platform::ProgramEnded& e) {
        return e.status;
    }
    return std::nullopt;
}

// CoreTest on a fresh local host database of its own.
class HostCoreTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
    }
    // The editor connected to it, started as the host's client starts it.
    void connectEditor()
    {
        platform::setCommandLine(startRecord());
        ASSERT_TRUE(gbConnectVrok());
    }
    // Connected, with the data sets of form version level 11 registered.
    void connectWithDataSets()
    {
        ASSERT_NO_FATAL_FAILURE(connectEditor());
        glFormVersionLevel = 11;
        gInitFormDataSets();
        gInitDataSets();
    }
    // Connected, with the data sets registered and the enum domains loaded in language
    // "2", as the start-up leaves them before the form is loaded.
    void connectWithDictionary()
    {
        ASSERT_NO_FATAL_FAILURE(connectWithDataSets());
        gsUserLanguage = QStringLiteral("2");
        gENUM_FillEnums();
        glEnumsPerBuffer = glEnumsPerRequest();
    }

    LocalHostEnvironment env;
    std::unique_ptr<host::HostDatabase> db;
};

// The call texts of every call of a function since the host's call log was cleared.
inline QStringList callTexts(const QString& function)
{
    QStringList out;
    for (const host::LoggedCall& c : host::callLog())
        if (c.function == function)
            out << c.callText;
    return out;
}

// The records of every update set sent since the host's call log was cleared; a set
// the host could not read fails the test.
inline std::vector<host::updateset::SetRecord> sentSetRecords()
{
    std::vector<host::updateset::SetRecord> out;
    std::optional<QString> prefix;
    for (const QString& call : callTexts(QStringLiteral("execute.velq.set("))) {
        const qsizetype open = call.indexOf(u'"');
        const qsizetype close = call.lastIndexOf(QStringLiteral("\","));
        // The set goes out enclosed, not quoted: the host undoes the doubled quotes of its texts.
        QString text = call.mid(open + 1, close - open - 1);
        text.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        QString why;
        const auto records = host::updateset::parseSetText(text, prefix, &why);
        EXPECT_TRUE(records) << why.toStdString();
        if (records)
            out.insert(out.end(), records->begin(), records->end());
    }
    return out;
}
