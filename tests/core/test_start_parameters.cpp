// The start record on the command line, the form identity and the flag numbers; the
// registry settings over the settings store: types, defaults, handles, failures.
#include "support/CoreTestSupport.h"

#include <QElapsedTimer>

namespace {

class StartParameters : public CoreTest {
protected:
    void read(const QString& line)
    {
        platform::setCommandLine(line);
        mReadStartParameters();
    }
};

TEST_F(StartParameters, RecordFillsTheIdentityAndTheTailGivesModeToolsVersionClassAndHeader)
{
    read(startRecord());
    EXPECT_EQ(gsPackage + gsModule + u'|' + gsFormCode + u'|' + gsLanguage + gsLabelLanguage + gsUserLanguage,
              QStringLiteral("qxzrn|FRM0815|edf"));
    EXPECT_EQ(gsVersion + u'|' + gsRelease + u'|' + gsCustomer + u'|' + gsTable, QStringLiteral("6.2 |a |c001|qxzrn301"));
    EXPECT_TRUE(dialogs->shown().empty());
    for (const char* table : {"qxzrn30 ", " zrn301 ", ""}) {
        read(startRecord(table));
        EXPECT_EQ(gsTable, QString()) << table;
    }

    const struct {
        const char *mode, *tail;
        int startMode, toolsVersion;
        const char *openMode, *automationClass, *header;
    } cases[] = {
        {" 1", "", 1, 0, " ", "Vrok.Application", ""},
        {"1;", "012 r;My.Class,Head, text", 1, 12, "r", "My.Class", "Head, text"},  // tools version shifts the tail
        {" 5", "w,An order, form", 5, 0, "w", "Vrok.Application", "An order, form"},
        {" 5", "a;Cls.Only", 5, 0, "a", "Cls.Only", ""},
        {"4 ", "i;,Header", 4, 0, "i", "", "Header"},
        {" 1", "rxHeader", 1, 0, "r", "Vrok.Application", ""},  // another marker means nothing
        {"xy", "w", 0, 0, "w", "Vrok.Application", ""},
        {"5;", "abc w", 5, 0, "w", "Vrok.Application", ""},
        {" 1", "w;", 1, 0, "w", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail);
        read(startRecord("qxzrn301", c.mode, c.tail));
        EXPECT_EQ(std::tuple(giStartMode, giToolsVersion), std::tuple(int16_t(c.startMode), int16_t(c.toolsVersion)));
        EXPECT_EQ(QStringList({gsOpenMode.str(), gsAutomationClass, gsHeader}),
                  QStringList({c.openMode, c.automationClass, c.header}));
    }

    startLogging();
    read(startRecord("qxzrn301", "1;", "003 w;Vrok.Application,Hdr"));
    EXPECT_EQ(logLines(), QStringList{"hh:mm:ss (0.000) - Table,userlang,header, configname, "
                                      "tools version: qxzrn301, f,Hdr,Vrok.Application,3"});
}

// Each byte that is no text takes one column, as U+FFFD: the columns after it stay in
// place. In the form's identity it is named, and the form refused; in the user
// language, a separator or the tail it is only text.
TEST_F(StartParameters, IdentityBytesThatAreNoTextAreNamedAndKeepTheColumnsInPlace)
{
    const struct {
        int column, width;  // the columns the bytes replace
        const char* bytes;
        const char* named;
    } cases[] = {{1, 1, "\xff", "<FF>x"},  {5, 1, "\xff", "z<FF>n"},   {9, 2, "\xe2\x82", "F<E2><82>0815"},
                 {18, 1, "\xff", "<FF>"},  {20, 1, "\xc3", "<C3>"},    {25, 1, "\xff", "6<FF>2"},
                 {30, 1, "\xff", "a<FF>"}, {35, 1, "\x80", "c00<80>"}, {22, 1, "\xff", ""},
                 {3, 1, "\xff", ""},       {50, 1, "\xff", ""},        {9, 1, "\xc3\xa9", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        QByteArray record = startRecord("qxzrn301", " 1", "w,Head").toUtf8();
        record.replace(c.column - 1, c.width, c.bytes);
        platform::setCommandLineFromArguments({record});
        mReadStartParameters();
        EXPECT_EQ(gsUndecodableIdentity, QString::fromUtf8(c.named));
        EXPECT_EQ(gsTable + gsOpenMode + gsHeader, c.column == 50 ? "qxzrn301w\ufffdead" : "qxzrn301wHead");
        QString reason, value;
        int32_t message = 0;
        EXPECT_EQ(gbFormIdentityUsable(reason, &value, &message), !*c.named) << reason.toStdString();
        EXPECT_EQ(value + QString::number(message), *c.named ? QString::fromUtf8(c.named) + "29" : "0");
    }
}

TEST_F(StartParameters, SwitchAsksForTheClassAndReadsAnEmptyRecord)
{
    ASSERT_TRUE(platform::machineSettings().setString(gsRegistryKey, QStringLiteral("UserLanguage"), QStringLiteral("2")));
    dialogs->queueInput(QStringLiteral("My.Own.Class"));
    read(QStringLiteral("-tarnsel"));
    ASSERT_EQ(dialogs->shown().size(), 1u);
    EXPECT_EQ(dialogs->shown()[0].text + u'|' + dialogs->shown()[0].title,
              QStringLiteral("Automation Class|Vrok Environment"));
    // The language only the registry can give.
    EXPECT_EQ(QStringList({gsAutomationClass, gsPackage + gsModule + gsFormCode + gsTable + gsHeader, gsUserLanguage,
                           QString::number(giStartMode)}),
              QStringList({"My.Own.Class", "     ", "2", "0"}));
    // A cancelled class ends the start-up: tested with the main window.

    dialogs->clear();
    for (const char* line : {"-TARNSEL", "-tarnsel ", " -tarnsel"}) {
        read(line);
        EXPECT_EQ(gsAutomationClass, QStringLiteral("Vrok.Application")) << line;
    }
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(StartParameters, RegistryUserLanguageOfOneCharacterWins)
{
    for (const auto& [stored, expected] : {std::pair{" 3 ", "3"}, {"34", "f"}, {"   ", "f"}, {"j", "j"}}) {
        ASSERT_TRUE(platform::machineSettings().setString(gsRegistryKey, QStringLiteral("UserLanguage"), stored));
        read(startRecord());
        EXPECT_EQ(gsUserLanguage, QString::fromUtf8(expected)) << stored;
    }
}

TEST(StartRecordReaders, SessionTableNeedsATableAndStartModeOneOrFive)
{
    const std::tuple<const char*, int16_t, bool> tables[] = {
        {"qxzrn301", 4, true}, {"qxzrn301", 5, false}, {"qxzrn301", 1, false}, {"", 1, true}};
    for (const auto& [table, mode, noTable] : tables) {
        gsTable = table;
        giStartMode = mode;
        EXPECT_EQ(gbNoSessionTable(), noTable) << table << " " << mode;
        EXPECT_EQ(gbIsStartMode4(), mode == 4);
    }
    resetVrokGlobal();
}

TEST(FlagNumbers, BitsAboveNineAreIgnoredAndTenFlagsPackToNothing)
{
    for (const auto& [number, bit, set] : {std::tuple{517, 2, true}, {517, 9, false}, {768, 8, true}, {5, -1, false}})
        EXPECT_EQ(gbBitSet(number, int16_t(bit)), set) << number << " bit " << bit;
    EXPECT_EQ(glBitsToLong({true, false, true, true}), 13);
    EXPECT_EQ(glBitsToLong(std::vector<bool>(10, true)), 0);
}

class Registry : public CoreTest {
protected:
    platform::SettingsStore& store() { return platform::machineSettings(); }
    const QString window = gsRegistryKey + QStringLiteral("\\Window");
    // Keys made, opened and closed by handle; a closed handle, a missing key and no key
    // at all refused, without a message. closed: the handle it closed last.
    void expectKeysAndHandles(int32_t& closed)
    {
        int32_t a = 0, b = 0, v = 0;
        ASSERT_TRUE(mbRegCreateKey(HKEY_LOCAL_MACHINE, gsRegistryKey, "\\Language.3", a));
        EXPECT_TRUE(store().keyExists(gsRegistryKey + QStringLiteral("\\Language.3")));
        ASSERT_TRUE(mbRegOpenKey(HKEY_LOCAL_MACHINE, gsRegistryKey, b));
        EXPECT_TRUE(a != b && mbRegCloseKey(a));
        // A closed handle, a missing key and no key at all are refused.
        EXPECT_FALSE(mbRegCloseKey(a) || mbRegQueryDWord(a, "LOGGING", v));
        EXPECT_TRUE(mbRegCloseKey(b));
        EXPECT_FALSE(mbRegOpenKey(HKEY_LOCAL_MACHINE, "Software\\Nowhere", a)
                     || mbRegCreateKey(HKEY_LOCAL_MACHINE, QString(), "x", a));
        EXPECT_TRUE(dialogs->shown().empty());
        closed = b;
    }
};

TEST_F(Registry, ValuesReadBackExactlyAndOfTheOtherTypeCountAsMissing)
{
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, window, "WindowTop", " 12 "));
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "Neg", -5));
    ASSERT_TRUE(store().setString(gsRegistryKey, QStringLiteral("Odd"), QStringLiteral("ab") + QChar(u'\0') + u'c'));
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, window, "WindowTop", QString()), QStringLiteral(" 12 "));
    EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "Neg", "0"), -5);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, "Odd", QString()), QStringLiteral("ab"));

    // A value of the other type is missing: the default, or the output left as it was.
    ASSERT_TRUE(store().setString(gsRegistryKey, QStringLiteral("LOGGING"), QStringLiteral("1")));
    ASSERT_TRUE(store().setDWord(gsRegistryKey, QStringLiteral("Mode"), 7));
    EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "LOGGING", "0"), 0);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, "Mode", "0"), QStringLiteral("0"));
    int32_t h = 0, number = 99;
    QString text = QStringLiteral("untouched");
    ASSERT_TRUE(mbRegOpenKey(HKEY_LOCAL_MACHINE, gsRegistryKey, h));
    EXPECT_FALSE(mbRegQueryDWord(h, "LOGGING", number) || mbRegQueryString(h, "Mode", text));
    EXPECT_EQ(QString::number(number) + text, QStringLiteral("99untouched"));
    EXPECT_TRUE(mbRegQueryDWord(h, "Mode", number) && number == 7 && mbRegCloseKey(h));

    for (const auto& [defaultText, expected] : {std::pair{"0", 0}, {" 7", 7}, {"7110", 7110}, {"abc", 0}, {"-3", -3}}) {
        EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, "Software\\Nowhere", "X", defaultText), expected) << defaultText;
        EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "NotThere", defaultText), expected) << defaultText;
    }
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, window, "WindowHeight", "7110"), QStringLiteral("7110"));
    EXPECT_TRUE(dialogs->shown().empty());
    EXPECT_EQ(openRegistryHandles(), 0);
}

TEST_F(Registry, KeysAndHandles)
{
    int32_t b = 0;
    ASSERT_NO_FATAL_FAILURE(expectKeysAndHandles(b));
    EXPECT_FALSE(mbRegSetString(b, "X", "y"));  // closed handle
    EXPECT_EQ(dialogs->texts(), QStringList{"Could't set Registry Entry"});
    EXPECT_EQ(openRegistryHandles(), 0);
}

// A store that cannot be written: every value fails, the first with the message and
// the later ones in the log, by the key that could not be made; reading is silent.
TEST_F(Registry, FailedWriteShowsTheMessageOnceARunAndLogsEveryLaterValue)
{
    startLogging();
    const QString blocker = tmp.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(QFile(blocker).open(QIODevice::WriteOnly));
    platform::setMachineSettingsPath(blocker + QStringLiteral("/registry.json"));
    for (const char* name : {"WindowState", "WindowLeft", "WindowHeight"})
        EXPECT_FALSE(gbSaveRegString(HKEY_LOCAL_MACHINE, window, name, "0"));
    EXPECT_FALSE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "SHOWPROP", 1));
    // Reading from the unusable store is silent.
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, window, "WindowState", "0"), QStringLiteral("0"));
    EXPECT_EQ(dialogs->texts(), QStringList(1, QStringLiteral("Could't set Registry Entry")));
    for (const auto& shown : dialogs->shown())
        EXPECT_EQ(shown.style, 48);
    QStringList logged;
    for (const QString& line : logLines().filter(QStringLiteral(" - Could't set Registry Entry: ")))
        logged << line.section(QStringLiteral(": "), -1);
    EXPECT_EQ(logged, QStringList({window, window, gsRegistryKey}));  // the keys cannot be made
    EXPECT_EQ(openRegistryHandles(), 0);
}

// Another program keeping the lock while the text cache fills: one wait and one
// message for the run, every later value logged, the file as it was.
TEST_F(Registry, ALockKeptByAnotherProgramCostsTheRunOneWaitAndOneMessage)
{
    startLogging();
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, "UserLanguage", "2"));
    const QByteArray before = fileBytes(store().filePath());
    platform::SettingsFileLock other(store().filePath());  // flock: another open file is another holder
    ASSERT_TRUE(other.tryLock(0));
    store().setLockTimeout(300);
    QElapsedTimer run;
    run.start();
    for (int i = 0; i < 64; ++i)
        EXPECT_FALSE(gbSaveRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey("2"), QStringLiteral("pzfrm.%1").arg(i), "x"));
    EXPECT_LT(run.elapsed(), 5 * 300) << "the writes waited one by one";
    EXPECT_EQ(dialogs->texts(), QStringList{"Could't set Registry Entry"});
    EXPECT_EQ(logLines().filter(QStringLiteral(" - Could't set Registry Entry: ")).size(), 63);
    EXPECT_EQ(fileBytes(store().filePath()), before);
}

// A failed write shows its message once a run and logs the later ones; on a full disk
// the old file stays. (Paths that cannot hold the file: test_SettingsStore.)
TEST_F(Registry, KeysHandlesAndFailedWrites)
{
    startLogging();
    int32_t b = 0;
    ASSERT_NO_FATAL_FAILURE(expectKeysAndHandles(b));

    // Room for the lock file; any further value overflows the disk.
    ASSERT_TRUE(store().setString(window, QStringLiteral("Filler"), QString(2000, u'0')));
    const QByteArray before = fileBytes(store().filePath());
    {
        const FileSizeLimit disk(rlim_t(before.size()));
        EXPECT_FALSE(gbSaveRegString(HKEY_LOCAL_MACHINE, window, "WindowState", "0"));
        EXPECT_FALSE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "SHOWPROP", 1));
    }
    EXPECT_FALSE(mbRegSetString(b, "X", "y"));  // closed handle
    ASSERT_EQ(dialogs->texts(), QStringList{"Could't set Registry Entry"});
    EXPECT_EQ(dialogs->shown()[0].style, 48);
    EXPECT_EQ(logLines().filter(QStringLiteral(" - Could't set Registry Entry: ")).size(), 2);
    EXPECT_TRUE(fileBytes(store().filePath()) == before) << "the old file was replaced";
    EXPECT_EQ(openRegistryHandles(), 0);
}

} // namespace
