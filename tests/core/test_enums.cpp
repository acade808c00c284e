// The editor's enum domains: the first run loads them from the local host and writes
// the per-user cache, later runs read the cache; faulty answers are skipped.
#include "support/CoreTestSupport.h"

#include <local_host.h>

#include <QFileInfo>

#include "support/FileSizeLimit.h"

namespace {

const QString kApp2 = QStringLiteral("Palimor\\Enums\\Language.2");

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
    for (const auto* t : {&gaEnumFieldType, &gaEnumZoomType, &gaEnumDataAlign, &gaEnumLabelPos, &gaEnumInputKind,
                          &gaEnumCommandType})
        out << entries(*t) << QStringLiteral("--");
    return out;
}

// The local host, failing the nth call of one function.
struct FailOnCall : host::LocalHost {
    FailOnCall(const QString& path, const char* function, int nth)
        : LocalHost(openHostDatabase(path)), function(function), nth(nth)
    {
    }
    void executeFunction(const QString& object, const QString& callText, int32_t& n) override
    {
        if (host::functionOf(callText) == QLatin1String(function) && ++seen == nth)
            host::injectError(function, 7, 1);
        LocalHost::executeFunction(object, callText, n);
    }
    const char* function;
    int nth, seen = 0;
};

class Enums : public HostCoreTest {
protected:
    void SetUp() override
    {
        HostCoreTest::SetUp();
        newRun();
    }
    // The editor starts again on the same database and settings files.
    void newRun()
    {
        resetAll();
        resetLocalHostHooks();
        dialogs->clear();
        glBytesPerChar = 1;
        glFormVersionLevel = 11;
        gInitFormDataSets();
        gInitDataSets();
        gsUserLanguage = QStringLiteral("2");
        goVrokApp = createVrokObject(QStringLiteral("Vrok.Application"));
    }
    static int enumCalls() { return host::callCount("get.domains(") + host::callCount("get.enum.set("); }
    static bool cacheEmpty(const QString& app)
    {
        return std::all_of(std::begin(gasEnumDomains), std::end(gasEnumDomains),
                           [&](const QString& d) { return platform::getAllSettings(app, d).isEmpty(); });
    }
};

} // namespace

TEST_F(Enums, FirstRunLoadsTheHostAndALaterRunOnlyTheCache)
{
    db->exec("UPDATE qxzrn402 SET edes = 'Host text of none' WHERE cdom = 'zrn.adju' AND cnst = 1;"
             "UPDATE qxzrn402 SET edes = 'Shown \"as is\" here' WHERE cdom = 'zrn.typf' AND cnst = 2;"
             "UPDATE qxzrn402 SET edes = '' WHERE cdom = 'zrn.lpos' AND cnst = 2");
    gENUM_FillEnums();
    EXPECT_EQ(host::callCount("get.domains(") * 10 + host::callCount("get.enum.set("), 11);
    EXPECT_TRUE(dialogs->shown().empty());

    // input.alone is not kept.
    EXPECT_EQ(entries(gaEnumFieldType),
              QStringList({"0:0::", "1:1:input:Input", "2:2:display:Shown \"as is\" here",
                           "3:3:display.alone:Display only"}));
    // Alignment by value - 1; "none" shows the label text, not the host's description.
    EXPECT_EQ(entries(gaEnumDataAlign), QStringList({"0:1:none:As domain", "1:2:left:Left", "2:3:right:Right"}));
    EXPECT_EQ(gaEnumLabelPos[2].sDesc, QStringLiteral("above"));
    ASSERT_EQ(gaEnumInputKind.size(), 15u);
    EXPECT_EQ(entries(gaEnumInputKind).mid(12),
              QStringList({"12:12:datetime:Date and time", "13:0::", "14:14:binary:Binary object"}));
    EXPECT_EQ(gaEnumCommandType[4].sName, QStringLiteral("toolbar"));

    // The cache keeps the host's texts, the name in 15 characters, quotes doubled.
    const std::tuple<const char*, const char*, const char*> cached[] = {
        {"zrn.typf", "4", "input.alone    Input only"},
        {"zrn.typf", "2", "display        Shown \"\"as is\"\" here"},
        {"zrn.adju", "1", "none           Host text of none"},
        {"zrn.lpos", "2", "above          above"},
    };
    for (const auto& [section, key, value] : cached)
        EXPECT_EQ(platform::getSetting(kApp2, section, key), QString::fromLatin1(value));
    const QStringList first = allEntries();

    newRun();
    gENUM_FillEnums();
    EXPECT_EQ(enumCalls(), 0);
    EXPECT_EQ(allEntries(), first);

    // Another language has no cache yet: loaded from the host and cached apart.
    newRun();
    gsUserLanguage = QStringLiteral("3");
    gENUM_FillEnums();
    EXPECT_EQ(enumCalls(), 2);
    EXPECT_FALSE(cacheEmpty(QStringLiteral("Palimor\\Enums\\Language.3")));
}

TEST_F(Enums, ConstantsOutsideTheirTableAreReportedAndSkipped)
{
    db->exec("INSERT INTO qxzrn401 VALUES ('qx', 'zrn.adju', '7.6', 'a3', '', 0, 'zero'),"
             " ('qx', 'zrn.lpos', '7.6', 'a3', '', 200, 'far')");
    gENUM_FillEnums();

    EXPECT_EQ(dialogs->texts(), QStringList({"The value 0 (qxzrn.adju.zero) is out of range.",
                                             "The value 200 (qxzrn.lpos.far) is out of range."}));
    EXPECT_TRUE(entries(gaEnumDataAlign).first() == QStringLiteral("0:1:none:As domain") && gaEnumLabelPos.size() == 4u);
    // The load is complete without them: the cache is written, they are not in it.
    EXPECT_EQ(platform::getAllSettings(kApp2, "zrn.adju").size(), 3);
    EXPECT_EQ(platform::getSetting(kApp2, "zrn.lpos", "200", "-"), QStringLiteral("-"));

    // A cache entry under the lowest 32-bit key is out of range too, not a value wrapped round.
    ASSERT_TRUE(platform::saveSetting(kApp2, "zrn.adju", "-2147483648", "low"));
    newRun();
    gENUM_FillEnums();
    EXPECT_EQ(dialogs->texts(), QStringList({"The value -2147483648 (qxzrn.adju.low) is out of range."}));
    EXPECT_EQ(gaEnumDataAlign.size(), 3u);
}

TEST_F(Enums, AFailedHostCallLeavesTheCacheUnwritten)
{
    // 60 more constants: the enum request no longer fits one host buffer, so a
    // later request can fail after the first was read.
    db->exec("WITH RECURSIVE n(v) AS (SELECT 5 UNION ALL SELECT v + 1 FROM n WHERE v < 64)"
             " INSERT INTO qxzrn401 SELECT 'qx', 'zrn.btyp', '7.6', 'a3', '', v, 'k' || v FROM n");
    for (const auto& [function, nth] : {std::pair{"get.domains(", 1}, {"get.enum.set(", 1}, {"get.enum.set(", 2}}) {
        newRun();
        goVrokApp = std::make_unique<FailOnCall>(env.databasePath(), function, nth);
        gENUM_FillEnums();
        EXPECT_EQ(host::callCount("get.enum.set("), nth - (function == std::string("get.domains(")));
        EXPECT_TRUE(cacheEmpty(kApp2)) << function << nth;
        EXPECT_FALSE(dialogs->shown().empty()) << function << nth;  // reported by the call itself
    }

    // The next run asks the host again, in requests of at most 4050 characters.
    newRun();
    gENUM_FillEnums();
    const QStringList requests = callTexts(QStringLiteral("get.enum.set("));
    ASSERT_EQ(requests.size(), 2);
    for (const QString& r : requests)
        EXPECT_LE(r.size() - QStringLiteral("get.enum.set(\"\")").size(), 4050);
    EXPECT_FALSE(cacheEmpty(kApp2));
    ASSERT_EQ(gaEnumCommandType.size(), 65u);
    EXPECT_EQ(entries(gaEnumCommandType)[64], QStringLiteral("64:64:k64:k64"));
    EXPECT_EQ(entries(gaEnumLabelPos)[3], QStringLiteral("3:3:right:Right of the field"));
}

// A settings file that fills up at the cache's last entry: the entry that marks the
// cache present is written last, so no cache is left to be read for good.
TEST_F(Enums, ACacheWriteFailingAtItsEndLeavesNoCache)
{
    gENUM_FillEnums();
    const rlim_t whole = rlim_t(QFileInfo(tmp.filePath(QStringLiteral("user-settings.json"))).size());
    platform::setUserSettingsPath(tmp.filePath(QStringLiteral("again.json")));
    newRun();
    {
        const FileSizeLimit limit(whole - 1);
        ASSERT_TRUE(limit.isSet);
        gENUM_FillEnums();
    }
    EXPECT_EQ(platform::getSetting(kApp2, QStringLiteral("zrn.adju"), QStringLiteral("1")), QString());
    newRun();
    gENUM_FillEnums();
    EXPECT_EQ(enumCalls(), 2);
}
