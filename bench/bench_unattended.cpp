// The editor's unattended runs on a generated form of 3,000 fields, as the host client
// starts them: open mode "a" (load, fill, save, dump, exit) and open mode "i" (the
// same without a window), each on a fresh copy of the database, whole programs from
// start to end. A generated form opens unchanged, so a third run starts from a copy
// whose field and label positions were cleared: the layout computes them all again
// and the save stores every field. The baseline is the host tool's dump of the same
// form. Goals: each run within 3 times the dump, and within 2 times its peak memory
// (the resident set at its largest).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <form_generator.h>
#include <host_database.h>
#include <sqlite3.h>

#include "bench_ratio.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

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

// What one run of a program gave.
struct Ran {
    bool ok = false;        // it ended by itself with status 0
    double peakMb = 0;      // its largest resident set
    qint64 outputSize = 0;  // the bytes it wrote to standard output
};

// Runs the program to its end, its output to files in the folder. Spawned and waited
// for here, not through QProcess, for the kernel's account of the child's memory.
Ran run(const QString& path, const QStringList& arguments)
{
    const Setup& s = setup();
    std::vector<QByteArray> bytes{QFile::encodeName(path)};
    for (const QString& a : arguments)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes;
    for (const QString& e : s.env.toStringList())
        envBytes.push_back(e.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const QByteArray out = QFile::encodeName(s.dir.filePath(QStringLiteral("stdout.txt")));
    const QByteArray err = QFile::encodeName(s.dir.filePath(QStringLiteral("stderr.txt")));
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    Ran ran;
    if (spawned != 0) {
        std::fprintf(stderr, "%s could not be started\n", qPrintable(path));
        return ran;
    }
    // A run that hangs is stopped after two minutes.
    std::mutex m;
    std::condition_variable ended;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(m);
        if (!ended.wait_for(lock, std::chrono::minutes(2), [&] { return done; }))
            ::kill(pid, SIGKILL);
    });
    int status = 0;
    struct rusage usage {};
    const pid_t waited = ::wait4(pid, &status, 0, &usage);
    {
        std::lock_guard<std::mutex> lock(m);
        done = true;
    }
    ended.notify_one();
    watchdog.join();
    ran.ok = waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    ran.peakMb = double(usage.ru_maxrss) / 1024;  // kilobytes
    ran.outputSize = QFileInfo(QString::fromLocal8Bit(out)).size();
    if (!ran.ok) {
        QFile errors(QString::fromLocal8Bit(err));
        errors.open(QIODevice::ReadOnly);
        std::fprintf(stderr, "%s ended badly: %s\n", qPrintable(path), errors.readAll().constData());
    }
    return ran;
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
    double peakMb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!freshCopy(s, cleared)) {
            state.SkipWithError("the database could not be copied");
            return;
        }
        state.ResumeTiming();
        const Ran ran = run(program("palimor"), {record});
        if (!ran.ok) {
            state.SkipWithError("the run failed");
            return;
        }
        peakMb = std::max(peakMb, ran.peakMb);
    }
    state.counters["peak_MB"] = peakMb;
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
    double peakMb = 0;
    for (auto _ : state) {
        const Ran ran = run(program("palimor-host"), {QStringLiteral("dump"), s.work, s.identity});
        if (!ran.ok || ran.outputSize == 0) {
            state.SkipWithError("the dump failed");
            return;
        }
        peakMb = std::max(peakMb, ran.peakMb);
    }
    state.counters["peak_MB"] = peakMb;
}
BENCHMARK(BM_DumpTool)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    return runCoreBenchmarks(argc, argv, {}, [](const RatioReporter& r) {
        const std::pair<const char*, const char*> runs[] = {
            {"mode a", "BM_UnattendedRun/0/real_time"},
            {"mode i", "BM_UnattendedRun/1/real_time"},
            {"mode a storing every field", "BM_UnattendedRun/2/real_time"}};
        const std::string dump = "BM_DumpTool/real_time";
        for (const auto& [mode, name] : runs)
            printRatio(r, std::string("unattended save-and-exit of 3,000 fields, ") + mode + " / dump", name, dump, 3);
        for (const auto& [mode, name] : runs) {
            const double peak = r.median(name, "peak_MB");
            const double dumpPeak = r.median(dump, "peak_MB");
            char what[200];
            std::snprintf(what, sizeof what,
                          "peak memory of the unattended save of 3,000 fields, %s (%.1f MB) / dump (%.1f MB)", mode,
                          peak, dumpPeak);
            printRatioOf(what, peak, dumpPeak, 2);
        }
    });
}
