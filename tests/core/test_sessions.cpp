// Version and session wrappers against the local host: their call texts, what they
// read back, failed calls, and the windows and pointer around a session start.
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <call_hooks.h>
#include <host_database.h>
#include <session_windows.h>
#include <sqlite_util.h>

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
        gsPackage = "te";
        gsModule = "kwy";
        gsFormCode = QStringLiteral("simpled");
        gsLanguage = "2";
        gsVersion = "7.6";
        gsRelease = "a3";
        gsCustomer = "dev";
        giToolsVersion = 4;
    }
    void TearDown() override
    {
        host::resetSessionWindows();
        resetExternal();
        resetDataSets();
        CoreTest::TearDown();
    }
    void sql(const QString& statement)
    {
        auto db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
        host::execScript(db->handle(), statement);
    }

    LocalHostEnvironment env;
};

QString sp(int n) { return QString(n, QLatin1Char(' ')); }

struct CallCase {
    const char* name;
    std::function<void()> run;
    QString expected;
};

TEST_F(SessionWrappers, CallTextsAreExactAndTheHostAcceptsThem)
{
    QString a, b, c, d, e, f, g, h;
    int16_t mode = 3;
    int32_t bytes = 1;
    QString rec = sp(2);
    const QString q = QStringLiteral("\"");
    const CallCase cases[] = {
        {"is.dev", [&] { gbIsDevVrc(gsPackage, gsVersion, gsRelease, gsCustomer); },
         R"(qxscm.dll.comm.is.dev.vrc("te","7.6 ","a3","dev "))"},
        {"get.orig", [&] { gGetOrigVrc(gsPackage, gsVersion, gsRelease, gsCustomer, a, b, c, d); },
         R"(qxscm.dll.comm.get.orig.vrc("te","7.6 ","a3","dev ","  ","    ","  ","    "))"},
        {"domain", [&] { gbGetDomainVrc(QStringLiteral("te"), QStringLiteral("yeno"), 1, a, b, c, d); },
         R"(get.domain.vrc("te","yeno",1,"    ","  ","    ",")" + sp(60) + q + ')'},
        {"menu", [&] { gbGetMenuVrc(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("stock"),
                                    QStringLiteral("1"), 1, a, b, c); },
         R"(get.menu.vrc("2","te","kwy","stock","1",1,"    ","  ","    "))"},
        {"session", [&] { gbGetSessionVrc(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("simple  "), 1,
                                          a, b, c, d, e, f, mode); },
         R"(get.session.vrc("te","kwy","simple  ",1,"    ","  ","    ","  ","   ","   ",3,"   ","     "))"},
        {"session full", [&] { gbGetSessionVrcFull(QStringLiteral("te"), QStringLiteral("kwy"),
                                                   QStringLiteral("simple  "), 0, a, b, c, d, e, f, mode, g, h); },
         R"(get.session.vrc("te","kwy","simple  ",0,"    ","  ","    ","  ","   ","   ",1,"   ","         "))"},
        {"session info", [&] { gbGetSessionInfo(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("simple  "),
                                                gsVersion, gsRelease, gsCustomer, a, b, c, mode, d, e); },
         R"(get.session.info("te","kwy","simple  ","7.6 ","a3","dev ","  ","   ","   ",1,"   ","         "))"},
        {"form type", [&] { gbCheckFormType(gsLanguage, gsPackage, gsModule, gsFormCode, gsVersion, gsRelease,
                                            gsCustomer); },
         R"(check.form.type("2","te","kwy","simpled","7.6 ","a3","dev "))"},
        {"message", [&] { gbGetMessageVrc(QStringLiteral("qx"), QStringLiteral("plqx0001    ")); },
         R"(get.message.vrc("2","qx","plqx0001    ",0,"    ","  ","    ",")" + sp(132) + q + ')'},
        {"question", [&] { gbGetQuestionVrc(QStringLiteral("qx"), QStringLiteral("plqx0001"), 2, a,
                                            QStringLiteral("2")); },
         R"(get.question.vrc("2","qx","plqx0001",2,"    ","  ","    ",")" + sp(132) + q + ')'},
        {"table",
         [&] { gbGetTableVrc(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("001"), 0, a, b, c); },
         R"(get.table.vrc("te","kwy","001",0,"    ","  ","    "))"},
        {"runtime", [&] { gbCheckRuntimeFormVrc(QStringLiteral("tekwysimple"), gsVersion, gsRelease, gsCustomer); },
         R"(check.runtime.form.vrc("tekwysimple","7.6 ","a3","dev "))"},
        {"script tiv", [&] { glGetScriptTiv(gsPackage, gsModule, QStringLiteral("simple  ")); },
         R"(get.script.tiv("te","kwy","simple  "))"},
        {"init", [&] { glInitDllExtInt(bytes, a); }, R"(init.dllextint(4, 1, "    " ))"},
        {"session start", [&] { gbStartVrokSession(QStringLiteral("qxzrn3100s000"), QStringLiteral("qxzrn300"),
                                                   QStringLiteral("k\"y"), rec, 0, QStringLiteral("a ,b"), false,
                                                   QStringLiteral("2")); },
         R"(start.vrok.session("qxzrn3100s000","qxzrn300","k""y",0,"a ,b","  ","2"))"},
        {"dump", [&] { gbExtDumpForm(); }, R"(ext.dump.form("te","kwy","simpled","2","7.6 ","a3","dev "))"},
        {"edit script", [&] {
             gsSessionModule = QStringLiteral("kwy");
             gsProgramScript = QStringLiteral("simple   ");
             gbExtEditScript();
         },
         R"(ext.edit.script("te","kwy","simple   "))"},
    };
    qputenv("PALIMOR_HOST_DUMP_DIR", tmp.filePath(QStringLiteral("dumps")).toLocal8Bit());
    for (const CallCase& cc : cases) {
        cc.run();
        EXPECT_EQ(msExtCallText, cc.expected) << cc.name;
    }
    qunsetenv("PALIMOR_HOST_DUMP_DIR");
    EXPECT_EQ(dialogs->texts(), QStringList()) << "every call text was accepted";
    EXPECT_EQ(mode, 1) << "the start mode came back from the host";
    ASSERT_EQ(host::scriptEditRequests().size(), 1);
    EXPECT_EQ(host::scriptEditRequests()[0].script, QStringLiteral("simple"));
}

// Look-ups the form choice does not make: found and not found in the demo data.
TEST_F(SessionWrappers, LookUpsFindTheDemoObjects)
{
    QString v, r, c;
    const auto menu = [&](const char* parm) {
        return gbGetMenuVrc(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("stock"),
                            QString::fromLatin1(parm), 1, v, r, c);
    };
    const auto table = [&](const char* number) {
        return gbGetTableVrc(QStringLiteral("te"), QStringLiteral("kwy"), QString::fromLatin1(number), 0, v, r, c);
    };
    const auto message = [](const char* code) {
        return gbGetMessageVrc(QStringLiteral("qx"), QString::fromLatin1(code));
    };
    const auto runtime = [](const char* cust) {
        return gbCheckRuntimeFormVrc(QStringLiteral("tekwysimple"), gsVersion, gsRelease, QString::fromLatin1(cust));
    };
    EXPECT_EQ(QList<bool>({menu("2"), menu("3"), table("005"), table("009"), message("plqx0302    "),
                           message("plqx9999    "), runtime("dev "), runtime("    ")}),
              QList<bool>({true, false, true, false, true, false, true, false}));

    QString question;
    ASSERT_TRUE(gbGetQuestionVrc(QStringLiteral("qx"), QStringLiteral("plqx0003"), 2, question, QStringLiteral("2")));
    EXPECT_EQ(question.trimmed(), QStringLiteral("The form has been changed. Save the changes?"));
    gGetOrigVrc(QStringLiteral("te"), QStringLiteral("7.6 "), QStringLiteral("a3"), QStringLiteral("dev "), v, r, c,
                question);
    EXPECT_EQ(QStringList({v, r, c, question}), QStringList({"te", "7.6 ", "a3", "dev "}));
    EXPECT_EQ(glGetScriptTiv(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("olditem ")), 1060);
}

TEST_F(SessionWrappers, DomainLookUpByModeAndQuotedDescription)
{
    sql(QStringLiteral("UPDATE qxzrn400 SET desc = 'Yes \"or\" no' WHERE cdom = 'yeno';"
                       "INSERT INTO qxzrn400 (cpac, cdom, vers, rele, cust, desc, dtyp)"
                       " VALUES ('te', 'oldy', '7.6', 'a3', '', 'Old', 7);"));
    QString vers, rele, cust, desc;
    ASSERT_TRUE(gbGetDomainVrc(QStringLiteral("te"), QStringLiteral("yeno"), 1, vers, rele, cust, desc));
    EXPECT_EQ(desc.trimmed(), QStringLiteral("Yes \"or\" no"));
    EXPECT_EQ(cust, QStringLiteral("dev "));
    // Mode 1 looks in the package's current version only; mode 0 in any.
    EXPECT_FALSE(gbGetDomainVrc(QStringLiteral("te"), QStringLiteral("oldy"), 1, vers, rele, cust, desc));
    ASSERT_TRUE(gbGetDomainVrc(QStringLiteral("te"), QStringLiteral("oldy"), 0, vers, rele, cust, desc));
    EXPECT_EQ(cust, sp(4));
    EXPECT_EQ(desc.trimmed(), QStringLiteral("Old"));
}

// A wrapper run with every by-reference value set to "kept" (16-bit values to 7); it
// gives its result and those values afterwards.
struct FailCase {
    const char* function;
    std::function<bool(QStringList&, int16_t&)> run;
};

TEST_F(SessionWrappers, FailedCallLeavesEveryByReferenceValue)
{
    const FailCase cases[] = {
        {"qxscm.dll.comm.get.orig.vrc(", [](QStringList& o, int16_t&) {
             gGetOrigVrc(QStringLiteral("te"), QStringLiteral("7.6"), QStringLiteral("a3"), QStringLiteral("dev"), o[0],
                         o[1], o[2], o[3]);
             return false;
         }},
        {"get.domain.vrc(", [](QStringList& o, int16_t&) {
             return gbGetDomainVrc(QStringLiteral("te"), QStringLiteral("yeno"), 1, o[0], o[1], o[2], o[3]);
         }},
        {"get.session.vrc(", [](QStringList& o, int16_t& n) {
             return gbGetSessionVrcFull(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("simple"), 0, o[0],
                                        o[1], o[2], o[3], o[4], o[5], n, o[6], o[7]);
         }},
        {"get.session.info(", [](QStringList& o, int16_t& n) {
             return gbGetSessionInfo(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("simple"),
                                     QStringLiteral("7.6"), QStringLiteral("a3"), QStringLiteral("dev"), o[0], o[1],
                                     o[2], n, o[3], o[4]);
         }},
        {"get.question.vrc(", [](QStringList& o, int16_t&) {
             return gbGetQuestionVrc(QStringLiteral("qx"), QStringLiteral("plqx0003"), 2, o[0], QStringLiteral("2"));
         }},
    };
    for (const FailCase& fc : cases) {
        host::injectError(QString::fromLatin1(fc.function), 77, 1);
        QStringList outs(8, QStringLiteral("kept"));
        int16_t n = 7;
        EXPECT_FALSE(fc.run(outs, n)) << fc.function;
        EXPECT_EQ(outs, QStringList(8, QStringLiteral("kept"))) << fc.function;
        EXPECT_EQ(n, 7) << fc.function;
    }

    int32_t bytes = 3;
    QString version = QStringLiteral("kept");
    host::injectError(QStringLiteral("init.dllextint("), 77, 1);
    EXPECT_EQ(glInitDllExtInt(bytes, version), 0);
    EXPECT_EQ(bytes, 3);
    EXPECT_EQ(version, QStringLiteral("kept"));
    host::injectError(QStringLiteral("get.script.tiv("), 77, 1);
    EXPECT_EQ(glGetScriptTiv(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("olditem")), 0);
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
        return gbStartVrokSession(QStringLiteral("qxzrn3110s000"), QStringLiteral("qxzrn300"), QString(), record, 0,
                                  QString(), wait, QString());
    };
    const QStringList waited{"hourglass", "disable", "enable", "focus", "default"};

    EXPECT_FALSE(start(true)) << "nothing chosen: -1";
    EXPECT_EQ(events, waited);
    EXPECT_EQ(record, QStringLiteral("    "));

    host::scriptSessionAnswer(QStringLiteral("a \"record\""));
    EXPECT_TRUE(start(true));
    EXPECT_EQ(events, waited);
    EXPECT_EQ(record, QStringLiteral("a \"record\""));

    host::injectError(QStringLiteral("start.vrok.session("), 12, 1);
    EXPECT_FALSE(start(true));
    EXPECT_EQ(events, waited);
    EXPECT_EQ(record, QStringLiteral("    "));

    EXPECT_FALSE(start(false));
    EXPECT_EQ(events, QStringList({"hourglass", "default"}));
    EXPECT_EQ(host::sessionRequests().size(), 3) << "the failed call never reached the host's session";
    platform::resetMousePointer();
}

} // namespace
