// The editor's data-set registry: field places in fixed and actual records, record
// lengths by form version and bytes per character, the two buffer readers, and the
// feature test of the form version.
#include "support/CoreTestSupport.h"

#include "hostlink/mod_DataSets.h"
#include "model/mod_Versions.h"

namespace {

const QChar E = QChar(1);

class DataSets : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        resetDataSets();
    }
    void TearDown() override
    {
        resetDataSets();
        CoreTest::TearDown();
    }
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
        gGetRecordLength(QString::fromLatin1(set), n);
        return n;
    }
    const QString labels = QStringLiteral("labelset");
    // A labelset record as the host writes it: desc only as long as its text.
    static QString labelRecord(const QString& clab, const QString& desc)
    {
        return QStringLiteral("te") + padded(clab, 17) + QStringLiteral("12 +1 ") + desc + E;
    }
};

} // namespace

TEST_F(DataSets, RegistrationAndRecordLengths)
{
    startLogging();
    gInitFormDataSets();
    EXPECT_EQ(goDataSets.size(), 2);
    EXPECT_EQ(recordLength("labelset"), 0);  // not registered yet

    registerAll(11, 1);
    EXPECT_EQ(goDataSets.size(), 31);
    EXPECT_EQ(gasDataSetFieldNames[28][5], QStringLiteral("desc"));
    EXPECT_TRUE(logLines().last().endsWith(QStringLiteral(" - Field Data Loaded")));
    EXPECT_EQ(recordLength("labelset"), 96);
    EXPECT_EQ(recordLength("domainset"), 63);
    EXPECT_EQ(recordLength("qxzrn315"), 78);
    EXPECT_EQ(recordLength("qxzrn420_1"), 0);
    EXPECT_EQ(recordLength("nothing"), 0);

    registerAll(10, 2);
    EXPECT_EQ(recordLength("qxzrn315"), 69);
    EXPECT_EQ(recordLength("labelset"), 166);
    EXPECT_EQ(glFieldLength(QStringLiteral("qxzrn302"), QStringLiteral("inpc")), 130);
    EXPECT_EQ(glFieldLength(QStringLiteral("qxzrn302"), QStringLiteral("cpac")), 2);
}

TEST_F(DataSets, FixedLayoutOffsetsAndEnds)
{
    registerAll(11, 1);
    struct Case {
        const char* set;
        const char* field;
        bool noSeparators;
        int32_t offset, end;
    } const cases[] = {
        {"labelset", "desc", false, 26, 96},  {"qxzrn140", "expi", false, 107, 107},
        {"qxzrn140", "expi", true, 106, 107}, {"qxzrn302", "defa", true, 74, 140},
        {"labelset", "nope", false, 0, 0},    {"nothing", "cpac", false, 0, 0},
    };
    for (const Case& c : cases) {
        const QString set = QString::fromLatin1(c.set), field = QString::fromLatin1(c.field);
        EXPECT_EQ(glFieldOffset(set, field, c.noSeparators), c.offset) << c.set << '.' << c.field;
        EXPECT_EQ(glFieldEnd(set, field), c.end) << c.set << '.' << c.field;
    }
}

TEST_F(DataSets, ReadingAtFixedPlacesFollowsTheChr1)
{
    registerAll(11, 1);
    const QString set = QStringLiteral("qxzrn140");
    const QString head =
        QStringLiteral("2te") + padded(QStringLiteral("item.lbl"), 17) + QStringLiteral("+1+037.6 a3dev ");
    // The fields after a host text are found whatever the text's length.
    for (const QString& desc : {QString(), QStringLiteral("Say \"\"hi\""), QString(70, u'x')}) {
        const QString record = head + desc + E + QStringLiteral("1seak") + E;
        int32_t next = 0;
        EXPECT_EQ(gGetBufferField(set, QStringLiteral("desc"), record, next), desc);
        EXPECT_EQ(next, 37 + desc.size());
        EXPECT_EQ(gGetBufferField(set, QStringLiteral("expi"), record, next), QStringLiteral("1"));
        EXPECT_EQ(gGetBufferField(set, QStringLiteral("seak"), record, next), QStringLiteral("seak"));
        EXPECT_EQ(next, record.size() + 1);
    }
    int32_t next = 0;
    const QString quoted = labelRecord(QStringLiteral("a\"\"b\""), QStringLiteral("Word"));
    EXPECT_EQ(gGetBufferField(labels, QStringLiteral("clab"), quoted, next), QStringLiteral("a\"\"b\""));
    EXPECT_EQ(gGetBufferField(labels, QStringLiteral("desc"), quoted, next), QStringLiteral("Word"));
    EXPECT_EQ(next, 31);
}

TEST_F(DataSets, RunningReaderWalksRecordsAndStopsAtBrokenOnes)
{
    registerAll(11, 1);
    const QString buffer =
        labelRecord(QStringLiteral("x\"y"), QStringLiteral("One")) + labelRecord(QStringLiteral("z"), QString());
    int32_t pos = 1;
    for (const char* expected : {"One", ""}) {
        for (const char* field : {"cpac", "clab", "leng", "lhgt"})
            ASSERT_TRUE(gGetBufferFieldAt(labels, QLatin1String(field), buffer, pos).has_value());
        EXPECT_EQ(gGetBufferFieldAt(labels, QStringLiteral("desc"), buffer, pos), QLatin1String(expected));
    }
    EXPECT_EQ(pos, buffer.size() + 1);

    // Unterminated host text: no value; the place moves past its full length.
    const QString broken = labelRecord(QStringLiteral("x"), QStringLiteral("Word")).chopped(1);
    pos = 26;
    EXPECT_EQ(gGetBufferFieldAt(labels, QStringLiteral("desc"), broken, pos), std::nullopt);
    EXPECT_EQ(pos, 97);
    int32_t next = 0;
    EXPECT_EQ(gGetBufferField(labels, QStringLiteral("desc"), broken, next), std::nullopt);
    EXPECT_EQ(next, 97);
    EXPECT_EQ(gGetBufferField(QStringLiteral("qxzrn140"), QStringLiteral("expi"), broken, next), std::nullopt);

    // A short fixed field at the end yields what is there; an unknown field nothing.
    pos = 1;
    EXPECT_EQ(gGetBufferFieldAt(QStringLiteral("domainset"), QStringLiteral("pacd"), QStringLiteral("tezrn"), pos),
              QStringLiteral("tezrn"));
    EXPECT_EQ(pos, 15);
    EXPECT_EQ(gGetBufferFieldAt(labels, QStringLiteral("nope"), buffer, pos), std::nullopt);
    EXPECT_EQ(pos, 15);
}

TEST(FormVersionFeatures, EachLevelSupportsItsBits)
{
    // Columns: the bits 1, 2, 4, 8, 16, 32, 64, 128.
    const std::pair<int32_t, const char*> rows[] = {
        {0, "00000000"}, {7, "00000000"},  {8, "10000000"},  {9, "11101000"},
        {10, "11101110"}, {11, "11101111"}, {12, "00000000"},
    };
    for (const auto& [level, bits] : rows) {
        glFormVersionLevel = level;
        for (int b = 0; b < 8; ++b)
            EXPECT_EQ(gbFormVersionSupports(1 << b), bits[b] == '1') << "level " << level << " bit " << (1 << b);
    }
    glFormVersionLevel = 0;
}
