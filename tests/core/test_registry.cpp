// Registry settings over the settings store: types, defaults, handles, failures.
#include "support/CoreTestSupport.h"

namespace {

class Registry : public CoreTest {
protected:
    platform::SettingsStore& store() { return platform::machineSettings(); }
    const QString window = gsRegistryKey + QStringLiteral("\\Window");
};

TEST_F(Registry, ValuesReadBackExactlyAndOfTheOtherTypeCountAsMissing)
{
    ASSERT_TRUE(gbSaveRegString(HKEY_LOCAL_MACHINE, window, "WindowTop", " 12 "));
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "Neg", -5));
    ASSERT_TRUE(store().setString(gsRegistryKey, QStringLiteral("Odd"), QStringLiteral("ab") + QChar(u'\0') + u'c'));
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, window, "WindowTop", QString()), QStringLiteral(" 12 "));
    EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "Neg", "0"), -5);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, "Odd", QString()), QStringLiteral("ab"));

    ASSERT_TRUE(store().setString(gsRegistryKey, QStringLiteral("LOGGING"), QStringLiteral("1")));
    ASSERT_TRUE(store().setDWord(gsRegistryKey, QStringLiteral("Mode"), 7));
    EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "LOGGING", "0"), 0);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, "Mode", "0"), QStringLiteral("0"));
    int32_t h = 0, number = 99;
    QString text = QStringLiteral("untouched");
    ASSERT_TRUE(mbRegOpenKey(HKEY_LOCAL_MACHINE, gsRegistryKey, h));
    EXPECT_FALSE(mbRegQueryDWord(h, "LOGGING", number));
    EXPECT_FALSE(mbRegQueryString(h, "Mode", text));
    EXPECT_EQ(QString::number(number) + text, QStringLiteral("99untouched"));
    EXPECT_TRUE(mbRegQueryDWord(h, "Mode", number));
    EXPECT_EQ(number, 7);
    EXPECT_TRUE(mbRegCloseKey(h));

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
    int32_t a = 0, b = 0, v = 0;
    ASSERT_TRUE(mbRegCreateKey(HKEY_LOCAL_MACHINE, gsRegistryKey, "\\Language.3", a));
    EXPECT_TRUE(store().keyExists(gsRegistryKey + QStringLiteral("\\Language.3")));
    ASSERT_TRUE(mbRegOpenKey(HKEY_LOCAL_MACHINE, gsRegistryKey, b));
    EXPECT_NE(a, b);
    EXPECT_TRUE(mbRegCloseKey(a));
    EXPECT_FALSE(mbRegCloseKey(a));
    EXPECT_FALSE(mbRegQueryDWord(a, "LOGGING", v));
    EXPECT_TRUE(mbRegCloseKey(b));
    EXPECT_FALSE(mbRegOpenKey(HKEY_LOCAL_MACHINE, "Software\\Nowhere", a));
    EXPECT_FALSE(mbRegCreateKey(HKEY_LOCAL_MACHINE, QString(), "x", a));
    EXPECT_TRUE(dialogs->shown().empty());
    EXPECT_FALSE(mbRegSetString(b, "X", "y"));  // closed handle
    EXPECT_EQ(dialogs->texts(), QStringList{"Could't set Registry Entry"});
    EXPECT_EQ(openRegistryHandles(), 0);
}

TEST_F(Registry, FailedWriteShowsTheMessageOncePerValue)
{
    const QString blocker = tmp.filePath(QStringLiteral("blocker"));
    ASSERT_TRUE(QFile(blocker).open(QIODevice::WriteOnly));
    platform::setMachineSettingsPath(blocker + QStringLiteral("/registry.json"));
    for (const char* name : {"WindowState", "WindowLeft", "WindowHeight"})
        EXPECT_FALSE(gbSaveRegString(HKEY_LOCAL_MACHINE, window, name, "0"));
    EXPECT_FALSE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, "SHOWPROP", 1));
    // Reading from the unusable store is silent.
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, window, "WindowState", "0"), QStringLiteral("0"));
    EXPECT_EQ(dialogs->texts(), QStringList(4, QStringLiteral("Could't set Registry Entry")));
    for (const auto& shown : dialogs->shown())
        EXPECT_EQ(shown.style, 48);
    EXPECT_EQ(openRegistryHandles(), 0);
}

} // namespace
