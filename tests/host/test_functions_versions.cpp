#include "host_database.h"
#include "host_error.h"
#include "local_host.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <gtest/gtest.h>

namespace {

std::string s(const QString& q) { return q.toStdString(); }

class VersionFunctions : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        db = openDatabase();
        ASSERT_TRUE(db);
        app = createHost();
    }
    int32_t call(const QString& callText)
    {
        int32_t n = 0;
        app->executeFunction(QStringLiteral("oqxdllextint"), callText, n);
        return app->vrokError();
    }
    void setMeta(const char* key, const QString& value)
    {
        host::Statement st(db->handle(), QStringLiteral("UPDATE host_meta SET value = ?2 WHERE key = ?1"));
        st.bind(1, QString::fromLatin1(key)).bind(2, value).exec();
    }
    void addScript(const char* cpac, const char* cmod, const char* cprs, const char* vers, int tivn)
    {
        host::Statement st(db->handle(), QStringLiteral("INSERT INTO qxzrn230 (cpac, cmod, cprs, vers, rele, cust, tivn)"
                                                        " VALUES (?1, ?2, ?3, ?4, '', '', ?5)"));
        st.bind(1, QString::fromLatin1(cpac)).bind(2, QString::fromLatin1(cmod)).bind(3, QString::fromLatin1(cprs));
        st.bind(4, QString::fromLatin1(vers)).bind(5, tivn).exec();
    }

    std::unique_ptr<host::HostDatabase> db;
    std::unique_ptr<VrokApplication> app;
};

} // namespace

TEST_F(VersionFunctions, InitDllExtIntFillsBytesPerCharAndVersion)
{
    setMeta("dll_version", QStringLiteral("x9.9.123"));
    setMeta("bytes_per_char", QStringLiteral("2"));
    // Sent with blanks after the separators and before ")".
    ASSERT_EQ(call(QStringLiteral("init.dllextint(4, 0, \"    \" )")), 0)
        << s(dynamic_cast<host::LocalHost&>(*app).errorText());
    EXPECT_EQ(app->returnValue(), QStringLiteral("0"));
    EXPECT_EQ(app->returnCall(), QStringLiteral("init.dllextint(4,2,\"x9.9.123\")"));
}

TEST_F(VersionFunctions, InitDllExtIntRejectsBadCallsAndBadData)
{
    EXPECT_EQ(call(QStringLiteral("init.dllextint(4, 0)")), host::kErrBadArgument);
    EXPECT_EQ(call(QStringLiteral("init.dllextint(\"4\", 0, \"    \")")), host::kErrBadArgument);
    EXPECT_EQ(call(QStringLiteral("init.dllextint(4, \"0\", \"    \")")), host::kErrBadArgument);
    EXPECT_EQ(call(QStringLiteral("init.dllextint(4, 0, 0)")), host::kErrBadArgument);

    setMeta("bytes_per_char", QStringLiteral("many"));
    EXPECT_EQ(call(QStringLiteral("init.dllextint(4, 0, \"    \")")), host::kErrDatabase);
    setMeta("bytes_per_char", QStringLiteral("1"));
    db->exec(QStringLiteral("DELETE FROM host_meta WHERE key = 'dll_version'"));
    EXPECT_EQ(call(QStringLiteral("init.dllextint(4, 0, \"    \")")), host::kErrDatabase);
    EXPECT_EQ(app->returnCall(), QStringLiteral("init.dllextint(4, 0, \"    \")"));
}

struct TivCase {
    const char* callText;
    const char* level;
};
inline std::ostream& operator<<(std::ostream& os, const TivCase& c) { return os << c.callText; }

class ScriptTiv : public VersionFunctions, public ::testing::WithParamInterface<TivCase> {
protected:
    void SetUp() override
    {
        VersionFunctions::SetUp();
        addScript("tz", "tzm", "tzm1001m000", "B40 ", 1074);
        addScript("tz", "tzm", "tzm1001m000", "B50 ", 1080);
        addScript("tz ", " tzm", "tzm2002m000 ", "B40 ", 1075);
        addScript("tz", "tzx", "tzm3003m000", "B40 ", 9);
    }
};

TEST_P(ScriptTiv, AnswersTheLevelOfTheMatchingScript)
{
    const QString callText = QString::fromUtf8(GetParam().callText);
    ASSERT_EQ(call(callText), 0) << s(dynamic_cast<host::LocalHost&>(*app).errorText());
    EXPECT_EQ(app->returnValue(), QString::fromLatin1(GetParam().level)) << GetParam().callText;
    EXPECT_EQ(app->returnCall(), calltext::format(*calltext::parse(callText)));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, ScriptTiv,
    ::testing::Values(TivCase{"get.script.tiv(\"tz\",\"tzm\",\"tzm1001m000\")", "1080"},   // highest version
                      TivCase{"get.script.tiv(\"tz \",\"tzm  \",\" tzm1001m000 \")", "1080"},  // blanks ignored
                      TivCase{"get.script.tiv(\"tz\",\"tzm\",\"tzm2002m000\")", "1075"},  // stored with blanks
                      TivCase{"get.script.tiv(\"tz\",\"tzm\",\"tzm3003m000\")", "0"},     // other module
                      TivCase{"get.script.tiv(\"tz\",\"tzm\",\"nothing\")", "0"},
                      TivCase{"get.script.tiv(\"\",\"\",\"\")", "0"},
                      TivCase{"get.script.tiv(\"tz' OR '1'='1\",\"tzm\",\"x' OR 1=1 --\")", "0"},
                      TivCase{"get.script.tiv(\"tz\",\"tzm\",\"tzm1001m000\"\" OR \"\"1\"\"=\"\"1\")", "0"}));

TEST_F(VersionFunctions, ScriptTivNeedsThreeTexts)
{
    EXPECT_EQ(call(QStringLiteral("get.script.tiv(\"tz\",\"tzm\")")), host::kErrBadArgument);
    EXPECT_EQ(call(QStringLiteral("get.script.tiv(\"tz\",\"tzm\",1001)")), host::kErrBadArgument);
    EXPECT_EQ(app->returnValue(), QString());
}
