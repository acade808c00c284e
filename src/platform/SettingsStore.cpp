#include "SettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSaveFile>
#include <QStandardPaths>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

namespace {

struct Value {
    QString name;  // spelling at creation
    bool isDWord = false;
    uint32_t dword = 0;
    QString text;

    bool operator==(const Value& o) const
    {
        return isDWord == o.isDWord && (isDWord ? dword == o.dword : text == o.text);
    }
};

struct Key {
    QString path;  // spelling at creation
    QHash<QString, Value> values;  // by folded name
};

// By folded path; every key's parents are present too.
using Model = QHash<QString, Key>;

// Identifies one version of the file. Every write replaces the file by a rename, so
// the inode changes too; mtime alone is too coarse for two writes in one tick.
struct FileSignature {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    bool operator==(const FileSignature& o) const
    {
        if (exists != o.exists)
            return false;
        if (!exists)
            return true;
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec
            && mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec
            && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

FileSignature signatureOf(const struct stat& st)
{
    FileSignature s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    s.ctime = st.st_ctim;
    return s;
}

FileSignature statPath(const QString& path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return signatureOf(st);
}

QString fold(const QString& s) { return s.toCaseFolded(); }

QString normaliseKey(const QString& key)
{
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

// Adds the key and its missing parents; returns the key.
Key& ensureKey(Model& model, const QString& normalisedPath)
{
    const QStringList parts = normalisedPath.split(QLatin1Char('\\'));
    QString path;
    Key* key = nullptr;
    for (const QString& part : parts) {
        if (!path.isEmpty())
            path += QLatin1Char('\\');
        path += part;
        const QString folded = fold(path);
        auto it = model.find(folded);
        if (it == model.end())
            it = model.insert(folded, Key{path, {}});
        key = &it.value();
    }
    return *key;
}

std::optional<Value> parseValue(const QString& name, const QJsonValue& entry)
{
    const QJsonObject o = entry.toObject();
    if (o.size() != 1)
        return std::nullopt;
    if (o.contains(QLatin1String("dword"))) {
        const QJsonValue v = o.value(QLatin1String("dword"));
        if (!v.isDouble())
            return std::nullopt;
        const double d = v.toDouble();
        if (d < 0 || d > 4294967295.0 || std::floor(d) != d)
            return std::nullopt;
        return Value{name, true, static_cast<uint32_t>(d), {}};
    }
    if (o.contains(QLatin1String("string"))) {
        const QJsonValue v = o.value(QLatin1String("string"));
        if (!v.isString())
            return std::nullopt;
        return Value{name, false, 0, v.toString()};
    }
    return std::nullopt;
}

// A file that isn't the store's JSON gives nothing; entries it can't understand
// are dropped one by one.
std::optional<Model> parseModel(const QByteArray& bytes)
{
    Model model;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonValue keys = doc.object().value(QLatin1String("keys"));
    if (!keys.isObject())
        return std::nullopt;
    const QJsonObject keyObject = keys.toObject();
    for (auto k = keyObject.begin(); k != keyObject.end(); ++k) {
        const QString path = normaliseKey(k.key());
        if (path.isEmpty())
            continue;
        Key& key = ensureKey(model, path);
        const QJsonObject values = k.value().toObject();
        for (auto v = values.begin(); v != values.end(); ++v) {
            std::optional<Value> value = parseValue(v.key(), v.value());
            const QString folded = fold(v.key());
            if (value && !key.values.contains(folded))
                key.values.insert(folded, *value);
        }
    }
    return model;
}

QByteArray serialise(const Model& model)
{
    QJsonObject keys;
    for (const Key& key : model) {
        QJsonObject values;
        for (const Value& v : key.values) {
            QJsonObject entry;
            if (v.isDWord)
                entry.insert(QLatin1String("dword"), static_cast<double>(v.dword));
            else
                entry.insert(QLatin1String("string"), v.text);
            values.insert(v.name, entry);
        }
        keys.insert(key.path, values);
    }
    QJsonObject root;
    root.insert(QLatin1String("format"), 1);
    root.insert(QLatin1String("keys"), keys);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

struct Snapshot {
    FileSignature signature;
    Model model;
    // A file is there whose values could not be read (not the store's JSON, or no
    // permission); it must not be written over.
    bool unreadable = false;
};

// The signature is taken from the open file, so it belongs to the bytes read even
// when the file is replaced meanwhile. An empty file holds nothing to keep.
Snapshot readFile(const QString& path)
{
    Snapshot snap;
    QFile file(path);
    struct stat st;
    if (!file.open(QIODevice::ReadOnly) || ::fstat(file.handle(), &st) != 0) {
        snap.signature = statPath(path);
        snap.unreadable = snap.signature.exists && QFileInfo(path).isFile();
        return snap;
    }
    snap.signature = signatureOf(st);
    if (!S_ISREG(st.st_mode))
        return snap;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        snap.unreadable = true;
        return snap;
    }
    std::optional<Model> model = parseModel(bytes);
    if (model)
        snap.model = std::move(*model);
    else
        snap.unreadable = !bytes.trimmed().isEmpty();
    return snap;
}

std::function<void(const QString&)>& warningLog()
{
    static std::function<void(const QString&)> log;
    return log;
}

void warn(const QString& text)
{
    qWarning("%s", qPrintable(text));
    if (warningLog())
        warningLog()(text);
}

// Renames an unreadable file to "<file>.unreadable-<date>-<time>" beside it, never
// over another file. The new name; empty when it could not be renamed.
QString keepAside(const QString& path)
{
    const QString stem =
        path + QStringLiteral(".unreadable-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 100; ++n) {
        QString aside = n == 1 ? stem : stem + QStringLiteral("-%1").arg(n);
        if (!QFileInfo::exists(aside) && QFile::rename(path, aside))
            return aside;
    }
    return QString();
}

// Changes within this process are serialised here; the lock file serialises them
// between processes.
std::mutex& writeMutex()
{
    static std::mutex m;
    return m;
}

} // namespace

struct SettingsStore::Cache {
    QMutex mutex;
    bool loaded = false;
    Snapshot snapshot;

    // Caller holds mutex.
    const Model& fresh(const QString& path)
    {
        const FileSignature now = statPath(path);
        if (!loaded || !(now == snapshot.signature)) {
            snapshot = readFile(path);
            loaded = true;
        }
        return snapshot.model;
    }

    void replace(Snapshot s)
    {
        QMutexLocker lock(&mutex);
        snapshot = std::move(s);
        loaded = true;
    }
};

namespace {

// Edits the model; returns whether anything changed.
using Edit = std::function<bool(Model&)>;

const Value* findValue(const Model& model, const QString& key, const QString& name)
{
    const auto k = model.constFind(fold(normaliseKey(key)));
    if (k == model.constEnd())
        return nullptr;
    const auto v = k->values.constFind(fold(name));
    return v == k->values.constEnd() ? nullptr : &v.value();
}

bool setValue(Model& model, const QString& key, const QString& name, Value value)
{
    Key& k = ensureKey(model, normaliseKey(key));
    const QString folded = fold(name);
    auto it = k.values.find(folded);
    if (it == k.values.end()) {
        value.name = name;
        k.values.insert(folded, value);
        return true;
    }
    if (it.value() == value)
        return false;
    value.name = it->name;
    it.value() = value;
    return true;
}

} // namespace

SettingsStore::SettingsStore(QString filePath)
    : m_path(std::move(filePath))
    , m_cache(std::make_unique<Cache>())
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::defaultPath()
{
    QString env = qEnvironmentVariable("PALIMOR_REGISTRY");
    if (!env.isEmpty())
        return env;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QLatin1String("/palimor/registry.json");
}

bool SettingsStore::keyExists(const QString& key) const
{
    const QString path = normaliseKey(key);
    if (path.isEmpty())
        return false;
    QMutexLocker lock(&m_cache->mutex);
    return m_cache->fresh(m_path).contains(fold(path));
}

std::optional<uint32_t> SettingsStore::queryDWord(const QString& key, const QString& name) const
{
    QMutexLocker lock(&m_cache->mutex);
    const Value* v = findValue(m_cache->fresh(m_path), key, name);
    if (!v || !v->isDWord)
        return std::nullopt;
    return v->dword;
}

std::optional<QString> SettingsStore::queryString(const QString& key, const QString& name) const
{
    QMutexLocker lock(&m_cache->mutex);
    const Value* v = findValue(m_cache->fresh(m_path), key, name);
    if (!v || v->isDWord)
        return std::nullopt;
    const qsizetype nul = v->text.indexOf(QChar(0));
    return nul < 0 ? v->text : v->text.left(nul);
}

QStringList SettingsStore::valueNames(const QString& key) const
{
    QStringList names;
    {
        QMutexLocker lock(&m_cache->mutex);
        const Model& model = m_cache->fresh(m_path);
        const auto k = model.constFind(fold(normaliseKey(key)));
        if (k == model.constEnd())
            return names;
        for (const Value& v : k->values)
            names.append(v.name);
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

SettingsFileLock::SettingsFileLock(const QString& storePath)
    : m_path(storePath + QLatin1String(".lock"))
{
}

SettingsFileLock::~SettingsFileLock()
{
    if (m_fd >= 0)
        ::close(m_fd);  // drops the lock
}

bool SettingsFileLock::tryLock(int timeoutMs)
{
    if (m_locked)
        return true;
    if (m_fd < 0) {
        do
            m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0)
            return false;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    m_heldElsewhere = false;
    for (auto pause = std::chrono::milliseconds(1);; pause = std::min(pause * 2, std::chrono::milliseconds(20))) {
        if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
            return m_locked = true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return false;
        if (Clock::now() >= deadline) {
            m_heldElsewhere = true;
            return false;
        }
        std::this_thread::sleep_for(pause);
    }
}

namespace {

// Read-modify-write of the file under both locks. lockGivenUp: an earlier change
// waited for the lock in vain, so this one tries it once only.
bool change(const QString& path, int lockTimeoutMs, bool& lockGivenUp, SettingsStore::Cache& cache, const Edit& edit)
{
    std::lock_guard<std::mutex> inProcess(writeMutex());

    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    SettingsFileLock lock(path);
    if (!lock.tryLock(lockGivenUp ? 0 : lockTimeoutMs)) {
        if (lock.heldElsewhere() && !lockGivenUp) {
            lockGivenUp = true;
            warn(QStringLiteral("The settings file %1 is locked by another program; settings are not written "
                                "while it holds the lock.")
                     .arg(path));
        }
        return false;
    }
    lockGivenUp = false;

    Snapshot snap = readFile(path);
    if (snap.unreadable) {
        const QString aside = keepAside(path);
        if (aside.isEmpty())
            return false;
        warn(QStringLiteral("The settings file %1 could not be read and has been kept as %2; a new one is started.")
                 .arg(path, aside));
    }
    if (!edit(snap.model)) {
        cache.replace(std::move(snap));
        return true;
    }

    // Unbuffered, so that a failed write (a full disk) shows here: the commit would
    // rename a cut-off file into place after a failed flush.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = serialise(snap.model);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return false;

    // Still under the lock, so nobody else has replaced the file since.
    snap.signature = statPath(path);
    cache.replace(std::move(snap));
    return true;
}

} // namespace

bool SettingsStore::createKey(const QString& key)
{
    const QString path = normaliseKey(key);
    if (path.isEmpty())
        return false;
    if (keyExists(path))
        return true;
    return change(m_path, m_lockTimeoutMs, m_lockGivenUp, *m_cache, [&](Model& model) {
        if (model.contains(fold(path)))
            return false;
        ensureKey(model, path);
        return true;
    });
}

bool SettingsStore::setDWord(const QString& key, const QString& name, uint32_t value)
{
    if (normaliseKey(key).isEmpty())
        return false;
    if (queryDWord(key, name) == value)
        return true;
    return change(m_path, m_lockTimeoutMs, m_lockGivenUp, *m_cache, [&](Model& model) {
        return setValue(model, key, name, Value{{}, true, value, {}});
    });
}

bool SettingsStore::setString(const QString& key, const QString& name, const QString& value)
{
    if (normaliseKey(key).isEmpty())
        return false;
    {
        QMutexLocker lock(&m_cache->mutex);
        const Value* v = findValue(m_cache->fresh(m_path), key, name);
        if (v && !v->isDWord && v->text == value)
            return true;
    }
    return change(m_path, m_lockTimeoutMs, m_lockGivenUp, *m_cache, [&](Model& model) {
        return setValue(model, key, name, Value{{}, false, 0, value});
    });
}

namespace {

QString& machinePathOverride()
{
    static QString path;
    return path;
}

std::unique_ptr<SettingsStore>& machineStore()
{
    static std::unique_ptr<SettingsStore> store;
    return store;
}

} // namespace

SettingsStore& machineSettings()
{
    std::unique_ptr<SettingsStore>& store = machineStore();
    if (!store) {
        const QString& path = machinePathOverride();
        store = std::make_unique<SettingsStore>(path.isEmpty() ? SettingsStore::defaultPath() : path);
    }
    return *store;
}

void setSettingsWarningLog(std::function<void(const QString&)> log)
{
    std::lock_guard<std::mutex> inProcess(writeMutex());
    warningLog() = std::move(log);
}

void setMachineSettingsPath(const QString& path)
{
    machinePathOverride() = path;
    std::unique_ptr<SettingsStore>& store = machineStore();
    if (!store)
        return;
    store->m_path = path.isEmpty() ? SettingsStore::defaultPath() : path;
    store->m_cache = std::make_unique<SettingsStore::Cache>();
    store->m_lockTimeoutMs = 5000;
    store->m_lockGivenUp = false;
}

} // namespace platform
