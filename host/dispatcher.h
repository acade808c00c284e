#pragma once
// The table from (host DLL object, function name) to the local host's functions,
// and the one place where a call text is parsed, run and answered.
#include "call_text.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <cstdint>
#include <functional>

struct sqlite3;

namespace host {

class HostDatabase;

// What a host function sees of its call: the arguments, the database, and where to
// put its by-reference values and its return value. Argument positions count from 1.
class CallContext {
public:
    CallContext(const QString& object, calltext::Call call, HostDatabase& db);

    const QString& object() const { return object_; }
    const calltext::Call& call() const { return call_; }
    HostDatabase& db() const { return db_; }
    sqlite3* handle() const;

    int count() const { return call_.count(); }
    // Throws HostError kErrBadArgument when fewer than n arguments were sent.
    void requireCount(int n) const;

    // Input arguments. A text must have been sent quoted, a number bare; otherwise,
    // and for a position that was not sent, HostError kErrBadArgument.
    QString text(int position) const;          // quotes undone
    QString trimmedText(int position) const;   // and outer blanks removed
    int64_t number(int position) const;

    // By-reference values, written into positions the caller sent.
    void setText(int position, const QString& value);
    void setNumber(int position, int64_t value);
    // Whether a by-reference value was written.
    bool argumentsWritten() const { return written_; }

    void setReturnValue(const QString& value) { returnValue_ = value; }
    void setReturnValue(int64_t value) { returnValue_ = QString::number(value); }
    const QString& returnValue() const { return returnValue_; }

private:
    const calltext::Argument& argument(int position) const;

    QString object_;
    calltext::Call call_;
    HostDatabase& db_;
    QString returnValue_;
    bool written_ = false;
};

using Handler = std::function<void(CallContext&)>;

// The answer to one call, as the automation object reports it.
struct Outcome {
    int32_t vrokError = 0;
    QString returnValue;
    QString returnCall;
    QString errorText;  // why the call failed, for logs and tests
};

class Dispatcher {
public:
    // An object with no functions yet still counts as known.
    void addObject(const QString& object);
    // function with its "(", as in a call text: "get.script.tiv(".
    void add(const QString& object, const QString& function, Handler handler);

    bool hasObject(const QString& object) const { return objects_.contains(object); }
    const Handler* find(const QString& object, const QString& function) const;

    // Parses callText and runs its function. Never throws: every failure becomes a
    // non-zero vrokError, an empty return value and the call text returned unchanged.
    Outcome execute(const QString& object, const QString& callText, HostDatabase& db) const;

    // The dispatcher with every host function of the local host. Defined with the
    // areas (functions.cpp): the table itself knows none of them.
    static const Dispatcher& standard();

private:
    QSet<QString> objects_;
    QHash<QString, Handler> handlers_;  // key: object + '\n' + function
};

} // namespace host
