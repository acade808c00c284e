// The start record on the command line, read into the form identity as the editor's
// start does. An identity the start accepts for the host's queries makes a key
// condition the local host's query parser reads.
#include "FuzzInput.h"

#include <QTemporaryDir>

#include "mod_VrokGlobal.h"
#include "CoreHooks.h"
#include "mod_DesignDefinitions.h"
#include "Dialogs.h"
#include "Process.h"
#include "SettingsStore.h"
#include "query_parser.h"

namespace {

bool setUp()
{
    static QTemporaryDir dir;
    installCoreHooks();
    platform::setMachineSettingsPath(dir.filePath(QStringLiteral("registry.json")));
    platform::installScriptedDialogs();
    return dir.isValid();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = setUp();
    FUZZ_CHECK(ready);
    resetVrokGlobal();
    platform::setCommandLine(fuzz::text(data, size));
    mReadStartParameters();
    FUZZ_CHECK(gsTable.isEmpty() || gsTable.size() == 8);

    QString reason;
    if (!gbFormIdentityUsable(reason)) {
        FUZZ_CHECK(!reason.isEmpty());
        return 0;
    }
    const QString table = QStringLiteral("qxzrn301");
    QString why;
    FUZZ_CHECK(host::query::parseQuery(table + QStringLiteral(".fldn"), table, gsFormKeyWhere(table, 7),
                                       QString(), &why));
    return 0;
}
