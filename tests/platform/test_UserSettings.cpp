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
    const QString file = tmp.filePath(QStringLiteral("user.json"));
    qputenv("PALIMOR_USER_SETTINGS", file.toLocal8Bit());
    platform::setUserSettingsPath(QString());
    const QString app = QStringLiteral("Palimor\\Enums\\Language.2");
    for (const auto& [section, key, value] : {std::tuple{"zrn.adju", "2", "b"}, {"zrn.adju", "10", "c"},
                                              {"zrn.adju", "1", "a"}, {"zrn.lpos", "1", "d"}})
        EXPECT_TRUE(platform::saveSetting(app, section, key, value));
    EXPECT_TRUE(platform::saveSetting(QStringLiteral("Palimor\\Enums\\Language.3"), "zrn.adju", "1", "e"));
    platform::setMachineSettingsPath(tmp.filePath(QStringLiteral("registry.json")));
    EXPECT_FALSE(platform::machineSettings().keyExists(app));
    platform::setMachineSettingsPath(QString());

    // A later run finds them in the file the environment named.
    qunsetenv("PALIMOR_USER_SETTINGS");
    platform::setUserSettingsPath(file);
    EXPECT_EQ(platform::getSetting(app, "zrn.adju", "1", "-"), QStringLiteral("a"));
    using All = QList<std::pair<QString, QString>>;
    EXPECT_EQ(platform::getAllSettings(app, "zrn.adju"), (All{{"1", "a"}, {"10", "c"}, {"2", "b"}}));
    platform::setUserSettingsPath(QString());
    EXPECT_TRUE(platform::userSettings().filePath().endsWith(QStringLiteral("/palimor/user-settings.json")));
}
