#pragma once
// Host-wide hooks around every executed host function: failures injected by tests
// and the log of the calls made. Function names are given with their "(" as in a
// call text ("init.dllextint("); a name without it gets one.
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace host {

// For the times argument: the injection stays until clearInjections().
inline constexpr int kEveryCall = -1;

// The function answers VrokError = code without running (for the next times calls,
// after the next passed calls ran as they do).
void injectError(const QString& function, int32_t code, int times = kEveryCall, int passed = 0);
// executeFunction throws AutomationError for the function (for the next times calls).
void injectAutomationFailure(const QString& function, int times = kEveryCall);
void clearInjections();

struct LoggedCall {
    QString object;
    QString callText;
    QString function;  // the call text up to and including its "("
};

// The calls executed since the last clearCallLog(), oldest first. Only the newest
// kCallLogLimit are kept; callCount() counts them all.
inline constexpr int kCallLogLimit = 10000;
QList<LoggedCall> callLog();
int callCount(const QString& function);
void clearCallLog();
// setCallLogKept(false) (VrokApplication.h) stops the log; callCount() counts on.

// Used by the local host for each call it receives.
void recordCall(const QString& object, const QString& callText);
std::optional<int32_t> takeInjectedError(const QString& function);
bool takeAutomationFailure(const QString& function);

// The function name of a call text: up to and including the first "(", blanks
// trimmed; the whole trimmed text when there is no "(".
QString functionOf(const QString& callText);

} // namespace host
