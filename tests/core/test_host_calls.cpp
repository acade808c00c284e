// Host function calls: quoting, the returned call's out-arguments, host errors,
// automation failures, connecting and closing; against a fake and the local host.
#include "support/CoreTestSupport.h"

#include <call_hooks.h>

#include "support/LocalHostFixture.h"

namespace {

// An automation object that echoes the call text and whose answers the test sets.
struct FakeState {
    std::optional<QString> returnCall;  // none: the call text itself
    int32_t vrokError = 0;
    QString returnValue;
    std::optional<AutomationError> failExecute, failLinkOption, failShutdown;
    int32_t linkState = -99;
    bool shutDown = false;
    QString lastCall;
};

class FakeVrok : public VrokApplication {
public:
    explicit FakeVrok(std::shared_ptr<FakeState> state) : s(std::move(state)) {}
    void setLinkState(int32_t state) override { s->linkState = state; }
    int32_t vrokError() const override { return s->vrokError; }
    QString returnValue() const override { return s->returnValue; }
    QString returnCall() const override { return s->returnCall.value_or(s->lastCall); }
    void setLinkOption(int32_t) override { throwIf(s->failLinkOption); }
    void shutdown() override
    {
        throwIf(s->failShutdown);
        s->shutDown = true;
    }
    void executeFunction(const QString& objectName, const QString& callText, int32_t&) override
    {
        s->lastCall = callText;
        throwIf(s->failExecute);
    }

private:
    static void throwIf(const std::optional<AutomationError>& e)
    {
        if (e)
            throw *e;
    }
    std::shared_ptr<FakeState> s;
};

class HostCalls : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        useTexts({{QStringLiteral("qxplqx0101"), QStringLiteral("Argument %s is not a number")},
                  {QStringLiteral("qxplqx0102"), QStringLiteral("Argument %s is not a text")},
                  {QStringLiteral("qxplqx0103"), QStringLiteral("Quoted argument without end")},
                  {QStringLiteral("qxplqx0104"), QStringLiteral("Argument without end")},
                  {QStringLiteral("qxplqx0212"), QStringLiteral("Host call %s failed with%s")}});
        goVrokApp = std::make_unique<FakeVrok>(state);
    }
    bool call(const QString& text, int16_t first = 0, int16_t last = 0)
    {
        return gbExecuteFunction(QStringLiteral("oqxdllextint"), text, first, last, result);
    }

    std::shared_ptr<FakeState> state = std::make_shared<FakeState>();
    VrokResult result = QStringLiteral("unchanged");
};

TEST(Quoting, QuoteNestCountAndUnquote)
{
    EXPECT_EQ(gsQuote(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
    EXPECT_EQ(gsQuote(QString()), QStringLiteral("\"\""));
    EXPECT_EQ(gsQuoteNested(QStringLiteral("a\"b")), QStringLiteral("\"\"a\"\"\"\"b\"\""));
    EXPECT_EQ(gsEnclose(QStringLiteral("a\"\"b")), QStringLiteral("\"a\"\"b\""));
    const std::pair<const char*, int> counts[] = {{"\"\"\"", 1}, {"\"\"\"\"", 2}, {"a\"b", 0}, {"x\"\"\"\"\"y", 2}};
    for (const auto& [text, n] : counts)
        EXPECT_EQ(giCountDoubledQuotes(QString::fromUtf8(text)), n) << text;
    EXPECT_EQ(gsUnquote(QStringLiteral("a\"\"b")), QStringLiteral("a\"b"));
    EXPECT_EQ(gsUnquote(QStringLiteral("a\"\"\"b")), QStringLiteral("a\"\"b"));
    EXPECT_EQ(gsUnquote(QStringLiteral("a\"b\"c")), QStringLiteral("a\"b\"c"));
}

TEST_F(HostCalls, OutArgumentsByPositionAndKind)
{
    ASSERT_TRUE(mParseReturnCall(QString(), QStringLiteral("f(5,\"text\",7)"), 2, 3));
    EXPECT_EQ(galOutArgs.lowerBound(), 2);
    EXPECT_EQ(gsGetStringArg(2), QStringLiteral("text"));
    EXPECT_EQ(glGetLongArg(3), 7);
    EXPECT_TRUE(dialogs->shown().empty());
    // Position 1 was walked, not stored; a reader of the wrong kind gets the neutral value.
    EXPECT_EQ(glGetLongArg(1), 0);
    EXPECT_EQ(glGetLongArg(2), 0);
    EXPECT_EQ(gsGetStringArg(3), QString());
    EXPECT_EQ(dialogs->texts(), (QStringList{QStringLiteral("Argument 1 is not a number"),
                                             QStringLiteral("Argument 2 is not a number"),
                                             QStringLiteral("Argument 3 is not a text")}));
    EXPECT_EQ(dialogs->shown()[0].style, 16);
}

TEST_F(HostCalls, QuotedArgumentsEndAtTheirClosingQuote)
{
    // Texts holding ", and ") are read whole and later positions stay right.
    const QString awkward = QStringLiteral("a\",b\")c, (d)");
    ASSERT_TRUE(mParseReturnCall(QString(), QStringLiteral("f(1,") + gsQuote(awkward) + QStringLiteral(" , -2.5 ,")
                                                + gsQuote(QStringLiteral("\"")) + QStringLiteral(",  \"\")"),
                                 1, 5));
    EXPECT_EQ(gsGetStringArg(2), QStringLiteral("a\"\",b\"\")c, (d)"));  // doubled quotes stay doubled
    EXPECT_EQ(gsUnquote(gsGetStringArg(2)), awkward);
    EXPECT_EQ(glGetLongArg(3), -2);
    EXPECT_EQ(gsGetStringArg(4), QStringLiteral("\"\""));
    EXPECT_EQ(gsGetStringArg(5), QString());
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(HostCalls, ArgumentWithoutTerminatorFailsTheCall)
{
    const std::pair<const char*, const char*> cases[] = {{"f(1,\"open text", "Quoted argument without end"},
                                                         {"f(1,\"closed\" x)", "Quoted argument without end"},
                                                         {"f(1,22", "Argument without end"},
                                                         {"f(1)", "Argument without end"}};
    for (const auto& [returned, message] : cases) {
        dialogs->clear();
        state->returnCall = QString::fromUtf8(returned);
        state->returnValue = QStringLiteral("x");
        EXPECT_FALSE(call(QStringLiteral("f(1,\"a\")"), 1, 2)) << returned;
        EXPECT_EQ(dialogs->texts(), QStringList{QString::fromUtf8(message)});
        EXPECT_EQ(std::get<QString>(result), QStringLiteral("unchanged"));
    }
}

TEST_F(HostCalls, SuccessGivesReturnValueOrSixteenBitZero)
{
    state->returnValue = QStringLiteral("17");
    ASSERT_TRUE(call(QStringLiteral("get.x(\"a\",5)"), 1, 2));
    EXPECT_EQ(std::get<QString>(result), QStringLiteral("17"));
    EXPECT_EQ(gsGetStringArg(1) + QString::number(glGetLongArg(2)), QStringLiteral("a5"));

    state->returnValue.clear();
    ASSERT_TRUE(call(QStringLiteral("f()")));
    ASSERT_TRUE(std::holds_alternative<int16_t>(result));
    EXPECT_EQ(std::get<int16_t>(result), 0);
}

TEST_F(HostCalls, HostErrorShowsMessageAndReturnsFalse)
{
    state->vrokError = 7;
    EXPECT_FALSE(call(QStringLiteral("f(1)"), 1, 1));
    state->vrokError = -3;
    EXPECT_FALSE(call(QStringLiteral("f(2)")));
    EXPECT_EQ(dialogs->texts(), (QStringList{QStringLiteral("Host call f(1) failed with 7"),
                                             QStringLiteral("Host call f(2) failed with-3")}));
    EXPECT_EQ(dialogs->shown()[0].style, 16);
    EXPECT_EQ(std::get<QString>(result), QStringLiteral("unchanged"));
}

TEST_F(HostCalls, AutomationFailureEndsTheProgram)
{
    const std::pair<int32_t, const char*> cases[] = {{440, "Ole Automation Error:  440"},
                                                     {-2147023170, "Ole Automation Error: -2147023170"}};
    for (const auto& [number, shown] : cases) {
        dialogs->clear();
        state->failExecute = AutomationError{number, QStringLiteral("link lost"), QStringLiteral("test")};
        EXPECT_EQ(endStatusOf([&] { call(QStringLiteral("f(1)"), 1, 1); }), kAutomationFailureExit);
        EXPECT_EQ(dialogs->texts(), QStringList{QString::fromUtf8(shown)});
        EXPECT_EQ(dialogs->shown()[0].style, platform::MbOkCancel | platform::MbIconCritical);
    }
}

TEST_F(HostCalls, CallAndAnswerAreLogged)
{
    startLogging();
    state->returnValue = QStringLiteral("R");
    ASSERT_TRUE(call(QStringLiteral("f(\"a\")")));
    EXPECT_EQ(logLines(), (QStringList{QStringLiteral("hh:mm:ss (0.000) - Executing: f(\"a\")"),
                                       QStringLiteral("hh:mm:ss (0.000) - Finished: ReturnCall = f(\"a\")"),
                                       QStringLiteral("\tVrokError = 0\tReturnValue = R")}));
}

TEST_F(HostCalls, CloseShutsDownUnloadsAndEnds)
{
    bool unloaded = false;
    ui::hooks().unloadMainWindow = [&] { unloaded = !goVrokApp; };  // released before the window goes
    EXPECT_EQ(endStatusOf([] { gCloseVrokAndUnload(2); }), 2);
    EXPECT_EQ(state->linkState, 10);
    EXPECT_TRUE(state->shutDown);
    EXPECT_TRUE(unloaded);

    unloaded = false;  // no link any more: both do nothing
    EXPECT_EQ(endStatusOf([] { gCloseVrok(); }), std::nullopt);
    EXPECT_EQ(endStatusOf([] { gCloseVrokAndUnload(); }), std::nullopt);
    EXPECT_FALSE(unloaded);
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(HostCalls, FailedShutdownIsReportedAndTheProgramGoesOn)
{
    state->failShutdown = AutomationError{5, QStringLiteral("busy"), QStringLiteral("HostClient")};
    EXPECT_EQ(endStatusOf([] { gCloseVrok(); }), std::nullopt);
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("Error #  5 was generated by HostClient\nbusy")});
    EXPECT_EQ(dialogs->shown()[0].title, QStringLiteral("Error"));
}

TEST_F(HostCalls, FailureWhileSettingTheLinkIsNoConnection)
{
    goVrokApp.reset();
    state->failLinkOption = AutomationError{1234, QStringLiteral("link refused"), QStringLiteral("test")};
    QString asked;
    setVrokObjectFactory([&](const QString& cls) {
        asked = cls;
        return std::make_unique<FakeVrok>(state);
    });
    platform::setCommandLine(startRecord(QStringLiteral("qxzrn301"), QStringLiteral("1;"), QStringLiteral("000 w;My.Class")));
    startLogging();
    EXPECT_FALSE(gbConnectVrok());
    EXPECT_EQ(asked, QStringLiteral("My.Class"));
    EXPECT_FALSE(goVrokApp);
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("No connection could be made (error:  1234: link refused)")});
    EXPECT_EQ(logLines().value(3), QStringLiteral("hh:mm:ss (0.000) - Connect Error with CreateObject"));
    EXPECT_EQ(platform::mousePointer(), platform::Pointer::Default);
}

class LocalHostCalls : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        platform::setCommandLine(startRecord());
    }
    LocalHostEnvironment env;
    VrokResult result;
};

TEST_F(LocalHostCalls, ConnectCallAndClose)
{
    ASSERT_TRUE(gbConnectVrok());
    ASSERT_TRUE(gbExecuteFunction(QStringLiteral("oqxdllextint"),
                                  QStringLiteral("init.dllextint( 0, 0, \"          \" )"), 2, 3, result));
    EXPECT_EQ(glGetLongArg(2), 1);
    EXPECT_TRUE(gsGetStringArg(3).startsWith(u'x'));
    EXPECT_TRUE(dialogs->shown().empty());
    EXPECT_EQ(endStatusOf([] { gCloseVrok(); }), 0);
    EXPECT_FALSE(goVrokApp);
}

TEST_F(LocalHostCalls, AwkwardTextsSurviveTheRoundTrip)
{
    ASSERT_TRUE(gbConnectVrok());
    const QStringList texts{QStringLiteral("q\"x"), QStringLiteral("a,b)c(\""), QStringLiteral("\",\")\"")};
    const QString call = QStringLiteral("get.script.tiv(") + gsQuote(texts[0]) + u',' + gsQuote(texts[1]) + u','
                         + gsQuote(texts[2]) + u')';
    ASSERT_TRUE(gbExecuteFunction(QStringLiteral("oqxdllextint"), call, 1, 3, result));
    for (int p = 1; p <= 3; ++p)
        EXPECT_EQ(gsUnquote(gsGetStringArg(p)), texts[p - 1]) << p;
    EXPECT_EQ(host::callCount(QStringLiteral("get.script.tiv(")), 1);
}

// The message about a failed wrapper call names that call, although fetching the
// message's own text is a host call of its own that replaces the last call text.
TEST_F(LocalHostCalls, AFailedCallIsNamedInItsMessage)
{
    ASSERT_TRUE(gbConnectVrok());
    gInitDataSets();
    host::injectError(QStringLiteral("get.script.tiv("), 42);
    const QString call = QStringLiteral("get.script.tiv(\"qx\",\"zrn\",\"s\")");
    EXPECT_FALSE(ext::call(QStringLiteral("oqxdllextint"), call));
    EXPECT_GE(host::callCount(QStringLiteral("get.message(")), 1);
    ASSERT_FALSE(dialogs->texts().isEmpty());
    EXPECT_TRUE(dialogs->texts().last().contains(call)) << dialogs->texts().last().toStdString();
}

TEST_F(LocalHostCalls, UnknownClassCannotBeCreated)
{
    platform::setCommandLine(startRecord(QStringLiteral("qxzrn301"), QStringLiteral("1;"), QStringLiteral("000 w;No.Such.Class")));
    EXPECT_FALSE(gbConnectVrok());
    EXPECT_FALSE(goVrokApp);
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("Unable to create OLE-object!")});
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbIconCritical);
    EXPECT_EQ(platform::mousePointer(), platform::Pointer::Default);
}

} // namespace
