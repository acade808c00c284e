// Host functions of the start-up (the DLL's version, the program-script level) and of
// the package versions (development versions and their origins, qxscm100).
#include "dispatcher.h"
#include "functions.h"
#include "query_engine.h"
#include "host_error.h"
#include "sqlite_util.h"

#include <optional>

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
    // Only a value the host's own functions work with.
    c.setNumber(2, hostBytesPerChar(c.handle()));
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

// The qxscm100 row of a version; the four texts from position 1.
std::optional<Statement> packageVersion(CallContext& c, const QString& columns)
{
    Statement st(c.handle(), QStringLiteral("SELECT %1 FROM qxscm100"
                                            " WHERE trim(cpac) = ?1 AND trim(vers) = ?2 AND trim(rele) = ?3"
                                            " AND trim(cust) = ?4")
                                 .arg(columns));
    for (int p = 1; p <= 4; ++p)
        st.bind(p, c.trimmedText(p));
    if (!st.step())
        return std::nullopt;
    return st;
}

// qxscm.dll.comm.is.dev.vrc("package","vers","rele","cust"): 1 for a development
// version, 0 for any other and for an unknown one.
void isDevVrc(CallContext& c)
{
    c.requireCount(4);
    const auto row = packageVersion(c, QStringLiteral("devl"));
    c.setReturnValue(int64_t(row && row->int64(0) == 1 ? 1 : 0));
}

// qxscm.dll.comm.get.orig.vrc("package","vers","rele","cust","orpa","orve","orre","orcu"):
// the origin padded to the placeholders; an unknown version is its own origin (1).
void getOrigVrc(CallContext& c)
{
    c.requireCount(8);
    const auto row = packageVersion(c, QStringLiteral("orpa, orve, orre, orcu"));
    for (int i = 0; i < 4; ++i) {
        const QString value = row ? trimBlanks(row->text(i)) : c.trimmedText(1 + i);
        c.setText(5 + i, value.leftJustified(c.text(5 + i).size(), QLatin1Char(' ')));
    }
    c.setReturnValue(int64_t(row ? 0 : 1));
}

} // namespace

void registerVersionFunctions(Dispatcher& d)
{
    d.add(kObjectScmComm, QStringLiteral("qxscm.dll.comm.is.dev.vrc("), isDevVrc);
    d.add(kObjectScmComm, QStringLiteral("qxscm.dll.comm.get.orig.vrc("), getOrigVrc);
    d.add(kObjectDllExtInt, QStringLiteral("init.dllextint("), initDllExtInt);
    d.add(kObjectDllExtInt, QStringLiteral("get.script.tiv("), getScriptTiv);
}

} // namespace host
