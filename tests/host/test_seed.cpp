// The demo data of a new database: complete, consistent, and what the editor needs.
#include "support/LocalHostFixture.h"

#include "form_check.h"
#include "form_identity.h"
#include "host_database.h"
#include "sqlite_util.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QStringList>

#include <memory>

using host::FormIdentity;
using host::Statement;

namespace {

const FormIdentity kSimple{"te", "kwy", "simpled", "2", "7.6", "a3", "dev"};
const FormIdentity kItems{"te", "kwy", "itemsd", "2", "7.6", "a3", "dev"};
const FormIdentity kOld{"te", "kwy", "olditemd", "2", "7.6", "a3", "dev"};

// One database for the whole file: these tests only read.
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

    static int64_t number(const QString& sql)
    {
        Statement st(db(), sql);
        return st.step() ? st.int64(0) : -1;
    }

    // The first column of every row, as text.
    static QStringList column(const QString& sql)
    {
        Statement st(db(), sql);
        QStringList values;
        while (st.step())
            values.append(st.text(0));
        return values;
    }

    static LocalHostEnvironment* env_;
    static host::HostDatabase* db_;
};

LocalHostEnvironment* SeedTest::env_ = nullptr;
host::HostDatabase* SeedTest::db_ = nullptr;

TEST_F(SeedTest, SchemaIsAtTheLatestVersionAndEveryReferenceHolds)
{
    EXPECT_EQ(db_->schemaVersion(), host::HostDatabase::latestSchemaVersion());
    EXPECT_GE(db_->schemaVersion(), 4);
    // Foreign keys are not enforced while the seed runs, so look now.
    EXPECT_EQ(column(QStringLiteral("SELECT \"table\" || ' row ' || rowid FROM pragma_foreign_key_check")),
              QStringList());
    EXPECT_EQ(column(QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
}

TEST_F(SeedTest, StoredTextsCarryNoPaddingBlanks)
{
    // Host functions trim what they receive; stored keys must not keep the padding.
    const char* checks[] = {
        "SELECT count(*) FROM qxzrn301 WHERE cust <> rtrim(cust) OR vers <> rtrim(vers) OR fldn <> rtrim(fldn)",
        "SELECT count(*) FROM qxzrn140 WHERE clab <> trim(clab) OR cust <> trim(cust)",
        "SELECT count(*) FROM qxzrn422 WHERE fdnm <> trim(fdnm) OR cdom <> trim(cdom)",
        "SELECT count(*) FROM qxzrn400 WHERE cdom <> trim(cdom)",
    };
    for (const char* sql : checks)
        EXPECT_EQ(number(QLatin1String(sql)), 0) << sql;
}

struct EditorEnum {
    const char* domain;
    QStringList names;  // constant names the editor looks up by name
};

TEST_F(SeedTest, EditorEnumDomainsHoldTheConstantsTheEditorNames)
{
    const EditorEnum enums[] = {
        {"zrn.typf", {"input", "display", "display.alone", "input.alone"}},
        {"zrn.zoom", {"none"}},
        {"zrn.adju", {"none"}},
        {"zrn.lpos", {}},
        {"zrn.type", {}},
        {"zrn.btyp", {"session", "group", "field"}},
    };
    for (const EditorEnum& e : enums) {
        SCOPED_TRACE(e.domain);
        Statement dom(db(), QStringLiteral("SELECT dtyp FROM qxzrn400 WHERE cpac = 'qx' AND cdom = ?1"));
        dom.bind(1, QLatin1String(e.domain));
        ASSERT_TRUE(dom.step());
        EXPECT_EQ(dom.int64(0), 7);
        Statement names(db(), QStringLiteral("SELECT ctnm FROM qxzrn401 WHERE cpac = 'qx' AND cdom = ?1"));
        names.bind(1, QLatin1String(e.domain));
        QStringList found;
        while (names.step())
            found.append(names.text(0));
        EXPECT_GE(found.size(), 2);
        for (const QString& name : e.names)
            EXPECT_TRUE(found.contains(name)) << name.toStdString();
        // Every constant has an English description.
        Statement missing(db(), QStringLiteral(
            "SELECT count(*) FROM qxzrn401 c WHERE c.cpac = 'qx' AND c.cdom = ?1 AND NOT EXISTS ("
            "SELECT 1 FROM qxzrn402 d WHERE d.cpac = c.cpac AND d.cdom = c.cdom AND d.cnst = c.cnst "
            "AND d.clan = '2' AND d.edes <> '')"));
        missing.bind(1, QLatin1String(e.domain));
        ASSERT_TRUE(missing.step());
        EXPECT_EQ(missing.int64(0), 0);
    }
    // Data alignment is indexed by value - 1, so "none" must be value 1.
    EXPECT_EQ(number(QStringLiteral("SELECT cnst FROM qxzrn401 WHERE cpac = 'qx' AND cdom = 'zrn.adju' AND ctnm = 'none'")), 1);
    // Enum values above 127 have no place in the editor's domain records.
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM qxzrn401 WHERE cnst > 127")), 0);
    // The cache stores names in 15 characters.
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM qxzrn401 WHERE length(ctnm) > 15")), 0);
}

TEST_F(SeedTest, DemoDomainsCoverEveryDataType)
{
    const QStringList types = column(QStringLiteral("SELECT DISTINCT dtyp FROM qxzrn400 WHERE cpac = 'te' ORDER BY dtyp"));
    EXPECT_EQ(types, QString(QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12 14")).split(QLatin1Char(' ')));
    // Every data type has a description in the editor's data-type enum.
    EXPECT_EQ(number(QStringLiteral(
                  "SELECT count(DISTINCT d.dtyp) FROM qxzrn400 d JOIN qxzrn401 c ON c.cpac = 'qx' "
                  "AND c.cdom = 'zrn.type' AND c.cnst = d.dtyp WHERE d.cpac = 'te'")),
              types.size());
    // Application enums have 2 to 12 constants; a check-box enum has exactly two.
    EXPECT_EQ(number(QStringLiteral(
                  "SELECT count(*) FROM (SELECT d.cdom, count(c.cnst) n FROM qxzrn400 d LEFT JOIN qxzrn401 c "
                  "USING (cpac, cdom, vers, rele, cust) WHERE d.cpac = 'te' AND d.dtyp IN (7, 8) GROUP BY d.cdom) "
                  "WHERE n < 2 OR n > 12")),
              0);
    EXPECT_EQ(number(QStringLiteral("SELECT max(n) FROM (SELECT count(*) n FROM qxzrn401 WHERE cpac = 'te' GROUP BY cdom)")), 12);
    EXPECT_EQ(number(QStringLiteral(
                  "SELECT count(*) FROM qxzrn400 d WHERE d.chkb = 1 AND (d.dtyp <> 7 OR (SELECT count(*) FROM qxzrn401 c "
                  "WHERE c.cpac = d.cpac AND c.cdom = d.cdom) <> 2 OR d.yesv NOT IN (SELECT cnst FROM qxzrn401 c "
                  "WHERE c.cpac = d.cpac AND c.cdom = d.cdom))")),
              0);
    // The form generator of the editor falls back on the package's yes/no domain.
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM qxzrn400 WHERE cpac = 'te' AND cdom = 'yeno' AND chkb = 1")), 1);
}

TEST_F(SeedTest, DemoTablesAreConsistent)
{
    const QStringList tables = column(QStringLiteral("SELECT cpac || cmod || flno FROM qxzrn420 ORDER BY 1"));
    EXPECT_GE(tables.size(), 4);
    EXPECT_LE(tables.size(), 5);
    EXPECT_EQ(number(QStringLiteral(
                  "SELECT count(*) FROM (SELECT count(*) n FROM qxzrn422 GROUP BY cpac, cmod, flno) WHERE n < 10 OR n > 40")),
              0);
    // A field's domain exists, unless the field is combined from others.
    EXPECT_EQ(column(QStringLiteral(
                  "SELECT f.flno || '.' || f.fdnm FROM qxzrn422 f WHERE f.comb = 2 AND NOT EXISTS (SELECT 1 FROM qxzrn400 d "
                  "WHERE d.cpac = f.pacd AND d.cdom = f.cdom AND d.vers = f.vers AND d.rele = f.rele AND d.cust = f.cust)")),
              QStringList());
    // References name an existing field of an existing table.
    EXPECT_EQ(column(QStringLiteral(
                  "SELECT f.flno || '.' || f.fdnm FROM qxzrn422 f WHERE f.rfpa <> '' AND NOT EXISTS (SELECT 1 FROM qxzrn422 r "
                  "WHERE r.cpac = f.rfpa AND r.cmod = f.rfmo AND r.flno = f.rffn AND r.fdnm = f.rffd "
                  "AND r.vers = f.vers AND r.rele = f.rele AND r.cust = f.cust)")),
              QStringList());
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn422 WHERE rfpa <> ''")), 4);
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn422 WHERE dept > 1")), 1);
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn422 WHERE comb = 1")), 1);
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn422 WHERE acti = 2")), 1);
    // A combined field has at least two parts; each table has a first index.
    EXPECT_EQ(number(QStringLiteral(
                  "SELECT count(*) FROM qxzrn422 f WHERE f.comb = 1 AND (SELECT count(*) FROM qxzrn423 p WHERE "
                  "p.cpac = f.cpac AND p.cmod = f.cmod AND p.flno = f.flno AND p.fdnm = f.fdnm) < 2")),
              0);
    EXPECT_EQ(number(QStringLiteral("SELECT count(DISTINCT cpac || cmod || flno) FROM qxzrn421 WHERE indx = 1")),
              tables.size());
    // The picker falls back on "table.field" for a blank label code; that label exists too.
    EXPECT_EQ(column(QStringLiteral(
                  "SELECT f.flno || '.' || f.fdnm FROM qxzrn422 f WHERE NOT EXISTS (SELECT 1 FROM qxzrn140 l WHERE "
                  "l.cpac = f.cpac AND l.clan = '2' AND l.clab = CASE WHEN f.clab = '' THEN f.cpac || f.cmod || "
                  "f.flno || '.' || f.fdnm ELSE f.clab END)")),
              QStringList());
}

TEST_F(SeedTest, LabelsHaveVariantsSearchKeysAndGroupTexts)
{
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM qxzrn140 WHERE seak <> substr(upper(replace(desc, ' ', '')), 1, 10)")), 0);
    // Demo labels come in several lengths and heights.
    EXPECT_GE(number(QStringLiteral("SELECT min(n) FROM (SELECT count(*) n FROM qxzrn140 WHERE cpac = 'te' GROUP BY clab)")), 2);
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn140 WHERE lhgt > 1")), 1);
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM qxzrn140 WHERE length(desc) > leng * lhgt")), 0);

    Statement st(db(), QStringLiteral(
        "SELECT tdsc, fdsc FROM qxzrn140_grp WHERE clan = '2' AND cpac = 'te' AND clab = 'tekwy100.stock'"));
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.text(0), QStringLiteral("Stock"));
    EXPECT_EQ(st.text(1), QStringLiteral("Stock levels and storage place"));
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM qxzrn140_grp WHERE tdsc IS NULL OR fdsc IS NULL")), 0);
    // The editor's form generation names these labels of the form's package.
    for (const char* code : {"gen.select", "gen.attachments", "gen.from.uc", "gen.to.uc", "gen.from.lc",
                             "gen.to.lc", "gen.hyphen"}) {
        Statement label(db(), QStringLiteral("SELECT count(*) FROM qxzrn140 WHERE clan = '2' AND cpac = 'te' AND clab = ?1"));
        label.bind(1, QStringLiteral("te") + QLatin1String(code));
        ASSERT_TRUE(label.step());
        EXPECT_GE(label.int64(0), 1) << code;
    }
}

TEST_F(SeedTest, EveryDemoFormPassesTheIntegrityCheck)
{
    for (const FormIdentity& form : {kSimple, kItems, kOld}) {
        SCOPED_TRACE(form.text().toStdString());
        const host::FormCheckReport report = host::checkForm(db(), form);
        EXPECT_TRUE(report.ok()) << report.problems.join(QLatin1Char('\n')).toStdString();
        EXPECT_GT(report.fields, 4);
    }
    QList<FormIdentity> all = host::findForms(db(), FormIdentity{}, true);
    EXPECT_EQ(all.size(), 3);
}

TEST_F(SeedTest, DesignRowsNameThingsThatExist)
{
    const char* checks[] = {
        // Label codes of groups and fields.
        "SELECT 'group label ' || labl FROM qxzrn315 g WHERE labl <> '' AND NOT EXISTS (SELECT 1 FROM qxzrn140 l "
        "WHERE l.clan = g.clan AND l.cpac = g.cpac AND l.clab = g.labl)",
        "SELECT 'field label ' || labl FROM qxzrn301 f WHERE labl <> '' AND NOT EXISTS (SELECT 1 FROM qxzrn140 l "
        "WHERE l.clan = f.clan AND l.cpac = f.cpac AND l.clab = f.labl)",
        // A single-occurrence label length has a variant that fits it.
        "SELECT 'label length ' || f.labl FROM qxzrn301 f JOIN qxzrn308 p USING (clan, cpac, vers, rele, cust, cmod, "
        "cfrm, sequ) WHERE f.labl <> '' AND p.llso > 0 AND NOT EXISTS (SELECT 1 FROM qxzrn140 l WHERE l.clan = f.clan "
        "AND l.cpac = f.cpac AND l.clab = f.labl AND l.leng <= p.llso + 10)",
        // Domains written with the field, zoom targets, messages and icons.
        "SELECT 'domain ' || pacd || cdom FROM qxzrn301 f WHERE cdom <> '' AND NOT EXISTS (SELECT 1 FROM qxzrn400 d "
        "WHERE d.cpac = f.pacd AND d.cdom = f.cdom)",
        "SELECT 'session ' || zprg FROM qxzrn301 f WHERE zoom = 2 AND NOT EXISTS (SELECT 1 FROM qxzrn200 s "
        "WHERE s.cpac || s.cmod || s.cses = f.zprg)",
        "SELECT 'menu ' || zprg FROM qxzrn301 f WHERE zoom = 3 AND NOT EXISTS (SELECT 1 FROM qxzrn360 m "
        "WHERE m.cpac || m.cmod || m.cmen = f.zprg)",
        "SELECT 'message ' || cmes FROM qxzrn301 f WHERE cmes <> '' AND NOT EXISTS (SELECT 1 FROM qxzrn450 m "
        "WHERE m.cpac = f.cpac AND m.cmes = f.cmes AND m.clan = f.clan)",
        "SELECT 'icon ' || za_icon FROM qxzrn308 p WHERE za_icon <> '' AND NOT EXISTS (SELECT 1 FROM qxzwk903 i "
        "WHERE i.icgp = p.cpac || 'form_' AND i.icon = p.za_icon)",
        // Every form has its session, with a program script.
        "SELECT 'session of ' || cfrm FROM qxzrn300 f WHERE NOT EXISTS (SELECT 1 FROM qxzrn200 s WHERE s.cpac = f.cpac "
        "AND s.cmod = f.cmod AND s.cses = substr(f.cfrm, 1, length(f.cfrm) - 1))",
        "SELECT 'script of ' || cses FROM qxzrn200 s WHERE cprs <> '' AND NOT EXISTS (SELECT 1 FROM qxzrn230 p "
        "WHERE p.cpac = s.cpac AND p.cmod = s.cmop AND p.cprs = s.cprs)",
        // Forms live in a development version of their package.
        "SELECT 'version of ' || cfrm FROM qxzrn300 f WHERE NOT EXISTS (SELECT 1 FROM qxscm100 v WHERE v.cpac = f.cpac "
        "AND v.vers = f.vers AND v.rele = f.rele AND v.cust = f.cust AND v.devl = 1)",
    };
    for (const char* sql : checks)
        EXPECT_EQ(column(QLatin1String(sql)), QStringList()) << sql;
    // Icons are real pictures.
    EXPECT_EQ(number(QStringLiteral("SELECT count(*) FROM qxzwk903 WHERE substr(pict, 2, 3) <> CAST('PNG' AS BLOB)")), 0);
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzwk903")), 2);
}

TEST_F(SeedTest, ItemFormShowsEveryFeature)
{
    auto count = [](const QString& table, const QString& condition) {
        return number(QStringLiteral("SELECT count(*) FROM %1 WHERE cfrm = 'itemsd' AND %2").arg(table, condition));
    };
    EXPECT_GE(count(QStringLiteral("qxzrn315"), QStringLiteral("levl = 2 AND virt = 2")), 2) << "nested groups";
    EXPECT_GE(count(QStringLiteral("qxzrn315"), QStringLiteral("virt = 1 AND grpi > 1")), 1) << "a virtual group";
    EXPECT_EQ(count(QStringLiteral("qxzrn315"), QStringLiteral("zb_selg = 1 AND zb_tabp <> ''")), 1) << "selection group";
    EXPECT_GE(count(QStringLiteral("qxzrn308"), QStringLiteral("ctrl = 4 AND za_icon <> ''")), 2) << "pictures";
    EXPECT_GE(count(QStringLiteral("qxzrn308"), QStringLiteral("fwup = 1 AND pare > 0")), 3) << "follow-up fields";
    EXPECT_GE(count(QStringLiteral("qxzrn308"), QStringLiteral("ctrl = 3")), 1) << "an option set";
    EXPECT_GE(count(QStringLiteral("qxzrn302"), QStringLiteral("1")), 3) << "input properties";
    EXPECT_GE(count(QStringLiteral("qxzrn301"), QStringLiteral("elem > 1")), 2) << "array elements";
    // A form command of every kind of the command-link enum.
    EXPECT_EQ(number(QStringLiteral(
                  "SELECT count(*) FROM qxzrn401 c WHERE c.cpac = 'qx' AND c.cdom = 'zrn.btyp' AND NOT EXISTS ("
                  "SELECT 1 FROM qxzrn316 m WHERE m.cfrm = 'itemsd' AND m.btyp = c.cnst)")),
              0);
}

TEST_F(SeedTest, OldFormIsStoredBelowTheCurrentLevelWithOldTraits)
{
    Statement st(db(), QStringLiteral("SELECT DISTINCT za_revi FROM qxzrn315 WHERE cfrm = 'olditemd'"));
    ASSERT_TRUE(st.step());
    const int64_t level = st.int64(0);
    EXPECT_FALSE(st.step()) << "one level on every row";
    EXPECT_LT(level, 8);
    EXPECT_GT(level, 3) << "levels up to 3 make the editor ask before editing";
    // Traits that the upgrade passes change below level 8.
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn308 WHERE cfrm = 'olditemd' AND (lhso = 0 OR lhmo = 0)")), 2);
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn308 WHERE cfrm = 'olditemd' AND za_zind = 1")), 1);
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn315 WHERE cfrm = 'olditemd' AND za_newp = 1 AND inso = 2")), 1);
    EXPECT_GE(number(QStringLiteral("SELECT count(*) FROM qxzrn315 WHERE cfrm = 'olditemd' AND za_newp = 1 AND inmo = 1")), 1);
    EXPECT_GE(number(QStringLiteral(
                  "SELECT count(*) FROM qxzrn308 p JOIN qxzrn301 f USING (clan, cpac, vers, rele, cust, cmod, cfrm, sequ) "
                  "WHERE cfrm = 'olditemd' AND p.ctrl = 5 AND f.fldn LIKE 'tekwy005.%'")),
              1);
}

} // namespace
