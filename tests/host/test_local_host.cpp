#include "call_hooks.h"
#include "dispatcher.h"
#include "host_database.h"
#include "host_error.h"
#include "sqlite_util.h"
#include "local_host.h"
#include "support/LocalHostFixture.h"

#include <gtest/gtest.h>

#include <QFile>

#include <stdexcept>

namespace {

std::string s(const QString& q) { return q.toStdString(); }

// Runs one call and returns the error code.
int32_t run(VrokApplication& app, const QString& object, const QString& callText)
{
    int32_t n = -1;
    app.executeFunction(object, callText, n);
    return app.vrokError();
}

} // namespace

// --- The automation object ----------------------------------------------------

struct ClassCase {
    const char* name;
    bool created;
};
inline std::ostream& operator<<(std::ostream& os, const ClassCase& c) { return os << '"' << c.name << '"'; }

class CreateVrokObject : public LocalHostFixture, public ::testing::WithParamInterface<ClassCase> {};

TEST_P(CreateVrokObject, OnlyTheRegisteredClassesGiveAHost)
{
    const QString name = QString::fromLatin1(GetParam().name);
    if (GetParam().created) {
        std::unique_ptr<VrokApplication> app = createVrokObject(name);
        ASSERT_TRUE(app);
        EXPECT_EQ(run(*app, QStringLiteral("oqxdllextint"), QStringLiteral("get.script.tiv(\"a\",\"b\",\"c\")")), 0);
        return;
    }
    try {
        createVrokObject(name);
        FAIL() << "created an object for " << GetParam().name;
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number, kCannotCreateObject);
        EXPECT_FALSE(e.description.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Names, CreateVrokObject,
                         ::testing::Values(ClassCase{"Vrok.Application", true},
                                           ClassCase{"Vrok.Application.VandorMatrix", true},
                                           ClassCase{"", false}, ClassCase{"Vrok", false},
                                           ClassCase{"Vrok.Application.Other", false},
                                           ClassCase{" Vrok.Application", false}));

TEST_F(LocalHostFixture, CreateVrokObjectOpensTheDatabaseNamedByTheEnvironment)
{
    {
        auto db = openDatabase();
        ASSERT_TRUE(db);
        db->exec(QStringLiteral("UPDATE host_meta SET value = 'x1.2.345' WHERE key = 'dll_version'"));
    }
    auto app = createHost();
    EXPECT_EQ(run(*app, QStringLiteral("oqxdllextint"), QStringLiteral("init.dllextint(4,0,\"    \")")), 0);
    EXPECT_TRUE(app->returnCall().endsWith(QStringLiteral("\"x1.2.345\")"))) << s(app->returnCall());
}

TEST_F(LocalHostFixture, CreateVrokObjectReportsADatabaseThatCannotOpen)
{
    const QString bad = tempDir() + QStringLiteral("/not-a-database.sqlite");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'z'));
    file.close();
    qputenv("PALIMOR_HOST_DB", bad.toLocal8Bit());
    try {
        createHost();
        FAIL() << "a broken database gave a host";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number, host::kHostStartFailed);
        EXPECT_NE(e.number, kCannotCreateObject);
    }
}

class LocalHostTest : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        app = createHost();
    }
    std::unique_ptr<VrokApplication> app;
};

TEST_F(LocalHostTest, EveryMemberThrowsAfterShutdown)
{
    app->setLinkState(10);
    app->shutdown();
    auto expectDisconnected = [](const char* what, const std::function<void()>& f) {
        try {
            f();
            ADD_FAILURE() << what << " worked after shutdown";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number, host::kObjectDisconnected) << what;
        }
    };
    int32_t n = 0;
    expectDisconnected("executeFunction", [&] {
        app->executeFunction(QStringLiteral("oqxdllextint"), QStringLiteral("get.script.tiv(\"a\",\"b\",\"c\")"), n);
    });
    expectDisconnected("vrokError", [&] { app->vrokError(); });
    expectDisconnected("returnValue", [&] { app->returnValue(); });
    expectDisconnected("returnCall", [&] { app->returnCall(); });
    expectDisconnected("setLinkState", [&] { app->setLinkState(0); });
    expectDisconnected("setLinkOption", [&] { app->setLinkOption(0); });
    expectDisconnected("shutdown", [&] { app->shutdown(); });
}

struct BadCall {
    const char* object;
    const char* callText;
    int32_t code;
};
inline std::ostream& operator<<(std::ostream& os, const BadCall& c) { return os << c.object << " " << c.callText; }

class LocalHostBadCalls : public LocalHostTest, public ::testing::WithParamInterface<BadCall> {};

TEST_P(LocalHostBadCalls, AnswerAnErrorAndTheCallUnchanged)
{
    // A good call first, so that stale answers would show.
    ASSERT_EQ(run(*app, QStringLiteral("oqxdllextint"), QStringLiteral("init.dllextint(4,0,\"    \")")), 0);
    ASSERT_FALSE(app->returnValue().isEmpty());

    const QString callText = QString::fromUtf8(GetParam().callText);
    EXPECT_EQ(run(*app, QString::fromLatin1(GetParam().object), callText), GetParam().code);
    EXPECT_EQ(app->returnValue(), QString());
    EXPECT_EQ(app->returnCall(), callText);
    EXPECT_FALSE(dynamic_cast<host::LocalHost&>(*app).errorText().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, LocalHostBadCalls,
    ::testing::Values(BadCall{"oqxnothere", "init.dllextint(4,0,\"    \")", host::kErrUnknownObject},
                      BadCall{"", "init.dllextint(4,0,\"    \")", host::kErrUnknownObject},
                      BadCall{"oqxdllextint", "no.such.function(1)", host::kErrUnknownFunction},
                      BadCall{"oqxsammain", "init.dllextint(4,0,\"    \")", host::kErrUnknownFunction},
                      BadCall{"oqxdllextint", "init.dllextint(4,0,\"    \"", host::kErrMalformedCall},
                      BadCall{"oqxdllextint", "get.script.tiv(\"a,\"b\",\"c\")", host::kErrMalformedCall},
                      BadCall{"oqxdllextint", "", host::kErrMalformedCall},
                      BadCall{"oqxnothere", "garbage", host::kErrMalformedCall},
                      BadCall{"oqxdllextint", "init.dllextint(4,0)", host::kErrBadArgument},
                      BadCall{"oqxdllextint", "get.script.tiv(1,2,3)", host::kErrBadArgument}));

// --- The dispatcher with handlers of the test's own --------------------------

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(env.ok()) << s(env.error());
        db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
    }
    host::Outcome exec(const QString& callText) { return dispatcher.execute(QStringLiteral("obj"), callText, *db); }

    LocalHostEnvironment env{false};
    std::unique_ptr<host::HostDatabase> db;
    host::Dispatcher dispatcher;
};

TEST_F(DispatcherTest, ExceptionsInAHandlerBecomeErrors)
{
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("host.error("),
                   [](host::CallContext&) { throw host::HostError(555, QStringLiteral("no")); });
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("zero.error("),
                   [](host::CallContext&) { throw host::HostError(0, QStringLiteral("claims success")); });
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("std.error("),
                   [](host::CallContext&) { throw std::runtime_error("boom"); });
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("odd.error("), [](host::CallContext&) { throw 42; });
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("sql.error("), [](host::CallContext& c) {
        host::Statement(c.handle(), QStringLiteral("SELECT * FROM no_such_table")).step();
    });
    const struct {
        const char* call;
        int32_t code;
    } cases[] = {{"host.error(1)", 555}, {"zero.error(1)", host::kErrInternal}, {"std.error(1)", host::kErrInternal},
                 {"odd.error(1)", host::kErrInternal}, {"sql.error(1)", host::kErrDatabase}};
    for (const auto& c : cases) {
        const host::Outcome out = exec(QString::fromLatin1(c.call));
        EXPECT_EQ(out.vrokError, c.code) << c.call;
        EXPECT_EQ(out.returnValue, QString()) << c.call;
        EXPECT_EQ(out.returnCall, QString::fromLatin1(c.call));
    }
}

TEST_F(DispatcherTest, OutArgumentsAreFormattedIntoTheReturnedCall)
{
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("fill("), [](host::CallContext& c) {
        c.setText(2, QStringLiteral("say \"hi\", (twice)"));
        c.setNumber(4, -17);
        c.setReturnValue(int64_t(3));
    });
    const host::Outcome out = exec(QStringLiteral("fill(\"in\", \"   \", 8, 0 )"));
    EXPECT_EQ(out.vrokError, 0) << s(out.errorText);
    EXPECT_EQ(out.returnValue, QStringLiteral("3"));
    EXPECT_EQ(out.returnCall, QStringLiteral("fill(\"in\",\"say \"\"hi\"\", (twice)\",8,-17)"));
}

TEST_F(DispatcherTest, ArgumentsAreCheckedForPresenceAndKind)
{
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("text.of.number("),
                   [](host::CallContext& c) { c.text(1); });
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("number.of.text("),
                   [](host::CallContext& c) { c.number(1); });
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("past.end("), [](host::CallContext& c) { c.text(2); });
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("set.past.end("),
                   [](host::CallContext& c) { c.setNumber(2, 1); });
    dispatcher.add(QStringLiteral("obj"), QStringLiteral("count("), [](host::CallContext& c) { c.requireCount(2); });
    for (const char* call : {"text.of.number(1)", "number.of.text(\"1\")", "past.end(\"a\")", "set.past.end(1)",
                             "count(1)", "count()"})
        EXPECT_EQ(exec(QString::fromLatin1(call)).vrokError, host::kErrBadArgument) << call;
    EXPECT_EQ(exec(QStringLiteral("count(1,2)")).vrokError, 0);
}

// --- Injections and the call log ---------------------------------------------

class InjectionTest : public DispatcherTest {
protected:
    void SetUp() override
    {
        DispatcherTest::SetUp();
        dispatcher.add(QStringLiteral("obj"), QStringLiteral("count.me("), [this](host::CallContext& c) {
            ++runs;
            c.setReturnValue(QStringLiteral("ran"));
        });
        dispatcher.add(QStringLiteral("obj"), QStringLiteral("other("),
                       [](host::CallContext& c) { c.setReturnValue(QStringLiteral("other")); });
        app = std::make_unique<host::LocalHost>(std::move(db), dispatcher);
    }
    int32_t call(const QString& callText) { return run(*app, QStringLiteral("obj"), callText); }

    int runs = 0;
    std::unique_ptr<host::LocalHost> app;
};

TEST_F(InjectionTest, InjectedErrorAnswersWithoutRunning)
{
    host::injectError(QStringLiteral("count.me("), 77);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(call(QStringLiteral("count.me(1)")), 77);
        EXPECT_EQ(app->returnValue(), QString());
        EXPECT_EQ(app->returnCall(), QStringLiteral("count.me(1)"));
    }
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(call(QStringLiteral("other(1)")), 0);
    host::clearInjections();
    EXPECT_EQ(call(QStringLiteral("count.me(1)")), 0);
    EXPECT_EQ(runs, 1);
}

TEST_F(InjectionTest, InjectionsCanBeLimitedToTheNextCalls)
{
    host::injectError(QStringLiteral("count.me"), 9, 2);  // the "(" may be left out
    EXPECT_EQ(call(QStringLiteral("count.me(1)")), 9);
    EXPECT_EQ(call(QStringLiteral("count.me(2)")), 9);
    EXPECT_EQ(call(QStringLiteral("count.me(3)")), 0);
    EXPECT_EQ(runs, 1);

    host::injectAutomationFailure(QStringLiteral("count.me("), 1);
    EXPECT_THROW(call(QStringLiteral("count.me(4)")), AutomationError);
    EXPECT_EQ(call(QStringLiteral("count.me(5)")), 0);
    EXPECT_EQ(runs, 2);
}

TEST_F(InjectionTest, AutomationFailureThrowsForThatFunctionOnly)
{
    host::injectAutomationFailure(QStringLiteral("count.me("));
    for (int i = 0; i < 2; ++i) {
        try {
            call(QStringLiteral("count.me(1)"));
            FAIL() << "no automation failure";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number, host::kHostCallFailed);
        }
    }
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(call(QStringLiteral("other(1)")), 0);
    EXPECT_EQ(app->returnValue(), QStringLiteral("other"));
}

TEST_F(InjectionTest, CallLogKeepsEveryCallInOrder)
{
    host::clearCallLog();
    call(QStringLiteral("count.me(1)"));
    call(QStringLiteral("other( 2 )"));
    call(QStringLiteral("count.me(\"broken"));
    int32_t n = 0;
    app->executeFunction(QStringLiteral("elsewhere"), QStringLiteral("count.me(3)"), n);

    const QList<host::LoggedCall> log = host::callLog();
    ASSERT_EQ(log.size(), 4);
    EXPECT_EQ(log[0].callText, QStringLiteral("count.me(1)"));
    EXPECT_EQ(log[1].function, QStringLiteral("other("));
    EXPECT_EQ(log[2].callText, QStringLiteral("count.me(\"broken"));
    EXPECT_EQ(log[3].object, QStringLiteral("elsewhere"));
    EXPECT_EQ(host::callCount(QStringLiteral("count.me(")), 3);
    EXPECT_EQ(host::callCount(QStringLiteral("count.me")), 3);
    EXPECT_EQ(host::callCount(QStringLiteral("other(")), 1);
    EXPECT_EQ(host::callCount(QStringLiteral("never(")), 0);

    host::clearCallLog();
    EXPECT_TRUE(host::callLog().isEmpty());
    EXPECT_EQ(host::callCount(QStringLiteral("count.me(")), 0);
}

TEST_F(InjectionTest, CallLogKeepsOnlyTheNewestButCountsAll)
{
    host::clearCallLog();
    for (int i = 0; i < host::kCallLogLimit + 5; ++i)
        call(QStringLiteral("other(%1)").arg(i));
    const QList<host::LoggedCall> log = host::callLog();
    ASSERT_EQ(log.size(), host::kCallLogLimit);
    EXPECT_EQ(log.first().callText, QStringLiteral("other(5)"));
    EXPECT_EQ(host::callCount(QStringLiteral("other(")), host::kCallLogLimit + 5);
}
