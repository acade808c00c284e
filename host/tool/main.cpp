// palimor-host: creates and inspects the local host's database.
#include "commands.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

const char kUsage[] =
    "Usage: palimor-host COMMAND [ARGUMENTS]\n"
    "\n"
    "Creates and inspects the database of the local host.\n"
    "\n"
    "Commands:\n"
    "  init PATH                  create a database with the demo data at PATH\n"
    "  generate PATH --fields N   add a synthetic form of N fields (1 to 3200) in nested groups\n"
    "  table PATH --columns N     add a synthetic table of N columns (1 to 3000)\n"
    "  dump PATH FORM             print the design rows of a form as stable text\n"
    "\n"
    "Run \"palimor-host COMMAND --help\" for the arguments of one command.\n";

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("palimor-host"));
    const QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);

    if (args.isEmpty()) {
        err << kUsage;
        return 2;
    }
    const QString& command = args.first();
    const QStringList rest = args.mid(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        out << kUsage;
        return 0;
    }
    if (command == QLatin1String("init"))
        return runInit(rest);
    if (command == QLatin1String("generate"))
        return runGenerate(rest);
    if (command == QLatin1String("table"))
        return runTable(rest);
    if (command == QLatin1String("dump"))
        return runDump(rest);
    err << "palimor-host: unknown command \"" << command << "\"\n\n" << kUsage;
    return 2;
}
