#pragma once
// The process: its start record and how it ends.
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// The arguments after the program name joined by single blanks.
QString commandLine();
void setCommandLine(const QString& line);
void setCommandLineFromArguments(const QStringList& argumentsAfterProgram);

// The program's own directory (where the executable lies).
QString programDirectory();
void setProgramDirectory(const QString& dir);

// Ends the program at once with the status. The handler can be replaced (tests throw
// ProgramEnded instead of leaving the process).
[[noreturn]] void endProgram(int status);
void setEndProgramHandler(std::function<void(int)> handler);

struct ProgramEnded {
    int status;
};

} // namespace platform
