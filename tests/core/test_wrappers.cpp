// The wrappers of the host functions against the local host: their call texts, what
// they read back (double quotes exactly, the next field in place), what a failed call
// leaves, and the windows and pointer around a session start.
#include "support/CoreTestSupport.h"

#include <functional>

namespace {

QString blanks(int n) { return QString(n, u' '); }
QString quotedBlanks(int n) { return u'"' + blanks(n) + u'"'; }

class Wrappers : public HostCoreTest {
protected:
    void SetUp() override
    {
        HostCoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(connectWithDataSets());
        gsPackage = "te", gsModule = "kwy", gsFormCode = "simpled", gsLanguage = "2";
        gsVersion = "7.6", gsRelease = "a3", gsCustomer = "dev";
        gsUserLanguage = QStringLiteral("2");
        giToolsVersion = 4;
    }
};
using LabelWrappers = Wrappers;
using SessionWrappers = Wrappers;
using Dictionary = Wrappers;

bool write302(bool insert, bool sync, const QString& inpRefExpr)
{
    return (insert ? gbInsertQxzrn302 : gbUpdateQxzrn302)("2", "te", "kwy", "simpled", "7.6 ", "a3", "dev ", 99, sync,
                                                          inpRefExpr, "x");
}

// texts: domain package and code, label, reference table, initial value; numbers:
// mandatory, elements, active, combined.
bool tableFieldInfo(const char* field, QStringList& texts, int32_t (&numbers)[4], const char* vrc = "7.6 |a3|dev ")
{
    const QStringList v = QString::fromLatin1(vrc).split(u'|');
    return gbGetTableFieldInfo("te", "kwy", "001", field, texts[0], texts[1], numbers[0], texts[2], texts[3], numbers[1],
                               numbers[2], numbers[3], texts[4], v[0], v[1], v[2]);
}

} // namespace

TEST_F(LabelWrappers, LabelsAreAskedAndReadByPosition)
{
    QString desc = QStringLiteral("keep");
    int16_t length = 29, height = 1;
    EXPECT_EQ(glGetLabel("te", "tekwy100.stock", "2", desc, length, height, 0, 1), 0);
    EXPECT_EQ(msExtCallText,
              QStringLiteral("get.label(\"2\",\"te\",\"tekwy100.stock\",%1,29,1,1,0,1)").arg(quotedBlanks(70)));
    EXPECT_EQ(desc + QStringLiteral("|%1|%2").arg(length).arg(height), QStringLiteral("Stock|10|1"));

    length = 0;  // no room: not asked
    const int calls = host::callCount("get.label(");
    EXPECT_EQ(glGetLabel("te", "x", "2", desc, length, height, 0, 1), 0);
    EXPECT_TRUE(desc.isEmpty() && host::callCount("get.label(") == calls);

    // The fifth parameter goes out at position 6, the sixth at 5, and each comes back from there.
    desc = QStringLiteral("quantity in stock");
    QString code;
    int16_t first = 70, second = 0, third = 0;
    gSearchExistingLabels("2", "te", desc, code, first, second, third);
    EXPECT_EQ(msExtCallText,
              QStringLiteral("search.existing.labels(\"2\",\"te\",\"quantity in stock\",%1,0,70,0)").arg(quotedBlanks(17)));
    EXPECT_EQ(QStringLiteral("%1|%2|%3|%4|%5").arg(desc, code).arg(first).arg(second).arg(third),
              QStringLiteral("Quantity in stock|tekwy001.stoc|30|1|1"));

    QString tab = QStringLiteral("t"), frame = QStringLiteral("f");
    EXPECT_TRUE(gbGetGroupLabels("te", "tekwy100.stock   ", tab, frame));
    EXPECT_EQ(msExtCallText,
              QStringLiteral("get.group.labels(\"2\",\"te\",\"tekwy100.stock   \",40,%1,%1)").arg(quotedBlanks(70)));
    EXPECT_EQ(tab + u'|' + frame, QStringLiteral("Stock|Stock levels and storage place"));
}

TEST_F(LabelWrappers, InsertMeasureAndSearchKey)
{
    int16_t height = 0, length = 0;
    gCompLabelDims("Say \"x\"", height, length);
    EXPECT_EQ(msExtCallText, QStringLiteral("comp.label.dims(\"Say \"\"x\"\"\",0,0)"));
    EXPECT_EQ(length * 10 + height, 71);
    EXPECT_EQ(gsCompSeak("Say \"x\""), QStringLiteral("SAY\"X\""));
    EXPECT_EQ(gsCompSeak(QString()), QStringLiteral("0"));  // the host answered nothing

    auto insert = [&] {
        return gbInsertQxzrn140("2", "te", "tekwy001.ins", height, length, "7.6", "a3", "dev", "Say \"x\"", "SAY\"X\"");
    };
    EXPECT_TRUE(insert() && dialogs->shown().empty());
    EXPECT_EQ(msExtCallText, QStringLiteral("insert.qxzrn140(\"2\",\"te\",\"tekwy001.ins\",7,1,\"7.6\",\"a3\",\"dev\","
                                            "\"Say \"\"x\"\"\",\"SAY\"\"X\"\"\")"));
    EXPECT_FALSE(insert());  // the host has that variant now
    EXPECT_EQ(dialogs->texts(), QStringList{"VElq error occurred : 1"});
}

// Pictures are fetched and removed with the property dialog's icon (test_properties_dialog).
TEST_F(LabelWrappers, AFailedCallKeepsEveryParameterAndTellsFromTheHostsZero)
{
    for (const char* f : {"get.label(", "get.label.set(", "get.message(", "search.existing.labels(", "comp.seak(",
                          "comp.label.dims(", "get.picture(", "select.icon(", "validate.searchdesc(",
                          "remove.file.from.server(", "insert.qxzrn140(", "get.group.labels("})
        host::injectError(f, 105);
    QString text = QStringLiteral("keep"), code = QStringLiteral("keep"), other = QStringLiteral("keep");
    int16_t a = 7, b = 8, c = 9;
    EXPECT_EQ(glGetLabel("te", "tekwy100.stock", "2", text, a, b, 0, 1), kLabelCallFailed);
    EXPECT_FALSE(gbGetLabelSet(1, text));
    EXPECT_FALSE(gbGetGroupLabels("te", "tekwy100.stock", code, other));
    gGetMessage("qxplqx0401", text, "2");
    gSearchExistingLabels("2", "te", text, code, a, b, c);
    gCompLabelDims("x", a, b);
    EXPECT_EQ(gsCompSeak("x"), QString());
    EXPECT_EQ(glGetPicture("teform_", "box", other), kLabelCallFailed);
    EXPECT_EQ(glSelectIcon("teform_", code), kLabelCallFailed);
    EXPECT_EQ(glValidateSearchDesc("te", "kwy", "002", "7.6", "a3", "dev", "dsca"), kLabelCallFailed);
    EXPECT_EQ(glRemoveFileFromServer(QString(), "x"), kLabelCallFailed);
    EXPECT_EQ(text + code + other + QStringLiteral("|%1|%2|%3").arg(a).arg(b).arg(c), QStringLiteral("keepkeepkeep|7|8|9"));
    const int shown = int(dialogs->shown().size());
    EXPECT_FALSE(gbInsertQxzrn140("2", "te", "x", 1, 1, "7.6", "a3", "dev", "x", "X"));
    EXPECT_FALSE(dialogs->texts().mid(shown).join(u'\n').contains(QStringLiteral("VElq")));
}

// The update set's call text is read back by test_store.
TEST_F(Dictionary, InputPropertyCallTexts)
{
    write302(true, true, "a\"b");
    EXPECT_EQ(msExtCallText, R"(insert.qxzrn302("2","te","kwy","simpled","7.6 ","a3","dev ",99,1,"a""b","x"))");
    write302(false, false, QString());
    EXPECT_EQ(msExtCallText, R"(update.qxzrn302("2","te","kwy","simpled","7.6 ","a3","dev ",99,2,"","x"))");
}

TEST_F(Dictionary, RefusalsAndFailedCalls)
{
    // The host's refusal is shown with its number; a failed call only by the call itself.
    EXPECT_TRUE(write302(true, true, QString()));
    EXPECT_FALSE(write302(true, true, QString()));
    host::injectError("insert.qxzrn302(", 104, 1);
    EXPECT_FALSE(write302(true, true, QString()));
    EXPECT_EQ(dialogs->texts().filter(QStringLiteral("VElq")), QStringList{"VElq error occurred : 1"});

    // Enumerates and sets always report 12 in the seventh place.
    for (const auto& [domain, type, seventh] :
         {std::tuple{"teyeno", 7, 12}, {"tewdays", 8, 12}, {"tedsca", 6, 30}, {"tenope", -1, 0}}) {
        int16_t typeOut = 0, fifth = 0, sixth = 0, seventhOut = 99;
        int32_t eighth = 0;
        bool flag = false;
        QString format;
        gGetDomainInfo(domain, typeOut, flag, format, fifth, sixth, seventhOut, eighth);
        EXPECT_EQ(std::tuple(typeOut, seventhOut), std::tuple(int16_t(type), int16_t(seventh))) << domain;
    }

    // Failed calls: outs as passed, except the texts blanked before the call.
    for (const char* f : {"get.domains(", "get.tablefield.info(", "get.combined.fields(", "vrok.format("})
        host::injectError(f, 104, 1);
    QString buffer = QStringLiteral("request");
    std::optional<int16_t> answer;
    EXPECT_FALSE(gbGetDomains(buffer, &answer) || answer.has_value());
    EXPECT_EQ(buffer, QStringLiteral("request"));
    QStringList texts(5, QStringLiteral("x"));
    int32_t numbers[4] = {5, 5, 5, 5};
    EXPECT_FALSE(tableFieldInfo("item", texts, numbers, "7.6|a3|dev"));
    EXPECT_EQ(texts, (QStringList{blanks(2), blanks(12), blanks(17), blanks(2), blanks(30)}));
    EXPECT_EQ(QList<int32_t>(std::begin(numbers), std::end(numbers)), QList<int32_t>({5, 5, 5, 5}));
    EXPECT_EQ(giGetCombinedFields("tekwy001.wloc", buffer), 0);
    EXPECT_EQ(buffer, blanks(576));
    EXPECT_EQ(glVrokFormat(5, "ZZ9", 0, 0) * 100 + glVrokFormat(5, "ZZ,ZZZ,ZZ9.99", 0, 0), 13);
}

TEST_F(Dictionary, DemoDataReadsBackExactly)
{
    // Quoted texts in the domain and table-field sets: test_text_caches.
    db->exec("INSERT INTO qxzrn400 (cpac, cdom, vers, rele, cust, leng, lene, difo, digb, diga, dtyp)"
               " VALUES ('te', 'quot', '7.6', 'a3', 'dev', 8, 9, 'Z\"Z,Z\"9', 5, 1, 4)");
    int16_t type = 0, fifth = 0, sixth = 0, seventh = 0;
    int32_t eighth = 0;
    bool flag = true;
    QString format;
    gGetDomainInfo("tequot", type, flag, format, fifth, sixth, seventh, eighth);
    EXPECT_EQ(std::tuple(type, flag, format, fifth, sixth, seventh, eighth),
              std::tuple(int16_t(4), false, QStringLiteral("Z\"Z,Z\"9"), int16_t(5), int16_t(1), int16_t(8), 9));

    QStringList texts(5);
    int32_t numbers[4] = {0, -1, 0, 0};
    ASSERT_TRUE(tableFieldInfo("citg    ", texts, numbers));
    EXPECT_EQ(texts, (QStringList{"te", "code", "tekwy001.citg", "tekwy002", ""}));
    EXPECT_EQ(QList<int32_t>(std::begin(numbers), std::end(numbers)), QList<int32_t>({2, 0, 1, 2}));

    QString list = blanks(576);
    EXPECT_EQ(giGetViewFields("te", "kwy", "items", "te", "kwy", "001", "7.6", "a3", "dev", list), 3);
    EXPECT_EQ(list, QStringLiteral("tekwy001.item     tekwy001.dsca     tekwy001.stoc").leftJustified(576));
    int32_t fieldPosition = 0, length = 0;
    ASSERT_TRUE(gbGetFieldInfo("qxzrn302.inpc", fieldPosition, length, type));
    EXPECT_EQ(std::tuple(fieldPosition, length, type), std::tuple(4, 65, int16_t(11)));
}

TEST_F(SessionWrappers, CallTextsAreExactAndTheHostAcceptsThem)
{
    QString a, b, c, d, e, f, g, h;
    int16_t mode = 3;
    int32_t bytes = 1;
    QString rec = QStringLiteral("  ");
    QString language = QStringLiteral("2");
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
        {[&] { gbStartVrokSession("qxzrn3100s000", "qxzrn300", "k\"y", rec, 0, "a ,b", false, language); },
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
    EXPECT_EQ(host::scriptEditRequests().value(0).script, QStringLiteral("simple"));
}

// Look-ups found and not found in the demo data; a quoted description reads back exactly.
TEST_F(SessionWrappers, LookUpsFindTheDemoObjects)
{
    QString v, r, c, desc;
    const auto menu = [&](const char* parm) { return gbGetMenuVrc("te", "kwy", "stock", parm, 1, v, r, c); };
    const auto table = [&](const char* number) { return gbGetTableVrc("te", "kwy", number, 0, v, r, c); };
    const auto message = [](const char* code) { return gbGetMessageVrc("qx", code); };
    const auto runtime = [](const char* cust) {
        return gbCheckRuntimeFormVrc("tekwysimple", gsVersion, gsRelease, QLatin1String(cust));
    };
    EXPECT_EQ(QList<bool>({menu("2"), menu("3"), table("005"), table("009"), message("plqx0302    "),
                           message("plqx9999    "), runtime("dev "), runtime("    ")}),
              QList<bool>({true, false, true, false, true, false, true, false}));

    ASSERT_TRUE(gbGetQuestionVrc("qx", "plqx0003", 2, desc, "2"));
    EXPECT_EQ(desc.trimmed(), QStringLiteral("The form has been changed. Save the changes?"));
    gGetOrigVrc("te", "7.6 ", "a3", "dev ", v, r, c, desc);
    EXPECT_EQ(QStringList({v, r, c, desc}), QStringList({"te", "7.6 ", "a3", "dev "}));

    db->exec("UPDATE qxzrn400 SET desc = 'Yes \"or\" no' WHERE cdom = 'yeno';"
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
        {"check.runtime.form.vrc(",
         [](QStringList& o, int16_t&) { return gbCheckRuntimeFormVrc("tekwysimple", o[0], o[1], o[2]); }},
        {"start.vrok.session(", [](QStringList& o, int16_t&) {
             return gbStartVrokSession("qxzrn2100s000", "qxzrn200", QString(), o[0], 0, QString(), false, o[1]);
         }},
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
        QString language;
        return gbStartVrokSession("qxzrn3110s000", "qxzrn300", QString(), record, 0, QString(), wait, language);
    };
    const QStringList waited{"hourglass", "disable", "enable", "focus", "default"};

    // Nothing chosen (-1), a record chosen, and a failed call.
    for (const auto& [chosen, fail, answer] : {std::tuple{"", false, "    "}, {"a \"record\"", false, "a \"record\""},
                                               {"", true, "    "}}) {
        if (*chosen)
            host::scriptSessionAnswer(QString::fromUtf8(chosen));
        if (fail)
            host::injectError("start.vrok.session(", 12, 1);
        EXPECT_EQ(start(true), *chosen != 0);
        EXPECT_EQ(events, waited);
        EXPECT_EQ(record, QString::fromUtf8(answer));
    }
    EXPECT_FALSE(start(false));
    EXPECT_EQ(events, QStringList({"hourglass", "default"}));
    EXPECT_EQ(host::sessionRequests().size(), 3) << "the failed call never reached the host's session";
    platform::resetMousePointer();
}
