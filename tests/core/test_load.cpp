// Loading a form's design definitions from the local host: the conversions on every demo
// form, the blocks fetched, free slots, the failures that stop the load, and rows that
// name nothing loaded.
#include "test_links_support.h"

#include <QRegularExpression>

#include <data_sets.h>
#include <form_generator.h>
#include <local_host.h>

#include "UiHooks.h"

namespace {

// The arguments of every call of a function in the host's call log.
std::vector<QStringList> callsOf(const QString& function)
{
    std::vector<QStringList> out;
    for (const QString& call : callTexts(function))
        out.push_back(call.mid(function.size()).split(QLatin1Char(',')));
    return out;
}

// The local host answering every fetch with the first row's package blank.
struct BlankPackage : host::LocalHost {
    using LocalHost::LocalHost;
    QString returnCall() const override
    {
        QString call = LocalHost::returnCall();
        if (call.startsWith(QStringLiteral("am_query_fetch(")))
            call.replace(call.indexOf(u'"') + 1, 2, QStringLiteral("  "));
        return call;
    }
};

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

// The conversions of loaded columns, on rows of each demo form set to their edge values
// (every other column comes back unchanged when the whole form is stored again:
// test_alignment); the domains of the main table's columns, the id map, free slots and
// the form commands.
TEST_P(DemoFormLoad, ConvertsEdgeValuesAndFillsDomainsIdMapSlotsAndCommands)
{
    const QString code = QString::fromLatin1(GetParam());
    db->exec(QStringLiteral("UPDATE qxzrn301 SET elem = -1 WHERE cfrm = '%1' AND sequ = 2;"
                            "UPDATE qxzrn301 SET elem = 0, zoom = 32 WHERE cfrm = '%1' AND sequ = 3;"
                            "UPDATE qxzrn301 SET elem = 4, zoom = 0 WHERE cfrm = '%1' AND sequ = 4;"
                            "UPDATE qxzrn301 SET zoom = 3, defa = 2, dcex = 'say \"hi\"' WHERE cfrm = '%1' AND sequ = 5;"
                            "UPDATE qxzrn302 SET defa = 'kept' WHERE cfrm = '%1' AND sequ = 5;"
                            "UPDATE qxzrn308 SET za_misc = 5, lpos = 3, optx = 77 WHERE cfrm = '%1' AND sequ = 1;"
                            "UPDATE qxzrn308 SET za_misc = 2 WHERE cfrm = '%1' AND sequ = 6;"
                            "UPDATE qxzrn315 SET algr = 0, za_misc = 9 WHERE cfrm = '%1' AND grpi = 1;"
                            "UPDATE qxzrn315 SET algr = 3, za_misc = 6 WHERE cfrm = '%1' AND grpi = 2;")
                 .arg(code));
    select(code);
    ASSERT_TRUE(gLoadDesignDefinitions());
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(QLatin1Char('\n')).toStdString();

    // Element -1 is a multi-currency field of element 1, 0 is element 1; zoom 0 and 32
    // are zoom 1; a default flag of 2 keeps no default; alignment stored one off; the
    // flags of za_misc bit by bit.
    const auto f = [](int i) -> const FieldRecord& { return gaFields[size_t(i)]; };
    const auto g = [](int i) -> const GroupRecord& { return gaGroups[size_t(i)]; };
    EXPECT_EQ(QStringLiteral("%1%2 %3%4 %5 %6%7 %8").arg(f(2).iElement).arg(f(2).bMultiCurrency).arg(f(3).iElement)
                  .arg(f(3).bMultiCurrency).arg(f(4).iElement).arg(f(3).nZoomField).arg(f(4).nZoomField)
                  .arg(f(5).nZoomField),
              QStringLiteral("11 10 4 11 3"));
    EXPECT_EQ(QString::number(f(5).bDefault) + f(5).sDefaultValue + u'|' + f(5).sLanguageUnitExpression,
              QStringLiteral("0|say \"hi\""));
    EXPECT_EQ(QStringLiteral("%1%2%3 %4%5%6 %7 %8").arg(f(1).bInGrid).arg(f(1).bOccIndependentViewField)
                  .arg(f(1).bInitialHidden).arg(f(6).bInGrid).arg(f(6).bOccIndependentViewField)
                  .arg(f(6).bInitialHidden).arg(f(1).lLabelPosition).arg(f(1).lOptx),
              QStringLiteral("101 010 3 77"));
    const auto group = [&](int i) {
        return QStringLiteral("%1 %2%3%4%5").arg(g(i).lAlignmentGroupId).arg(g(i).bCheckOnGroupBox)
            .arg(g(i).bRichView).arg(g(i).bNewPageMO).arg(g(i).bDashboard);
    };
    EXPECT_EQ(group(0), QStringLiteral("-1 1001"));
    EXPECT_TRUE(g(1).Grpi != 2 || group(1) == QStringLiteral("2 0110")) << group(1).toStdString();  // simpled: the root only

    // A column of the main table takes its domain from the dictionary; the id map is
    // built in the order of the rows; every other slot is free.
    const auto fieldRows = rows(
        QStringLiteral("SELECT f.sequ, f.omod, d.pacd || d.cdom, f.pacd || f.cdom FROM qxzrn301 f LEFT JOIN qxzrn422 d"
                       " ON d.cpac || d.cmod || d.flno = substr(f.fldn, 1, 8) AND d.fdnm = substr(f.fldn, 10)"
                       " AND d.vers = f.vers AND d.rele = f.rele AND d.cust = f.cust AND d.pacd <> ''"
                       " AND substr(f.fldn, 1, 8) = '%1'").arg(gsTablePackage + gsTableModule + gsTableNumber)
        + formWhere("f") + QStringLiteral(" ORDER BY f.omod"));
    ASSERT_FALSE(fieldRows.empty());
    ASSERT_EQ(gaIdMap.size(), fieldRows.size() + 1);
    std::vector<bool> used(gaFields.size());
    for (size_t n = 0; n < fieldRows.size(); ++n) {
        const int32_t sequ = fieldRows[n][0].toInt();
        ASSERT_LT(size_t(sequ), gaFields.size());
        used[size_t(sequ)] = true;
        const FieldRecord& field = gaFields[size_t(sequ)];
        const QString domain = fieldRows[n][2].isEmpty() ? fieldRows[n][3] : fieldRows[n][2];
        EXPECT_EQ(field.bIsTableField, !fieldRows[n][2].isEmpty()) << sequ;
        EXPECT_EQ(field.sDomainPackage + field.sDomainCode, domain) << sequ;
        EXPECT_TRUE(field.bExistsInHost && field.bInputPropsLoaded && field.bTableFieldChecked && !field.bChanged);
        EXPECT_TRUE(domain.isEmpty() || gaDomains[size_t(field.nDomainIndex)].sDomain == domain) << sequ;
        EXPECT_EQ(gaIdMap[n + 1].nOmod * 1000 + gaIdMap[n + 1].lIndex, fieldRows[n][1].toInt() * 1000 + sequ);
    }
    // Sequence gaps and everything above the last field are free slots: 50 after the
    // first row's sequence number, 200 after the load.
    for (size_t i = 1; i < gaFields.size(); ++i)
        EXPECT_TRUE(used[i] || gaFields[i].lFieldId == -1) << code.toStdString() << " slot " << i;
    EXPECT_EQ(gaFields.size(), size_t(fieldRows.front()[0].toInt()) + 51 + 200);
    // Free group slots after the last group: one for each live non-virtual group and 100 more.
    const auto groupRows = rows(QStringLiteral("SELECT g.grpi, g.virt FROM qxzrn315 g") + formWhere("g")
                                + QStringLiteral(" ORDER BY g.grpi"));
    const size_t lastGroup = size_t(groupRows.back()[0].toInt());
    const size_t real = size_t(std::count_if(groupRows.begin() + 1, groupRows.end(),
                                             [](const QStringList& r) { return r[1] != QLatin1String("1"); }));
    EXPECT_EQ(gaGroups.size(), lastGroup + real + 100);
    EXPECT_TRUE(std::all_of(gaGroups.begin() + qsizetype(lastGroup), gaGroups.end(), [](const GroupRecord& g) { return g.Grpi == -1; }));

    // Form commands of the kinds session (1), group (2) and field (3), in row order.
    const auto commandRows = rows(QStringLiteral("SELECT c.btyp, c.sern, c.mscf, c.sequ FROM qxzrn316 c")
                                  + formWhere("c") + QStringLiteral(" AND c.btyp IN (1, 2, 3) ORDER BY c.sern"));
    ASSERT_EQ(gaSpecificCommands.size(), commandRows.size() + 1);
    for (size_t j = 0; j < commandRows.size(); ++j) {
        const SpecificCommandRecord& c = gaSpecificCommands[j + 1];
        const int btyp = commandRows[j][0].toInt();
        const int link = commandRows[j][3].toInt();
        EXPECT_EQ(QStringList({QString::number(c.nCommandType), QString::number(c.nSequenceNumber),
                               c.sSpecificCommand, QString::number(c.lLinkId)}),
                  commandRows[j]);
        EXPECT_EQ(c.Grpi, btyp == 2 ? link - 1 : 0);
        EXPECT_EQ(c.lFieldId > 0 ? gaFields[size_t(c.lFieldId)].nOmod : 0, btyp == 3 ? link : 0);
        EXPECT_TRUE(btyp != 3 || gaFields[size_t(c.lFieldId)].lCommandIndex == int32_t(j + 1));
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

TEST_F(Load, TheStatusBarShowsEachStepOnceInOrder)
{
    const auto length = [](const char* name) { return datasets::recordLength(*datasets::findLayout(name), 1); };
    host::GenerateOptions options;
    options.fields = 3 * (4050 / (length("qxzrn301") + length("qxzrn308"))) + 1;  // four blocks of fields
    const std::optional<host::FormIdentity> id = host::generateForm(*db, options);
    ASSERT_TRUE(id);
    select(id->formCode);
    QStringList steps;
    ui::hooks().setStatusText = [&](const QString& text) {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("(\\d+)%")).match(text);
        steps << (m.hasMatch() ? m.captured(1) : text);
    };
    for (int load = 0; load < 2; ++load) {
        steps.clear();
        gInitializeArrays();
        ASSERT_TRUE(gLoadDesignDefinitions());
        EXPECT_EQ(steps.join(u' '), QStringLiteral("10 20 30 50 60 70 80 90")) << "load " << load;
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
        EXPECT_EQ(QString::number(gaGroups[7].bSelectionGroup) + gaGroups[7].sParentTable,
                  selection ? QStringLiteral("1tekwy003") : QStringLiteral("0")) << level;
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
        EXPECT_EQ(host::callCount(QStringLiteral("am_define_full_query(")) * 10 + host::callCount(QStringLiteral("am_query_close(")),
                  c.defines * 10 + c.closes) << c.formCode;
        const QString shown = dialogs->texts().value(dialogs->texts().size() - 1);
        EXPECT_TRUE(shown.contains(c.message)) << shown.toStdString();
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

    EXPECT_TRUE(gnFieldCount == 40 && gaFields.size() < 1000u);
    EXPECT_TRUE(gaFields[36].lFieldId == -1 && gaFields[36].sInpRefExpr.isEmpty());
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
    ASSERT_TRUE(gLoadDesignDefinitions() && gaSpecificCommands.size() > 1u);
    db->exec(QStringLiteral("DELETE FROM qxzrn316 WHERE cfrm = 'itemsd'"));
    ASSERT_TRUE(gLoadSpecificCommands());
    EXPECT_EQ(gaSpecificCommands.size(), 1u);
    EXPECT_TRUE(std::all_of(gaFields.begin(), gaFields.end(), [](const FieldRecord& f) { return f.lCommandIndex == -1; }));
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
        EXPECT_FALSE(QStringList({f.sDefaultValue, f.sInpRefExpr, f.sLabelDescSO, f.sNodeKey}).contains(QStringLiteral("stale")));
        EXPECT_TRUE(f.iTableFieldIndex == 0 && !f.bChanged) << sequ;
    }
    EXPECT_FALSE(gaFields[1].bHas302Row);
    EXPECT_TRUE(gaGroups[1].sTabDesc.isEmpty() && gaGroups[1].iNrOfSubGroups == 0 && !gaGroups[1].bSelectionGroup);
    EXPECT_EQ(gaSpecificCommands.size(), 4u) << "no command of the earlier form is left";
}

// Commands start from an empty array and are linked to fields again; the input
// properties of one field are read again, only its own, and a row without package as none.
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

    goVrokApp = std::make_unique<BlankPackage>(openHostDatabase(env.databasePath()));
    glObjectSet301 = glOpenObjectSet(QStringLiteral("qxzrn301"));
    ASSERT_TRUE(gLoadTable302(11));
    const FieldRecord& f = gaFields[11];
    EXPECT_EQ(QStringLiteral("%1 %2|%3").arg(f.bHas302Row).arg(f.sInpRefExpr, f.sDefaultValue), QStringLiteral("0 1|"));
}

} // namespace
