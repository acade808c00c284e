// The per-user application settings: values by application, section and key, in a
// file of their own that a later run finds again.
#include "QtPrinters.h"

#include "platform/SettingsStore.h"
#include "platform/UserSettings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

TEST(UserSettings, KeptPerApplicationAndSectionInTheirOwnFile)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString envPath = tmp.filePath(QStringLiteral("user.json"));
    qputenv("PALIMOR_USER_SETTINGS", envPath.toLocal8Bit());
    platform::setUserSettingsPath(QString());
    EXPECT_EQ(platform::userSettings().filePath(), envPath);

    const QString app = QStringLiteral("Palimor\\Enums\\Language.2");
    const QString adju = QStringLiteral("zrn.adju");
    EXPECT_EQ(platform::getSetting(app, adju, QStringLiteral("1"), QStringLiteral("-")), QStringLiteral("-"));
    for (const auto& [section, key, value] : {std::tuple{"zrn.adju", "2", "b"}, {"zrn.adju", "10", "c"},
                                              {"zrn.adju", "1", "a"}, {"zrn.lpos", "1", "d"}})
        ASSERT_TRUE(platform::saveSetting(app, QString::fromLatin1(section), QString::fromLatin1(key),
                                          QString::fromLatin1(value)));
    ASSERT_TRUE(platform::saveSetting(QStringLiteral("Palimor\\Enums\\Language.3"), adju, QStringLiteral("1"),
                                      QStringLiteral("e")));
    platform::setMachineSettingsPath(tmp.filePath(QStringLiteral("registry.json")));
    EXPECT_FALSE(platform::machineSettings().keyExists(app));
    platform::setMachineSettingsPath(QString());

    // A later run, its file named directly this time.
    qunsetenv("PALIMOR_USER_SETTINGS");
    platform::setUserSettingsPath(envPath);
    EXPECT_EQ(platform::getSetting(app, adju, QStringLiteral("1")), QStringLiteral("a"));
    using All = QList<std::pair<QString, QString>>;
    EXPECT_EQ(platform::getAllSettings(app, adju), (All{{QStringLiteral("1"), QStringLiteral("a")},
                                                        {QStringLiteral("10"), QStringLiteral("c")},
                                                        {QStringLiteral("2"), QStringLiteral("b")}}));
    EXPECT_TRUE(platform::getAllSettings(app, QStringLiteral("zrn.typf")).isEmpty());
    platform::setUserSettingsPath(QString());
    EXPECT_TRUE(platform::userSettings().filePath().endsWith(QStringLiteral("/palimor/user-settings.json")));
}
