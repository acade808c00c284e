#include "call_hooks.h"
#include "call_text.h"
#include "host_database.h"
#include "host_error.h"
#include "sqlite_util.h"
#include "local_host.h"
#include "support/LocalHostFixture.h"

#include <VrokApplication.h>

#include <QScopeGuard>

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

// The automation error f threw; number 0 when it threw none.
AutomationError errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e;
    }
    return {};
}

} // namespace

TEST_F(LocalHostFixture, OnlyTheRegisteredClassesGiveAHost)
{
    for (const char* name : {"Vrok.Application", "Vrok.Application.VandorMatrix"}) {
        std::unique_ptr<VrokApplication> app = createVrokObject(QString::fromLatin1(name));
        EXPECT_EQ(app ? run(*app, "oqxdllextint", "get.script.tiv(\"a\",\"b\",\"c\")") : -1, 0) << name;
    }
    for (const char* name : {"", "Vrok", "Vrok.Application.Other", " Vrok.Application"}) {
        const AutomationError e = errorOf([&] { createVrokObject(QString::fromLatin1(name)); });
        EXPECT_TRUE(e.number == kCannotCreateObject && !e.description.isEmpty()) << '"' << name << '"';
    }
}

// What the editor shows of it at its connect: test_main_window_startup.
TEST_F(LocalHostFixture, ABrokenDatabaseGivesNoHost)
{
    const QString bad = tempDir() + QStringLiteral("/not-a-database.sqlite");
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'z')) == 4096);
    file.close();
    qputenv("PALIMOR_HOST_DB", bad.toLocal8Bit());
    const AutomationError e = errorOf([&] { createHost(); });
    EXPECT_EQ(e.number, kHostDatabaseDamaged);
    EXPECT_EQ(e.description, bad + QStringLiteral(" is damaged: file is not a database"));
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

TEST_F(LocalHostTest, BadCallsAnswerAnErrorAndTheCallUnchanged)
{
    const struct {
        const char* object;
        const char* callText;
        int32_t code;
    } cases[] = {{"oqxnothere", "init.dllextint(4,0,\"    \")", host::kErrUnknownObject},
                 {"", "init.dllextint(4,0,\"    \")", host::kErrUnknownObject},
                 {"oqxdllextint", "no.such.function(1)", host::kErrUnknownFunction},
                 {"oqxsammain", "init.dllextint(4,0,\"    \")", host::kErrUnknownFunction},
                 {"oqxdllextint", "init.dllextint(4,0,\"    \"", host::kErrMalformedCall},
                 {"oqxdllextint", "get.script.tiv(\"a,\"b\",\"c\")", host::kErrMalformedCall},
                 {"oqxdllextint", "", host::kErrMalformedCall},
                 {"oqxnothere", "garbage", host::kErrMalformedCall},
                 {"oqxdllextint", "init.dllextint(4,0)", host::kErrBadArgument},
                 {"oqxdllextint", "get.script.tiv(1,2,3)", host::kErrBadArgument}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.object) + " " + c.callText);
        // A good call first, so that stale answers would show.
        ASSERT_EQ(run(*app, "oqxdllextint", "init.dllextint(4,0,\"    \")"), 0);
        ASSERT_FALSE(app->returnValue().isEmpty());

        EXPECT_EQ(run(*app, QString::fromLatin1(c.object), QString::fromUtf8(c.callText)), c.code);
        EXPECT_EQ(app->returnValue(), QString());
        EXPECT_EQ(app->returnCall(), QString::fromUtf8(c.callText));
        EXPECT_FALSE(dynamic_cast<host::LocalHost&>(*app).errorText().isEmpty());
    }
}

TEST_F(LocalHostTest, MutatedCallTextsAnswerEitherAWholeCallOrAnErrorAndTheCallUnchanged)
{
    const QString blanks = QStringLiteral("\"") + QString(120, u' ') + u'"';
    const std::pair<const char*, QString> seeds[] = {
        {"oqxsammain", QStringLiteral("am_open_object_set(\"qxzrn422\")")},
        {"oqxsammain", QStringLiteral("am_define_full_query(1,\"qxzrn422.fdno, qxzrn422.iniv\",\"qxzrn422\","
                                      "\"qxzrn422._index2 = {'te','kwy','001'}\",\"\")")},
        {"oqxsammain", QStringLiteral("am_query_fetch(1,1,1,2,0,%1)").arg(blanks)},
        {"oqxdllextint", QStringLiteral("get.label.set(\"2\",1,\"tetekwy100.stock   020002\")")},
        {"oqxdllextint", QStringLiteral("get.enum.set(\"teunit%1\")").arg(QString(90, u' '))},
        {"oqxdllextint", QStringLiteral("get.domain.vrc(\"te\",\"unit\",0,\"    \",\"  \",\"    \",\"   \")")},
        {"oqxdlllabels", QStringLiteral("search.existing.labels(\"2\",\"te\",\"Stock\",\"\",0,0,0)")},
        {"oqxdllextint", QStringLiteral("execute.velq.set(\"f005000000\"\"a\"\",1I003000001, 1\",0,0)")},
    };
    const QString alphabet = QStringLiteral("\"\",(){}'.- 019") + QChar(1);
    uint32_t seed = 7;
    auto next = [&](uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    for (int i = 0; i < 3000; ++i) {
        const auto& [object, base] = seeds[next(std::size(seeds))];
        QString text = base;
        for (uint32_t k = next(3) + 1; k > 0; --k) {
            const qsizetype at = next(uint32_t(text.size()) + 1);
            if (next(2))
                text.insert(at, alphabet[next(uint32_t(alphabet.size()))]);
            else
                text.remove(at, next(4) + 1);
        }
        SCOPED_TRACE(s(text));
        if (run(*app, QString::fromLatin1(object), text) != 0) {
            ASSERT_EQ(app->returnValue(), QString());
            ASSERT_EQ(app->returnCall(), text);
            continue;
        }
        const auto sent = calltext::parse(text);
        const auto back = calltext::parse(app->returnCall());
        ASSERT_TRUE(sent && back);
        ASSERT_EQ(back->function, sent->function);
        ASSERT_EQ(back->count(), sent->count());
    }
}

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(env.ok()) << s(env.error());
        db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
    }
    host::Outcome exec(const QString& callText) { return dispatcher.execute(QStringLiteral("obj"), callText, *db); }
    void add(const char* function, std::function<void(host::CallContext&)> handler)
    {
        dispatcher.add(QStringLiteral("obj"), QString::fromLatin1(function), std::move(handler));
    }

    LocalHostEnvironment env{false};
    std::unique_ptr<host::HostDatabase> db;
    host::Dispatcher dispatcher;
};

TEST_F(DispatcherTest, HandlerErrorsAndBadArgumentsBecomeErrorsAndOutArgumentsAreReturned)
{
    add("host.error(", [](host::CallContext&) { throw host::HostError(555, QStringLiteral("no")); });
    add("zero.error(", [](host::CallContext&) { throw host::HostError(0, QStringLiteral("claims success")); });
    add("std.error(", [](host::CallContext&) { throw std::runtime_error("boom"); });
    add("odd.error(", [](host::CallContext&) { throw 42; });
    add("sql.error(", [](host::CallContext& c) {
        host::Statement(c.handle(), QStringLiteral("SELECT * FROM no_such_table")).step();
    });
    // Missing arguments and arguments of the wrong kind: BadCallsAnswerAnErrorAndTheCallUnchanged.
    add("set.past.end(", [](host::CallContext& c) { c.setNumber(2, 1); });
    const std::pair<const char*, int32_t> cases[] = {
        {"host.error(1)", 555}, {"zero.error(1)", host::kErrInternal}, {"std.error(1)", host::kErrInternal},
        {"odd.error(1)", host::kErrInternal}, {"sql.error(1)", host::kErrDatabase},
        {"set.past.end(1)", host::kErrBadArgument}};
    for (const auto& [call, code] : cases) {
        const host::Outcome out = exec(QString::fromLatin1(call));
        EXPECT_EQ(out.vrokError, code) << call;
        EXPECT_EQ(out.returnValue, QString()) << call;
        EXPECT_EQ(out.returnCall, QString::fromLatin1(call));
    }

    add("fill(", [](host::CallContext& c) {
        c.setText(2, QStringLiteral("say \"hi\", (twice)"));
        c.setNumber(4, -17);
        c.setReturnValue(int64_t(3));
    });
    const host::Outcome out = exec(QStringLiteral("fill(\"in\", \"   \", 8, 0 )"));
    EXPECT_EQ(out.vrokError, 0) << s(out.errorText);
    EXPECT_EQ(out.returnValue, QStringLiteral("3"));
    EXPECT_EQ(out.returnCall, QStringLiteral("fill(\"in\",\"say \"\"hi\"\", (twice)\",8,-17)"));
}

// A call answered without a by-reference value comes back written as format writes
// it: blanks around the name and the arguments go, numbers and texts stay as sent.
TEST_F(DispatcherTest, AnAnswerIsTheCallWrittenWithoutBlanks)
{
    add("echo(", [](host::CallContext& c) { c.setReturnValue(int64_t(c.count())); });
    const char* const cases[][2] = {
        {"echo(\"a\"\"b\",7)", "echo(\"a\"\"b\",7)"},
        {"echo(+4,007,-0)", "echo(+4,007,-0)"},
        {"echo()", "echo()"},
        {"echo( )", "echo()"},
        {"  echo(1)", "echo(1)"},
        {"echo(1) ", "echo(1)"},
        {"echo( \"a\" ,7)", "echo(\"a\",7)"},
        {"echo(1 ,2)", "echo(1,2)"},
        {"echo(1, 2)", "echo(1,2)"},
        {"echo(\" \",\"\")", "echo(\" \",\"\")"},
    };
    for (const auto& [sent, answered] : cases) {
        const host::Outcome out = exec(QString::fromLatin1(sent));
        EXPECT_EQ(out.vrokError, 0) << sent << ": " << s(out.errorText);
        EXPECT_EQ(out.returnCall, QString::fromLatin1(answered)) << sent;
    }
}

class InjectionTest : public DispatcherTest {
protected:
    void SetUp() override
    {
        DispatcherTest::SetUp();
        add("count.me(", [this](host::CallContext& c) {
            ++runs;
            c.setReturnValue(QStringLiteral("ran"));
        });
        add("other(", [](host::CallContext& c) { c.setReturnValue(QStringLiteral("other")); });
        app = std::make_unique<host::LocalHost>(std::move(db), dispatcher);
    }
    int32_t call(const QString& callText) { return run(*app, QStringLiteral("obj"), callText); }

    int runs = 0;
    std::unique_ptr<host::LocalHost> app;
};

// Counted injections are relied on all through the tests; here the rest of their rules.
TEST_F(InjectionTest, InjectedFailuresAnswerForTheirCallsOnlyAndTheLogKeepsTheNewestCalls)
{
    host::injectError("count.me", 77);  // the "(" may be left out
    EXPECT_EQ(call("count.me(1)") * 100 + call("count.me(1)"), 7777);
    EXPECT_EQ(app->returnValue() + u'|' + app->returnCall(), QStringLiteral("|count.me(1)"));
    EXPECT_EQ(call("other(1)"), 0);
    host::clearInjections();
    host::injectAutomationFailure("count.me(", 1);
    EXPECT_EQ(errorOf([&] { call("count.me(1)"); }).number, host::kHostCallFailed);
    EXPECT_EQ(call("count.me(5)"), 0);
    EXPECT_EQ(runs, 1);

    host::clearCallLog();
    for (int i = 0; i < host::kCallLogLimit + 5; ++i)
        call(QStringLiteral("other(%1)").arg(i));
    const QList<host::LoggedCall> log = host::callLog();
    ASSERT_EQ(log.size(), host::kCallLogLimit);
    EXPECT_EQ(log.first().object + u'|' + log.first().function + u'|' + log.first().callText,
              QStringLiteral("obj|other(|other(5)"));
    EXPECT_EQ(host::callCount("other("), host::kCallLogLimit + 5);
}

TEST_F(InjectionTest, ALogNotKeptHoldsNoCallsWhileTheyAreStillCountedAndRun)
{
    const auto keep = qScopeGuard([] { host::setCallLogKept(true); });
    host::clearCallLog();
    EXPECT_EQ(call("other(1)"), 0);
    host::setCallLogKept(false);
    EXPECT_TRUE(host::callLog().isEmpty());  // what was kept goes
    EXPECT_EQ(call("count.me(2)") * 100 + call("other(3)"), 0);
    EXPECT_EQ(app->returnCall(), QStringLiteral("other(3)"));
    EXPECT_TRUE(host::callLog().isEmpty());
    EXPECT_EQ(host::callCount("other(") * 10 + host::callCount("count.me("), 21);
    EXPECT_EQ(runs, 1);
    host::setCallLogKept(true);
    EXPECT_EQ(call("other(4)"), 0);
    const QList<host::LoggedCall> log = host::callLog();
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log.first().callText, QStringLiteral("other(4)"));
}
