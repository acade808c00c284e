#pragma once
// The process: its start record and how it ends.
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

// The arguments after the program name joined by single blanks. The start record is
// a fixed-column text: the launcher passes it as one argument, which keeps its
// blanks exactly; blanks between separate arguments come back as one.
QString commandLine();
void setCommandLine(const QString& line);
void setCommandLineFromArguments(const QStringList& argumentsAfterProgram);

// The program's own directory (where the executable lies). A directory set here
// wins; an empty one returns to the application's directory.
QString programDirectory();
void setProgramDirectory(const QString& dir);

// Ends the program at once with the status. The handler can be replaced (tests throw
// ProgramEnded instead of leaving the process); should it return, the process still
// ends. The default flushes stdout and stderr and exits. An empty handler restores it.
[[noreturn]] void endProgram(int status);
void setEndProgramHandler(std::function<void(int)> handler);

// Clears the command line and the program directory and restores the default handler.
void resetProcess();

struct ProgramEnded {
    int status;
};

} // namespace platform
