#include "local_host.h"

#include "call_hooks.h"
#include "host_database.h"

namespace host {

namespace {

const QString kSource = QStringLiteral("Vrok.Application");

// The class names under which the editor asks for its host.
const QString kClassNames[] = {QStringLiteral("Vrok.Application"),
                               QStringLiteral("Vrok.Application.VandorMatrix")};

} // namespace

LocalHost::LocalHost(std::unique_ptr<HostDatabase> db, const Dispatcher& dispatcher)
    : db_(std::move(db)), dispatcher_(dispatcher)
{
}

LocalHost::~LocalHost() = default;

std::unique_ptr<LocalHost> LocalHost::open(const QString& path)
{
    QString error;
    bool damaged = false;
    std::unique_ptr<HostDatabase> db = HostDatabase::open(path, &error, &damaged);
    if (damaged)
        throw AutomationError{kHostDatabaseDamaged, error, kSource};
    if (!db)
        throw AutomationError{kHostStartFailed, QStringLiteral("The local host cannot start: %1").arg(error),
                              kSource};
    return std::make_unique<LocalHost>(std::move(db));
}

void LocalHost::requireConnected() const
{
    if (!db_)
        throw AutomationError{kObjectDisconnected,
                              QStringLiteral("The host object has been shut down and no longer answers"),
                              kSource};
}

void LocalHost::setLinkState(int32_t state)
{
    requireConnected();
    linkState_ = state;
}

void LocalHost::setLinkOption(int32_t option)
{
    requireConnected();
    linkOption_ = option;
}

int32_t LocalHost::linkState() const
{
    requireConnected();
    return linkState_;
}

int32_t LocalHost::linkOption() const
{
    requireConnected();
    return linkOption_;
}

int32_t LocalHost::vrokError() const
{
    requireConnected();
    return last_.vrokError;
}

QString LocalHost::returnValue() const
{
    requireConnected();
    return last_.returnValue;
}

QString LocalHost::returnCall() const
{
    requireConnected();
    return last_.returnCall;
}

QString LocalHost::errorText() const
{
    requireConnected();
    return last_.errorText;
}

HostDatabase& LocalHost::database() const
{
    requireConnected();
    return *db_;
}

void LocalHost::shutdown()
{
    requireConnected();
    // An update set that was never committed is dropped with the link.
    db_->close();
    db_.reset();
}

void LocalHost::executeFunction(const QString& objectName, const QString& callText, int32_t& n)
{
    requireConnected();
    recordCall(objectName, callText);
    const QString function = functionOf(callText);
    if (takeAutomationFailure(function))
        throw AutomationError{kHostCallFailed, QStringLiteral("The host function %1 failed").arg(function),
                              kSource};
    if (const std::optional<int32_t> code = takeInjectedError(function))
        last_ = Outcome{*code, QString(), callText, QStringLiteral("injected error")};
    else
        last_ = dispatcher_.execute(objectName, callText, *db_);
    n = last_.vrokError;
}

} // namespace host

std::unique_ptr<VrokApplication> createVrokObject(const QString& className)
{
    for (const QString& name : host::kClassNames)
        if (className == name)
            return host::LocalHost::open(host::HostDatabase::defaultPath());
    throw AutomationError{kCannotCreateObject,
                          QStringLiteral("Cannot create object of class '%1'").arg(className), className};
}
