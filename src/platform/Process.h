#pragma once
// The process: its start record and how it ends.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>

namespace platform {

// The arguments after the program name joined by single blanks. The start record is
// a fixed-column text: the launcher passes it as one argument, which keeps its
// blanks exactly; blanks between separate arguments come back as one.
QString commandLine();
void setCommandLine(const QString& line);
// The arguments as the process got them, read as UTF-8. A byte that is no part of a
// UTF-8 character reads as one U+FFFD, so that every later column stays in its place;
// undecodableBytes() says which characters they are.
void setCommandLineFromArguments(const QList<QByteArray>& argumentsAfterProgram);

// A byte of the arguments that is no text: the index of its U+FFFD in commandLine().
struct UndecodableByte {
    qsizetype index = 0;
    uint8_t value = 0;
};
// In order; empty after setCommandLine.
const QList<UndecodableByte>& undecodableBytes();

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
