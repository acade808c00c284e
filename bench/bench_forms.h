#pragma once
// One local host database with a generated form of each benchmark size, shared by the
// benchmarks of a program, and the editor's settings pointed at a temporary folder.
#include "form_generator.h"
#include "form_identity.h"
#include "host_database.h"
#include "sqlite_util.h"
#include "mod_DataSets.h"
#include "mod_Enumerate.h"
#include "mod_VrokGlobal.h"
#include "mod_VrokInterface.h"
#include "mod_Velq.h"
#include "mod_DesignDefinitions.h"
#include "mod_Palimor.h"
#include "Process.h"
#include "SettingsStore.h"
#include "UserSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <memory>
#include <optional>

namespace {

constexpr int kSizes[] = {300, 2000, 3000};

// The baselines' rows of one form: ?1..?7 bound by bindForm.
const char kFormWhere[] = " WHERE clan = ?1 AND cpac = ?2 AND vers = ?3 AND rele = ?4 AND cust = ?5"
                          " AND cmod = ?6 AND cfrm = ?7";

inline void bindForm(host::Statement& st, const host::FormIdentity& f)
{
    st.bind(1, f.language).bind(2, f.package).bind(3, f.version).bind(4, f.release).bind(5, f.customer);
    st.bind(6, f.module).bind(7, f.formCode);
}

// One database with a generated form of each size, shared by every benchmark.
struct Setup {
    QTemporaryDir dir;
    QString database;
    QString generated;  // a copy of the database as generated
    std::map<int, host::FormIdentity> forms;
    bool ok = false;
};

inline Setup& setup()
{
    static Setup s;
    static bool made = false;
    if (made)
        return s;
    made = true;
    s.database = s.dir.filePath(QStringLiteral("host.sqlite"));
    QString why;
    if (!host::HostDatabase::create(s.database, true, &why)) {
        std::fprintf(stderr, "cannot create the host database: %s\n", qPrintable(why));
        return s;
    }
    {
        std::unique_ptr<host::HostDatabase> db = host::HostDatabase::open(s.database, &why);
        for (const int fields : kSizes) {
            host::GenerateOptions options;
            options.fields = fields;
            const std::optional<host::FormIdentity> id = db ? host::generateForm(*db, options, &why) : std::nullopt;
            if (!id) {
                std::fprintf(stderr, "cannot generate a form: %s\n", qPrintable(why));
                return s;
            }
            s.forms[fields] = *id;
        }
    }
    s.generated = s.dir.filePath(QStringLiteral("generated.sqlite"));
    if (!QFile::copy(s.database, s.generated)) {
        std::fprintf(stderr, "cannot copy the host database\n");
        return s;
    }
    qputenv("PALIMOR_HOST_DB", s.database.toLocal8Bit());
    platform::setMachineSettingsPath(s.dir.filePath(QStringLiteral("registry.json")));
    platform::setUserSettingsPath(s.dir.filePath(QStringLiteral("user-settings.json")));
    platform::setCommandLine(QStringLiteral("te kwy gen00001d 2 2 2 7.6  a3 dev          1"));
    s.ok = true;
    return s;
}

// The database as generated again, for a benchmark whose runs change it: each run then
// starts from the same rows, whichever ran before. The editor's link is closed first;
// no other connection may be open.
inline bool restoreDatabase()
{
    Setup& s = setup();
    goVrokApp.reset();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(s.database + QLatin1String(suffix));
    return s.ok && QFile::copy(s.generated, s.database);
}

// The editor connected and ready to load the form, as the start-up leaves it.
inline bool startEditor(const host::FormIdentity& form)
{
    resetPalimor();
    resetDataSets();
    resetVelq();
    resetDesignDefinitions();
    resetVrokInterface();
    goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
    gsPackage = form.package;
    gsModule = form.module;
    gsFormCode = form.formCode;
    gsLanguage = form.language;
    gsDesignLanguage = form.language;
    gsUserLanguage = form.language;
    gsVersion = form.version;
    gsRelease = form.release;
    gsCustomer = form.customer;
    glFormVersionLevel = 11;
    gInitFormDataSets();
    gInitDataSets();
    gENUM_FillEnums();
    glObjectSet301 = glOpenObjectSet(QStringLiteral("qxzrn301"));
    return glObjectSet301 > 0;
}

} // namespace
