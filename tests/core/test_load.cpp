// Loading a form's design definitions from the local host: every demo form compared
// field by field with its host rows (conversions included), the blocks fetched, free
// slots, the failures that stop the load, and rows that name nothing loaded.
#include "test_links_support.h"

#include <data_sets.h>
#include <form_generator.h>

namespace {

QString yesNo(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

// How a host column reads into its member, written out apart from the load.
enum class Conv { Number, Boolean, Text, Element, MultiCurrency, Zoom, Alignment, Bit0, Bit1, Bit2, Bit3 };

QString expected(Conv conv, const QString& raw)
{
    const int64_t v = raw.toLongLong();
    switch (conv) {
    case Conv::Number: return QString::number(v);
    case Conv::Boolean: return yesNo(v == 1);
    case Conv::Text: return raw.trimmed();
    case Conv::Element: return QString::number(v == -1 || v == 0 ? 1 : v);
    case Conv::MultiCurrency: return yesNo(v == -1);
    case Conv::Zoom: return QString::number(v == 0 || v == 32 ? 1 : v);
    case Conv::Alignment: return QString::number(v < 0 ? v + 1 : v - 1);
    default: return yesNo((v >> (int(conv) - int(Conv::Bit0))) & 1);
    }
}

template <typename R>
struct Expect {
    const char* column;  // "alias.column" of the query of the rows
    Conv conv;
    std::function<QString(const R&)> member;
};

#define NUM(c, m) {c, Conv::Number, [](const auto& r) { return QString::number(r.m); }}
#define YES(c, m) {c, Conv::Boolean, [](const auto& r) { return yesNo(r.m); }}
#define TXT(c, m) {c, Conv::Text, [](const auto& r) { return r.m; }}
#define CNV(c, k, m) {c, k, [](const auto& r) { return QString::number(r.m); }}
#define BIT(c, k, m) {c, k, [](const auto& r) { return yesNo(r.m); }}

const std::vector<Expect<GroupRecord>> kGroupColumns = {
    NUM("g.grpi", Grpi), YES("g.repe", bRepeatingGroup), NUM("g.levl", lGroupLevel), TXT("g.labl", sLabelCode),
    YES("g.fram", bShowGroupBox), YES("g.inso", bGroupInSingleOcc), YES("g.inmo", bGroupInMultiOcc),
    NUM("g.pare", lParentGroup), NUM("g.prev", lPreviousGroup), NUM("g.next", lNextGroup),
    NUM("g.chld", lChildGroup), NUM("g.fld1", lFirstField), CNV("g.algr", Conv::Alignment, lAlignmentGroupId),
    YES("g.virt", bVirtualGroup), NUM("g.wdth", iGroupWidth), YES("g.za_cbox", bCheckboxesOnly),
    YES("g.za_newp", bNewPage), YES("g.za_besi", bPlaceBeside), BIT("g.za_misc", Conv::Bit0, bCheckOnGroupBox),
    BIT("g.za_misc", Conv::Bit1, bRichView), BIT("g.za_misc", Conv::Bit2, bNewPageMO),
    BIT("g.za_misc", Conv::Bit3, bDashboard), TXT("g.zb_tabp", sParentTable), YES("g.zb_selg", bSelectionGroup),
};

// Domain and length of a main-table field come from the dictionary; they are checked apart.
// (Stored copies equal to the values show in the store's round trip: a second store sends nothing.)
const std::vector<Expect<FieldRecord>> kFieldColumns = {
    NUM("f.sequ", lFieldId), NUM("f.xpos", iFieldXPos), NUM("f.ypos", iFieldYPos), TXT("f.fldn", sFieldName),
    CNV("f.elem", Conv::Element, iElement), BIT("f.elem", Conv::MultiCurrency, bMultiCurrency),
    NUM("f.typf", lFieldType), TXT("f.difo", sDisplayFormat), YES("f.difl", bLinkDisplFormatToDomain),
    NUM("f.mini", iMinInpLen), NUM("f.maxd", iMaxDispLen), YES("f.mxdl", bLinkMaxDisplLenToDomain),
    NUM("f.maxi", iMaxInpLen), YES("f.mxil", bLinkMaxInpLenToDomain), NUM("f.sttp", iStartPosOfString),
    CNV("f.zoom", Conv::Zoom, nZoomField), TXT("f.zprg", sZoomTo), TXT("f.zopm", sParallelMenu),
    TXT("f.zret", sZoomReturnField), YES("f.defa", bDefault), TXT("f.cmes", sMessage), YES("f.echo", bEchoField),
    YES("f.mand", bMandatoryInput), TXT("f.dcex", sLanguageUnitExpression), TXT("f.labl", sLabelCode),
    NUM("f.omod", nOmod), NUM("l.grpi", Grpi), NUM("l.pare", lParentField), NUM("l.next", lNextField),
    NUM("l.chld", lChildField), YES("l.fwup", bFollowUp), YES("l.behi", bImmediateBehind),
    YES("l.inso", bFieldInSingleOcc), YES("l.inmo", bFieldInMultiOcc), NUM("l.lali", nLabelAli),
    NUM("l.lxpo", nLabelXPos), YES("l.depe", bDependent), NUM("l.lpos", lLabelPosition),
    NUM("l.llso", iLabelLengthSO), NUM("l.lhso", iLabelHeightSO), NUM("l.llmo", iLabelLengthMO),
    NUM("l.lhmo", iLabelHeightMO), NUM("l.xend", nFieldEndPos), NUM("l.colu", iColumnId), NUM("l.optx", lOptx),
    NUM("l.za_hght", iFieldHeight), YES("l.za_view", bIsViewField), NUM("l.za_yesv", iYesValue),
    TXT("l.za_srch", sSearchField), NUM("l.za_cnst", iLinkedConst), TXT("l.za_icon", sIconName),
    NUM("l.za_zind", iZoomIndex), NUM("l.ctrl", lControl), NUM("l.za_adju", iDataAli), YES("l.za_able", bAutoEnable),
    BIT("l.za_misc", Conv::Bit0, bInGrid), BIT("l.za_misc", Conv::Bit1, bOccIndependentViewField),
    BIT("l.za_misc", Conv::Bit2, bInitialHidden),
    // Input properties; a stored default counts only for a field that has one.
    TXT("p.inpc", sInpRefExpr), YES("p.za_prop", bSyncField), YES("p.sequ IS NOT NULL", bHas302Row),
    {"CASE WHEN f.defa = 1 THEN p.defa END", Conv::Text, [](const auto& r) { return r.sDefaultValue; }},
};

template <typename R>
QString columnList(const std::vector<Expect<R>>& expects)
{
    QStringList columns;
    for (const auto& e : expects)
        columns << QLatin1String(e.column);
    return columns.join(QStringLiteral(", "));
}

template <typename R>
void compare(const std::vector<Expect<R>>& expects, const QStringList& row, const R& record, const std::string& what)
{
    for (size_t c = 0; c < expects.size(); ++c)
        EXPECT_EQ(expects[c].member(record), expected(expects[c].conv, row[qsizetype(c)]))
            << what << " " << expects[c].column;
}

// The arguments of every call of a function in the host's call log.
std::vector<QStringList> callsOf(const QString& function)
{
    std::vector<QStringList> out;
    for (const host::LoggedCall& c : host::callLog())
        if (c.function == function)
            out.push_back(c.callText.mid(function.size()).split(QLatin1Char(',')));
    return out;
}

class Load : public links::HostForm {
protected:
    QString formWhere(const char* alias) const
    {
        return QStringLiteral(" WHERE %1.cpac = 'te' AND %1.cmod = 'kwy' AND %1.cfrm = '%2' AND %1.clan = '2'"
                              " AND %1.vers = '7.6' AND %1.rele = 'a3' AND %1.cust = 'dev'")
            .arg(QLatin1String(alias), gsFormCode);
    }
};

class DemoFormLoad : public Load, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemoFormLoad, RecordsHoldExactlyTheHostRows)
{
    // Values that exercise the conversions, and quotes read back plainly, on rows of every demo form.
    const QString code = QString::fromLatin1(GetParam());
    db->exec(QStringLiteral("UPDATE qxzrn301 SET elem = -1 WHERE cfrm = '%1' AND sequ = 2;"
                            "UPDATE qxzrn301 SET elem = 0, zoom = 32 WHERE cfrm = '%1' AND sequ = 3;"
                            "UPDATE qxzrn301 SET elem = 4, zoom = 0 WHERE cfrm = '%1' AND sequ = 4;"
                            "UPDATE qxzrn301 SET zoom = 3, defa = 2, dcex = 'say \"hi\"' WHERE cfrm = '%1' AND sequ = 5;"
                            "UPDATE qxzrn308 SET za_misc = 5, lpos = 3, optx = 77 WHERE cfrm = '%1' AND sequ = 1;"
                            "UPDATE qxzrn308 SET za_misc = 2 WHERE cfrm = '%1' AND sequ = 6;"
                            "UPDATE qxzrn315 SET algr = 0, za_misc = 9 WHERE cfrm = '%1' AND grpi = 1;"
                            "UPDATE qxzrn315 SET algr = 3, za_misc = 6 WHERE cfrm = '%1' AND grpi = 2;")
                 .arg(code));
    select(code);
    ASSERT_TRUE(gLoadDesignDefinitions());
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(QLatin1Char('\n')).toStdString();

    const auto groupRows = rows(QStringLiteral("SELECT %1 FROM qxzrn315 g").arg(columnList(kGroupColumns))
                                         + formWhere("g") + QStringLiteral(" ORDER BY g.grpi"));
    ASSERT_FALSE(groupRows.empty());
    size_t liveGroups = 0;
    for (const QStringList& row : groupRows) {
        const size_t index = size_t(row[0].toInt() - 1);
        ASSERT_LT(index, gaGroups.size());
        compare(kGroupColumns, row, gaGroups[index], code.toStdString() + " group " + std::to_string(index));
        EXPECT_TRUE(gaGroups[index].bExistsInHost && !gaGroups[index].bChanged);
        liveGroups += index > 0 && row[13] != QLatin1String("1");  // not virtual
    }
    // Free slots after the last group: one for each live non-virtual group and 100 more.
    const size_t lastGroup = size_t(groupRows.back()[0].toInt());
    EXPECT_EQ(gaGroups.size(), lastGroup + liveGroups + 100);
    for (size_t i = lastGroup; i < gaGroups.size(); ++i)
        EXPECT_EQ(gaGroups[i].Grpi, -1);

    // Each field row with, for a column of the main table, its dictionary domain.
    const auto fieldRows = rows(
        QStringLiteral("SELECT %1, d.pacd || d.cdom, f.pacd || f.cdom, f.flen FROM qxzrn301 f"
                            " JOIN qxzrn308 l %2 LEFT JOIN qxzrn302 p %2 LEFT JOIN qxzrn422 d"
                            " ON d.cpac || d.cmod || d.flno = substr(f.fldn, 1, 8) AND d.fdnm = substr(f.fldn, 10)"
                            " AND d.vers = f.vers AND d.rele = f.rele AND d.cust = f.cust AND d.pacd <> ''"
                            " AND substr(f.fldn, 1, 8) = '%3'")
                     .arg(columnList(kFieldColumns),
                          QStringLiteral("USING (clan, cpac, vers, rele, cust, cmod, cfrm, sequ)"),
                          gsTablePackage + gsTableModule + gsTableNumber)
                 + formWhere("f") + QStringLiteral(" ORDER BY f.omod"));
    ASSERT_FALSE(fieldRows.empty());
    std::vector<bool> used(gaFields.size());
    for (size_t n = 0; n < fieldRows.size(); ++n) {
        const QStringList& row = fieldRows[n];
        const int32_t sequ = row[0].toInt();
        ASSERT_LT(size_t(sequ), gaFields.size());
        used[size_t(sequ)] = true;
        const FieldRecord& f = gaFields[size_t(sequ)];
        const std::string what = code.toStdString() + " field " + std::to_string(sequ);
        compare(kFieldColumns, row, f, what);
        EXPECT_TRUE(f.bExistsInHost && f.bInputPropsLoaded && f.bTableFieldChecked) << what;
        EXPECT_FALSE(f.bChanged || f.bRemove302) << what;
        // A column of the main table takes its domain from the dictionary.
        const qsizetype p = qsizetype(kFieldColumns.size());
        EXPECT_EQ(f.bIsTableField, !row[p].isEmpty()) << what;
        const QString domain = f.bIsTableField ? row[p] : row[p + 1];
        EXPECT_EQ(f.sDomainPackage + f.sDomainCode, domain) << what;
        if (domain.isEmpty()) {
            EXPECT_EQ(f.iFieldLength, row[p + 2].toInt()) << what;
        } else {
            ASSERT_GT(f.nDomainIndex, 0) << what;
            EXPECT_EQ(gaDomains[size_t(f.nDomainIndex)].sDomain, domain) << what;
            EXPECT_GT(gaDomains[size_t(f.nDomainIndex)].lDataType, 0) << what;
        }
        // The id map is built in the order of the rows.
        ASSERT_LT(n + 1, gaIdMap.size());
        EXPECT_EQ(gaIdMap[n + 1].nOmod, f.nOmod);
        EXPECT_EQ(gaIdMap[n + 1].lIndex, sequ);
    }
    EXPECT_EQ(gaIdMap.size(), fieldRows.size() + 1);
    EXPECT_EQ(gnFieldCount, int(std::find(used.rbegin(), used.rend(), true).base() - used.begin()) - 1);
    // Sequence gaps and everything above the last field are free slots: 50 after the
    // first row's sequence number, 200 after the load.
    for (size_t i = 1; i < gaFields.size(); ++i)
        EXPECT_TRUE(used[i] || gaFields[i].lFieldId == -1) << code.toStdString() << " slot " << i;
    EXPECT_EQ(gaFields.size(), size_t(fieldRows.front()[0].toInt()) + 51 + 200);

    // Form commands of the kinds session (1), group (2) and field (3), in row order.
    const auto commandRows = rows(QStringLiteral("SELECT c.btyp, c.sern, c.mscf, c.sequ FROM qxzrn316 c")
                                           + formWhere("c")
                                           + QStringLiteral(" AND c.btyp IN (1, 2, 3) ORDER BY c.sern"));
    ASSERT_EQ(gaSpecificCommands.size(), commandRows.size() + 1);
    for (size_t j = 0; j < commandRows.size(); ++j) {
        const SpecificCommandRecord& c = gaSpecificCommands[j + 1];
        const int btyp = commandRows[j][0].toInt();
        const int link = commandRows[j][3].toInt();
        EXPECT_EQ(QStringList({QString::number(c.nCommandType), QString::number(c.nSequenceNumber),
                               c.sSpecificCommand, QString::number(c.lLinkId)}),
                  commandRows[j]);
        EXPECT_EQ(c.nSpecificCommandId, 0);
        EXPECT_EQ(c.Grpi, btyp == 2 ? link - 1 : 0);
        EXPECT_EQ(c.lFieldId > 0, btyp == 3);
        if (btyp == 3) {
            EXPECT_EQ(gaFields[size_t(c.lFieldId)].nOmod, link);
            EXPECT_EQ(gaFields[size_t(c.lFieldId)].lCommandIndex, int32_t(j + 1));
        }
    }
    EXPECT_FALSE(gbLoadCommands);
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoFormLoad, ::testing::Values("simpled", "itemsd", "olditemd"));

TEST_F(Load, EachTableIsReadInBlocksUntilOneComesBackShort)
{
    const auto length = [](const char* name) { return datasets::recordLength(*datasets::findLayout(name), 1); };
    const int joined = 4050 / (length("qxzrn301") + length("qxzrn308"));
    // Rows a block of the group, field, input-property and command queries holds.
    const std::vector<int> blocks = {4050 / length("qxzrn315"), joined, 4050 / length("qxzrn302"),
                                     4050 / length("qxzrn316")};
    for (const int fields : {joined - 1, joined, 2 * joined, 2 * joined + 1}) {
        host::GenerateOptions options;
        options.fields = fields;
        const std::optional<host::FormIdentity> id = host::generateForm(*db, options);
        ASSERT_TRUE(id);
        select(id->formCode);
        ASSERT_TRUE(gLoadDesignDefinitions());
        EXPECT_EQ(gnFieldCount, fields);
        for (int i = 1; i <= fields; ++i)
            ASSERT_EQ(gaFields[size_t(i)].lFieldId, i) << "every row once, none left out";

        // Query ids rise by one, so a fetch's id tells its query.
        const auto fetches = callsOf(QStringLiteral("am_query_fetch("));
        ASSERT_FALSE(fetches.empty());
        std::vector<int> perQuery(blocks.size());
        for (const QStringList& fetch : fetches) {
            const size_t query = size_t(fetch[1].toInt() - fetches.front()[1].toInt());
            ASSERT_LT(query, blocks.size());
            EXPECT_EQ(fetch[3].toInt(), blocks[query]) << "query " << query;
            EXPECT_EQ(fetch[2].toInt(), perQuery[query]++ == 0 ? 1 : 2) << "query " << query;
        }
        // A block that comes back full is followed by one more fetch, even an empty one.
        EXPECT_EQ(perQuery, (std::vector<int>{1, fields / joined + 1, 1, 1})) << fields << " fields";
        EXPECT_EQ(host::callCount(QStringLiteral("am_query_close(")), 4);
    }
}

TEST_F(Load, StoredLevelsAndTheSelectionGroupColumns)
{
    // A root stored at level 9 and a group whose negative level asks for 11.
    db->exec(QStringLiteral("UPDATE qxzrn315 SET za_revi = 9 WHERE cfrm = 'itemsd' AND grpi = 1;"
                            "UPDATE qxzrn315 SET za_revi = 5, levl = -11 WHERE cfrm = 'itemsd' AND grpi = 4;"));
    for (const int32_t level : {11, 10}) {
        select(QStringLiteral("itemsd"), level);
        ASSERT_TRUE(gLoadDesignDefinitions());
        EXPECT_EQ(glLoadedFormVersion, 11);
        // Group 8 is stored as a selection group; level 10 neither selects nor loads it.
        const bool selection = level == 11;
        EXPECT_EQ(gaGroups[7].bSelectionGroup, selection) << level;
        EXPECT_EQ(gaGroups[7].sParentTable, selection ? QStringLiteral("tekwy003") : QString()) << level;
        const QString select = callsOf(QStringLiteral("am_define_full_query(")).front().join(',');
        const QString end = selection ? QStringLiteral("za_misc, qxzrn315.zb_tabp, qxzrn315.zb_selg\",")
                                      : QStringLiteral("za_misc\",");
        EXPECT_TRUE(select.contains(end)) << select.toStdString();
    }
    db->exec(QStringLiteral("UPDATE qxzrn315 SET levl = 2 WHERE cfrm = 'itemsd' AND grpi = 4"));
    select(QStringLiteral("itemsd"));
    ASSERT_TRUE(gLoadDesignDefinitions());
    EXPECT_EQ(glLoadedFormVersion, 9) << "the root row's level stands";
}

TEST_F(Load, ALoadThatCannotReadItsRowsOrItsIdentityStopsAndSaysSo)
{
    useTexts({{QStringLiteral("qxplqx0212"), QStringLiteral("Host call %s failed with%s")}});
    const QString notRead = QStringLiteral("The form could not be read from the host (table qxzrn315).\r\nIt is not "
                                           "opened");
    struct Case {
        const char* failing;  // host function failing once
        const char* formCode;
        int defines, closes;
        QString message;
    };
    const Case cases[] = {
        {"am_define_full_query(", "itemsd", 1, 0, notRead},
        {"am_query_fetch(", "itemsd", 1, 1, notRead},
        {nullptr, "it'}d", 0, 0, QStringLiteral("\"it'}d\" holds a quote or a brace")},
        {"DROP", "itemsd", 1, 1, notRead},  // the host refuses the query text: -302
    };
    for (const Case& c : cases) {
        select(QStringLiteral("itemsd"));
        gsFormCode = QString::fromLatin1(c.formCode);
        if (c.failing == QLatin1String("DROP"))
            db->exec(QStringLiteral("DROP TABLE qxzrn315"));
        else if (c.failing)
            host::injectError(QString::fromLatin1(c.failing), 7, 1);
        EXPECT_FALSE(gLoadDesignDefinitions()) << c.formCode;
        EXPECT_EQ(host::callCount(QStringLiteral("am_define_full_query(")), c.defines) << c.formCode;
        EXPECT_EQ(host::callCount(QStringLiteral("am_query_close(")), c.closes) << c.formCode;
        ASSERT_FALSE(dialogs->texts().isEmpty()) << c.formCode;
        EXPECT_TRUE(dialogs->texts().last().contains(c.message)) << dialogs->texts().last().toStdString();
    }
}

TEST_F(Load, RowsOutsideTheArraysOrOnFreeSlotsArePassedOver)
{
    db->exec(QStringLiteral("PRAGMA foreign_keys = OFF;"
                            "INSERT INTO qxzrn301 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, fldn, omod)"
                            " VALUES (%1, 32600, 'far.away', 900);"
                            "INSERT INTO qxzrn308 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, grpi)"
                            " VALUES (%1, 32600, 2);"
                            "INSERT INTO qxzrn302 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, inpc)"
                            " VALUES (%1, 36, 'x'), (%1, 99, 'y');"
                            "INSERT INTO qxzrn316 (clan, cpac, vers, rele, cust, cmod, cfrm, sern, btyp, mscf, sequ)"
                            " VALUES (%1, 7, 3, 'no.field', 345), (%1, 8, 2, 'no.group', 50),"
                            " (%1, 9, 2, 'root.group', 1)")
                 .arg(QStringLiteral("'2', 'te', '7.6', 'a3', 'dev', 'kwy', 'itemsd'")));
    select(QStringLiteral("itemsd"));
    startLogging();
    ASSERT_TRUE(gLoadDesignDefinitions());

    EXPECT_EQ(gnFieldCount, 40);
    EXPECT_LT(gaFields.size(), 1000u);
    EXPECT_EQ(gaFields[36].lFieldId, -1);
    EXPECT_TRUE(gaFields[36].sInpRefExpr.isEmpty());
    QStringList commands;
    for (size_t j = 1; j < gaSpecificCommands.size(); ++j)
        commands << gaSpecificCommands[j].sSpecificCommand;
    EXPECT_EQ(commands, QStringList({"open.orders", "print.stock", "reorder.item", "root.group"}));
    const QStringList log = logLines();
    for (const char* row : {"Field row 32600 passed over", "Table 302 row 36 passed over",
                            "Table 302 row 99 passed over", "Specific Command 7 passed over",
                            "Specific Command 8 passed over"})
        EXPECT_EQ(log.filter(QLatin1String(row)).size(), 1) << row;
}

// A host that answers one group row twice: the first stays, the second is logged.
TEST_F(Load, AGroupRowMetTwiceKeepsTheFirst)
{
    db->exec(QStringLiteral("CREATE TABLE copy315 AS SELECT * FROM qxzrn315; DROP TABLE qxzrn315;"
                            "ALTER TABLE copy315 RENAME TO qxzrn315;"
                            "INSERT INTO qxzrn315 SELECT * FROM qxzrn315 WHERE cfrm = 'itemsd' AND grpi = 3;"
                            "UPDATE qxzrn315 SET labl = 'tekwy100.twice' WHERE rowid = (SELECT max(rowid) FROM qxzrn315);"));
    select(QStringLiteral("itemsd"));
    startLogging();
    ASSERT_TRUE(gLoadDesignDefinitions());
    EXPECT_NE(gaGroups[2].sLabelCode, QStringLiteral("tekwy100.twice"));
    EXPECT_EQ(logLines().filter(QStringLiteral("Group row 3 passed over: the group was loaded already")).size(), 1);
}

// A reload of the form commands that finds none leaves none of the earlier ones.
TEST_F(Load, AReloadWithoutCommandsEmptiesTheCommands)
{
    select(QStringLiteral("itemsd"));
    ASSERT_TRUE(gLoadDesignDefinitions());
    ASSERT_GT(gaSpecificCommands.size(), 1u);
    db->exec(QStringLiteral("DELETE FROM qxzrn316 WHERE cfrm = 'itemsd'"));
    ASSERT_TRUE(gLoadSpecificCommands());
    EXPECT_EQ(gaSpecificCommands.size(), 1u);
    for (const FieldRecord& f : gaFields)
        EXPECT_EQ(f.lCommandIndex, -1);
}

TEST_F(Load, SlotsThatRowsFillKeepNothingOfBefore)
{
    select(QStringLiteral("itemsd"));
    // Records left by an earlier form in the same arrays.
    FieldRecord field;
    field.lFieldId = 3, field.iTableFieldIndex = 9;
    field.sDefaultValue = field.sInpRefExpr = field.sLabelDescSO = field.sNodeKey = QStringLiteral("stale");
    field.bHas302Row = field.bIsTableField = field.bChanged = true;
    gaFields.assign(60, field);
    GroupRecord group;
    group.Grpi = 2, group.iNrOfSubGroups = 7, group.bSelectionGroup = true;
    group.sTabDesc = QStringLiteral("stale");
    gaGroups.assign(12, group);
    SpecificCommandRecord command;
    command.nSpecificCommandId = 0;
    gaSpecificCommands.assign(9, command);

    ASSERT_TRUE(gLoadDesignDefinitions());
    for (const int sequ : {1, 10, 14, 40}) {
        const FieldRecord& f = gaFields[size_t(sequ)];
        EXPECT_EQ(f.lFieldId, sequ);
        for (const QString& text : {f.sDefaultValue, f.sInpRefExpr, f.sLabelDescSO, f.sNodeKey})
            EXPECT_NE(text, QStringLiteral("stale")) << sequ;
        EXPECT_TRUE(f.iTableFieldIndex == 0 && !f.bChanged) << sequ;
    }
    EXPECT_FALSE(gaFields[1].bHas302Row);
    EXPECT_TRUE(gaGroups[1].sTabDesc.isEmpty() && gaGroups[1].iNrOfSubGroups == 0 && !gaGroups[1].bSelectionGroup);
    EXPECT_EQ(gaSpecificCommands.size(), 4u) << "no command of the earlier form is left";
}

// Commands start from an empty array and are linked to fields again; the input
// properties of one field are read again, only its own.
TEST_F(Load, PartsReadAgainAfterTheLoad)
{
    select(QStringLiteral("itemsd"));
    ASSERT_TRUE(gLoadDesignDefinitions());
    std::vector<int32_t> linked;
    for (int32_t i = 1; i < int32_t(gaFields.size()); ++i)
        if (gaFields[size_t(i)].lFieldId == i && gaFields[size_t(i)].lCommandIndex > 0)
            linked.push_back(i);
    ASSERT_FALSE(linked.empty());
    db->exec(QStringLiteral("DELETE FROM qxzrn316 WHERE cfrm = 'itemsd' AND btyp = (SELECT cnst FROM qxzrn401 "
                            "WHERE cdom = 'zrn.btyp' AND ctnm = 'field');"
                            "UPDATE qxzrn302 SET inpc = 'changed', defa = 'new' WHERE cfrm = 'itemsd';"));
    gaSpecificCommands.push_back(gaSpecificCommands.back());
    ASSERT_TRUE(gLoadSpecificCommands());
    for (const int32_t i : linked)
        EXPECT_EQ(gaFields[size_t(i)].lCommandIndex, -1) << i;
    for (const SpecificCommandRecord& c : gaSpecificCommands)
        EXPECT_TRUE(c.nSpecificCommandId == -1 || c.lFieldId == 0);

    host::clearCallLog();
    ASSERT_TRUE(gLoadTable302(11));
    const QString where = callsOf(QStringLiteral("am_define_full_query(")).front().join(',');
    EXPECT_TRUE(where.contains(QLatin1String("'itemsd',11}"))) << where.toStdString();
    EXPECT_EQ(gaFields[11].sInpRefExpr + gaFields[11].sDefaultValue, QStringLiteral("changednew"));
    EXPECT_EQ(gaFields[12].sInpRefExpr, QStringLiteral("1")) << "only the field asked for";
}

} // namespace
