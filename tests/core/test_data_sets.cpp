// The editor's data-set registry: record lengths by form version and bytes per
// character, the two buffer readers, and the start records of host look-up sessions
// (whose places pin glFieldOffset); the keys the zoom buttons and Tools entries send
// are read back from their session requests by the window tests.
#include "support/CoreTestSupport.h"

#include "mod_ZoomRecord.h"
#include "mod_Store.h"

namespace {

const QChar E = QChar(1);

class DataSets : public CoreTest {
protected:
    static void registerAll(int32_t level, int32_t bytesPerChar)
    {
        resetDataSets();
        glFormVersionLevel = level;
        glBytesPerChar = bytesPerChar;
        gInitFormDataSets();
        gInitDataSets();
    }
    static int16_t recordLength(const char* set)
    {
        int16_t n = -1;
        gGetRecordLength(set, n);
        return n;
    }
    // A labelset record as the host writes it: desc only as long as its text.
    static QString labelRecord(const QString& clab, const QString& desc)
    {
        return QStringLiteral("te") + padded(clab, 17) + QStringLiteral("12 +1 ") + desc + E;
    }
};

TEST_F(DataSets, RegistrationAndRecordLengths)
{
    startLogging();
    gInitFormDataSets();
    EXPECT_EQ(goDataSets.size() * 100 + recordLength("labelset"), 200);  // not registered yet
    registerAll(11, 1);
    EXPECT_EQ(goDataSets.size(), 31);
    EXPECT_TRUE(logLines().last().endsWith(QStringLiteral(" - Field Data Loaded")));
    const std::pair<const char*, int16_t> lengths[] = {
        {"labelset", 96}, {"domainset", 63}, {"qxzrn315", 78}, {"qxzrn420_1", 0}, {"nothing", 0}};
    for (const auto& [set, length] : lengths)
        EXPECT_EQ(recordLength(set), length) << set;

    registerAll(10, 2);
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(recordLength("qxzrn315")).arg(recordLength("labelset"))
                  .arg(glFieldLength("qxzrn302", "inpc")).arg(glFieldLength("qxzrn302", "cpac")),
              "69 166 130 2");
}

// The store's fit check keeps the widths it asked of the registry only while nothing
// is registered anew: a column registered wider takes a longer value at once.
TEST_F(DataSets, WidthsKeptFromTheRegistryFollowAFieldRegisteredAgain)
{
    registerAll(11, 1);
    FieldRecord f;
    f.iFieldXPos = 12345;
    const auto unfit = [&f] {
        FitCheck check;
        check.field(f, FitRows::All);
        QStringList columns;
        for (const UnfitValue& v : check.values())
            columns << v.table + u'.' + v.column;
        return columns.join(u' ');
    };
    EXPECT_EQ(unfit(), QStringLiteral("qxzrn301.xpos"));
    const auto at = [](const char* suffix) {
        return goDataSetFields.value(QStringLiteral("qxzrn301.xpos") + QLatin1String(suffix));
    };
    mAddDataSetField(QStringLiteral("qxzrn301"), QStringLiteral("xpos"), at(".spos"), 5, int16_t(at(".dtyp")));
    EXPECT_EQ(unfit(), QString());
    registerAll(11, 1);
    EXPECT_EQ(unfit(), QStringLiteral("qxzrn301.xpos"));
}

// A record length is kept while nothing is registered anew: a field registered again
// wider lengthens its record at once, a fresh registration gives the length back.
TEST_F(DataSets, RecordLengthsFollowAFieldRegisteredAgain)
{
    registerAll(11, 1);
    ASSERT_EQ(recordLength("labelset"), 96);
    const auto at = [](const char* suffix) {
        return goDataSetFields.value(QStringLiteral("labelset.clab") + QLatin1String(suffix));
    };
    const int32_t width = at(".flen");
    mAddDataSetField(QStringLiteral("labelset"), QStringLiteral("clab"), at(".spos"), width + 4, int16_t(at(".dtyp")));
    EXPECT_EQ(recordLength("labelset"), 100);
    EXPECT_EQ(recordLength("domainset"), 63);
    registerAll(11, 1);
    EXPECT_EQ(recordLength("labelset"), 96);
    resetDataSets();
    EXPECT_EQ(recordLength("labelset"), 0);
}

TEST_F(DataSets, ReadingAtFixedPlacesFollowsTheChr1)
{
    registerAll(11, 1);
    const QString head = "2te" + padded(QStringLiteral("item.lbl"), 17) + QStringLiteral("+1+037.6 a3dev ");
    // The fields after a host text are found whatever the text's length.
    for (const QString& desc : {QString(), QStringLiteral("Say \"\"hi\""), QString(70, u'x')}) {
        const QString record = head + desc + E + QStringLiteral("1seak") + E;
        int32_t next = 0;
        EXPECT_EQ(gGetBufferField("qxzrn140", "desc", record, next), desc);
        EXPECT_EQ(next, 37 + desc.size());
        EXPECT_EQ(gGetBufferField("qxzrn140", "expi", record, next), QStringLiteral("1"));
        EXPECT_EQ(gGetBufferField("qxzrn140", "seak", record, next), QStringLiteral("seak"));
        EXPECT_EQ(next, record.size() + 1);
    }
    int32_t next = 0;
    const QString quoted = labelRecord(QStringLiteral("a\"\"b\""), QStringLiteral("Word"));
    EXPECT_EQ(gGetBufferField("labelset", "clab", quoted, next), QStringLiteral("a\"\"b\""));
    EXPECT_EQ(gGetBufferField("labelset", "desc", quoted, next), QStringLiteral("Word"));
    EXPECT_EQ(next, 31);
}

TEST_F(DataSets, RunningReaderWalksRecordsAndStopsAtBrokenOnes)
{
    registerAll(11, 1);
    const QString buffer = labelRecord(QStringLiteral("x\"y"), QStringLiteral("One")) + labelRecord("z", QString());
    int32_t pos = 1;
    for (const char* expected : {"One", ""}) {
        for (const char* field : {"cpac", "clab", "leng", "lhgt"})
            ASSERT_TRUE(gGetBufferFieldAt("labelset", field, buffer, pos).has_value());
        EXPECT_EQ(gGetBufferFieldAt("labelset", "desc", buffer, pos), QLatin1String(expected));
    }
    EXPECT_EQ(pos, buffer.size() + 1);

    // Unterminated host text: no value; the place moves past its full length.
    const QString broken = labelRecord(QStringLiteral("x"), QStringLiteral("Word")).chopped(1);
    pos = 26;
    int32_t next = 0;
    EXPECT_FALSE(gGetBufferFieldAt("labelset", "desc", broken, pos) || gGetBufferField("labelset", "desc", broken, next));
    EXPECT_EQ(pos * 1000 + next, 97097);
    EXPECT_EQ(gGetBufferField("qxzrn140", "expi", broken, next), std::nullopt);

    // A short fixed field at the end yields what is there; an unknown field nothing.
    pos = 1;
    EXPECT_EQ(gGetBufferFieldAt("domainset", "pacd", QStringLiteral("tezrn"), pos), QStringLiteral("tezrn"));
    EXPECT_EQ(gGetBufferFieldAt("labelset", "nope", buffer, pos), std::nullopt);
    EXPECT_EQ(pos, 15);
}

template <typename F>
ZoomDialogValues dialog(F&& fill)
{
    ZoomDialogValues d;
    fill(d);
    return d;
}

class ZoomRecord : public DataSets {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        registerAll(11, 1);
        gsLanguage = "2", gsPackage = "te", gsModule = "kwy", gsFormCode = "simpled";
        gsVersion = "7.6", gsRelease = "a3", gsCustomer = "dev", gsSession = "simple", gsTable = "tekwy002";
        gsSessionVersion = "7.6", gsSessionRelease = "a3", gsSessionCustomer = "dev", gsSessionModule = "kwy";
        gsProgramScript = "simple";
    }
    // The start record of a target over a blank record of its host table.
    static QString keyOf(const char* target, const char* table, const ZoomDialogValues& d = {}, bool fromFieldName = false)
    {
        QString buffer(recordLength(table), u' ');
        mSetKeyInBuf(target, buffer, fromFieldName, d);
        EXPECT_EQ(buffer.size(), recordLength(table)) << target;
        return buffer;
    }
};

TEST_F(ZoomRecord, KeysOfEachTargetAtTheirPlaces)
{
    // An empty buffer, as the form choice passes it: test_form_choice.
    const auto labelOf = [](ZoomDialogKind kind) {
        return dialog([&](ZoomDialogValues& d) {
            d.kind = kind, d.txtLabelCode = "lbl.code", d.txtLabelHeightSO = "0";  // written as 1
            d.txtLabelLengthSO = "3", d.txtGroupLabelCode = "grp.code", d.txtLabelCodePict = "pic.code";
        });
    };
    const ZoomDialogValues filled = dialog([](ZoomDialogValues& d) {
        d.txtIcon = "save", d.txtFieldZoomTo = "qxzrnmenu01", d.txtZoomToParallelMenus = "1x";
    });
    const ZoomDialogValues boxesEmpty = dialog([](ZoomDialogValues& d) { d.txtZoomToParallelMenus = "1"; });
    const struct {
        const char *target, *table;
        ZoomDialogValues dialog;
        const char* key;  // then blanks to the record's length
    } cases[] = {
        {"qxzrn300_1", "qxzrn300", {}, "2tekwysimpled  7.6 a3dev "},
        {"qxzrn140_2", "qxzrn140", labelOf(ZoomDialogKind::Field), "2telbl.code         +1+03"},
        {"qxzrn140_2", "qxzrn140", labelOf(ZoomDialogKind::Picture), "2tepic.code         +1+01"},
        {"qxzrn400_2", "qxzrn400", boxesEmpty, "te"},  // the form's package
        {"qxzwk903", "qxzwk903", filled, "teform_         save"},  // the host's icon group
        {"qxzrn230_1", "qxzrn230", boxesEmpty, "tekwysimple"},
        // One box cut into package, module and code; empty: the form's package and module.
        {"qxzrn360_2", "qxzrn360", boxesEmpty, "2tekwy        1"},
        {"qxzrn200_2", "qxzrn200", filled, "qxzrnmenu01"},
        {"qxzrn200_2", "qxzrn200", boxesEmpty, "tekwy"},
    };
    for (const auto& c : cases) {
        const QString record = keyOf(c.target, c.table, c.dialog);
        EXPECT_EQ(record, QString::fromLatin1(c.key).leftJustified(record.size())) << c.target << " " << c.key;
    }
    QString untouched = QStringLiteral("as it was");
    mSetKeyInBuf("qxzrn999", untouched, false, filled);
    EXPECT_EQ(untouched, QStringLiteral("as it was"));
}

TEST_F(ZoomRecord, TableFieldKeysTakeTheTablesVersionFromTheHost)
{
    LocalHostEnvironment env;
    ASSERT_TRUE(env.ok()) << env.error().toStdString();
    platform::setCommandLine(startRecord());
    ASSERT_TRUE(gbConnectVrok());
    // The form's own version differs from the tables', to tell the fallback apart.
    gsPackage = "te", gsModule = "kwy", gsVersion = "9.9", gsRelease = "zz", gsCustomer = "cu", gsTable = "tekwy002";
    const struct {
        const char* fieldName;
        bool fromFieldName;
        const char *zoomPackageModule, *returnField, *key;  // cpac..cust, then fdnm
    } cases[] = {
        {"tekwy001item", true, "", "", "tekwy0017.6 a3dev "},          // begins with a table code
        {"item", true, "", "", "tekwy0027.6 a3dev "},                  // the form's main table
        {"te1wy001item", true, "", "", "tekwy0027.6 a3dev "},          // a digit up front: no table code
        {"zzabc999x", true, "", "", "zzabc9999.9 zzcu  "},             // unknown table: the form's version
        {"", false, "tekwy", "tekwy003 supp", "tekwy0039.9 zzcu  supp"},
    };
    for (const auto& c : cases) {
        const ZoomDialogValues field = dialog([&](ZoomDialogValues& d) {
            d.txtFieldName = c.fieldName, d.txtZoomReturnField = c.returnField, d.gsZoomPackageModule = c.zoomPackageModule;
        });
        EXPECT_EQ(keyOf("qxzrn422_2", "qxzrn422", field, c.fromFieldName).left(26), padded(c.key, 26)) << c.fieldName;
    }
    const ZoomDialogValues ref =
        dialog([](ZoomDialogValues& d) { d.sRefPackage = "te", d.sRefModule = "kwy", d.sRefNumber = "003"; });
    EXPECT_EQ(keyOf("searchdesc", "qxzrn422", ref),
              QStringLiteral("tekwy0037.6 a3dev").leftJustified(recordLength("qxzrn422")));
}

} // namespace
