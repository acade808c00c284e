// Start records of host look-up sessions: each target's key fields at their places,
// numbers, slices of one box, and table versions asked of the local host.
#include "support/CoreTestSupport.h"

#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_ZoomRecord.h"
#include "model/mod_Versions.h"
#include "support/LocalHostFixture.h"

namespace {

class ZoomRecord : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        resetDataSets();
        resetVersions();
        glFormVersionLevel = 11;
        gInitFormDataSets();
        gInitDataSets();
        gsLanguage = "2", gsPackage = "te", gsModule = "kwy", gsFormCode = QStringLiteral("simpled");
        gsVersion = "7.6", gsRelease = "a3", gsCustomer = "dev", gsSession = QStringLiteral("simple");
        gsSessionVersion = QStringLiteral("7.6"), gsSessionRelease = QStringLiteral("a3");
        gsSessionCustomer = QStringLiteral("dev"), gsSessionModule = QStringLiteral("kwy");
        gsProgramScript = QStringLiteral("simple");
        gsTable = QStringLiteral("tekwy002");
    }
    void TearDown() override
    {
        resetDataSets();
        CoreTest::TearDown();
    }
    // The start record of a target over a blank record of its host table.
    static QString keyOf(const char* target, const char* table, const ZoomDialogValues& d = {},
                         bool fromFieldName = false)
    {
        int16_t length = 0;
        gGetRecordLength(QString::fromLatin1(table), length);
        QString buffer(length, u' ');
        mSetKeyInBuf(QString::fromLatin1(target), buffer, fromFieldName, d);
        EXPECT_EQ(buffer.size(), length) << target;
        return buffer;
    }
    static QString p(const char* text, int width) { return padded(QString::fromLatin1(text), width); }
};

// The expected record: the key text, then blanks to the record's length.
void expectKey(const QString& actual, const QString& key)
{
    EXPECT_EQ(actual.left(key.size()), key);
    EXPECT_EQ(actual.mid(key.size()).trimmed(), QString()) << actual.toStdString();
}

} // namespace

TEST_F(ZoomRecord, FormBrowserStartRecordFromTheIdentity)
{
    const QString key = QStringLiteral("2tekwysimpled  7.6 a3dev ");
    // From an empty buffer, as the form choice passes it, and over a blank record.
    QString empty;
    mSetKeyInBuf(QStringLiteral("qxzrn300"), empty, false);
    EXPECT_EQ(empty, key);
    expectKey(keyOf("qxzrn300", "qxzrn300"), key);
    expectKey(keyOf("qxzrn300_1", "qxzrn300"), key);
}

TEST_F(ZoomRecord, LabelKeysByDialogKind)
{
    ZoomDialogValues d;
    d.txtLabelCode = QStringLiteral("lbl.code");
    d.txtLabelHeightSO = QStringLiteral("0");  // written as 1
    d.txtLabelLengthSO = QStringLiteral("3");
    d.txtGroupLabelCode = QStringLiteral("grp.code");
    d.txtLabelCodePict = QStringLiteral("pic.code");
    const std::pair<ZoomDialogKind, const char*> kinds[] = {{ZoomDialogKind::Field, "lbl.code+1+03"},
                                                            {ZoomDialogKind::Group, "grp.code+1+01"},
                                                            {ZoomDialogKind::Picture, "pic.code+1+01"}};
    for (const auto& [kind, key] : kinds) {
        d.kind = kind;
        expectKey(keyOf("qxzrn140_2", "qxzrn140", d),
                  QStringLiteral("2te") + QString::fromLatin1(key).insert(8, QString(9, u' ')));
    }
}

TEST_F(ZoomRecord, TargetsWithBoxesFilledAndEmpty)
{
    ZoomDialogValues filled;
    filled.txtDomainPackage = QStringLiteral("qx");
    filled.txtDomainCode = QStringLiteral("zrn.typf");
    filled.txtIcon = QStringLiteral("save");
    filled.txtMessage = QStringLiteral("plqx0101");
    filled.txtParentTable = QStringLiteral("tekwy003");
    filled.txtFieldZoomTo = QStringLiteral("qxzrnmenu01");
    filled.txtZoomToParallelMenus = QStringLiteral("1x");
    ZoomDialogValues empty;
    empty.txtZoomToParallelMenus = QStringLiteral("1");
    struct Case {
        const char* target;
        const char* table;
        bool boxesFilled;
        const char* key;
    } const cases[] = {
        {"qxzrn400_2", "qxzrn400", true, "qxzrn.typf"},
        {"qxzrn400_2", "qxzrn400", false, "te"},  // the form's package
        {"qxzwk903", "qxzwk903", true, "form_te         save"},
        {"qxzrn450_2", "qxzrn450", true, "2teplqx0101"},
        {"qxzrn200_1", "qxzrn200", false, "tekwysimple  7.6 a3dev"},
        {"qxzrn230_1", "qxzrn230", false, "tekwysimple"},
        {"qxzrn420_1", "qxzrn420", true, "tekwy0037.6 a3dev"},
        // One box cut into package, module and code; empty: the form's package and module.
        {"qxzrn360_2", "qxzrn360", true, "2qxzrnmenu01  1"},
        {"qxzrn360_2", "qxzrn360", false, "2tekwy        1"},
        {"qxzrn200_2", "qxzrn200", true, "qxzrnmenu01"},
        {"qxzrn200_2", "qxzrn200", false, "tekwy"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        expectKey(keyOf(c.target, c.table, c.boxesFilled ? filled : empty), QString::fromLatin1(c.key));
    }
    QString untouched = QStringLiteral("as it was");
    mSetKeyInBuf(QStringLiteral("qxzrn999"), untouched, false, filled);
    EXPECT_EQ(untouched, QStringLiteral("as it was"));
}

TEST_F(ZoomRecord, FillingOneField)
{
    QString buffer(118, u' ');
    const QString t = QStringLiteral("qxzrn140");
    // A number that does not fit is cut to the field.
    EXPECT_EQ(mFillRecBuf(t, QStringLiteral("leng"), 0, buffer, QString(), QStringLiteral("1234"), true), 3);
    EXPECT_EQ(buffer.mid(22, 3), QStringLiteral("+12"));
    // Behind a host text the place depends on the terminators counted.
    mFillRecBuf(t, QStringLiteral("expi"), 1, buffer, QStringLiteral("A"), QString(), true);
    mFillRecBuf(t, QStringLiteral("expi"), 1, buffer, QStringLiteral("B"), QString(), false);
    EXPECT_EQ(buffer.mid(105, 2), QStringLiteral("AB"));
}

class ZoomRecordOnHost : public ZoomRecord {
protected:
    void SetUp() override
    {
        ZoomRecord::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        platform::setCommandLine(startRecord());
        ASSERT_TRUE(gbConnectVrok());
        // The form's own version differs from the tables', to tell the fallback apart.
        gsPackage = "te", gsModule = "kwy", gsVersion = "9.9", gsRelease = "zz", gsCustomer = "cu";
        gsTable = QStringLiteral("tekwy002");
    }
    LocalHostEnvironment env;
};

TEST_F(ZoomRecordOnHost, TableFieldKeysTakeTheTablesVersion)
{
    struct Case {
        const char* fieldName;
        bool fromFieldName;
        const char* zoomPackageModule;
        const char* returnField;
        const char* key;  // cpac..cust, then fdnm at 19
        const char* fdnm;
    };
    const Case cases[] = {
        {"tekwy001item", true, "", "", "tekwy0017.6 a3dev ", ""},   // begins with a table code
        {"item", true, "", "", "tekwy0027.6 a3dev ", ""},           // the form's main table
        {"te1wy001item", true, "", "", "tekwy0027.6 a3dev ", ""},   // a digit up front: no table code
        {"zzabc999x", true, "", "", "zzabc9999.9 zzcu  ", ""},      // unknown table: the form's version
        {"", false, "tekwy", "tekwy003 supp", "tekwy0039.9 zzcu  ", "supp"},
    };
    for (const Case& c : cases) {
        ZoomDialogValues d;
        d.txtFieldName = QString::fromLatin1(c.fieldName);
        d.gsZoomPackageModule = QString::fromLatin1(c.zoomPackageModule);
        d.txtZoomReturnField = QString::fromLatin1(c.returnField);
        const QString record = keyOf("qxzrn422_2", "qxzrn422", d, c.fromFieldName);
        EXPECT_EQ(record.left(18), QString::fromLatin1(c.key)) << c.fieldName;
        EXPECT_EQ(record.mid(18, 8), p(c.fdnm, 8)) << c.fieldName;
    }

    ZoomDialogValues d;
    d.sRefPackage = QStringLiteral("te");
    d.sRefModule = QStringLiteral("kwy");
    d.sRefNumber = QStringLiteral("003");
    expectKey(keyOf("searchdesc", "qxzrn422", d), QStringLiteral("tekwy0037.6 a3dev"));
}
