// The start record on the command line, its bytes read into the form identity as the
// editor's start does. An identity the start accepts for the host's queries holds no
// control character and was read from text only, and makes a key condition the local
// host's query parser reads.
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
    platform::setCommandLineFromArguments({QByteArray(reinterpret_cast<const char*>(data), qsizetype(size))});
    mReadStartParameters();
    FUZZ_CHECK(gsTable.isEmpty() || gsTable.size() == 8);

    QString reason;
    if (!gbFormIdentityUsable(reason)) {
        FUZZ_CHECK(!reason.isEmpty());
        return 0;
    }
    for (const QString& value : {gsPackage.str(), gsModule.str(), gsFormCode, gsDesignLanguage.str(), gsVersion.str(),
                                 gsRelease.str(), gsCustomer.str()})
        for (const QChar c : value)
            FUZZ_CHECK(!gbIsControlCharacter(c));
    // Only the separators, the user language and what follows the customer may hold them.
    const QList<qsizetype> notIdentity{2, 6, 16, 18, 20, 21, 22, 27, 30};
    for (const platform::UndecodableByte& b : platform::undecodableBytes())
        FUZZ_CHECK(b.index >= 35 || notIdentity.contains(b.index));
    const QString table = QStringLiteral("qxzrn301");
    QString why;
    FUZZ_CHECK(host::query::parseQuery(table + QStringLiteral(".fldn"), table, gsFormKeyWhere(table, 7),
                                       QString(), &why));
    return 0;
}
