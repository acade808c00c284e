// Registry settings over the settings store: types, defaults, handles, failures.
#include "support/CoreTestSupport.h"

namespace {

class Registry : public CoreTest {
protected:
    platform::SettingsStore& store() { return platform::machineSettings(); }
    const QString window = gsRegistryKey + QStringLiteral("\\Window");
};

TEST_F(Registry, ValuesOfTheOtherTypeCountAsMissing)
{
    ASSERT_TRUE(store().setString(gsRegistryKey, QStringLiteral("LOGGING"), QStringLiteral("1")));
    ASSERT_TRUE(store().setDWord(gsRegistryKey, QStringLiteral("Mode"), 7));
    EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("LOGGING"), QStringLiteral("0")), 0);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("Mode"), QStringLiteral("0")),
              QStringLiteral("0"));
    int32_t h = 0, number = 99;
    QString text = QStringLiteral("untouched");
    ASSERT_TRUE(mbRegOpenKey(HKEY_LOCAL_MACHINE, gsRegistryKey, h));
    EXPECT_FALSE(mbRegQueryDWord(h, QStringLiteral("LOGGING"), number));
    EXPECT_FALSE(mbRegQueryString(h, QStringLiteral("Mode"), text));
    EXPECT_EQ(QString::number(number) + text, QStringLiteral("99untouched"));
    EXPECT_TRUE(mbRegQueryDWord(h, QStringLiteral("Mode"), number));
    EXPECT_EQ(number, 7);
    EXPECT_TRUE(mbRegCloseKey(h));
}

TEST_F(Registry, DefaultsWhenKeyOrValueIsMissing)
{
    const std::pair<const char*, int32_t> cases[] = {{"0", 0}, {" 7", 7}, {"7110", 7110}, {"abc", 0}, {"-3", -3}};
    for (const auto& [defaultText, expected] : cases) {
        EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Nowhere"), QStringLiteral("X"),
                                QString::fromUtf8(defaultText)), expected);
        EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("NotThere"),
                                QString::fromUtf8(defaultText)), expected);
    }
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, window, QStringLiteral("WindowHeight"), QStringLiteral("7110")),
              QStringLiteral("7110"));
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(Registry, SavedValuesReadBackExactly)
{
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, window, QStringLiteral("WindowTop"), QStringLiteral(" 12 ")));
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("Neg"), -5));
    ASSERT_TRUE(store().setString(gsRegistryKey, QStringLiteral("Odd"), QStringLiteral("ab") + QChar(u'\0') + u'c'));
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, window, QStringLiteral("WindowTop"), QString()), QStringLiteral(" 12 "));
    EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("Neg"), QStringLiteral("0")), -5);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("Odd"), QString()), QStringLiteral("ab"));
    EXPECT_EQ(openRegistryHandles(), 0);
}

TEST_F(Registry, KeysAndHandles)
{
    int32_t a = 0, b = 0, v = 0;
    ASSERT_TRUE(mbRegCreateKey(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("\\Language.3"), a));
    EXPECT_TRUE(store().keyExists(gsRegistryKey + QStringLiteral("\\Language.3")));
    ASSERT_TRUE(mbRegOpenKey(HKEY_LOCAL_MACHINE, gsRegistryKey, b));
    EXPECT_NE(a, b);
    EXPECT_TRUE(mbRegCloseKey(a));
    EXPECT_FALSE(mbRegCloseKey(a));
    EXPECT_FALSE(mbRegQueryDWord(a, QStringLiteral("LOGGING"), v));
    EXPECT_TRUE(mbRegCloseKey(b));
    EXPECT_FALSE(mbRegOpenKey(HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Nowhere"), a));
    EXPECT_FALSE(mbRegCreateKey(HKEY_LOCAL_MACHINE, QString(), QStringLiteral("x"), a));
    EXPECT_TRUE(dialogs->shown().empty());
    EXPECT_FALSE(mbRegSetString(b, QStringLiteral("X"), QStringLiteral("y")));  // closed handle
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("Could't set Registry Entry")});
    EXPECT_EQ(openRegistryHandles(), 0);
}

TEST_F(Registry, FailedWriteShowsTheMessageOncePerValue)
{
    const QString blocker = tmp.filePath(QStringLiteral("blocker"));
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    platform::setMachineSettingsPath(blocker + QStringLiteral("/registry.json"));
    for (const char* name : {"WindowState", "WindowLeft", "WindowHeight", "WindowTop", "WindowWidth"})
        EXPECT_FALSE(gbSaveRegString(HKEY_LOCAL_MACHINE, window, QString::fromUtf8(name), QStringLiteral("0")));
    EXPECT_FALSE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWPROP"), 1));
    // Reading from the unusable store is silent.
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, window, QStringLiteral("WindowState"), QStringLiteral("0")),
              QStringLiteral("0"));
    ASSERT_EQ(dialogs->shown().size(), 6u);
    for (const auto& shown : dialogs->shown())
        EXPECT_EQ(shown.text + QString::number(shown.style), QStringLiteral("Could't set Registry Entry48"));
    EXPECT_EQ(openRegistryHandles(), 0);
}

} // namespace
