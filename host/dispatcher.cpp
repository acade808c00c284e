#include "dispatcher.h"

#include "host_transaction.h"

#include "host_database.h"
#include "host_error.h"
#include "sqlite_util.h"

#include <exception>
#include <utility>

namespace host {

CallContext::CallContext(const QString& object, calltext::Call call, HostDatabase& db)
    : object_(object), call_(std::move(call)), db_(db)
{
}

sqlite3* CallContext::handle() const { return db_.handle(); }

void CallContext::requireCount(int n) const
{
    if (call_.count() < n)
        throw HostError(kErrBadArgument, QStringLiteral("%1 needs %2 arguments, got %3")
                                             .arg(call_.function).arg(n).arg(call_.count()));
}

const calltext::Argument& CallContext::argument(int position) const
{
    if (position < 1 || position > call_.count())
        throw HostError(kErrBadArgument,
                        QStringLiteral("%1 argument %2 was not sent").arg(call_.function).arg(position));
    return call_.args[size_t(position - 1)];
}

QString CallContext::text(int position) const
{
    const calltext::Argument& a = argument(position);
    if (!a.quoted)
        throw HostError(kErrBadArgument,
                        QStringLiteral("%1 argument %2 must be a text").arg(call_.function).arg(position));
    return a.text();
}

QString CallContext::trimmedText(int position) const { return trimBlanks(text(position)); }

int64_t CallContext::number(int position) const
{
    const calltext::Argument& a = argument(position);
    if (a.quoted)
        throw HostError(kErrBadArgument,
                        QStringLiteral("%1 argument %2 must be a number").arg(call_.function).arg(position));
    return a.value();
}

void CallContext::setText(int position, const QString& value)
{
    argument(position);
    call_.args[size_t(position - 1)] = calltext::Argument::fromText(value);
    written_ = true;
}

void CallContext::setNumber(int position, int64_t value)
{
    argument(position);
    call_.args[size_t(position - 1)] = calltext::Argument::number(value);
    written_ = true;
}

static QString handlerKey(const QString& object, const QString& function)
{
    return object + QLatin1Char('\n') + function;
}

void Dispatcher::addObject(const QString& object) { objects_.insert(object); }

void Dispatcher::add(const QString& object, const QString& function, Handler handler)
{
    objects_.insert(object);
    handlers_.emplace(handlerKey(object, function), std::move(handler));
}

const Handler* Dispatcher::find(const QString& object, const QString& function) const
{
    auto it = handlers_.constFind(handlerKey(object, function));
    return it == handlers_.constEnd() ? nullptr : &it.value();
}

Outcome Dispatcher::execute(const QString& object, const QString& callText, HostDatabase& db) const
{
    auto failed = [&](int32_t code, const QString& why) {
        return Outcome{code, QString(), callText, why};
    };
    QString why;
    std::optional<calltext::Call> call = calltext::parse(callText, &why);
    if (!call) {
        // A garbled part of an update set ends the set: nothing of it may be committed later.
        if (callText.trimmed().startsWith(QLatin1String("execute.velq.set("))) {
            try {
                abortHostTransaction(db);
            } catch (const HostError& e) {
                return failed(kErrInternal,
                              QStringLiteral("malformed call text: %1; the rollback failed: %2").arg(why, e.message()));
            }
        }
        return failed(kErrMalformedCall, QStringLiteral("malformed call text: %1").arg(why));
    }
    if (!hasObject(object))
        return failed(kErrUnknownObject, QStringLiteral("unknown host DLL object \"%1\"").arg(object));
    const Handler* handler = find(object, call->function);
    if (!handler)
        return failed(kErrUnknownFunction,
                      QStringLiteral("%1 has no function \"%2\"").arg(object, call->function));
    try {
        CallContext context(object, std::move(*call), db);
        (*handler)(context);
        // A call sent as the answer writes it and answered with the arguments it brought
        // is its own answer: an update set's part is not written out again.
        const bool asSent = !context.argumentsWritten() && calltext::formattedSize(context.call()) == callText.size();
        return Outcome{0, context.returnValue(), asSent ? callText : calltext::format(context.call()), QString()};
    } catch (const HostError& e) {
        // A handler's error must not read as success.
        return failed(e.code() != 0 ? e.code() : kErrInternal, e.message());
    } catch (const std::exception& e) {
        return failed(kErrInternal, QString::fromUtf8(e.what()));
    } catch (...) {
        return failed(kErrInternal, QStringLiteral("unknown failure"));
    }
}

} // namespace host
