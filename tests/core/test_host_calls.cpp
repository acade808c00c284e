// Host function calls: quoting, the returned call's out-arguments, host errors,
// automation failures, connecting and closing; against a fake and the local host.
#include "support/CoreTestSupport.h"

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
    void executeFunction(const QString&, const QString& callText, int32_t&) override
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
        useTexts({{"qxplqx0101", "Argument %s is not a number"},
                  {"qxplqx0102", "Argument %s is not a text"},
                  {"qxplqx0103", "Quoted argument without end"},
                  {"qxplqx0104", "Argument without end"},
                  {"qxplqx0212", "Host call %s failed with%s"}});
        goVrokApp = std::make_unique<FakeVrok>(state);
    }
    bool call(const QString& text, int16_t first = 0, int16_t last = 0)
    {
        return gbExecuteFunction(QStringLiteral("oqxdllextint"), text, first, last, result);
    }

    std::shared_ptr<FakeState> state = std::make_shared<FakeState>();
    VrokResult result = QStringLiteral("unchanged");
};

TEST_F(HostCalls, SuccessReadsOutArgumentsByPositionAndKindAndIsLogged)
{
    startLogging();
    state->returnValue = QStringLiteral("17");
    ASSERT_TRUE(call(QStringLiteral("f(5,\"text\",7)"), 2, 3));
    EXPECT_TRUE(std::get<QString>(result) == QStringLiteral("17") && galOutArgs.lowerBound() == 2);
    EXPECT_EQ(gsGetStringArg(2) + QString::number(glGetLongArg(3)), QStringLiteral("text7"));
    EXPECT_EQ(logLines(), QStringList({"hh:mm:ss (0.000) - Executing: f(5,\"text\",7)",
                                       "hh:mm:ss (0.000) - Finished: ReturnCall = f(5,\"text\",7)",
                                       "\tVrokError = 0\tReturnValue = 17"}));
    EXPECT_TRUE(dialogs->shown().empty());
    // Position 1 was walked, not stored; a reader of the wrong kind gets the neutral value.
    EXPECT_EQ(glGetLongArg(1), 0);
    EXPECT_EQ(glGetLongArg(2), 0);
    EXPECT_EQ(gsGetStringArg(3), QString());
    EXPECT_EQ(dialogs->texts(),
              QStringList({"Argument 1 is not a number", "Argument 2 is not a number", "Argument 3 is not a text"}));
    EXPECT_EQ(dialogs->shown()[0].style, 16);

    state->returnValue.clear();
    ASSERT_TRUE(call(QStringLiteral("f()")) && std::holds_alternative<int16_t>(result));
    EXPECT_EQ(std::get<int16_t>(result), 0);
}

TEST_F(HostCalls, ArgumentWithoutTerminatorFailsTheCall)
{
    const std::pair<const char*, const char*> cases[] = {{"f(1,\"open text", "Quoted argument without end"},
                                                         {"f(1,\"closed\" x)", "Quoted argument without end"},
                                                         {"f(1,22", "Argument without end"},
                                                         {"f(1)", "Argument without end"}};
    state->returnValue = QStringLiteral("x");
    for (const auto& [returned, message] : cases) {
        dialogs->clear();
        state->returnCall = QString::fromUtf8(returned);
        EXPECT_FALSE(call(QStringLiteral("f(1,\"a\")"), 1, 2)) << returned;
        EXPECT_EQ(dialogs->texts(), QStringList{message});
        EXPECT_EQ(std::get<QString>(result), QStringLiteral("unchanged"));
    }
}

TEST_F(HostCalls, HostErrorShowsMessageAndReturnsFalseAnAutomationFailureEndsTheProgram)
{
    state->vrokError = 7;
    EXPECT_FALSE(call(QStringLiteral("f(1)"), 1, 1));
    state->vrokError = -3;
    EXPECT_FALSE(call(QStringLiteral("f(2)")));
    EXPECT_EQ(dialogs->texts(), QStringList({"Host call f(1) failed with 7", "Host call f(2) failed with-3"}));
    EXPECT_EQ(dialogs->shown()[0].style, 16);
    EXPECT_EQ(std::get<QString>(result), QStringLiteral("unchanged"));

    for (const auto& [number, shown] : {std::pair{440, "Ole Automation Error:  440"},
                                        {-2147023170, "Ole Automation Error: -2147023170"}}) {
        dialogs->clear();
        state->failExecute = AutomationError{number, QStringLiteral("link lost"), QStringLiteral("test")};
        EXPECT_EQ(endStatusOf([&] { call(QStringLiteral("f(1)"), 1, 1); }), kAutomationFailureExit);
        EXPECT_EQ(dialogs->texts(), QStringList{shown});
        EXPECT_EQ(dialogs->shown()[0].style, platform::MbOkCancel | platform::MbIconCritical);
    }
}

TEST_F(HostCalls, CloseShutsDownUnloadsAndEndsAndAFailedShutdownGoesOn)
{
    bool unloaded = false;
    ui::hooks().unloadMainWindow = [&] { unloaded = !goVrokApp; };  // released before the window goes
    EXPECT_EQ(endStatusOf([] { gCloseVrokAndUnload(2); }), 2);
    EXPECT_TRUE(state->linkState == 10 && state->shutDown && unloaded);

    unloaded = false;  // no link any more: both do nothing
    EXPECT_EQ(endStatusOf([] { gCloseVrok(); }), std::nullopt);
    EXPECT_EQ(endStatusOf([] { gCloseVrokAndUnload(); }), std::nullopt);
    EXPECT_TRUE(!unloaded && dialogs->shown().empty());

    goVrokApp = std::make_unique<FakeVrok>(state);
    state->failShutdown = AutomationError{5, QStringLiteral("busy"), QStringLiteral("HostClient")};
    EXPECT_EQ(endStatusOf([] { gCloseVrok(); }), std::nullopt);
    EXPECT_EQ(dialogs->texts(), QStringList{"Error #  5 was generated by HostClient\nbusy"});
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
    platform::setCommandLine(startRecord("qxzrn301", "1;", "000 w;My.Class"));
    startLogging();
    EXPECT_FALSE(gbConnectVrok());
    EXPECT_TRUE(asked == QStringLiteral("My.Class") && !goVrokApp);
    EXPECT_EQ(dialogs->texts(), QStringList{"No connection could be made (error:  1234: link refused)"});
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

TEST_F(LocalHostCalls, ConnectAwkwardTextsRoundTripAndClose)
{
    ASSERT_TRUE(gbConnectVrok());
    // The host answers get.script.tiv with its three texts as it read them: a quoted
    // out-argument ends at its closing quote, not at a ", or ") inside it.
    const char* const texts[] = {"",      "\"",         "\"\"", "\"\"\"", "q\"x", "a,b)c(\"", "\",\")\"", "f(x)",
                                 "\")", "  blanks  ", "ends with \"", "\u00e4\u00f6\u00fc \u20ac"};
    for (const char* text : texts) {
        const QString plain = QString::fromUtf8(text), quoted = gsQuote(plain);
        ASSERT_TRUE(gbExecuteFunction("oqxdllextint", "get.script.tiv(" + quoted + u',' + quoted + u',' + quoted + u')',
                                      1, 3, result));
        for (int p = 1; p <= 3; ++p)
            EXPECT_EQ(gsUnquote(gsGetStringArg(p)), plain) << text << " at " << p;
    }
    EXPECT_TRUE(host::callCount("get.script.tiv(") == int(std::size(texts)) && dialogs->shown().empty());
    EXPECT_EQ(endStatusOf([] { gCloseVrok(); }), 0);
    EXPECT_FALSE(goVrokApp);
}

// The message about a failed wrapper call names that call, although fetching the
// message's own text is a host call of its own that replaces the last call text.
TEST_F(LocalHostCalls, AFailedCallIsNamedInItsMessage)
{
    ASSERT_TRUE(gbConnectVrok());
    gInitDataSets();
    host::injectError("get.script.tiv(", 42);
    const QString call = QStringLiteral("get.script.tiv(\"qx\",\"zrn\",\"s\")");
    EXPECT_FALSE(ext::call("oqxdllextint", call));
    EXPECT_GE(host::callCount("get.message("), 1);
    const QString shown = dialogs->texts().value(dialogs->texts().size() - 1);
    EXPECT_TRUE(shown.contains(call)) << shown.toStdString();
}

} // namespace
