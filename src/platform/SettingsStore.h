#pragma once
// Typed settings store standing in for the machine-wide registry hive.
//
// Keys are backslash-separated paths ("Software\\Vrok\\Palimor\\Window"), compared
// without regard to case like registry keys; empty segments are ignored, so
// "A\\B\\" and "\\A\\B" name the key "A\\B". Value names are compared without regard
// to case too; a key or value keeps the spelling it was created with. Each value is
// either a string or a DWORD; asking for one type never returns a value stored as
// the other, and setting a value of the other type replaces it.
//
// The whole store is one JSON file, rewritten atomically on every change (write to a
// temporary file, then rename), so a reader never sees a torn file. Changes are a
// read-modify-write under a lock on a file beside it ("<file>.lock"), so writers in
// other processes never lose each other's values. The lock is the kernel's (flock) and
// is dropped with its holder's process: a run killed while writing leaves nothing to
// break, and a lock a live writer is taking is never broken. Reads use the parsed
// file kept in memory and parse it again only when the file on disk was replaced.
// A missing or unreadable file reads as empty. The first write to an unreadable one
// first renames it to "<file>.unreadable-<date>-<time>" beside itself, with a warning,
// so that its values are never lost; the write fails when it cannot be renamed.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

class SettingsStore {
public:
    explicit SettingsStore(QString filePath);
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    const QString& filePath() const { return m_path; }

    // Opens an existing key; false when it does not exist.
    bool keyExists(const QString& key) const;
    // Creates the key and its parents when missing; false when the file can't be written.
    bool createKey(const QString& key);

    std::optional<uint32_t> queryDWord(const QString& key, const QString& name) const;
    // The text before the first NUL, as the registry gives it.
    std::optional<QString> queryString(const QString& key, const QString& name) const;

    // Create the key when missing and set the value; false when the file can't be written
    // (directory can't be made, file can't be written, lock not had in time); the file
    // then stays as it was. An empty key path is refused.
    bool setDWord(const QString& key, const QString& name, uint32_t value);
    bool setString(const QString& key, const QString& name, const QString& value);

    // Names of the values of a key, as spelt when created, sorted without regard to
    // case; empty when the key does not exist.
    QStringList valueNames(const QString& key) const;

    // How long a change waits for another process's lock (milliseconds). Once a change
    // has waited that long in vain, the later ones try the lock once only, until one of
    // them gets it: a holder that never lets go costs a run one wait, not one a value.
    void setLockTimeout(int ms) { m_lockTimeoutMs = ms; }
    int lockTimeout() const { return m_lockTimeoutMs; }

    // Default location: $PALIMOR_REGISTRY, else <config dir>/palimor/registry.json.
    static QString defaultPath();

    struct Cache;  // the parsed file; defined in the source

private:
    friend void setMachineSettingsPath(const QString& path);

    QString m_path;
    int m_lockTimeoutMs = 5000;
    bool m_lockGivenUp = false;  // guarded by the changes' mutex
    std::unique_ptr<Cache> m_cache;
};

// The inter-process lock of a store's file, held while the object lives. Only a lock
// taken through this class is respected; what the lock file holds does not matter.
class SettingsFileLock {
public:
    explicit SettingsFileLock(const QString& storePath);
    ~SettingsFileLock();
    SettingsFileLock(const SettingsFileLock&) = delete;
    SettingsFileLock& operator=(const SettingsFileLock&) = delete;

    // Waits up to timeoutMs (0: a single try); false when another process holds it
    // that long or the lock file cannot be opened.
    bool tryLock(int timeoutMs);
    bool isLocked() const { return m_locked; }
    // The last tryLock failed because another holder kept the lock.
    bool heldElsewhere() const { return m_heldElsewhere; }

private:
    QString m_path;
    int m_fd = -1;
    bool m_locked = false;
    bool m_heldElsewhere = false;
};

// The store the editor uses; created on first use at defaultPath(). The object stays
// the same for the whole run, so a reference to it may be kept.
SettingsStore& machineSettings();
// Points the editor at another file (tests); an empty path returns to the default.
void setMachineSettingsPath(const QString& path);

// Where the stores' warnings are logged besides standard error (the editor's log);
// nowhere by default. It is called during a change, so it must not change settings.
void setSettingsWarningLog(std::function<void(const QString&)> log);

} // namespace platform
