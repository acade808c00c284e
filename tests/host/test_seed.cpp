// The demo data of a new database: complete, consistent, and what the editor needs;
// and the host's integrity check, which finds each kind of broken design row. (The
// design rows of the demo forms themselves, with their labels, domains and icons, are
// pinned by the golden dumps and trees; their sessions are read by the form choice.)
#include "support/LocalHostFixture.h"

#include "form_check.h"
#include "form_identity.h"
#include "host_database.h"
#include "sqlite_util.h"

#include <QRegularExpression>

using host::FormIdentity;

namespace {

const FormIdentity kSimple{"te", "kwy", "simpled", "2", "7.6", "a3", "dev"};
const FormIdentity kItems{"te", "kwy", "itemsd", "2", "7.6", "a3", "dev"};
const FormIdentity kOld{"te", "kwy", "olditemd", "2", "7.6", "a3", "dev"};

// One database for the whole file: the tests read it, or change it in a transaction they roll back.
class SeedTest : public ::testing::Test {
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
    static sqlite3* db() { return db_->handle(); }

    static LocalHostEnvironment* env_;
    static host::HostDatabase* db_;
};

LocalHostEnvironment* SeedTest::env_ = nullptr;
host::HostDatabase* SeedTest::db_ = nullptr;

// Counts over the seed that must be 0.
const char* const kCounts[] = {
    "SELECT count(*) FROM pragma_foreign_key_check",  // not enforced while the seed runs
    // (The editor's own enum domains are read back by test_enums.)
    // A check box is a two-valued enumerate whose yes value is one of its constants.
    "SELECT count(*) FROM qxzrn400 d WHERE d.chkb = 1 AND (d.dtyp <> 7 OR (SELECT count(*) FROM qxzrn401 c"
    " WHERE c.cpac = d.cpac AND c.cdom = d.cdom) <> 2 OR d.yesv NOT IN (SELECT cnst FROM qxzrn401 c"
    " WHERE c.cpac = d.cpac AND c.cdom = d.cdom))",
    // References and their domains exist.
    "SELECT count(*) FROM qxzrn422 f WHERE f.comb = 2 AND NOT EXISTS (SELECT 1 FROM qxzrn400 d WHERE"
    " d.cpac = f.pacd AND d.cdom = f.cdom AND d.vers = f.vers AND d.rele = f.rele AND d.cust = f.cust)",
    "SELECT count(*) FROM qxzrn422 f WHERE f.rfpa <> '' AND NOT EXISTS (SELECT 1 FROM qxzrn422 r WHERE"
    " r.cpac = f.rfpa AND r.cmod = f.rfmo AND r.flno = f.rffn AND r.fdnm = f.rffd AND r.vers = f.vers"
    " AND r.rele = f.rele AND r.cust = f.cust)",
    // The picker falls back on "table.field" for a blank label code; that label exists too.
    "SELECT count(*) FROM qxzrn422 f WHERE NOT EXISTS (SELECT 1 FROM qxzrn140 l WHERE l.cpac = f.cpac AND"
    " l.clan = '2' AND l.clab = CASE WHEN f.clab = '' THEN f.cpac || f.cmod || f.flno || '.' || f.fdnm"
    " ELSE f.clab END)",
    // Labels: the search key the host's search reads, texts that fit, the generator's labels.
    "SELECT count(*) FROM qxzrn140 WHERE seak <> substr(upper(replace(desc, ' ', '')), 1, 10)",
    "SELECT count(*) FROM qxzrn140 WHERE length(desc) > leng * lhgt",
    "WITH v(c) AS (VALUES ('gen.select'), ('gen.attachments'), ('gen.from.uc'), ('gen.to.uc'), ('gen.from.lc'),"
    " ('gen.to.lc'), ('gen.hyphen')) SELECT count(*) FROM v WHERE NOT EXISTS (SELECT 1 FROM qxzrn140"
    " WHERE clan = '2' AND cpac = 'te' AND clab = 'te' || c)",
};

} // namespace

TEST_F(SeedTest, DemoDataIsCompleteAndConsistent)
{
    for (const char* sql : kCounts)
        EXPECT_EQ(queryNumber(db(), QString::fromUtf8(sql)), 0) << sql;
}

// Rows of the item form: field sequ 1 has omod 10 and the follow-up sequ 2; sequ 3 and 4
// stand under group 2; group 3 holds subgroups 4 and 5; group 10 is a virtual group.
struct Fault {
    const char* sql;       // breaks the item form
    const char* expected;  // part of one problem line
};
const Fault kFaults[] = {
    {"UPDATE qxzrn308 SET next = 9990 WHERE sequ = 3", "next field 9990 does not exist"},
    {"UPDATE qxzrn315 SET next = 70 WHERE grpi = 8", "next group 70 does not exist"},
    {"UPDATE qxzrn315 SET fld1 = 15 WHERE grpi = 4", "first field 15 does not exist"},
    {"UPDATE qxzrn301 SET omod = 235 WHERE omod = 220; UPDATE qxzrn308 SET next = 235 WHERE next = 220",
     "order numbers do not rise in tree order"},
    {"UPDATE qxzrn301 SET omod = 10 WHERE sequ = 3", "has the order number 10 of field 1"},
    {"UPDATE qxzrn315 SET grpi = 12 WHERE grpi = 10; UPDATE qxzrn308 SET grpi = 12 WHERE grpi = 10;"
     "UPDATE qxzrn315 SET chld = 12 WHERE chld = 10; UPDATE qxzrn315 SET prev = 12 WHERE prev = 10",
     "group numbers are not dense"},
    {"DELETE FROM qxzrn308 WHERE sequ = 35", "field 35 has no layout row"},
    {"INSERT INTO qxzrn302 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ) "
     "VALUES ('2', 'te', '7.6', 'a3', 'dev', 'kwy', 'itemsd', 99)",
     "input-property row 99 has no field row"},
    {"UPDATE qxzrn308 SET next = 10 WHERE sequ = 4", "is reached twice"},
    {"UPDATE qxzrn315 SET next = 0 WHERE grpi = 8", "group 9 cannot be reached"},
    {"UPDATE qxzrn308 SET next = 0 WHERE sequ = 34", "field 35 cannot be reached"},
    {"UPDATE qxzrn315 SET fld1 = 10 WHERE grpi = 3", "links both subgroups and fields"},
    {"UPDATE qxzrn315 SET pare = 2 WHERE grpi = 4", "has parent 2 but hangs under group 3"},
    {"UPDATE qxzrn315 SET prev = 0 WHERE grpi = 5", "has previous group 0 but follows 4"},
    {"UPDATE qxzrn315 SET levl = 5 WHERE grpi = 7", "has level 5 but stands at level 2"},
    {"UPDATE qxzrn308 SET grpi = 3 WHERE sequ = 3", "belongs to group 3 but hangs under group 2"},
    {"UPDATE qxzrn308 SET fwup = 2 WHERE sequ = 2", "is not marked follow-up"},
    {"UPDATE qxzrn315 SET next = 2 WHERE grpi = 1", "group 1 has a parent or a sibling"},
    {"UPDATE qxzrn301 SET xpos = 300 WHERE sequ = 1", "column 300, outside 0 to 255"},
    {"UPDATE qxzrn316 SET sequ = 77 WHERE sern = 2", "command 2 links to group 77"},
    {"UPDATE qxzrn316 SET sequ = 9999 WHERE sern = 3", "command 3 links to field order number 9999"},
    {"UPDATE qxzrn316 SET sequ = 5 WHERE sern = 1", "command 1 links to the form but carries 5"},
};

TEST_F(SeedTest, IntegrityCheckPassesTheDemoFormsAndFindsEveryKindOfBrokenRow)
{
    for (const FormIdentity& form : {kSimple, kItems, kOld}) {
        const host::FormCheckReport report = host::checkForm(db(), form);
        EXPECT_TRUE(report.ok()) << report.problems.join(QLatin1Char('\n')).toStdString();
        EXPECT_GT(report.fields, 4) << form.text().toStdString();
    }
    EXPECT_EQ(host::findForms(db(), FormIdentity{}, true).size(), 3);
    const host::FormCheckReport items = host::checkForm(db(), kItems);
    EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(items.groups).arg(items.fields).arg(items.commands),
              QStringLiteral("10 35 4"));
    FormIdentity missing = kItems;
    missing.formCode = QStringLiteral("nosuch");
    EXPECT_TRUE(host::checkForm(db(), missing).problems.value(0).contains(QLatin1String("has no design rows")));

    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.sql);
        host::HostDatabase::Transaction tx(*db_);  // rolled back when it goes
        // The item form's own rows only: every statement is narrowed to it.
        QString sql = QString::fromLatin1(fault.sql);
        sql.replace(QRegularExpression(QStringLiteral("WHERE ([^;]*)")),
                    QStringLiteral("WHERE cfrm = 'itemsd' AND \\1"));
        db_->exec(sql);
        const QString problems = host::checkForm(db(), kItems).problems.join(QLatin1Char('\n'));
        EXPECT_TRUE(problems.contains(QLatin1String(fault.expected))) << problems.toStdString();
    }
    EXPECT_TRUE(host::checkForm(db(), kItems).ok());
}
