#pragma once
// Typed settings store standing in for the machine-wide registry hive.
//
// Keys are backslash-separated paths ("Software\\Vrok\\Palimor\\Window"), compared
// without regard to case like registry keys. Each value is either a string or a
// DWORD; asking for one type never returns a value stored as the other.
// The whole store is one JSON file, rewritten atomically on every change
// (write to a temporary file, then rename), so a reader never sees a torn file.
#include <QString>
#include <cstdint>
#include <optional>

namespace platform {

class SettingsStore {
public:
    explicit SettingsStore(QString filePath);

    const QString& filePath() const { return m_path; }

    // Opens an existing key; false when it does not exist.
    bool keyExists(const QString& key) const;
    // Creates the key and its parents when missing; false when the file can't be written.
    bool createKey(const QString& key);

    std::optional<uint32_t> queryDWord(const QString& key, const QString& name) const;
    std::optional<QString> queryString(const QString& key, const QString& name) const;

    // Create the key when missing and set the value; false when the file can't be written.
    bool setDWord(const QString& key, const QString& name, uint32_t value);
    bool setString(const QString& key, const QString& name, const QString& value);

    // Default location: $PALIMOR_REGISTRY, else <config dir>/palimor/registry.json.
    static QString defaultPath();

private:
    QString m_path;
};

// The store the editor uses; created on first use at defaultPath().
SettingsStore& machineSettings();
// Points the editor at another file (tests); an empty path returns to the default.
void setMachineSettingsPath(const QString& path);

} // namespace platform
