// The integrity check finds each kind of broken design row.
#include "support/LocalHostFixture.h"

#include "form_check.h"
#include "form_identity.h"
#include "host_database.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

namespace {

const host::FormIdentity kItems{"te", "kwy", "itemsd", "2", "7.6", "a3", "dev"};

struct Fault {
    const char* name;
    const char* sql;       // breaks the item form (all its statements run in one transaction)
    const char* expected;  // part of one problem line
};

// Rows of the item form: field sequ 1 has omod 10 and the follow-up sequ 2; sequ 3 and 4
// stand under group 2; group 3 holds subgroups 4 and 5; group 10 is a virtual group.
const Fault kFaults[] = {
    {"LinkToMissingField", "UPDATE qxzrn308 SET next = 9990 WHERE sequ = 3", "next field 9990 does not exist"},
    {"LinkToMissingGroup", "UPDATE qxzrn315 SET next = 70 WHERE grpi = 8", "next group 70 does not exist"},
    {"FirstFieldMissing", "UPDATE qxzrn315 SET fld1 = 15 WHERE grpi = 4", "first field 15 does not exist"},
    {"OrderFalls",
     "UPDATE qxzrn301 SET omod = 235 WHERE omod = 220; UPDATE qxzrn308 SET next = 235 WHERE next = 220",
     "order numbers do not rise in tree order"},
    {"DuplicateOrderNumber", "UPDATE qxzrn301 SET omod = 10 WHERE sequ = 3", "has the order number 10 of field 1"},
    {"GroupNumberGap",
     "UPDATE qxzrn315 SET grpi = 12 WHERE grpi = 10; UPDATE qxzrn308 SET grpi = 12 WHERE grpi = 10;"
     "UPDATE qxzrn315 SET chld = 12 WHERE chld = 10; UPDATE qxzrn315 SET prev = 12 WHERE prev = 10",
     "group numbers are not dense"},
    {"MissingLayoutRow", "DELETE FROM qxzrn308 WHERE sequ = 35", "field 35 has no layout row"},
    {"LooseInputProperty",
     "INSERT INTO qxzrn302 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ) "
     "VALUES ('2', 'te', '7.6', 'a3', 'dev', 'kwy', 'itemsd', 99)",
     "input-property row 99 has no field row"},
    {"Cycle", "UPDATE qxzrn308 SET next = 10 WHERE sequ = 4", "is reached twice"},
    {"UnreachableGroup", "UPDATE qxzrn315 SET next = 0 WHERE grpi = 8", "group 9 cannot be reached"},
    {"UnreachableField", "UPDATE qxzrn308 SET next = 0 WHERE sequ = 34", "field 35 cannot be reached"},
    {"GroupWithFieldsAndSubgroups", "UPDATE qxzrn315 SET fld1 = 10 WHERE grpi = 3", "links both subgroups and fields"},
    {"WrongParentGroup", "UPDATE qxzrn315 SET pare = 2 WHERE grpi = 4", "has parent 2 but hangs under group 3"},
    {"WrongPreviousGroup", "UPDATE qxzrn315 SET prev = 0 WHERE grpi = 5", "has previous group 0 but follows 4"},
    {"WrongLevel", "UPDATE qxzrn315 SET levl = 5 WHERE grpi = 7", "has level 5 but stands at level 2"},
    {"FieldInWrongGroup", "UPDATE qxzrn308 SET grpi = 3 WHERE sequ = 3", "belongs to group 3 but hangs under group 2"},
    {"FollowUpNotMarked", "UPDATE qxzrn308 SET fwup = 2 WHERE sequ = 2", "is not marked follow-up"},
    {"RootWithSibling", "UPDATE qxzrn315 SET next = 2 WHERE grpi = 1", "group 1 has a parent or a sibling"},
    {"ColumnOutOfRange", "UPDATE qxzrn301 SET xpos = 300 WHERE sequ = 1", "column 300, outside 0 to 255"},
    {"CommandToMissingGroup", "UPDATE qxzrn316 SET sequ = 77 WHERE sern = 2", "command 2 links to group 77"},
    {"CommandToMissingField", "UPDATE qxzrn316 SET sequ = 9999 WHERE sern = 3", "command 3 links to field order number 9999"},
    {"FormCommandWithLink", "UPDATE qxzrn316 SET sequ = 5 WHERE sern = 1", "command 1 links to the form but carries 5"},
};

class FormCheckFaultTest : public ::testing::TestWithParam<Fault> {
protected:
    static void SetUpTestSuite()
    {
        env_ = new LocalHostEnvironment();
        ASSERT_TRUE(env_->ok()) << env_->error().toStdString();
        QString why;
        db_ = host::HostDatabase::open(env_->databasePath(), &why).release();
        ASSERT_NE(db_, nullptr) << why.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete db_;
        db_ = nullptr;
        delete env_;
        env_ = nullptr;
    }

    static LocalHostEnvironment* env_;
    static host::HostDatabase* db_;
};

LocalHostEnvironment* FormCheckFaultTest::env_ = nullptr;
host::HostDatabase* FormCheckFaultTest::db_ = nullptr;

TEST_P(FormCheckFaultTest, IsReported)
{
    const Fault& fault = GetParam();
    ASSERT_TRUE(host::checkForm(db_->handle(), kItems).ok()) << "the form must start sound";
    host::HostDatabase::Transaction tx(*db_);
    // The item form's own rows only: every statement is narrowed to it.
    QString sql = QString::fromLatin1(fault.sql);
    sql.replace(QRegularExpression(QStringLiteral("WHERE ([^;]*)")), QStringLiteral("WHERE cfrm = 'itemsd' AND \\1"));
    db_->exec(sql);
    const host::FormCheckReport report = host::checkForm(db_->handle(), kItems);
    const QString problems = report.problems.join(QLatin1Char('\n'));
    EXPECT_TRUE(problems.contains(QLatin1String(fault.expected)))
        << "expected: " << fault.expected << "\ngot:\n" << problems.toStdString();
    // tx rolls back, leaving the form as it was for the next case.
}

INSTANTIATE_TEST_SUITE_P(Faults, FormCheckFaultTest, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

TEST(FormCheck, FormWithoutRowsIsAProblem)
{
    LocalHostEnvironment env;
    ASSERT_TRUE(env.ok()) << env.error().toStdString();
    std::unique_ptr<host::HostDatabase> db = openHostDatabase(env.databasePath());
    ASSERT_TRUE(db);
    host::FormIdentity missing = kItems;
    missing.formCode = QStringLiteral("nosuch");
    const host::FormCheckReport report = host::checkForm(db->handle(), missing);
    ASSERT_FALSE(report.ok());
    EXPECT_TRUE(report.problems.first().contains(QLatin1String("has no design rows")));
    // The counts of a sound form.
    const host::FormCheckReport items = host::checkForm(db->handle(), kItems);
    EXPECT_TRUE(items.ok());
    EXPECT_EQ(items.groups, 10);
    EXPECT_EQ(items.fields, 35);
    EXPECT_EQ(items.commands, 4);
}

} // namespace
