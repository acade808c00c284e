#include "Process.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

QString g_commandLine;
QString g_programDirectory;

std::function<void(int)>& endHandler()
{
    static std::function<void(int)> handler;
    return handler;
}

[[noreturn]] void exitNow(int status)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(status);
}

} // namespace

QString commandLine() { return g_commandLine; }

void setCommandLine(const QString& line) { g_commandLine = line; }

void setCommandLineFromArguments(const QStringList& argumentsAfterProgram)
{
    g_commandLine = argumentsAfterProgram.join(QLatin1Char(' '));
}

QString programDirectory()
{
    if (!g_programDirectory.isEmpty())
        return g_programDirectory;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return {};
}

void setProgramDirectory(const QString& dir) { g_programDirectory = dir; }

void endProgram(int status)
{
    if (const std::function<void(int)> handler = endHandler())
        handler(status);
    exitNow(status);
}

void setEndProgramHandler(std::function<void(int)> handler) { endHandler() = std::move(handler); }

void resetProcess()
{
    g_commandLine.clear();
    g_programDirectory.clear();
    endHandler() = nullptr;
}

} // namespace platform
