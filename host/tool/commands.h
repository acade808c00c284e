#pragma once
// Commands of the palimor-host tool. Each takes the arguments after its own name,
// prints its errors to stderr and returns the process exit status.
#include <QStringList>

int runInit(const QStringList& args);      // init PATH
int runGenerate(const QStringList& args);  // generate PATH --fields N
int runTable(const QStringList& args);     // table PATH --columns N
int runDump(const QStringList& args);      // dump PATH FORM
