#include "UserSettings.h"

#include "SettingsStore.h"

#include <QStandardPaths>
#include <memory>

namespace platform {

namespace {

QString& pathOverride()
{
    static QString path;
    return path;
}

std::unique_ptr<SettingsStore>& store()
{
    static std::unique_ptr<SettingsStore> s;
    return s;
}

QString keyOf(const QString& application, const QString& section)
{
    return application + QLatin1Char('\\') + section;
}

} // namespace

QString defaultUserSettingsPath()
{
    QString env = qEnvironmentVariable("PALIMOR_USER_SETTINGS");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1String("/palimor/user-settings.json");
}

SettingsStore& userSettings()
{
    std::unique_ptr<SettingsStore>& s = store();
    if (!s) {
        const QString& path = pathOverride();
        s = std::make_unique<SettingsStore>(path.isEmpty() ? defaultUserSettingsPath() : path);
    }
    return *s;
}

void setUserSettingsPath(const QString& path)
{
    pathOverride() = path;
    store().reset();
}

QString getSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue)
{
    return userSettings().queryString(keyOf(application, section), key).value_or(defaultValue);
}

bool saveSetting(const QString& application, const QString& section, const QString& key, const QString& value)
{
    return userSettings().setString(keyOf(application, section), key, value);
}

QList<std::pair<QString, QString>> getAllSettings(const QString& application, const QString& section)
{
    const QString key = keyOf(application, section);
    QList<std::pair<QString, QString>> all;
    for (const QString& name : userSettings().valueNames(key))
        if (const std::optional<QString> value = userSettings().queryString(key, name))
            all.append({name, *value});
    return all;
}

} // namespace platform
