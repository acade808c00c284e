// Version, form-dump and dictionary functions of the local host as the host sees them:
// answers read from the database, room limits of the bulk answers, bad data, the abort.
#include "call_text.h"
#include "form_dump.h"
#include "host_database.h"
#include "host_error.h"
#include "local_host.h"
#include "session_windows.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

std::string s(const QString& q) { return q.toStdString(); }

// A buffer with its text ends (Chr(1)) made visible.
std::string visible(const QString& s) { return QString(s).replace(QChar(1), u'|').toStdString(); }

class HostFunctions : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        db = openDatabase();
        ASSERT_TRUE(db);
        app = createHost();
    }
    void TearDown() override
    {
        host::resetSessionWindows();
        LocalHostFixture::TearDown();
    }
    int32_t call(const QString& callText, const char* object = "oqxdllextint")
    {
        int32_t n = 0;
        app->executeFunction(QString::fromLatin1(object), callText, n);
        return app->vrokError();
    }
    // The text the host returned at a position of its call.
    QString out(int position) const
    {
        return calltext::parse(app->returnCall()).value_or(calltext::Call{}).arg(position).text();
    }
    int64_t scalar(const QString& sql)
    {
        host::Statement st(db->handle(), sql);
        return st.step() ? st.int64(0) : -1;
    }
    void setMeta(const char* key, const QString& value)
    {
        host::Statement st(db->handle(), QStringLiteral("UPDATE host_meta SET value = ?2 WHERE key = ?1"));
        st.bind(1, QString::fromLatin1(key)).bind(2, value).exec();
    }

    std::unique_ptr<host::HostDatabase> db;
    std::unique_ptr<VrokApplication> app;
};

} // namespace

TEST_F(HostFunctions, InitDllExtIntAnswersFromTheDatabaseAndRefusesBadData)
{
    setMeta("dll_version", QStringLiteral("x9.9.123"));
    setMeta("bytes_per_char", QStringLiteral("2"));
    // Sent with blanks after the separators and before ")".
    ASSERT_EQ(call(QStringLiteral("init.dllextint(4, 0, \"    \" )")), 0)
        << s(dynamic_cast<host::LocalHost&>(*app).errorText());
    EXPECT_EQ(app->returnValue(), QStringLiteral("0"));
    EXPECT_EQ(app->returnCall(), QStringLiteral("init.dllextint(4,2,\"x9.9.123\")"));

    setMeta("bytes_per_char", QStringLiteral("many"));
    EXPECT_EQ(call(QStringLiteral("init.dllextint(4, 0, \"    \")")), host::kErrDatabase);
    setMeta("bytes_per_char", QStringLiteral("1"));
    db->exec(QStringLiteral("DELETE FROM host_meta WHERE key = 'dll_version'"));
    EXPECT_EQ(call(QStringLiteral("init.dllextint(4, 0, \"    \")")), host::kErrDatabase);
    EXPECT_EQ(app->returnCall(), QStringLiteral("init.dllextint(4, 0, \"    \")"));
}

TEST_F(HostFunctions, ScriptTivAnswersTheLevelOfTheMatchingScript)
{
    // Stored padded or not, in two versions of one script.
    db->exec(QStringLiteral("INSERT INTO qxzrn230 (cpac, cmod, cprs, vers, rele, cust, tivn) VALUES"
                            " ('tz', 'tzm', 'tzm1001m000', 'B40 ', '', '', 1074),"
                            " ('tz', 'tzm', 'tzm1001m000', 'B50 ', '', '', 1080),"
                            " ('tz ', ' tzm', 'tzm2002m000 ', 'B40 ', '', '', 1075),"
                            " ('tz', 'tzx', 'tzm3003m000', 'B40 ', '', '', 9)"));
    const char* const cases[][2] = {
        {"get.script.tiv(\"tz\",\"tzm\",\"tzm1001m000\")", "1080"},  // highest version
        {"get.script.tiv(\"tz \",\"tzm  \",\" tzm1001m000 \")", "1080"},  // blanks ignored
        {"get.script.tiv(\"tz\",\"tzm\",\"tzm2002m000\")", "1075"},  // stored with blanks
        {"get.script.tiv(\"tz\",\"tzm\",\"tzm3003m000\")", "0"},     // other module
        {"get.script.tiv(\"tz\",\"tzm\",\"nothing\")", "0"},
        {"get.script.tiv(\"\",\"\",\"\")", "0"},
        {"get.script.tiv(\"tz' OR '1'='1\",\"tzm\",\"x' OR 1=1 --\")", "0"},
        {"get.script.tiv(\"tz\",\"tzm\",\"tzm1001m000\"\" OR \"\"1\"\"=\"\"1\")", "0"},
    };
    for (const auto& [callText, level] : cases) {
        ASSERT_EQ(call(QString::fromUtf8(callText)), 0) << s(dynamic_cast<host::LocalHost&>(*app).errorText());
        EXPECT_EQ(app->returnValue(), QString::fromLatin1(level)) << callText;
        EXPECT_EQ(app->returnCall(), calltext::format(*calltext::parse(QString::fromUtf8(callText))));
    }
}

TEST_F(HostFunctions, DumpWritesTheFormsRowsInsideTheDumpDirectory)
{
    const QString dumps = tempDir() + QStringLiteral("/dumps");
    qputenv("PALIMOR_HOST_DUMP_DIR", dumps.toLocal8Bit());
    const int32_t dumped =
        call(QStringLiteral("ext.dump.form(\"te\",\"kwy\",\"simpled\",\"2\",\"7.6 \",\"a3\",\"dev \")"));
    const QString first = app->returnValue();
    // No rows: 1 and no file. Parts that look like a path stay in the directory.
    const int32_t none = call(QStringLiteral("ext.dump.form(\"..\",\"/..\",\"x/../y\",\"2\",\"7.6\",\"a3\",\"\")"));
    qunsetenv("PALIMOR_HOST_DUMP_DIR");
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(dumped).arg(first).arg(none).arg(app->returnValue()),
              QStringLiteral("0 0 0 1"));
    QFile file(dumps + QStringLiteral("/te_kwy_simpled_2_7.6_a3_dev.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              host::dumpForm(db->handle(), {"te", "kwy", "simpled", "2", "7.6", "a3", "dev"}));
    EXPECT_EQ(QDir(dumps).entryList(QDir::Files), QStringList{"te_kwy_simpled_2_7.6_a3_dev.txt"});
    EXPECT_TRUE(QDir(tempDir()).entryList({"*.txt"}, QDir::Files).isEmpty());
}

TEST_F(HostFunctions, EnumSetGivesEachDomainItsHeadAndTheConstantsThereIsRoomFor)
{
    db->exec(QStringLiteral("UPDATE qxzrn402 SET edes = 'Metre \"m\"' WHERE cdom = 'unit' AND cnst = 3;"
                            "UPDATE qxzrn402 SET edes = 'Each' WHERE cdom = 'unit' AND cnst = 1"));
    // unit: room for 3 of its 6 constants; nope: unknown; yeno: room for both.
    const QString request = QStringLiteral("teunit").leftJustified(17 + 3 * 60)
                            + QStringLiteral("tenope").leftJustified(17 + 60)
                            + QStringLiteral("teyeno").leftJustified(17 + 2 * 60);
    ASSERT_EQ(call(QStringLiteral("get.enum.set(%1)").arg(calltext::quote(request))), 0);
    EXPECT_EQ(visible(out(1)), "teunit        0  1   pcs            Each|2   kg             Kilogram|"
                               "3   m              Metre \"m\"|tenope        0  "
                               "teyeno        1  1   yes            Yes|2   no             No|");
}

TEST_F(HostFunctions, FieldListsFillOnlyTheRoomOfTheirBuffer)
{
    // Room for one record of 18 characters: one name, and the count says so.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"get.index.fields(\"te\",\"kwy\",\"005\",\"\",\"\",\"\",", 7, "tekwy005.orno"},
        {"get.combined.fields(\"tekwy004.wloc\",", 2, "tekwy004.cwar"},
    };
    for (const auto& [opening, position, first] : cases) {
        ASSERT_EQ(call(QString::fromLatin1(opening) + calltext::quote(QString(30, u' ')) + u')'), 0) << opening;
        EXPECT_EQ(app->returnValue(), QStringLiteral("1"));
        EXPECT_EQ(out(position), QString::fromLatin1(first).leftJustified(18) + QString(12, u' '));
    }
    // Refused: a flag that is neither 1 nor 2, a number where a text belongs.
    for (const char* bad : {"insert.qxzrn302(\"2\",\"te\",\"kwy\",\"f\",\"7.6\",\"a3\",\"dev\",1,3,\"\",\"\")",
                            "get.domains(5)"})
        EXPECT_EQ(call(QString::fromLatin1(bad)), host::kErrBadArgument) << bad;
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM qxzrn302 WHERE cfrm = 'f'")), 0);
}

TEST_F(HostFunctions, AbortRollsBackTheInputRecordsAndAnswersZeroWithoutATransaction)
{
    const QString abort = QStringLiteral("am_abort_transaction()");
    ASSERT_EQ(call(abort, "oqxsammain"), 0);
    EXPECT_EQ(app->returnValue(), QStringLiteral("0"));

    const int64_t before = scalar(QStringLiteral("SELECT count(*) FROM qxzrn302"));
    ASSERT_EQ(call(QStringLiteral("insert.qxzrn302(\"2\",\"te\",\"kwy\",\"simpled\",\"7.6 \",\"a3\",\"dev \",99,1,"
                                  "\"1\",\"a\"\"b\")")),
              0);
    auto& local = dynamic_cast<host::LocalHost&>(*app);
    {
        host::Statement st(local.database().handle(),
                           QStringLiteral("SELECT za_prop, defa FROM qxzrn302"
                                          " WHERE cfrm = 'simpled' AND sequ = 99 AND vers = '7.6' AND cust = 'dev'"));
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.int64(0), 1);
        EXPECT_EQ(st.text(1), QStringLiteral("a\"b"));
    }
    ASSERT_EQ(call(abort, "oqxsammain"), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM qxzrn302")), before);
    EXPECT_FALSE(local.database().inTransaction());
}
