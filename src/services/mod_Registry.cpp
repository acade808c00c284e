#include "mod_Registry.h"

#include <QHash>

#include "Dialogs.h"
#include "SettingsStore.h"
#include "mod_Global.h"

namespace {

QHash<int32_t, QString> g_openKeys;
int32_t g_nextHandle = 0x100;
bool g_failureShown = false;

int32_t openHandle(const QString& path)
{
    const int32_t h = g_nextHandle++;
    if (g_nextHandle <= 0)
        g_nextHandle = 0x100;
    g_openKeys.insert(h, path);
    return h;
}

// Once a run: a store that cannot be written fails every write after, dozens in a
// session; the later failures are only logged.
void reportFailedWrite(const QString& name)
{
    const QString text = QStringLiteral("Could't set Registry Entry");
    if (g_failureShown) {
        gWriteLog(text + QStringLiteral(": ") + name);
        return;
    }
    g_failureShown = true;
    platform::dialogs().messageBox(text, platform::MbOk | platform::MbIconExclamation, platform::applicationTitle());
}

} // namespace

bool mbRegCreateKey(int32_t root, const QString& key, const QString& subkey, int32_t& hKey)
{
    if (key.isEmpty())
        return false;
    QString sub = subkey;
    if (sub.startsWith(QLatin1Char('\\')))
        sub.remove(0, 1);
    const QString path = sub.isEmpty() ? key : key + QLatin1Char('\\') + sub;
    if (root != HKEY_LOCAL_MACHINE || !platform::machineSettings().createKey(path)) {
        reportFailedWrite(path);
        return false;
    }
    hKey = openHandle(path);
    return true;
}

bool mbRegOpenKey(int32_t root, const QString& key, int32_t& hKey)
{
    if (root != HKEY_LOCAL_MACHINE || key.isEmpty() || !platform::machineSettings().keyExists(key))
        return false;
    hKey = openHandle(key);
    return true;
}

bool mbRegCloseKey(int32_t hKey) { return g_openKeys.remove(hKey) > 0; }

bool mbRegQueryDWord(int32_t hKey, const QString& name, int32_t& value)
{
    const auto it = g_openKeys.constFind(hKey);
    if (it == g_openKeys.constEnd())
        return false;
    const std::optional<uint32_t> v = platform::machineSettings().queryDWord(*it, name);
    if (!v)
        return false;
    value = int32_t(*v);
    return true;
}

bool mbRegQueryString(int32_t hKey, const QString& name, QString& value)
{
    const auto it = g_openKeys.constFind(hKey);
    if (it == g_openKeys.constEnd())
        return false;
    const std::optional<QString> v = platform::machineSettings().queryString(*it, name);
    if (!v)
        return false;
    value = gsCutAtNul(*v);
    return true;
}

bool mbRegSetDWord(int32_t hKey, const QString& name, int32_t value)
{
    const auto it = g_openKeys.constFind(hKey);
    if (it == g_openKeys.constEnd() || !platform::machineSettings().setDWord(*it, name, uint32_t(value))) {
        reportFailedWrite(name);
        return false;
    }
    return true;
}

bool mbRegSetString(int32_t hKey, const QString& name, const QString& value)
{
    const auto it = g_openKeys.constFind(hKey);
    if (it == g_openKeys.constEnd() || !platform::machineSettings().setString(*it, name, value)) {
        reportFailedWrite(name);
        return false;
    }
    return true;
}

int32_t glGetRegDWord(int32_t root, const QString& key, const QString& name, const QString& defaultValue)
{
    int32_t result = valueOfText<int32_t>(defaultValue);
    int32_t h = 0;
    if (mbRegOpenKey(root, key, h)) {
        int32_t stored = 0;
        if (mbRegQueryDWord(h, name, stored))
            result = stored;
        mbRegCloseKey(h);
    }
    return result;
}

QString gsGetRegString(int32_t root, const QString& key, const QString& name, const QString& defaultValue)
{
    QString result = defaultValue;
    int32_t h = 0;
    if (mbRegOpenKey(root, key, h)) {
        QString stored;
        if (mbRegQueryString(h, name, stored))
            result = stored;
        mbRegCloseKey(h);
    }
    return result;
}

bool gbSaveRegDWord(int32_t root, const QString& key, const QString& name, int32_t value)
{
    int32_t h = 0;
    if (!mbRegCreateKey(root, key, QString(), h))
        return false;
    const bool ok = mbRegSetDWord(h, name, value);
    mbRegCloseKey(h);
    return ok;
}

bool gbSaveRegString(int32_t root, const QString& key, const QString& name, const QString& value)
{
    int32_t h = 0;
    if (!mbRegCreateKey(root, key, QString(), h))
        return false;
    const bool ok = mbRegSetString(h, name, value);
    mbRegCloseKey(h);
    return ok;
}

int openRegistryHandles() { return int(g_openKeys.size()); }

void resetRegistry()
{
    g_openKeys.clear();
    g_nextHandle = 0x100;
    g_failureShown = false;
}
