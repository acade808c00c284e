// The data-dictionary wrappers against the local host: their call texts, failure
// rules, and demo data holding double quotes read back exactly.
#include "support/CoreTestSupport.h"

#include <call_hooks.h>
#include <host_database.h>

#include <functional>

#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"
#include "support/LocalHostFixture.h"

namespace {

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

class Dictionary : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        resetDataSets();
        glFormVersionLevel = 11;
        gInitFormDataSets();
        gInitDataSets();
        goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
    }
    void TearDown() override
    {
        resetDataSets();
        CoreTest::TearDown();
    }
    static QString lastCall() { return host::callLog().isEmpty() ? QString() : host::callLog().last().callText; }

    LocalHostEnvironment env;
};

bool write302(bool insert, bool sync, const QString& inpRefExpr)
{
    const auto write = insert ? gbInsertQxzrn302 : gbUpdateQxzrn302;
    return write(QStringLiteral("2"), QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("simpled"),
                 QStringLiteral("7.6 "), QStringLiteral("a3"), QStringLiteral("dev "), 99, sync, inpRefExpr,
                 QStringLiteral("x"));
}

} // namespace

TEST_F(Dictionary, CallTexts)
{
    QString s1, s2, s3, s4, s5;
    int32_t n = 0;
    int16_t i16 = 0;
    bool flag = false;
    const std::pair<std::function<void()>, QString> cases[] = {
        // The update set's texts are quoted already: enclosed, not quoted again.
        {[] { gbExecuteVelqSet(QStringLiteral("k, \"\"a\"\"\"\"b\"\""), 1); },
         QStringLiteral("execute.velq.set(\"k, \"\"a\"\"\"\"b\"\"\",1,0)")},
        {[] { write302(true, true, QStringLiteral("a\"b")); },
         QStringLiteral("insert.qxzrn302(\"2\",\"te\",\"kwy\",\"simpled\",\"7.6 \",\"a3\",\"dev \",99,1,")
             + QStringLiteral("\"a\"\"b\",\"x\")")},
        {[] { write302(false, false, QString()); },
         QStringLiteral("update.qxzrn302(\"2\",\"te\",\"kwy\",\"simpled\",\"7.6 \",\"a3\",\"dev \",99,2,\"\",\"x\")")},
        {[&] { gGetDomainInfo(QStringLiteral("tedsca"), i16, flag, s1, i16, i16, i16, n); },
         QStringLiteral("get.domain.info(\"tedsca\",0,0,\"") + blanks(30) + QStringLiteral("\",0,0,0,0)")},
        {[&] {
             int32_t mand = 2, elements = 0, active = 1, combined = 2;
             gbGetTableFieldInfo(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("001"),
                                 QStringLiteral("item    "), s1, s2, mand, s3, s4, elements, active, combined, s5,
                                 QStringLiteral("7.6 "), QStringLiteral("a3"), QStringLiteral("dev "));
         },
         QStringLiteral("get.tablefield.info(\"te\",\"kwy\",\"001\",\"7.6 \",\"a3\",\"dev \",\"item    \",\"  \",\"")
             + blanks(12) + QStringLiteral("\",2,\"") + blanks(17) + QStringLiteral("\",\"  \",0,1,2,\"") + blanks(30)
             + QStringLiteral("\")")},
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
    host::injectError(QStringLiteral("insert.qxzrn302("), 104, 1);
    EXPECT_FALSE(write302(true, true, QString()));
    host::injectError(QStringLiteral("execute.velq.set("), 104, 1);
    EXPECT_FALSE(gbExecuteVelqSet(QString(), 1));
    EXPECT_EQ(dialogs->texts().filter(QStringLiteral("VElq")), QStringList{QStringLiteral("VElq error occurred : 1")});

    // Enumerates and sets always report 12 in the seventh place.
    for (const auto& [domain, type, seventh] :
         {std::tuple{"teyeno", 7, 12}, {"tewdays", 8, 12}, {"tedsca", 6, 30}, {"tenope", -1, 0}}) {
        int16_t typeOut = 0, fifth = 0, sixth = 0, seventhOut = 99;
        int32_t eighth = 0;
        bool flag = false;
        QString format;
        gGetDomainInfo(QString::fromLatin1(domain), typeOut, flag, format, fifth, sixth, seventhOut, eighth);
        EXPECT_EQ(std::tuple(typeOut, seventhOut), std::tuple(int16_t(type), int16_t(seventh))) << domain;
    }

    // Failed calls: outs as passed, except the texts blanked before the call.
    for (const char* f : {"get.domains(", "get.tablefield.info(", "get.combined.fields(", "vrok.format("})
        host::injectError(QString::fromLatin1(f), 104, 1);
    QString buffer = QStringLiteral("request");
    std::optional<int16_t> answer;
    EXPECT_FALSE(gbGetDomains(buffer, &answer));
    EXPECT_EQ(buffer, QStringLiteral("request"));
    EXPECT_FALSE(answer.has_value());
    QString dp = QStringLiteral("x"), dc = dp, label = dp, ref = dp, init = dp;
    int32_t mand = 5, elements = 5, active = 5, combined = 5;
    EXPECT_FALSE(gbGetTableFieldInfo(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("001"),
                                     QStringLiteral("item"), dp, dc, mand, label, ref, elements, active, combined,
                                     init, QStringLiteral("7.6"), QStringLiteral("a3"), QStringLiteral("dev")));
    EXPECT_EQ((QStringList{dp, dc, label, ref, init}),
              (QStringList{blanks(2), blanks(12), blanks(17), blanks(2), blanks(30)}));
    EXPECT_EQ(std::tuple(mand, elements, active, combined), std::tuple(5, 5, 5, 5));
    EXPECT_EQ(giGetCombinedFields(QStringLiteral("tekwy001.wloc"), buffer), 0);
    EXPECT_EQ(buffer, blanks(576));
    EXPECT_EQ(glVrokFormat(5, QStringLiteral("ZZ9"), 0, 0), 0);
    EXPECT_EQ(glVrokFormat(5, QStringLiteral("ZZ,ZZZ,ZZ9.99"), 0, 0), 13);
}

TEST_F(Dictionary, DemoDataWithQuotesReadsBackExactly)
{
    {
        std::unique_ptr<host::HostDatabase> db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
        db->exec(QStringLiteral("INSERT INTO qxzrn400 (cpac, cdom, vers, rele, cust, leng, lene, difo, digb, diga,"
                                " dtyp) VALUES ('te', 'quot', '7.6', 'a3', 'dev', 8, 9, 'Z\"Z,Z\"9', 5, 1, 4);"
                                "UPDATE qxzrn422 SET iniv = 'a \"b\"' WHERE flno = '001' AND fdnm = 'ityp'"));
    }
    QString domains;
    for (const char* key : {"tequot", "teyeno", "tenope"})
        domains += QString::fromLatin1(key).leftJustified(63);
    ASSERT_TRUE(gbGetDomains(domains));
    const QStringList expectedDomains[] = {{"tequot", "4", "2", "Z\"Z,Z\"9", "5", "1", "8", "9", "0"},
                                           {"teyeno", "7", "1", "", "0", "0", "3", "3", "2"},
                                           {"tenope", "-1", "", "", "", "", "", "", "0"}};
    for (int r = 0; r < 3; ++r) {
        QStringList got;
        const QString record = domains.mid(r * 63, 63);
        for (const char* code : {"pacd", "dtyp", "chkb", "difo", "digb", "diga", "leng", "difl", "ncns"}) {
            int32_t next = 0;
            got << gGetBufferField(QStringLiteral("domainset"), QString::fromLatin1(code), record, next)
                       .value_or(QStringLiteral("<none>"));
        }
        EXPECT_EQ(got, expectedDomains[r]);
    }

    // Compact answer records, read one after the other.
    QString fields;
    for (const char* key : {"tekwy001ityp", "tekwy002dsca", "tekwy001citg"})
        fields += QString::fromLatin1(key).leftJustified(67);
    ASSERT_TRUE(gbGetTableFieldSet(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("001"), fields));
    const QStringList expectedFields[] = {{"tekwy001ityp", "te", "ityp", "2", "", "0", "a \"b\""},
                                          {"tekwy002dsca", "", "", "", "", "", ""},  // not of the main table
                                          {"tekwy001citg", "te", "code", "2", "te", "0", ""}};
    int32_t position = 1;
    for (const QStringList& row : expectedFields) {
        QStringList got;
        for (const char* code : {"fldn", "pacd", "cdom", "mand", "pcrf", "nrel", "iniv"})
            got << gGetBufferFieldAt(QStringLiteral("tabelveldset"), QString::fromLatin1(code), fields, position)
                       .value_or(QStringLiteral("<none>"));
        EXPECT_EQ(got, row);
    }
    EXPECT_EQ(position, fields.size() + 1);

    int16_t type = 0, fifth = 0, sixth = 0, seventh = 0;
    int32_t eighth = 0;
    bool flag = true;
    QString format;
    gGetDomainInfo(QStringLiteral("tequot"), type, flag, format, fifth, sixth, seventh, eighth);
    EXPECT_EQ(std::tuple(type, flag, format, fifth, sixth, seventh, eighth),
              std::tuple(int16_t(4), false, QStringLiteral("Z\"Z,Z\"9"), int16_t(5), int16_t(1), int16_t(8), 9));

    QString dp, dc, label, ref, init;
    int32_t mand = 0, elements = -1, active = 0, combined = 0;
    ASSERT_TRUE(gbGetTableFieldInfo(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("001"),
                                    QStringLiteral("citg    "), dp, dc, mand, label, ref, elements, active, combined,
                                    init, QStringLiteral("7.6 "), QStringLiteral("a3"), QStringLiteral("dev ")));
    EXPECT_EQ((QStringList{dp, dc, label, ref, init}), (QStringList{"te", "code", "tekwy001.citg", "tekwy002", ""}));
    EXPECT_EQ(std::tuple(mand, elements, active, combined), std::tuple(2, 0, 1, 2));

    QString list = blanks(576);
    EXPECT_EQ(giGetViewFields(QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("items"),
                              QStringLiteral("te"), QStringLiteral("kwy"), QStringLiteral("001"), QStringLiteral("7.6"),
                              QStringLiteral("a3"), QStringLiteral("dev"), list),
              3);
    EXPECT_EQ(list, QStringLiteral("tekwy001.item     tekwy001.dsca     tekwy001.stoc").leftJustified(576));
    int32_t fieldPosition = 0, length = 0;
    ASSERT_TRUE(gbGetFieldInfo(QStringLiteral("qxzrn302.inpc"), fieldPosition, length, type));
    EXPECT_EQ(std::tuple(fieldPosition, length, type), std::tuple(4, 65, int16_t(11)));
}
