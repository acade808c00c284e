// The editor's enum domains: the first run loads them from the local host and writes
// the per-user cache, later runs read the cache; faulty answers are skipped.
#include "support/CoreTestSupport.h"

#include <call_hooks.h>
#include <host_database.h>

#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_Enumerate.h"
#include "platform/UserSettings.h"
#include "support/LocalHostFixture.h"

namespace {

const QString kApp2 = QStringLiteral("Palimor\\Enums\\Language.2");

std::vector<EnumValueRecord>* const kTables[] = {&gaEnumFieldType, &gaEnumZoomType,  &gaEnumDataAlign,
                                                 &gaEnumLabelPos,  &gaEnumInputKind, &gaEnumCommandType};

// Every entry of a table as "index:value:name:description".
QStringList entries(const std::vector<EnumValueRecord>& table)
{
    QStringList out;
    for (size_t i = 0; i < table.size(); ++i)
        out << QStringLiteral("%1:%2:%3:%4").arg(i).arg(table[i].lValue).arg(table[i].sName, table[i].sDesc);
    return out;
}

QStringList allEntries()
{
    QStringList out;
    for (const auto* t : kTables)
        out << entries(*t) << QStringLiteral("--");
    return out;
}

// The local host, failing the nth call of one function.
class FailOnCall : public VrokApplication {
public:
    FailOnCall(std::unique_ptr<VrokApplication> inner, QString function, int nth)
        : inner(std::move(inner)), function(std::move(function)), nth(nth)
    {
    }
    void setLinkState(int32_t state) override { inner->setLinkState(state); }
    int32_t vrokError() const override { return inner->vrokError(); }
    QString returnValue() const override { return inner->returnValue(); }
    QString returnCall() const override { return inner->returnCall(); }
    void setLinkOption(int32_t option) override { inner->setLinkOption(option); }
    void shutdown() override { inner->shutdown(); }
    void executeFunction(const QString& object, const QString& callText, int32_t& n) override
    {
        if (host::functionOf(callText) == function && ++seen == nth)
            host::injectError(function, 7, 1);
        inner->executeFunction(object, callText, n);
    }

private:
    std::unique_ptr<VrokApplication> inner;
    QString function;
    int nth;
    int seen = 0;
};

class Enums : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
        platform::setUserSettingsPath(tmp.filePath(QStringLiteral("user-settings.json")));
        newRun();
    }
    void TearDown() override
    {
        resetEnumerate();
        resetDataSets();
        platform::setUserSettingsPath(QString());
        CoreTest::TearDown();
    }
    // The editor starts again on the same database and settings files.
    void newRun()
    {
        resetVrokInterface();
        resetTexts();
        resetDataSets();
        resetEnumerate();
        glBytesPerChar = 1;
        glFormVersionLevel = 11;
        gInitFormDataSets();
        gInitDataSets();
        gsUserLanguage = QStringLiteral("2");
        goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
    }
    int enumCalls() const
    {
        return host::callCount(QStringLiteral("get.domains(")) + host::callCount(QStringLiteral("get.enum.set("));
    }
    bool cacheEmpty(const QString& app) const
    {
        for (const QString& d : gasEnumDomains)
            if (!platform::getAllSettings(app, d).isEmpty())
                return false;
        return true;
    }

    LocalHostEnvironment env;
    std::unique_ptr<host::HostDatabase> db;
};

} // namespace

TEST_F(Enums, FirstRunLoadsTheHostAndALaterRunOnlyTheCache)
{
    db->exec(QStringLiteral("UPDATE qxzrn402 SET edes = 'Host text of none' WHERE cdom = 'zrn.adju' AND cnst = 1;"
                            "UPDATE qxzrn402 SET edes = 'Shown \"as is\" here' WHERE cdom = 'zrn.typf' AND cnst = 2;"
                            "UPDATE qxzrn402 SET edes = '' WHERE cdom = 'zrn.lpos' AND cnst = 2"));

    gENUM_FillEnums();
    EXPECT_EQ(host::callCount(QStringLiteral("get.domains(")), 1);
    EXPECT_EQ(host::callCount(QStringLiteral("get.enum.set(")), 1);
    EXPECT_TRUE(dialogs->shown().empty());

    const QStringList fieldTypes = {"0:0::", "1:1:input:Input", "2:2:display:Shown \"as is\" here",
                                    "3:3:display.alone:Display only"};  // input.alone is not kept
    EXPECT_EQ(entries(gaEnumFieldType), fieldTypes);
    // Alignment by value - 1; "none" shows the label text, not the host's description.
    EXPECT_EQ(entries(gaEnumDataAlign), (QStringList{"0:1:none:As domain", "1:2:left:Left", "2:3:right:Right"}));
    EXPECT_EQ(gaEnumLabelPos[2].sDesc, QStringLiteral("above"));
    ASSERT_EQ(gaEnumInputKind.size(), 15u);
    EXPECT_EQ(entries(gaEnumInputKind).mid(12), (QStringList{"12:12:datetime:Date and time", "13:0::",
                                                             "14:14:binary:Binary object"}));
    EXPECT_EQ(gaEnumCommandType[4].sName, QStringLiteral("toolbar"));

    // The cache keeps the host's texts, the name in 15 characters, quotes doubled.
    struct Cached {
        const char* section;
        const char* key;
        const char* value;
    };
    const Cached cached[] = {
        {"zrn.typf", "4", "input.alone    Input only"},
        {"zrn.typf", "2", "display        Shown \"\"as is\"\" here"},
        {"zrn.adju", "1", "none           Host text of none"},
        {"zrn.lpos", "2", "above          above"},
    };
    for (const Cached& c : cached)
        EXPECT_EQ(platform::getSetting(kApp2, QString::fromLatin1(c.section), QString::fromLatin1(c.key)),
                  QString::fromLatin1(c.value));
    const QStringList first = allEntries();

    newRun();
    gENUM_FillEnums();
    EXPECT_EQ(enumCalls(), 2);
    EXPECT_EQ(allEntries(), first);

    // Another language has no cache yet: loaded from the host and cached apart.
    newRun();
    gsUserLanguage = QStringLiteral("3");
    gENUM_FillEnums();
    EXPECT_EQ(enumCalls(), 4);
    EXPECT_FALSE(cacheEmpty(QStringLiteral("Palimor\\Enums\\Language.3")));
}

TEST_F(Enums, ConstantsOutsideTheirTableAreReportedAndSkipped)
{
    db->exec(QStringLiteral("INSERT INTO qxzrn401 VALUES ('qx', 'zrn.adju', '7.6', 'a3', '', 0, 'zero'),"
                            " ('qx', 'zrn.lpos', '7.6', 'a3', '', 200, 'far')"));
    gENUM_FillEnums();

    EXPECT_EQ(dialogs->texts(), (QStringList{QStringLiteral("The value 0 (qxzrn.adju.zero) is out of range."),
                                             QStringLiteral("The value 200 (qxzrn.lpos.far) is out of range.")}));
    EXPECT_EQ(entries(gaEnumDataAlign).first(), QStringLiteral("0:1:none:As domain"));
    EXPECT_EQ(gaEnumLabelPos.size(), 4u);
    // The load is complete without them: the cache is written, they are not in it.
    EXPECT_EQ(platform::getAllSettings(kApp2, QStringLiteral("zrn.adju")).size(), 3);
    EXPECT_EQ(platform::getSetting(kApp2, QStringLiteral("zrn.lpos"), QStringLiteral("200"), QStringLiteral("-")),
              QStringLiteral("-"));
}

TEST_F(Enums, AFailedHostCallLeavesTheCacheUnwritten)
{
    // 60 more constants: the enum request no longer fits one host buffer, so a
    // later request can fail after the first was read.
    db->exec(QStringLiteral("WITH RECURSIVE n(v) AS (SELECT 5 UNION ALL SELECT v + 1 FROM n WHERE v < 64)"
                            " INSERT INTO qxzrn401 SELECT 'qx', 'zrn.btyp', '7.6', 'a3', '', v, 'k' || v FROM n"));
    const std::pair<const char*, int> failures[] = {{"get.domains(", 1}, {"get.enum.set(", 1}, {"get.enum.set(", 2}};
    for (const auto& [function, nth] : failures) {
        newRun();
        resetLocalHostHooks();
        goVrokApp = std::make_unique<FailOnCall>(std::move(goVrokApp), QString::fromLatin1(function), nth);
        gENUM_FillEnums();
        EXPECT_EQ(host::callCount(QStringLiteral("get.enum.set(")), nth - (function == std::string("get.domains(")));
        EXPECT_TRUE(cacheEmpty(kApp2)) << function << nth;
        EXPECT_FALSE(dialogs->shown().empty()) << function << nth;  // reported by the call itself
    }

    // The next run asks the host again, in requests of at most 4050 characters.
    newRun();
    resetLocalHostHooks();
    gENUM_FillEnums();
    int requests = 0;
    for (const host::LoggedCall& c : host::callLog()) {
        if (c.function != QLatin1String("get.enum.set("))
            continue;
        ++requests;
        EXPECT_LE(c.callText.size() - QStringLiteral("get.enum.set(\"\")").size(), 4050);
    }
    EXPECT_EQ(requests, 2);
    EXPECT_FALSE(cacheEmpty(kApp2));
    ASSERT_EQ(gaEnumCommandType.size(), 65u);
    EXPECT_EQ(entries(gaEnumCommandType)[64], QStringLiteral("64:64:k64:k64"));
    EXPECT_EQ(entries(gaEnumLabelPos)[3], QStringLiteral("3:3:right:Right of the field"));
}
