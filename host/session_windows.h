#pragma once
// The windows the local host opens for "start.vrok.session(": the form browser, a
// look-up window on the session's table, and a stand-in for a session without one. The host library
// has no widgets: a GUI installs a presenter, and tests queue scripted answers.
#include "form_identity.h"
#include "session_lookup.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

namespace host {

// The session the form browser runs.
inline constexpr QLatin1String kFormBrowserSession("qxzrn3500m000");

// A session start as the editor asked for it; the start record is plain text.
struct SessionRequest {
    QString session;
    QString table;
    QString startRecord;
    int64_t mode = 0;
    QString fields;
    // The language a session is started in ("" none). Its window may switch it; the
    // session answers the language it ended in.
    QString language;
};

// One line of the form browser.
struct FormEntry {
    FormIdentity form;  // trimmed
    QString labelLanguage;
    QString description;
};

struct SessionPresenter {
    // Shows the forms with the entry at start selected (-1: none); the chosen entry's
    // index, or nullopt when the user cancelled.
    std::function<std::optional<int>(const QList<FormEntry>& forms, int start)> chooseForm;
    // Shows the rows of the session's table with the start row selected; the chosen
    // row's index, or nullopt when the window was closed without a choice. A session
    // started in a language leaves the one it ended in in request.language.
    std::function<std::optional<int>(SessionRequest& request, const LookUpTable& rows)> chooseRow;
    // Shows a session that has no table to look up in; returns when it is closed, with
    // request.language as chooseRow leaves it.
    std::function<void(SessionRequest& request)> showSession;
};

void setSessionPresenter(SessionPresenter presenter);
const SessionPresenter& sessionPresenter();

// Scripted answers, taken in turn by the next session starts before any window
// opens: nothing chosen, a form (answered as its "qxzrn300" record), or a record as is.
struct NothingChosen {};
using ScriptedAnswer = std::variant<NothingChosen, FormIdentity, QString>;
void scriptSessionAnswer(ScriptedAnswer answer);
std::optional<ScriptedAnswer> takeScriptedAnswer();
int scriptedAnswersLeft();

// Every session start since the last reset, oldest first.
void recordSessionRequest(const SessionRequest& request);
QList<SessionRequest> sessionRequests();

// Every "ext.edit.script(" since the last reset.
struct ScriptEditRequest {
    QString package;
    QString module;
    QString script;
};
void recordScriptEditRequest(const ScriptEditRequest& request);
QList<ScriptEditRequest> scriptEditRequests();

// Drops the presenter, the scripted answers and the recorded requests.
void resetSessionWindows();

} // namespace host
