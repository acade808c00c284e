#pragma once
// The per-user application settings: string values by application name, section and
// key, kept apart from the machine-wide settings in a file of their own. Each
// application and section is one key of a SettingsStore ("application\section").
#include <QList>
#include <QString>
#include <utility>

namespace platform {

class SettingsStore;

// The stored value, else defaultValue.
QString getSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue = QString());
// False when the file could not be written (it then stays as it was).
bool saveSetting(const QString& application, const QString& section, const QString& key, const QString& value);
// Every (key, value) of a section, keys sorted without regard to case; empty when the
// section does not exist.
QList<std::pair<QString, QString>> getAllSettings(const QString& application, const QString& section);

// The store behind them; created on first use at userSettingsPath().
SettingsStore& userSettings();
// $PALIMOR_USER_SETTINGS, else <config dir>/palimor/user-settings.json.
QString defaultUserSettingsPath();
// Points the settings at another file (tests); an empty path returns to the default.
void setUserSettingsPath(const QString& path);

} // namespace platform
