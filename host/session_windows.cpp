#include "session_windows.h"

#include <deque>

namespace host {

namespace {

struct State {
    SessionPresenter presenter;
    std::deque<ScriptedAnswer> answers;
    QList<SessionRequest> requests;
    QList<ScriptEditRequest> scriptEdits;
};

State& state()
{
    static State s;
    return s;
}

} // namespace

void setSessionPresenter(SessionPresenter presenter) { state().presenter = std::move(presenter); }

const SessionPresenter& sessionPresenter() { return state().presenter; }

void scriptSessionAnswer(ScriptedAnswer answer) { state().answers.push_back(std::move(answer)); }

// GCC 12 warns, wrongly, that the moved variant's string may be uninitialized.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
std::optional<ScriptedAnswer> takeScriptedAnswer()
{
    auto& answers = state().answers;
    if (answers.empty())
        return std::nullopt;
    ScriptedAnswer a = std::move(answers.front());
    answers.pop_front();
    return a;
}
#pragma GCC diagnostic pop

int scriptedAnswersLeft() { return int(state().answers.size()); }

void recordSessionRequest(const SessionRequest& request) { state().requests.append(request); }

QList<SessionRequest> sessionRequests() { return state().requests; }

void recordScriptEditRequest(const ScriptEditRequest& request) { state().scriptEdits.append(request); }

QList<ScriptEditRequest> scriptEditRequests() { return state().scriptEdits; }

void resetSessionWindows() { state() = State{}; }

} // namespace host
