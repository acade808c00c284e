// Wrappers of the label, message, documentation, icon and data-dictionary functions
// against the local host: their call texts, what they read back (double quotes
// exactly, the next field in place), and what a failed call leaves.
#include "call_hooks.h"
#include "data_sets.h"
#include "host_database.h"
#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <QFileInfo>

#include <functional>

namespace {

QString blanks(int n) { return QString(n, u' '); }
QString quotedBlanks(int n) { return u'"' + blanks(n) + u'"'; }

class LabelWrappers : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(host.ok()) << host.error().toStdString();
        glFormVersionLevel = 11;
        gInitFormDataSets();
        gInitDataSets();
        goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
        gsLanguage = "2";
        gsUserLanguage = QStringLiteral("2");
    }
    static QString lastCall() { return host::callLog().isEmpty() ? QString() : host::callLog().last().callText; }

    LocalHostEnvironment host;
};
using Dictionary = LabelWrappers;

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
    EXPECT_EQ(desc, QString());
    EXPECT_EQ(host::callCount("get.label("), calls);

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
    QString buffer = QStringLiteral("tetekwy100.stock   ").leftJustified(161);
    EXPECT_TRUE(gbGetGroupLabelsSet(buffer));
    EXPECT_TRUE(msExtCallText.startsWith(QStringLiteral("get.group.labels.set(\"2\", 40,\"tetekwy100.stock ")));
}

TEST_F(LabelWrappers, ALabelWithQuotesSurvivesTheLabelSetBuffer)
{
    openHostDatabase(host.databasePath())
        ->exec("INSERT INTO qxzrn140 VALUES"
               " ('2','te','tequote.x',1,30,'7.6','a3','dev','The \"big\" item',2,'THE\"BIG\"IT')");
    QString buffer;
    for (const char* code : {"tequote.x", "tekwy001.stoc"}) {
        datasets::RecordBuilder b(*datasets::findLayout(QStringLiteral("labelset")), 1);
        for (const auto& [field, value] : {std::pair{"cpac", "te"}, {"clab", code}, {"leng", "030"}, {"lhgt", "001"}})
            b.set(field, value);
        buffer += b.record();
    }
    EXPECT_TRUE(gbGetLabelSet(1, buffer));
    EXPECT_TRUE(msExtCallText.startsWith(QStringLiteral("get.label.set(\"2\",1,\"tetequote.x")));
    int32_t next = 0;
    EXPECT_EQ(gGetBufferField("labelset", "desc", buffer, next), QStringLiteral("The \"big\" item"));
    const QString second = buffer.mid(next - 1);
    EXPECT_EQ(gGetBufferField("labelset", "clab", second, next), QStringLiteral("tekwy001.stoc"));
    EXPECT_EQ(gGetBufferField("labelset", "desc", second, next), QStringLiteral("Quantity in stock"));
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
    EXPECT_TRUE(insert());
    EXPECT_EQ(msExtCallText, QStringLiteral("insert.qxzrn140(\"2\",\"te\",\"tekwy001.ins\",7,1,\"7.6\",\"a3\",\"dev\","
                                            "\"Say \"\"x\"\"\",\"SAY\"\"X\"\"\")"));
    EXPECT_TRUE(dialogs->shown().empty());
    EXPECT_FALSE(insert());  // the host has that variant now
    EXPECT_EQ(dialogs->texts(), QStringList{"VElq error occurred : 1"});
}

TEST_F(LabelWrappers, DocumentsIconsAndPictures)
{
    EXPECT_TRUE(gbCheckTechDocExists("te", "kwy", "itemsd", "7.6", "a3", "dev", "tekwy001.item"));
    EXPECT_FALSE(gbCheckTechDocExists("te", "kwy", "itemsd", "7.6", "a3", "dev", "tekwy001.nosuch"));
    QString file = QStringLiteral("keep");
    EXPECT_EQ(glGetPicture("teform_", "box", file), 0);
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(glRemoveFileFromServer(" ", file.chopped(4)), 0);
    EXPECT_EQ(msExtCallText, QStringLiteral("remove.file.from.server(\"\",\"%1\")").arg(file.chopped(4)));
    EXPECT_FALSE(QFileInfo::exists(file));

    QString icon = QStringLiteral("box");
    EXPECT_EQ(glSelectIcon("teform_", icon), 1);  // no chooser in the host
    EXPECT_EQ(msExtCallText, QStringLiteral("select.icon(\"teform_\",\"box             \")"));
}

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

TEST_F(Dictionary, CallTexts)
{
    const std::pair<std::function<void()>, QString> cases[] = {
        // The update set's texts are quoted already: enclosed, not quoted again.
        {[] { gbExecuteVelqSet("k, \"\"a\"\"\"\"b\"\"", 1); }, R"(execute.velq.set("k, ""a""""b""",1,0))"},
        {[] { write302(true, true, "a\"b"); },
         R"(insert.qxzrn302("2","te","kwy","simpled","7.6 ","a3","dev ",99,1,"a""b","x"))"},
        {[] { write302(false, false, QString()); },
         R"(update.qxzrn302("2","te","kwy","simpled","7.6 ","a3","dev ",99,2,"","x"))"},
    };
    for (const auto& [run, expected] : cases) {
        run();
        EXPECT_EQ(lastCall(), expected);
    }
}

TEST_F(Dictionary, RefusalsAndFailedCalls)
{
    // The host's refusal is shown with its number; a failed call only by the call itself.
    EXPECT_TRUE(write302(true, true, QString()));
    EXPECT_FALSE(write302(true, true, QString()));
    host::injectError("insert.qxzrn302(", 104, 1);
    EXPECT_FALSE(write302(true, true, QString()));
    host::injectError("execute.velq.set(", 104, 1);
    EXPECT_FALSE(gbExecuteVelqSet(QString(), 1));
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
    EXPECT_FALSE(gbGetDomains(buffer, &answer));
    EXPECT_EQ(buffer, QStringLiteral("request"));
    EXPECT_FALSE(answer.has_value());
    QStringList texts(5, QStringLiteral("x"));
    int32_t numbers[4] = {5, 5, 5, 5};
    EXPECT_FALSE(tableFieldInfo("item", texts, numbers, "7.6|a3|dev"));
    EXPECT_EQ(texts, (QStringList{blanks(2), blanks(12), blanks(17), blanks(2), blanks(30)}));
    EXPECT_EQ(QList<int32_t>(std::begin(numbers), std::end(numbers)), QList<int32_t>({5, 5, 5, 5}));
    EXPECT_EQ(giGetCombinedFields("tekwy001.wloc", buffer), 0);
    EXPECT_EQ(buffer, blanks(576));
    EXPECT_EQ(glVrokFormat(5, "ZZ9", 0, 0), 0);
    EXPECT_EQ(glVrokFormat(5, "ZZ,ZZZ,ZZ9.99", 0, 0), 13);
}

TEST_F(Dictionary, DemoDataWithQuotesReadsBackExactly)
{
    openHostDatabase(host.databasePath())
        ->exec("INSERT INTO qxzrn400 (cpac, cdom, vers, rele, cust, leng, lene, difo, digb, diga, dtyp)"
               " VALUES ('te', 'quot', '7.6', 'a3', 'dev', 8, 9, 'Z\"Z,Z\"9', 5, 1, 4);"
               "UPDATE qxzrn422 SET iniv = 'a \"b\"' WHERE flno = '001' AND fdnm = 'ityp'");
    QString domains;
    for (const char* key : {"tequot", "teyeno", "tenope"})
        domains += QString::fromLatin1(key).leftJustified(63);
    ASSERT_TRUE(gbGetDomains(domains));
    const QStringList expectedDomains[] = {{"tequot", "4", "2", "Z\"Z,Z\"9", "5", "1", "8", "9", "0"},
                                           {"teyeno", "7", "1", "", "0", "0", "3", "3", "2"},
                                           {"tenope", "-1", "", "", "", "", "", "", "0"}};
    for (int r = 0; r < 3; ++r) {
        QStringList got;
        for (const char* code : {"pacd", "dtyp", "chkb", "difo", "digb", "diga", "leng", "difl", "ncns"}) {
            int32_t next = 0;
            got << gGetBufferField("domainset", code, domains.mid(r * 63, 63), next).value_or("<none>");
        }
        EXPECT_EQ(got, expectedDomains[r]);
    }

    // Compact answer records, read one after the other.
    QString fields;
    for (const char* key : {"tekwy001ityp", "tekwy002dsca", "tekwy001citg"})
        fields += QString::fromLatin1(key).leftJustified(67);
    ASSERT_TRUE(gbGetTableFieldSet("te", "kwy", "001", fields));
    const QStringList expectedFields[] = {{"tekwy001ityp", "te", "ityp", "2", "", "0", "a \"b\""},
                                          {"tekwy002dsca", "", "", "", "", "", ""},  // not of the main table
                                          {"tekwy001citg", "te", "code", "2", "te", "0", ""}};
    int32_t position = 1;
    for (const QStringList& row : expectedFields) {
        QStringList got;
        for (const char* code : {"fldn", "pacd", "cdom", "mand", "pcrf", "nrel", "iniv"})
            got << gGetBufferFieldAt("tabelveldset", code, fields, position).value_or("<none>");
        EXPECT_EQ(got, row);
    }
    EXPECT_EQ(position, fields.size() + 1);

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
