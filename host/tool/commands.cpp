#include "commands.h"

#include "form_check.h"
#include "form_dump.h"
#include "form_generator.h"
#include "form_identity.h"
#include "host_database.h"
#include "host_error.h"

#include <QFileInfo>
#include <QHash>
#include <QTextStream>
#include <QThread>

#include <cstdio>

namespace {

constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

// Makes init and generate slow, so that a test can kill them half-way. Not in --help.
const QString kSlowOption = QStringLiteral("--slow-for-tests");

const char kInitHelp[] =
    "Usage: palimor-host init PATH\n"
    "\n"
    "Creates a new database at PATH from the schema and the demo data. PATH must not\n"
    "exist yet; the file appears only when it is complete. The work is done in a file of\n"
    "a unique name beside PATH, removed again should init fail.\n";

const char kGenerateHelp[] =
    "Usage: palimor-host generate PATH --fields N\n"
    "\n"
    "Adds a synthetic form of N fields (1 to 3200) in nested groups to the database at\n"
    "PATH and prints its identity. The form is added in one transaction: when anything\n"
    "fails, the database keeps what it held.\n";

const char kTableHelp[] =
    "Usage: palimor-host table PATH --columns N\n"
    "\n"
    "Adds a synthetic table of N columns (1 to 3000) to the database at PATH and prints\n"
    "its code (tegen001, tegen002, ...). Its first column is the key; the others take the\n"
    "demo domains in turn and every tenth refers to the item groups. A form whose session\n"
    "runs on the table lists its columns in the table-field picker.\n";

const char kDumpHelp[] =
    "Usage: palimor-host dump PATH FORM [--package P] [--module M] [--language L]\n"
    "                          [--version V] [--release R] [--customer C]\n"
    "\n"
    "Prints the design rows of one form of the database at PATH, one row a line.\n"
    "\n"
    "FORM is a whole form identity, package/module/form/language/version/release/customer,\n"
    "for example te/kwy/simpled/2/7.6/a3/dev (the standard customer is empty, as in\n"
    "qx/zrn/form1/2/7.6/a3/), or a form code alone, which must then name exactly one form;\n"
    "the options narrow a form code down. The output starts with \"form \" and the identity;\n"
    "then one line a row: the table code and column=value for each column.\n"
    "\n"
    "The database is only read: dump creates, updates and changes nothing, and refuses a\n"
    "file that is not a host database of this program's schema.\n";

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString& text, int status = kFailed)
{
    err() << "palimor-host: " << text << '\n';
    err().flush();
    return status;
}

struct Arguments {
    QStringList positional;
    QHash<QString, QString> options;  // by name without the dashes
    bool help = false;
    bool slow = false;
    QString error;
};

// Splits args into positional arguments and the named options, each with a value
// ("--name value" or "--name=value").
Arguments parseArguments(const QStringList& args, const QStringList& valueOptions)
{
    Arguments a;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            a.help = true;
            continue;
        }
        if (arg == kSlowOption) {
            a.slow = true;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--")) {
            a.positional.append(arg);
            continue;
        }
        QString name = arg.mid(2);
        QString value;
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        } else if (valueOptions.contains(name)) {
            if (i + 1 >= args.size()) {
                a.error = QStringLiteral("option --%1 needs a value").arg(name);
                return a;
            }
            value = args.at(++i);
        }
        if (!valueOptions.contains(name)) {
            a.error = QStringLiteral("unknown option --%1").arg(name);
            return a;
        }
        a.options.insert(name, value);
    }
    return a;
}

// Checks the argument count; prints help or the usage error. Returns -1 to go on.
int checkUsage(const Arguments& a, int positional, const char* help)
{
    if (a.help) {
        out() << help;
        out().flush();
        return 0;
    }
    if (!a.error.isEmpty())
        return fail(a.error + QStringLiteral("\n\n") + QLatin1String(help), kBadUsage);
    if (a.positional.size() != positional) {
        return fail(QStringLiteral("expected %1 argument(s), got %2\n\n%3")
                        .arg(positional)
                        .arg(a.positional.size())
                        .arg(QLatin1String(help)),
                    kBadUsage);
    }
    return -1;
}

// The value of a required count option ("--name N", 1 to most); a missing or bad value
// is reported with the command's help (status set, nothing returned).
std::optional<int> countOption(const Arguments& a, const char* command, const QString& name, int most,
                               const char* help, const QString& why, int& status)
{
    if (!a.options.contains(name)) {
        status = fail(QStringLiteral("%1 needs --%2 N\n\n%3").arg(QLatin1String(command), name, QLatin1String(help)),
                      kBadUsage);
        return std::nullopt;
    }
    bool number = false;
    const int n = a.options.value(name).toInt(&number);
    if (!number || n < 1 || n > most) {
        status = fail(QStringLiteral("--%1 takes a number from 1 to %2, not \"%3\"%4")
                          .arg(name)
                          .arg(most)
                          .arg(a.options.value(name), why),
                      kBadUsage);
        return std::nullopt;
    }
    return n;
}

std::unique_ptr<host::HostDatabase> openExisting(const QString& path, bool readOnly, QString* why)
{
    if (!QFileInfo(path).isFile()) {
        *why = QFileInfo::exists(path) ? QStringLiteral("%1 is not a file").arg(path)
                                       : QStringLiteral("%1 does not exist").arg(path);
        return nullptr;
    }
    return readOnly ? host::HostDatabase::openReadOnly(path, why) : host::HostDatabase::open(path, why);
}

// Prints the one form pattern names. Throws HostError when the database cannot be read.
int dump(host::HostDatabase& db, const QString& path, const QString& formText, const host::FormIdentity& pattern,
         bool anyCustomer)
{
    QString why;
    const QList<host::FormIdentity> found = host::findForms(db.handle(), pattern, anyCustomer);
    if (found.isEmpty())
        return fail(QStringLiteral("no form \"%1\" in %2").arg(formText, path));
    if (found.size() > 1) {
        QStringList names;
        for (const host::FormIdentity& id : found)
            names.append(QStringLiteral("  ") + id.text());
        return fail(QStringLiteral("\"%1\" names %2 forms; give the whole identity or narrow it down:\n%3")
                        .arg(formText)
                        .arg(found.size())
                        .arg(names.join(QLatin1Char('\n'))),
                    kBadUsage);
    }
    const QString text = host::dumpForm(db.handle(), found.first(), &why);
    if (text.isEmpty())
        return fail(why);
    out() << text;
    return 0;
}

} // namespace

int runInit(const QStringList& args)
{
    const Arguments a = parseArguments(args, {});
    if (const int status = checkUsage(a, 1, kInitHelp); status >= 0)
        return status;
    const QString path = a.positional.first();
    if (QFileInfo::exists(path))
        return fail(QStringLiteral("%1 already exists; init makes new databases only").arg(path));
    QString why;
    bool ok = false;
    if (a.slow) {
        // A last script that keeps the database busy for many seconds before it is
        // committed and moved into place.
        QList<host::SqlScript> seeds = host::HostDatabase::seeds(&why);
        seeds.append(host::SqlScript{QStringLiteral("slow"),
                                     QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                                                    "WHERE x < 400000000) SELECT count(*) FROM c;"),
                                     0});
        out() << "creating\n";
        out().flush();
        ok = why.isEmpty() && host::HostDatabase::createFrom(path, host::HostDatabase::migrations(&why), seeds, &why);
    } else {
        ok = host::HostDatabase::create(path, true, &why);
    }
    if (!ok)
        return fail(QStringLiteral("cannot create %1: %2").arg(path, why));
    out() << "created " << path << '\n';
    return 0;
}

int runGenerate(const QStringList& args)
{
    const Arguments a = parseArguments(args, {QStringLiteral("fields")});
    if (const int status = checkUsage(a, 1, kGenerateHelp); status >= 0)
        return status;
    int status = 0;
    const std::optional<int> fields =
        countOption(a, "generate", QStringLiteral("fields"), host::kMaxGeneratedFields, kGenerateHelp,
                    QStringLiteral(": order numbers are 16-bit and renumbered in steps of 10"), status);
    if (!fields)
        return status;
    QString why;
    std::unique_ptr<host::HostDatabase> db = openExisting(a.positional.first(), false, &why);
    if (!db)
        return fail(why);
    host::GenerateOptions options;
    options.fields = *fields;
    if (a.slow) {
        options.afterBatch = [](int done) {
            out() << "generated " << done << " fields\n";
            out().flush();
            QThread::msleep(200);
        };
    }
    const std::optional<host::FormIdentity> id = host::generateForm(*db, options, &why);
    if (!id)
        return fail(QStringLiteral("cannot generate the form: %1").arg(why));
    out() << id->text() << '\n';
    return 0;
}

int runTable(const QStringList& args)
{
    const Arguments a = parseArguments(args, {QStringLiteral("columns")});
    if (const int status = checkUsage(a, 1, kTableHelp); status >= 0)
        return status;
    int status = 0;
    const std::optional<int> columns = countOption(a, "table", QStringLiteral("columns"),
                                                   host::kMaxGeneratedColumns, kTableHelp, QString(), status);
    if (!columns)
        return status;
    QString why;
    std::unique_ptr<host::HostDatabase> db = openExisting(a.positional.first(), false, &why);
    if (!db)
        return fail(why);
    const std::optional<QString> code = host::generateTable(*db, *columns, &why);
    if (!code)
        return fail(QStringLiteral("cannot generate the table: %1").arg(why));
    out() << *code << '\n';
    return 0;
}

int runDump(const QStringList& args)
{
    const QStringList parts = {QStringLiteral("package"), QStringLiteral("module"),  QStringLiteral("language"),
                               QStringLiteral("version"), QStringLiteral("release"), QStringLiteral("customer")};
    const Arguments a = parseArguments(args, parts);
    if (const int status = checkUsage(a, 2, kDumpHelp); status >= 0)
        return status;
    const QString formText = a.positional.at(1);
    host::FormIdentity pattern;
    bool anyCustomer = false;
    if (formText.contains(QLatin1Char('/'))) {
        if (!a.options.isEmpty())
            return fail(QStringLiteral("a whole form identity takes no further options"), kBadUsage);
        QString why;
        const std::optional<host::FormIdentity> id = host::FormIdentity::parse(formText, &why);
        if (!id)
            return fail(why, kBadUsage);
        pattern = *id;
    } else {
        pattern.formCode = formText;
        pattern.package = a.options.value(QStringLiteral("package"));
        pattern.module = a.options.value(QStringLiteral("module"));
        pattern.language = a.options.value(QStringLiteral("language"));
        pattern.version = a.options.value(QStringLiteral("version"));
        pattern.release = a.options.value(QStringLiteral("release"));
        pattern.customer = a.options.value(QStringLiteral("customer"));
        // The standard customer is the empty one, so only a missing option matches all.
        anyCustomer = !a.options.contains(QStringLiteral("customer"));
    }
    QString why;
    std::unique_ptr<host::HostDatabase> db = openExisting(a.positional.first(), true, &why);
    if (!db)
        return fail(why);
    // Another program may hold the database past the wait for its lock.
    try {
        return dump(*db, a.positional.first(), formText, pattern, anyCustomer);
    } catch (const host::HostError& e) {
        return fail(QStringLiteral("cannot read %1: %2").arg(a.positional.first(), e.message()));
    }
}
