#include "call_hooks.h"

#include <VrokApplication.h>

#include <QHash>

#include <deque>

namespace host {

namespace {

struct Injection {
    int32_t code = 0;
    int remaining = kEveryCall;
    int passed = 0;  // calls that still run before it applies
};

struct State {
    QHash<QString, Injection> errors;
    QHash<QString, int> automationFailures;  // remaining calls
    std::deque<LoggedCall> log;
    QHash<QString, int> counts;
    bool logKept = true;
};

State& state()
{
    static State s;
    return s;
}

QString normalized(const QString& function)
{
    const QString name = function.trimmed();
    return name.endsWith(QLatin1Char('(')) ? name : name + QLatin1Char('(');
}

// Uses up one call of a counted injection; true when the injection applies.
bool useOne(int& remaining)
{
    if (remaining == kEveryCall)
        return true;
    if (remaining <= 0)
        return false;
    --remaining;
    return true;
}

} // namespace

void injectError(const QString& function, int32_t code, int times, int passed)
{
    if (times == 0)
        state().errors.remove(normalized(function));
    else
        state().errors.insert(normalized(function), {code, times, passed});
}

void injectAutomationFailure(const QString& function, int times)
{
    if (times == 0)
        state().automationFailures.remove(normalized(function));
    else
        state().automationFailures.insert(normalized(function), times);
}

void clearInjections()
{
    state().errors.clear();
    state().automationFailures.clear();
}

QList<LoggedCall> callLog()
{
    const auto& log = state().log;
    return QList<LoggedCall>(log.begin(), log.end());
}

int callCount(const QString& function) { return state().counts.value(normalized(function)); }

void clearCallLog()
{
    state().log.clear();
    state().counts.clear();
}

void setCallLogKept(bool kept)
{
    state().logKept = kept;
    if (!kept)
        state().log.clear();
}

void recordCall(const QString& object, const QString& callText)
{
    State& s = state();
    const QString function = functionOf(callText);
    if (s.logKept) {
        s.log.push_back({object, callText, function});
        if (s.log.size() > size_t(kCallLogLimit))
            s.log.pop_front();
    }
    ++s.counts[function];
}

std::optional<int32_t> takeInjectedError(const QString& function)
{
    auto& errors = state().errors;
    auto it = errors.find(function);
    if (it != errors.end() && it->passed > 0) {
        --it->passed;
        return std::nullopt;
    }
    if (it == errors.end() || !useOne(it->remaining))
        return std::nullopt;
    const int32_t code = it->code;
    if (it->remaining == 0)
        errors.erase(it);
    return code;
}

bool takeAutomationFailure(const QString& function)
{
    auto& failures = state().automationFailures;
    auto it = failures.find(function);
    if (it == failures.end() || !useOne(*it))
        return false;
    if (*it == 0)
        failures.erase(it);
    return true;
}

QString functionOf(const QString& callText)
{
    const qsizetype open = callText.indexOf(QLatin1Char('('));
    return open < 0 ? callText.trimmed() : callText.left(open + 1).trimmed();
}

} // namespace host
