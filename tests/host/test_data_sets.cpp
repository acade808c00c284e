// The shared data-set layouts and the record builder and reader both sides cut rows with.
#include "data_sets.h"

#include <gtest/gtest.h>

#include <set>

using namespace datasets;

namespace {

struct LayoutCase {
    int16_t number;
    const char* name;
    size_t fields;
    int32_t length1;  // record length with one byte per character
    int32_t length2;  // and with two
    const char* last;
};

// Lengths worked out by hand from the field lists: a wrong length or a lost field
// anywhere in a layout changes them.
const LayoutCase kLayouts[] = {
    {1, "qxzrn400", 11, 129, 189, "diga"},        {2, "qxzrn422", 27, 139, 169, "clab"},
    {3, "qxzrn316", 4, 38, 38, "sequ"},           {4, "qxzrn315", 22, 78, 78, "zb_selg"},
    {5, "qxzrn301", 28, 214, 214, "omod"},        {6, "qxzrn302", 5, 140, 270, "defa"},
    {7, "qxzrn308", 30, 123, 123, "za_misc"},     {9, "qxzrn140", 11, 118, 198, "seak"},
    {11, "qxzrn450", 8, 159, 291, "mess"},        {12, "qxzrn200", 12, 46, 46, "mfln"},
    {13, "qxzrn360", 8, 25, 25, "cust"},          {14, "qxzrn401", 3, 31, 31, "cnst"},
    {15, "qxzrn402", 1, 41, 81, "edes"},          {16, "qxzrn300", 9, 87, 147, "desc"},
    {17, "qxzrn422fields", 14, 96, 126, "comb"},  {18, "grouplabelset", 4, 161, 301, "fdsc"},
    {19, "tabelveldset", 7, 67, 97, "iniv"},      {20, "domainset", 10, 63, 63, "ncns"},
    {22, "qxzrn450_2", 1, 12, 12, "cmes"},        {23, "qxzrn200_2", 6, 21, 21, "mfln"},
    {24, "qxzrn360_2", 4, 14, 14, "parm"},        {25, "qxzrn422_2", 4, 16, 16, "fdnm"},
    {26, "qxzrn140_2", 3, 22, 22, "lhgt"},        {27, "qxzrn400_2", 2, 14, 14, "cdom"},
    {28, "labelset", 5, 96, 166, "desc"},         {29, "qxzrn230", 6, 24, 24, "cust"},
    {30, "qxzrn420", 6, 18, 18, "cust"},          {31, "enum descs", 4, 59, 99, "edes"},
    {32, "enum set", 6, 77, 117, "edes"},         {33, "qxzwk903", 2, 32, 32, "icon"},
    {34, "qxzrn420_1", 0, 0, 0, ""},
};

const QChar E = kEndOfText;

} // namespace

TEST(DataSetLayouts, EveryLayoutHasItsFieldsAndLengthInEveryFormVersion)
{
    ASSERT_EQ(allLayouts().size(), std::size(kLayouts));
    std::set<int16_t> numbers;
    for (const LayoutCase& c : kLayouts) {
        SCOPED_TRACE(c.name);
        const DataSetLayout* set = findLayout(QString::fromLatin1(c.name));
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->number, c.number);
        EXPECT_EQ(set->fields.size(), c.fields);
        EXPECT_EQ(recordLength(*set, 1), c.length1);
        EXPECT_EQ(recordLength(*set, 2), c.length2);
        EXPECT_EQ(set->fields.empty() ? QString() : set->fields.back().code, QLatin1String(c.last));
        numbers.insert(set->number);
        // Older form versions lack the selection-group fields of the group layout only.
        const DataSetLayout* older = findLayout(QString::fromLatin1(c.name), false);
        ASSERT_NE(older, nullptr);
        EXPECT_EQ(recordLength(*older, 1), c.number == 4 ? 69 : c.length1);
    }
    EXPECT_EQ(numbers.size(), std::size(kLayouts));
    EXPECT_EQ(findLayout(QStringLiteral("qxzrn999")), nullptr);
}

class Records : public ::testing::Test {
protected:
    const DataSetLayout& labels = *findLayout(QStringLiteral("labelset"));
    const DataSetLayout& enums = *findLayout(QStringLiteral("enum set"));
    const QString head = QStringLiteral("tetekwy.item       12    ");
};

TEST_F(Records, BuilderWritesFullAndCompactRecords)
{
    RecordBuilder b(labels, 1);
    EXPECT_TRUE(b.set(QStringLiteral("cpac"), QStringLiteral("tex")));  // cut to 2
    EXPECT_TRUE(b.set(QStringLiteral("clab"), QStringLiteral("tekwy.item")));
    EXPECT_TRUE(b.set(QStringLiteral("leng"), int64_t(12)));
    EXPECT_TRUE(b.set(QStringLiteral("desc"), QStringLiteral("It") + E + QStringLiteral("em")));
    EXPECT_FALSE(b.set(QStringLiteral("nope"), QStringLiteral("x")));
    // A Chr(1) inside a value would end the host text early: it is stored as a blank.
    EXPECT_EQ(b.record(), head + QStringLiteral("It em").leftJustified(70) + E);
    EXPECT_EQ(b.compactRecord(), head + QStringLiteral("It em") + E);
}

TEST_F(Records, ReaderReadsCompactAndFullRecordsWithQuotesExactly)
{
    RecordBuilder a(enums, 2);
    a.set(QStringLiteral("cdom"), QStringLiteral("zrn.\"q\""));
    a.set(QStringLiteral("cnst"), QStringLiteral(" +07"));
    a.set(QStringLiteral("edes"), QStringLiteral("He said \"\"no\""));
    RecordBuilder b(enums, 2);
    b.set(QStringLiteral("cnst"), int64_t(-8));
    // A full record, a compact one and the blanks of an unused request slot.
    RecordReader r(enums, 2, a.record() + b.compactRecord() + QString(40, u' '));
    ASSERT_TRUE(r.next());
    EXPECT_EQ(r.value(QStringLiteral("cdom")), QStringLiteral("zrn.\"q\""));
    EXPECT_EQ(r.number(QStringLiteral("cnst")), 7);
    EXPECT_EQ(r.value(QStringLiteral("edes")), QStringLiteral("He said \"\"no\""));
    EXPECT_EQ(r.position(), recordLength(enums, 2));
    ASSERT_TRUE(r.next());
    EXPECT_EQ(r.number(QStringLiteral("cnst")), -8);
    EXPECT_EQ(r.value(QStringLiteral("edes")), QString());
    EXPECT_FALSE(r.next());
}

TEST_F(Records, ReaderStopsAtBrokenOrShortRecords)
{
    for (const QString& buffer : {head + QStringLiteral("Item"), QStringLiteral("tetekwy"), QString()}) {
        RecordReader r(labels, 1, buffer);
        EXPECT_FALSE(r.next()) << buffer.toStdString();
        EXPECT_EQ(r.position(), 0);
        EXPECT_EQ(r.value(QStringLiteral("cpac")), QString());
    }
    EXPECT_FALSE(RecordReader(*findLayout(QStringLiteral("qxzrn420_1")), 1, QStringLiteral("abc")).next());
}
