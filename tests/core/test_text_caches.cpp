// The host text caches against the local host: requests packed into buffers of at
// most 4050 characters, answers read back in order, entries asked once, and the tree
// node texts of the groups. (The picker's labels: test_table_field_picker.)
#include "support/CoreTestSupport.h"

#include "NodeTree.h"

namespace {

// The request buffer (the last argument, unquoted) of every call of a function.
QStringList buffersOf(const QString& function)
{
    QStringList out;
    for (const QString& call : callTexts(function)) {
        const qsizetype open = std::max(call.lastIndexOf(QStringLiteral(",\"")), call.indexOf("(\""));
        out << call.mid(open + 2, call.size() - open - 4);
    }
    return out;
}

QList<qsizetype> sizesOf(const QString& function)
{
    QList<qsizetype> sizes;
    for (const QString& b : buffersOf(function))
        sizes << b.size();
    return sizes;
}

class Caches : public HostCoreTest {
protected:
    void SetUp() override
    {
        HostCoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(connectWithDictionary());
        gsPackage = "te", gsLanguage = "2";
        gsTablePackage = "te", gsTableModule = "kwy", gsTableNumber = "001";
        host::clearCallLog();
    }

    // Fields 1 to n, live, with a label code.
    static void makeFields(int n)
    {
        gaFields.assign(size_t(n) + 1, FieldRecord{});
        for (int i = 1; i <= n; ++i) {
            FieldRecord& f = gaFields[size_t(i)];
            f.lFieldId = int16_t(i);
            f.sFieldName = f.sLabelCode = QStringLiteral("tekwy001.item");
            f.iLabelLengthSO = 10;
            f.iLabelLengthMO = 30;
            f.iLabelHeightSO = f.iLabelHeightMO = 1;
            f.nOmod = int16_t(i * 10);
            gaIdMap.push_back({f.nOmod, i, false});
        }
        gnFieldCount = int16_t(n);
    }
};

TEST_F(Caches, LabelRequestsFillBuffersOfAtMost4050AndAreAskedOnce)
{
    db->exec("INSERT INTO qxzrn140 VALUES"
             " ('2','te','tequote.x',1,10,'7.6','a3','dev','The \"big\" item',2,'THE\"BIG\"IT')");
    makeFields(100);
    gaFields[7].iLabelLengthSO = 0;  // no single-occurrence label: never asked
    gaFields[50].sLabelCode = QStringLiteral("tequote.x");  // read exactly, the labels after it in place
    gLoadFieldLabels(1, true);

    // labelset records are 96 characters: 42 of them make 4032, a 43rd would pass 4050.
    EXPECT_EQ(sizesOf("get.label.set("), (QList<qsizetype>{42 * 96, 42 * 96, 15 * 96}));
    for (int i = 1; i <= 100; ++i)
        EXPECT_EQ(gaFields[size_t(i)].sLabelDescSO,
                  i == 7 ? QString() : i == 50 ? QStringLiteral("The \"big\" item") : QStringLiteral("Item"))
            << i;
    EXPECT_TRUE(gaFields[1].sLabelDescMO.isEmpty());
    host::clearCallLog();
    gLoadFieldLabels(1, true);
    EXPECT_EQ(host::callCount("get.label.set("), 0) << "every filled label is kept";
    gLoadFieldLabels(1, false);
    EXPECT_EQ(gaFields[100].sLabelDescMO, QStringLiteral("Item code"));
}

TEST_F(Caches, TheLabelLengthSentLetsTheHostPickAFittingText)
{
    makeFields(3);
    // Field 3 is a grid column without a label of its own below field 1.
    gaFields[1].lChildField = 30;
    gaFields[3].sLabelCode.clear();
    gaFields[3].bInGrid = true, gaFields[3].iMaxDispLen = 7;
    const struct { const char* language; bool single; int16_t labelLength, fieldLength, height; int field;
                   int32_t sent; } cases[] = {
        {"2", true, 10, 5, 1, 2, 10},     {"3", true, 10, 5, 1, 2, 20},    // other languages add 10
        {"2", false, 999, 12, 1, 2, 12},  {"3", false, 999, 12, 3, 2, 22},  // 999: the field's length
        {"2", false, 8, 12, 1, 2, 12},    {"2", false, 8, 12, 2, 2, 8},     // shorter and one line
        {"2", false, 20, 12, 1, 1, 27},   {"2", true, 20, 12, 1, 1, 20},    // a grid child adds its length
    };
    for (const auto& c : cases) {
        gsLanguage = c.language;
        FieldRecord& f = gaFields[size_t(c.field)];
        (c.single ? f.iLabelLengthSO : f.iLabelLengthMO) = c.labelLength;
        std::tie(f.iFieldLength, f.iLabelHeightMO) = std::tuple(c.fieldLength, c.height);
        EXPECT_EQ(glLabelLengthForRequest(c.field, c.single), c.sent)
            << c.language << " " << c.single << " " << c.labelLength << " field " << c.field;
    }
    // The request carries it in three digits, before the height.
    gsLanguage = "3";
    gLoadFieldLabels(1, false);
    const QString buffer = buffersOf("get.label.set(").value(0);
    EXPECT_EQ(buffer.size(), 2 * 96) << "field 3 has no label code";
    EXPECT_EQ(buffer.mid(19, 6) + buffer.mid(96 + 19, 6), QStringLiteral("037001018002"));
}

TEST_F(Caches, GroupLabelsFillTextsAndTheNodesOfTheGroupsPassed)
{
    gaGroups.assign(6, GroupRecord{});
    NodeTree tree;
    for (int i = 0; i < 6; ++i) {
        gaGroups[size_t(i)].Grpi = int16_t(i + 1);
        gaGroups[size_t(i)].sNodeKey = QStringLiteral("g_%1").arg(i);
        tree.add(gaGroups[size_t(i)].sNodeKey, QStringLiteral("old"));
    }
    gaGroups[1].sLabelCode = QStringLiteral("tekwy100.general");
    gaGroups[2].bVirtualGroup = true;  // no node text of its own
    gaGroups[3].sLabelCode = QStringLiteral("tekwy100.unknown");  // no texts, and the next group's in place
    gaGroups[4].sLabelCode = QStringLiteral("tekwy100.stock");
    gaGroups[5].sLabelCode = QStringLiteral("tekwy100.nosuch");
    gaGroups[5].sTabDesc = QStringLiteral("kept");  // filled already: not asked, not passed
    gSetGroupsTree(&tree, [](int16_t index, QString& text) { text = u'#' + gaGroups[size_t(index)].sTabDesc; });

    gLoadGroupLabels();
    EXPECT_EQ(host::callCount("get.group.labels.set("), 1);
    EXPECT_EQ(QStringList({gaGroups[1].sTabDesc, gaGroups[1].sFrameDesc, gaGroups[4].sTabDesc, gaGroups[4].sFrameDesc}),
              QStringList({"General", "General data", "Stock", "Stock levels and storage place"}));
    QStringList texts;
    for (int i = 0; i < 6; ++i)
        texts << tree.node(QStringLiteral("g_%1").arg(i))->text();
    EXPECT_EQ(texts, QStringList({"old", "#General", "old", "#", "#Stock", "old"}));
}

TEST_F(Caches, TableFieldDataDomainsAndDisplayLengths)
{
    db->exec("INSERT INTO qxzrn400 (cpac, cdom, vers, rele, cust, leng, lene, difo, dtyp) VALUES"
             " ('te', 'memo', '7.6', 'a3', 'dev', 200, 200, 'XXXX', 10);"
             "INSERT INTO qxzrn400 (cpac, cdom, vers, rele, cust, leng, lene, difo, digb, diga, dtyp)"
             " VALUES ('te', 'quot', '7.6', 'a3', 'dev', 8, 9, 'Z\"Z,Z\"9', 5, 1, 4);"
             "UPDATE qxzrn422 SET iniv = 'a \"b\"' WHERE flno = '001' AND fdnm = 'item'");
    makeFields(4);
    gaFields[2].sFieldName = QStringLiteral("tekwy002.dsca");  // another table
    gaFields[3].sFieldName = QStringLiteral("abc");            // shorter than a table and a point
    gaFields[4].sFieldName = QStringLiteral("tekwy001.dsca");
    gaFields[4].lControl = ControlKind::Picture;                // a picture is 20 long
    gLoadTableFieldData();

    const QStringList requests = buffersOf("get.tablefield.set(");
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].left(67 * 3 + 3), QStringLiteral("tekwy001item").leftJustified(67)
                                                + QStringLiteral("tekwy002dsca").leftJustified(67)
                                                + QStringLiteral("abc").leftJustified(67) + "tek");
    QStringList data;
    for (int i = 1; i <= 4; ++i) {
        const FieldRecord& f = gaFields[size_t(i)];
        data << QStringLiteral("%1 %2 %3 %4").arg(int(f.bTableFieldChecked)).arg(int(f.bIsTableField))
                    .arg(int(f.bTableMandatory)).arg(f.sDomainPackage + f.sDomainCode);
    }
    EXPECT_EQ(data, QStringList({"1 1 1 teitem", "1 0 0 ", "1 0 0 ", "1 1 0 tedsca"}));
    EXPECT_EQ(gaFields[1].sTableDefault, QStringLiteral("a \"b\""));  // the records after it in place
    gaFields[1].iMaxDispLen = 13;
    host::clearCallLog();
    gLoadTableFieldData();
    EXPECT_EQ(host::callCount("get.tablefield.set("), 0);

    const int16_t memo = giFindOrAddDomain(QStringLiteral("tememo"));
    const int16_t quoted = giFindOrAddDomain(QStringLiteral("tequot"));
    const int16_t unknown = giFindOrAddDomain(QStringLiteral("zznosuch"));
    useTexts({{QStringLiteral("qxplqx0209"), QStringLiteral("Domain %s unknown")}});
    gLoadDomains();
    EXPECT_EQ(host::callCount("get.domains("), 1);
    const DomainRecord& item = gaDomains[size_t(gaFields[1].nDomainIndex)];
    EXPECT_EQ(std::tuple(item.lDataType, item.sDataTypeDesc, item.iMaxDispLen, item.iMaxInpLen),
              std::tuple(6, QStringLiteral("String"), int16_t(16), int16_t(16)));
    EXPECT_TRUE(gaDomains[size_t(memo)].iMaxDispLen == 50 && gaDomains[size_t(memo)].sDisplayFormat.isEmpty());
    const DomainRecord& q = gaDomains[size_t(quoted)];  // the fields after a quoted format in place
    EXPECT_EQ(std::tuple(q.sDisplayFormat, q.nDigb, q.nDiga, q.nLeng, q.iDifl),
              std::tuple(QStringLiteral("Z\"Z,Z\"9"), int16_t(5), int16_t(1), int16_t(8), int16_t(9)));
    EXPECT_EQ(gaDomains[size_t(unknown)].lDataType, -1);
    EXPECT_EQ(dialogs->texts(), QStringList{"Domain \"zznosuch\" unknown"});
    // Fields with a domain take their display length from it: 13 their own, 20 a
    // picture's; no domain, no change.
    EXPECT_EQ(QList<int16_t>({gaFields[1].iFieldLength, gaFields[2].iFieldLength, gaFields[4].iFieldLength}),
              QList<int16_t>({13, 0, 20}));

    host::clearCallLog();
    gLoadDomains();
    EXPECT_EQ(host::callCount("get.domains("), 0) << "an unknown domain is not asked again";
}

TEST_F(Caches, DisplayLengthFromDomainAndFormat)
{
    gaDomains.assign(3, DomainRecord{});
    gaDomains[1].lDataType = 5;
    gaDomains[2].lDataType = 6;
    gaDomains[2].iDifl = 14;
    gnDomainCount = 2;
    gaFields.assign(2, FieldRecord{});
    const struct { int16_t domain, maxDisp, maxInp; const char* format; bool linked; int16_t length; } cases[] = {
        {1, 9, 2, "", false, 12},        // an amount: digits, point, decimals
        {1, 0, 0, "", false, 1},         // at least one digit
        {1, 9, 2, "  ZZ9.99", true, 6},  // the host lays the format out
        {2, 30, 0, "XX", true, 14},      // a linked text format takes the domain's length
        {2, 30, 0, "XXX", false, 3},
        {2, 30, 0, "   ", false, 30},    // blanks are no format
    };
    for (const auto& c : cases) {
        FieldRecord& f = gaFields[1];
        std::tie(f.nDomainIndex, f.iMaxDispLen, f.iMaxInpLen, f.bLinkDisplFormatToDomain) =
            std::tuple(c.domain, c.maxDisp, c.maxInp, c.linked);
        f.sDisplayFormat = QString::fromLatin1(c.format);
        EXPECT_EQ(giDomainDisplayLength(1), c.length) << c.format << " " << c.linked;
    }
}

TEST_F(Caches, EnumRequestsCountEveryCharacterTheyHold)
{
    // A small domain first, then one with as many values as one request may hold.
    const int most = glEnumsPerRequest();
    ASSERT_EQ(most, (4050 - 17) / (4 + 15 + 40 + 1));
    QString sql = QStringLiteral(
        "INSERT INTO qxzrn400 (cpac, cdom, vers, rele, cust, leng, dtyp, yesv) VALUES"
        " ('te', 'small', '7.6', 'a3', 'dev', 8, 7, 2), ('te', 'big', '7.6', 'a3', 'dev', 8, 7, 0);"
        "INSERT INTO qxzrn401 (cpac, cdom, vers, rele, cust, cnst, ctnm) VALUES"
        " ('te', 'small', '7.6', 'a3', 'dev', 1, 'one'), ('te', 'small', '7.6', 'a3', 'dev', 200, 'far')");
    for (int v = 0; v < most; ++v)
        sql += QStringLiteral(", ('te', 'big', '7.6', 'a3', 'dev', %1, 'b%1')").arg(v);
    sql += QStringLiteral(";INSERT INTO qxzrn402 (cpac, cdom, vers, rele, cust, cnst, clan, edes) VALUES"
                          " ('te', 'small', '7.6', 'a3', 'dev', 1, '2', 'The first')");
    db->exec(sql);
    const int16_t small = giFindOrAddDomain(QStringLiteral("tesmall"));
    const int16_t big = giFindOrAddDomain(QStringLiteral("tebig"));
    gLoadDomains();
    ASSERT_EQ(gaDomains[size_t(big)].nNrOfConstants, most);
    host::clearCallLog();

    gLoadEnums();
    EXPECT_EQ(sizesOf("get.enum.set("), (QList<qsizetype>{17 + 2 * 60, 17 + most * 60}));  // within 4050 by the assert

    const DomainRecord& s = gaDomains[size_t(small)];
    EXPECT_TRUE(s.bEnumsLoaded && s.iYesValue == 2);
    EXPECT_EQ(s.aEnumName[1] + u'|' + s.aEnumDesc[1], QStringLiteral("tesmall.one|The first"));
    const DomainRecord& b = gaDomains[size_t(big)];
    EXPECT_TRUE(b.bEnumsLoaded);
    EXPECT_EQ(b.aEnumName[size_t(most - 1)], QStringLiteral("tebig.b%1").arg(most - 1));
    EXPECT_EQ(b.aEnumDesc[0], QStringLiteral("tebig.b0")) << "no description: the full name";

    host::clearCallLog();
    gLoadEnums();
    EXPECT_EQ(host::callCount("get.enum.set("), 0);
}

} // namespace
