// The local host's dictionary functions as the host sees them: answer layouts of
// the bulk requests, room limits, bad calls, and the transaction abort.
#include "host_database.h"
#include "host_error.h"
#include "local_host.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <gtest/gtest.h>

namespace {

const QChar E = QChar(1);

// A buffer with its text ends made visible.
std::string visible(const QString& s) { return QString(s).replace(E, u'|').toStdString(); }

class DictionaryFunctions : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        db = openDatabase();
        ASSERT_TRUE(db);
        app = createHost();
    }
    int32_t call(const QString& callText, const char* object = "oqxdllextint")
    {
        int32_t n = 0;
        app->executeFunction(QString::fromLatin1(object), callText, n);
        return app->vrokError();
    }
    // The text the host returned at the only text position of a one-buffer call.
    QString answer() const
    {
        const QString rc = app->returnCall();
        const qsizetype open = rc.indexOf(QLatin1Char('"'));
        return rc.mid(open + 1, rc.lastIndexOf(QLatin1Char('"')) - open - 1).replace(QStringLiteral("\"\""),
                                                                                     QStringLiteral("\""));
    }
    int64_t scalar(const QString& sql)
    {
        host::Statement st(db->handle(), sql);
        st.step();
        return st.int64(0);
    }

    std::unique_ptr<host::HostDatabase> db;
    std::unique_ptr<VrokApplication> app;
};

QString quoted(QString s) { return QLatin1Char('"') + s.replace(u'"', QStringLiteral("\"\"")) + QLatin1Char('"'); }

} // namespace

TEST_F(DictionaryFunctions, EnumSetGivesEachDomainItsHeadAndTheConstantsThereIsRoomFor)
{
    db->exec(QStringLiteral("UPDATE qxzrn402 SET edes = 'Metre \"m\"' WHERE cdom = 'unit' AND cnst = 3"));
    // unit: room for 3 of its 6 constants; nope: unknown; yeno: room for both.
    const QString request = QStringLiteral("teunit").leftJustified(17 + 3 * 60)
                            + QStringLiteral("tenope").leftJustified(17 + 60)
                            + QStringLiteral("teyeno").leftJustified(17 + 2 * 60);
    ASSERT_EQ(call(QStringLiteral("get.enum.set(") + quoted(request) + QLatin1Char(')')), 0);
    const QString expected = QStringLiteral("teunit        0  ") + QStringLiteral("1   pcs            Pieces") + E
                             + QStringLiteral("2   kg             Kilogram") + E
                             + QStringLiteral("3   m              Metre \"m\"") + E
                             + QStringLiteral("tenope        0  ")
                             + QStringLiteral("teyeno        1  ") + QStringLiteral("1   yes            Yes") + E
                             + QStringLiteral("2   no             No") + E;
    EXPECT_EQ(visible(answer()), visible(expected));
}

TEST_F(DictionaryFunctions, FieldListsFillOnlyTheRoomOfTheirBuffer)
{
    // Room for one record of 18 characters: one name, and the count says so.
    const std::pair<const char*, const char*> cases[] = {
        {"get.index.fields(\"te\",\"kwy\",\"005\",\"\",\"\",\"\",", "tekwy005.orno"},
        {"get.combined.fields(\"tekwy004.wloc\",", "tekwy004.cwar"},
    };
    for (const auto& [opening, first] : cases) {
        ASSERT_EQ(call(QString::fromLatin1(opening) + quoted(QString(30, u' ')) + QLatin1Char(')')), 0) << opening;
        EXPECT_EQ(app->returnValue(), QStringLiteral("1"));
        EXPECT_EQ(visible(answer().section(QLatin1Char('"'), -1)),
                  visible(QString::fromLatin1(first).leftJustified(18) + QString(12, u' ')));
    }
    // Refused: a flag that is neither 1 nor 2, a number where a text belongs.
    for (const char* bad : {"insert.qxzrn302(\"2\",\"te\",\"kwy\",\"f\",\"7.6\",\"a3\",\"dev\",1,3,\"\",\"\")",
                            "get.domains(5)"})
        EXPECT_EQ(call(QString::fromLatin1(bad)), host::kErrBadArgument) << bad;
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM qxzrn302 WHERE cfrm = 'f'")), 0);
}

TEST_F(DictionaryFunctions, AbortRollsBackTheInputRecordsAndAnswersZeroWithoutATransaction)
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
                           QStringLiteral("SELECT za_prop, inpc, defa FROM qxzrn302"
                                          " WHERE cfrm = 'simpled' AND sequ = 99 AND vers = '7.6' AND cust = 'dev'"));
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.int64(0), 1);
        EXPECT_EQ(visible(st.text(2)), "a\"b");
    }
    ASSERT_EQ(call(abort, "oqxsammain"), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM qxzrn302")), before);
    EXPECT_FALSE(local.database().inTransaction());
}
