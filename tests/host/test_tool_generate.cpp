// The form generator behind "palimor-host generate", called as the library.
#include "support/LocalHostFixture.h"

#include "form_check.h"
#include "form_generator.h"
#include "host_database.h"
#include "host_error.h"
#include "sqlite_util.h"

#include <gtest/gtest.h>

#include <QList>

namespace {

class GeneratorTest : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        db_ = openDatabase();
        ASSERT_TRUE(db_);
    }

    int64_t number(const QString& sql)
    {
        host::Statement st(db_->handle(), sql);
        return st.step() ? st.int64(0) : -1;
    }

    int64_t generatedRows()
    {
        return number(QStringLiteral(
            "SELECT (SELECT count(*) FROM qxzrn300 WHERE cfrm LIKE 'gen%') + (SELECT count(*) FROM qxzrn315 WHERE "
            "cfrm LIKE 'gen%') + (SELECT count(*) FROM qxzrn301 WHERE cfrm LIKE 'gen%') + (SELECT count(*) FROM "
            "qxzrn308 WHERE cfrm LIKE 'gen%') + (SELECT count(*) FROM qxzrn200 WHERE cses LIKE 'gen%')"));
    }

    std::unique_ptr<host::HostDatabase> db_;
};

class GeneratorSizeTest : public GeneratorTest, public ::testing::WithParamInterface<int> {};

TEST_P(GeneratorSizeTest, MakesASoundFormOfThatManyFields)
{
    const int n = GetParam();
    host::GenerateOptions options;
    options.fields = n;
    QList<int> batches;
    options.afterBatch = [&batches](int done) { batches.append(done); };
    QString why;
    const std::optional<host::FormIdentity> id = host::generateForm(*db_, options, &why);
    ASSERT_TRUE(id) << why.toStdString();
    EXPECT_EQ(id->formCode, QStringLiteral("gen00001d"));

    const host::FormCheckReport report = host::checkForm(db_->handle(), *id);
    EXPECT_TRUE(report.ok()) << report.problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(report.fields, n);
    // Subsections of 20 fields, sections of 10 subsections, and the form itself.
    const int subsections = (n + 19) / 20;
    const int sections = (subsections + 9) / 10;
    EXPECT_EQ(report.groups, 1 + sections + subsections);
    // Every fifth field of a subsection follows up the one before it.
    int followUps = 0;
    for (int first = 0; first < n; first += 20)
        followUps += std::min(20, n - first) / 5;
    EXPECT_EQ(number("SELECT count(*) FROM qxzrn308 WHERE cfrm = 'gen00001d' AND fwup = 1"), followUps);
    EXPECT_EQ(number("SELECT max(omod) FROM qxzrn301 WHERE cfrm = 'gen00001d'"), 10 * n);
    EXPECT_EQ(batches.size(), subsections);
    EXPECT_EQ(batches.last(), n);
    // The form has its form row and a session of its own.
    EXPECT_EQ(number("SELECT count(*) FROM qxzrn300 WHERE cfrm = 'gen00001d'"), 1);
    EXPECT_EQ(number("SELECT count(*) FROM qxzrn200 WHERE cses = 'gen00001'"), 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GeneratorSizeTest, ::testing::Values(1, 4, 5, 19, 20, 21, 199, 201, 2000, 3200));

TEST_F(GeneratorTest, RefusedSizesAndAFailureHalfWayLeaveNothingBehind)
{
    host::GenerateOptions options;
    QString why;
    for (int n : {0, -5, 3201, 100000}) {
        options.fields = n;
        EXPECT_FALSE(host::generateForm(*db_, options, &why)) << n;
        EXPECT_TRUE(why.contains(QLatin1String("3200"))) << why.toStdString();
    }
    EXPECT_EQ(generatedRows(), 0);

    options.fields = 300;
    options.afterBatch = [](int done) {
        if (done >= 100)
            throw host::HostError(host::kErrInternal, QStringLiteral("stopped on purpose"));
    };
    EXPECT_FALSE(host::generateForm(*db_, options, &why));
    EXPECT_EQ(why, QStringLiteral("stopped on purpose"));
    EXPECT_FALSE(db_->inTransaction());
    EXPECT_EQ(generatedRows(), 0);
}

TEST_F(GeneratorTest, EachFormGetsTheNextFreeCode)
{
    host::GenerateOptions options;
    options.fields = 3;
    QStringList codes;
    for (int i = 0; i < 3; ++i)
        codes.append(host::generateForm(*db_, options).value_or(host::FormIdentity{}).formCode);
    EXPECT_EQ(codes, (QStringList{"gen00001d", "gen00002d", "gen00003d"}));
    // A code that becomes free is used again.
    db_->exec(QStringLiteral("DELETE FROM qxzrn300 WHERE cfrm = 'gen00002d'; DELETE FROM qxzrn308 WHERE cfrm = "
                             "'gen00002d'; DELETE FROM qxzrn301 WHERE cfrm = 'gen00002d'; DELETE FROM qxzrn315 "
                             "WHERE cfrm = 'gen00002d'; DELETE FROM qxzrn200 WHERE cses = 'gen00002'"));
    EXPECT_EQ(host::generateForm(*db_, options).value_or(host::FormIdentity{}).formCode, QStringLiteral("gen00002d"));
}

TEST_F(GeneratorTest, TablesOfNColumnsWithAKeyReferencesAndLabels)
{
    QString why;
    for (int n : {0, 3001})
        EXPECT_FALSE(host::generateTable(*db_, n, &why)) << n;
    EXPECT_EQ(host::generateTable(*db_, 25, &why).value_or(why), QStringLiteral("tegen001"));
    EXPECT_EQ(host::generateTable(*db_, 1).value_or(QString()), QStringLiteral("tegen002"));
    const QString mine = QStringLiteral(" FROM qxzrn422 WHERE cmod = 'gen' AND flno = '001'");
    EXPECT_EQ(number(QStringLiteral("SELECT count(*)") + mine), 25);
    EXPECT_EQ(number(QStringLiteral("SELECT count(*)") + mine + QStringLiteral(" AND rffd = 'citg'")), 2);
    EXPECT_EQ(number(QStringLiteral("SELECT count(DISTINCT cdom)") + mine), 10);
    // Every column's label exists, and the key is the table's index.
    EXPECT_EQ(number("SELECT count(*) FROM qxzrn422 f JOIN qxzrn140 l ON l.clab = f.clab WHERE f.cmod = 'gen'"), 26);
    EXPECT_EQ(number("SELECT count(*) FROM qxzrn421 WHERE cmod = 'gen' AND flno = '001' AND fdnm = 'c0001'"), 1);
}

} // namespace
