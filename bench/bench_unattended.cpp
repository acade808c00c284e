// The editor's unattended runs on a generated form of 3,000 fields, as the host client
// starts them: open mode "a" (load, fill, save, dump, exit) and open mode "i" (the
// same without a window), each on a fresh copy of the database, whole programs from
// start to end. A generated form opens unchanged, so a third run starts from a copy
// whose field and label positions were cleared: the layout computes them all again
// and the save stores every field. The baseline is the host tool's dump of the same
// form. Goal: each run within 3 times the dump.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <form_generator.h>
#include <host_database.h>
#include <sqlite3.h>

#include "bench_ratio.h"

#include <cstdio>
#include <memory>

namespace {

constexpr int kFields = 3000;

struct Setup {
    QTemporaryDir dir;
    QString pristine;  // the database as generated
    QString cleared;   // the same with the positions of the form's fields cleared
    QString work;      // the copy each run stores into
    QString identity;  // package/module/form/language/version/release/customer
    QString record;    // the start record without its open mode
    QProcessEnvironment env;
    bool ok = false;
};

QString padded(const QString& text, int width) { return text.leftJustified(width, u' ', true); }

Setup& setup()
{
    static Setup s;
    static bool made = false;
    if (made)
        return s;
    made = true;
    s.pristine = s.dir.filePath(QStringLiteral("generated.sqlite"));
    s.cleared = s.dir.filePath(QStringLiteral("cleared.sqlite"));
    s.work = s.dir.filePath(QStringLiteral("host.sqlite"));
    QString why;
    if (!host::HostDatabase::create(s.pristine, true, &why)) {
        std::fprintf(stderr, "cannot create the host database: %s\n", qPrintable(why));
        return s;
    }
    {
        std::unique_ptr<host::HostDatabase> db = host::HostDatabase::open(s.pristine, &why);
        host::GenerateOptions options;
        options.fields = kFields;
        const std::optional<host::FormIdentity> f = db ? host::generateForm(*db, options, &why) : std::nullopt;
        if (!f) {
            std::fprintf(stderr, "cannot generate the form: %s\n", qPrintable(why));
            return s;
        }
        s.identity = QStringList{f->package, f->module, f->formCode, f->language, f->version, f->release, f->customer}
                         .join(u'/');
        s.record = padded(f->package, 2) + u' ' + padded(f->module, 3) + u' ' + padded(f->formCode, 9) + u' '
                   + f->language + u' ' + f->language + u' ' + f->language + u' ' + padded(f->version, 4) + u' '
                   + padded(f->release, 2) + u' ' + padded(f->customer, 4) + u' ' + padded(QString(), 8)
                   + QStringLiteral("  1");
    }
    if (!QFile::copy(s.pristine, s.cleared))
        return s;
    {
        std::unique_ptr<host::HostDatabase> db = host::HostDatabase::open(s.cleared, &why);
        const char* clear[] = {"UPDATE qxzrn301 SET xpos = 0, ypos = 0", "UPDATE qxzrn308 SET lxpo = 0, xend = 0"};
        for (const char* sql : clear)
            if (!db || sqlite3_exec(db->handle(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
                std::fprintf(stderr, "cannot clear the positions\n");
                return s;
            }
    }
    s.env = QProcessEnvironment::systemEnvironment();
    if (!s.env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        s.env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    s.env.insert(QStringLiteral("PALIMOR_HOST_DB"), s.work);
    for (const char* name : {"PALIMOR_REGISTRY", "PALIMOR_USER_SETTINGS"})
        s.env.insert(QLatin1String(name), s.dir.filePath(QLatin1String(name) + QStringLiteral(".json")));
    for (const char* name : {"PALIMOR_LOG_DIR", "PALIMOR_HOST_DUMP_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                             "XDG_RUNTIME_DIR"})
        s.env.insert(QLatin1String(name), s.dir.filePath(QLatin1String(name)));
    s.ok = true;
    return s;
}

QString program(const char* name) { return QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/") + QLatin1String(name); }

// Runs the program to its end; false unless it ended by itself with status 0.
bool run(const QString& path, const QStringList& arguments, qint64* outputSize = nullptr)
{
    QProcess p;
    p.setProcessEnvironment(setup().env);
    p.start(path, arguments);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s ended badly: %s\n", qPrintable(path), p.readAllStandardError().constData());
        return false;
    }
    const QByteArray out = p.readAllStandardOutput();
    if (outputSize)
        *outputSize = out.size();
    return true;
}

bool freshCopy(const Setup& s, bool cleared = false)
{
    QFile::remove(s.work);
    return QFile::copy(cleared ? s.cleared : s.pristine, s.work);
}

void BM_UnattendedRun(benchmark::State& state)
{
    Setup& s = setup();
    // 0: mode "a", 1: mode "i", 2: mode "a" storing every field.
    const QString mode = state.range(0) == 1 ? QStringLiteral("i") : QStringLiteral("a");
    const bool cleared = state.range(0) == 2;
    if (!s.ok) {
        state.SkipWithError("no database");
        return;
    }
    const QString record = s.record + mode + QStringLiteral(",Generated form");
    for (auto _ : state) {
        state.PauseTiming();
        if (!freshCopy(s, cleared)) {
            state.SkipWithError("the database could not be copied");
            return;
        }
        state.ResumeTiming();
        if (!run(program("palimor"), {record})) {
            state.SkipWithError("the run failed");
            return;
        }
    }
    state.SetLabel(qPrintable(QStringLiteral("mode ") + mode + (cleared ? QStringLiteral(", every field stored") : QString())));
}
BENCHMARK(BM_UnattendedRun)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DumpTool(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.ok || !freshCopy(s)) {
        state.SkipWithError("no database");
        return;
    }
    qint64 size = 0;
    for (auto _ : state)
        if (!run(program("palimor-host"), {QStringLiteral("dump"), s.work, s.identity}, &size) || size == 0) {
            state.SkipWithError("the dump failed");
            return;
        }
}
BENCHMARK(BM_DumpTool)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv, {}, [](const RatioReporter& r) {
        printRatio(r, "unattended save-and-exit of 3,000 fields, mode a / dump", "BM_UnattendedRun/0/real_time",
                   "BM_DumpTool/real_time", 3);
        printRatio(r, "unattended save-and-exit of 3,000 fields, mode i / dump", "BM_UnattendedRun/1/real_time",
                   "BM_DumpTool/real_time", 3);
        printRatio(r, "unattended save-and-exit of 3,000 fields, mode a storing every field / dump",
                   "BM_UnattendedRun/2/real_time", "BM_DumpTool/real_time", 3);
    });
}
