// Version and session wrappers against the local host: their call texts, what they
// read back, failed calls, and the windows and pointer around a session start.
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <call_hooks.h>
#include <host_database.h>
#include <session_windows.h>

#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"

#include <functional>

namespace {

class SessionWrappers : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        platform::setCommandLine(startRecord());
        ASSERT_TRUE(gbConnectVrok());
        gInitFormDataSets();
        gInitDataSets();
        gsPackage = "te", gsModule = "kwy", gsFormCode = "simpled", gsLanguage = "2";
        gsVersion = "7.6", gsRelease = "a3", gsCustomer = "dev";
        giToolsVersion = 4;
    }

    LocalHostEnvironment env;
};

TEST_F(SessionWrappers, CallTextsAreExactAndTheHostAcceptsThem)
{
    QString a, b, c, d, e, f, g, h;
    int16_t mode = 3;
    int32_t bytes = 1;
    QString rec = QStringLiteral("  ");
    const std::pair<std::function<void()>, QString> cases[] = {
        {[&] { gbIsDevVrc(gsPackage, gsVersion, gsRelease, gsCustomer); },
         R"(qxscm.dll.comm.is.dev.vrc("te","7.6 ","a3","dev "))"},
        {[&] { gbGetSessionVrc("te", "kwy", "simple  ", 1, a, b, c, d, e, f, mode); },
         R"(get.session.vrc("te","kwy","simple  ",1,"    ","  ","    ","  ","   ","   ",3,"   ","     "))"},
        {[&] { gbGetSessionVrcFull("te", "kwy", "simple  ", 0, a, b, c, d, e, f, mode, g, h); },
         R"(get.session.vrc("te","kwy","simple  ",0,"    ","  ","    ","  ","   ","   ",1,"   ","         "))"},
        {[&] { gbGetSessionInfo("te", "kwy", "simple  ", gsVersion, gsRelease, gsCustomer, a, b, c, mode, d, e); },
         R"(get.session.info("te","kwy","simple  ","7.6 ","a3","dev ","  ","   ","   ",1,"   ","         "))"},
        {[&] { gbCheckFormType(gsLanguage, gsPackage, gsModule, gsFormCode, gsVersion, gsRelease, gsCustomer); },
         R"(check.form.type("2","te","kwy","simpled","7.6 ","a3","dev "))"},
        {[&] { glGetScriptTiv(gsPackage, gsModule, "simple  "); }, R"(get.script.tiv("te","kwy","simple  "))"},
        {[&] { glInitDllExtInt(bytes, a); }, R"(init.dllextint(4, 1, "    " ))"},
        {[&] { gbStartVrokSession("qxzrn3100s000", "qxzrn300", "k\"y", rec, 0, "a ,b", false, "2"); },
         R"(start.vrok.session("qxzrn3100s000","qxzrn300","k""y",0,"a ,b","  ","2"))"},
        {[&] { gbExtDumpForm(); }, R"(ext.dump.form("te","kwy","simpled","2","7.6 ","a3","dev "))"},
        {[&] {
             gsSessionModule = "kwy";
             gsProgramScript = "simple   ";
             gbExtEditScript();
         },
         R"(ext.edit.script("te","kwy","simple   "))"},
    };
    qputenv("PALIMOR_HOST_DUMP_DIR", tmp.filePath(QStringLiteral("dumps")).toLocal8Bit());
    for (const auto& [run, expected] : cases) {
        run();
        EXPECT_EQ(msExtCallText, expected);
    }
    qunsetenv("PALIMOR_HOST_DUMP_DIR");
    EXPECT_EQ(dialogs->texts(), QStringList()) << "every call text was accepted";
    EXPECT_EQ(mode, 1) << "the start mode came back from the host";
    ASSERT_EQ(host::scriptEditRequests().size(), 1);
    EXPECT_EQ(host::scriptEditRequests()[0].script, QStringLiteral("simple"));
}

// Look-ups found and not found in the demo data; a quoted description reads back exactly.
TEST_F(SessionWrappers, LookUpsFindTheDemoObjects)
{
    QString v, r, c, desc;
    const auto menu = [&](const char* parm) { return gbGetMenuVrc("te", "kwy", "stock", parm, 1, v, r, c); };
    const auto table = [&](const char* number) { return gbGetTableVrc("te", "kwy", number, 0, v, r, c); };
    const auto message = [](const char* code) { return gbGetMessageVrc("qx", code); };
    const auto runtime = [](const char* cust) {
        return gbCheckRuntimeFormVrc("tekwysimple", gsVersion, gsRelease, cust);
    };
    EXPECT_EQ(QList<bool>({menu("2"), menu("3"), table("005"), table("009"), message("plqx0302    "),
                           message("plqx9999    "), runtime("dev "), runtime("    ")}),
              QList<bool>({true, false, true, false, true, false, true, false}));

    ASSERT_TRUE(gbGetQuestionVrc("qx", "plqx0003", 2, desc, "2"));
    EXPECT_EQ(desc.trimmed(), QStringLiteral("The form has been changed. Save the changes?"));
    gGetOrigVrc("te", "7.6 ", "a3", "dev ", v, r, c, desc);
    EXPECT_EQ(QStringList({v, r, c, desc}), QStringList({"te", "7.6 ", "a3", "dev "}));
    EXPECT_EQ(glGetScriptTiv("te", "kwy", "olditem "), 1060);

    openHostDatabase(env.databasePath())
        ->exec("UPDATE qxzrn400 SET desc = 'Yes \"or\" no' WHERE cdom = 'yeno';"
               "INSERT INTO qxzrn400 (cpac, cdom, vers, rele, cust, desc, dtyp)"
               " VALUES ('te', 'oldy', '7.6', 'a3', '', 'Old', 7)");
    ASSERT_TRUE(gbGetDomainVrc("te", "yeno", 1, v, r, c, desc));
    EXPECT_EQ(c + u'|' + desc.trimmed(), QStringLiteral("dev |Yes \"or\" no"));
    // Mode 1 looks in the package's current version only; mode 0 in any.
    EXPECT_FALSE(gbGetDomainVrc("te", "oldy", 1, v, r, c, desc));
    ASSERT_TRUE(gbGetDomainVrc("te", "oldy", 0, v, r, c, desc));
    EXPECT_EQ(c + u'|' + desc.trimmed(), QStringLiteral("    |Old"));
}

TEST_F(SessionWrappers, FailedCallLeavesEveryByReferenceValue)
{
    // Each wrapper runs with every by-reference text set to "kept" and its 16-bit value to 7.
    const std::pair<const char*, std::function<bool(QStringList&, int16_t&)>> cases[] = {
        {"qxscm.dll.comm.get.orig.vrc(", [](QStringList& o, int16_t&) {
             gGetOrigVrc("te", "7.6", "a3", "dev", o[0], o[1], o[2], o[3]);
             return false;
         }},
        {"get.domain.vrc(",
         [](QStringList& o, int16_t&) { return gbGetDomainVrc("te", "yeno", 1, o[0], o[1], o[2], o[3]); }},
        {"get.session.vrc(", [](QStringList& o, int16_t& n) {
             return gbGetSessionVrcFull("te", "kwy", "simple", 0, o[0], o[1], o[2], o[3], o[4], o[5], n, o[6], o[7]);
         }},
        {"get.session.info(", [](QStringList& o, int16_t& n) {
             return gbGetSessionInfo("te", "kwy", "simple", "7.6", "a3", "dev", o[0], o[1], o[2], n, o[3], o[4]);
         }},
        {"get.question.vrc(", [](QStringList& o, int16_t&) { return gbGetQuestionVrc("qx", "plqx0003", 2, o[0], "2"); }},
    };
    for (const auto& [function, run] : cases) {
        host::injectError(function, 77, 1);
        QStringList outs(8, QStringLiteral("kept"));
        int16_t n = 7;
        EXPECT_FALSE(run(outs, n)) << function;
        EXPECT_EQ(outs, QStringList(8, QStringLiteral("kept"))) << function;
        EXPECT_EQ(n, 7) << function;
    }

    int32_t bytes = 3;
    QString version = QStringLiteral("kept");
    host::injectError("init.dllextint(", 77, 1);
    EXPECT_EQ(glInitDllExtInt(bytes, version), 0);
    EXPECT_EQ(QString::number(bytes) + version, QStringLiteral("3kept"));
    host::injectError("get.script.tiv(", 77, 1);
    EXPECT_EQ(glGetScriptTiv("te", "kwy", "olditem"), 0);
}

// The windows and the pointer around a session start, as the hooks saw them.
TEST_F(SessionWrappers, WaitFlagLocksTheWindowsWhateverTheAnswer)
{
    QStringList events;
    ui::hooks().setWindowsEnabled = [&](bool on) { events << (on ? "enable" : "disable"); };
    ui::hooks().focusMainWindow = [&] { events << "focus"; };
    platform::setMousePointerHook(
        [&](platform::Pointer p) { events << (p == platform::Pointer::Hourglass ? "hourglass" : "default"); });
    QString record;
    const auto start = [&](bool wait) {
        events.clear();
        record = QStringLiteral("    ");
        return gbStartVrokSession("qxzrn3110s000", "qxzrn300", QString(), record, 0, QString(), wait, QString());
    };
    const QStringList waited{"hourglass", "disable", "enable", "focus", "default"};

    EXPECT_FALSE(start(true)) << "nothing chosen: -1";
    EXPECT_EQ(events, waited);
    EXPECT_EQ(record, QStringLiteral("    "));

    host::scriptSessionAnswer(QStringLiteral("a \"record\""));
    EXPECT_TRUE(start(true));
    EXPECT_EQ(events, waited);
    EXPECT_EQ(record, QStringLiteral("a \"record\""));

    host::injectError("start.vrok.session(", 12, 1);
    EXPECT_FALSE(start(true));
    EXPECT_EQ(events, waited);
    EXPECT_EQ(record, QStringLiteral("    "));

    EXPECT_FALSE(start(false));
    EXPECT_EQ(events, QStringList({"hourglass", "default"}));
    EXPECT_EQ(host::sessionRequests().size(), 3) << "the failed call never reached the host's session";
    platform::resetMousePointer();
}

} // namespace
