// Host functions of the start-up: the DLL's version and the program-script level.
#include "dispatcher.h"
#include "functions.h"
#include "host_error.h"
#include "sqlite_util.h"

namespace host {

namespace {

QString metaValue(sqlite3* db, const QString& key)
{
    Statement st(db, QStringLiteral("SELECT value FROM host_meta WHERE key = ?1"));
    st.bind(1, key);
    if (!st.step())
        throw HostError(kErrDatabase, QStringLiteral("host_meta has no \"%1\"").arg(key));
    return st.text(0);
}

// init.dllextint(toolsVersion, bytesPerChar, "dllVersion")
// The version text is returned whole, whatever the width of the placeholder: the
// caller reads its first and its last three characters.
void initDllExtInt(CallContext& c)
{
    c.requireCount(3);
    c.number(1);  // the tools version: checked for its kind, not used
    c.number(2);
    c.text(3);
    const QString bytes = metaValue(c.handle(), QStringLiteral("bytes_per_char"));
    bool ok = false;
    const int64_t bytesPerChar = bytes.trimmed().toLongLong(&ok);
    if (!ok || bytesPerChar < 1)
        throw HostError(kErrDatabase, QStringLiteral("host_meta bytes_per_char is \"%1\"").arg(bytes));
    c.setNumber(2, bytesPerChar);
    c.setText(3, metaValue(c.handle(), QStringLiteral("dll_version")));
    c.setReturnValue(int64_t(0));
}

// get.script.tiv("package", "module", "session"): the level of the session's program
// script, 0 when it has none. Of several versions of the script the highest level counts.
void getScriptTiv(CallContext& c)
{
    c.requireCount(3);
    Statement st(c.handle(), QStringLiteral("SELECT max(tivn) FROM qxzrn230"
                                            " WHERE trim(cpac) = ?1 AND trim(cmod) = ?2 AND trim(cprs) = ?3"));
    st.bind(1, c.trimmedText(1)).bind(2, c.trimmedText(2)).bind(3, c.trimmedText(3));
    const int64_t level = st.step() && !st.isNull(0) ? st.int64(0) : 0;
    c.setReturnValue(level);
}

} // namespace

void registerVersionFunctions(Dispatcher& d)
{
    d.add(kObjectDllExtInt, QStringLiteral("init.dllextint("), initDllExtInt);
    d.add(kObjectDllExtInt, QStringLiteral("get.script.tiv("), getScriptTiv);
}

} // namespace host
