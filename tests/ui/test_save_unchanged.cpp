// A demo form opened as the start-up opens it and saved without edits sends no row.
#include "test_structure_checks_support.h"

#include "layout/mod_Alignment.h"
#include "mainwindow/mod_StructureChecks.h"
#include "model/mod_Upgrade.h"

#include <call_hooks.h>
#include <host_database.h>
#include <update_set.h>

namespace {

// The records of every update set sent since the call log was cleared.
std::vector<host::updateset::SetRecord> sentRecords()
{
    std::vector<host::updateset::SetRecord> out;
    std::optional<QString> prefix;
    for (const host::LoggedCall& c : host::callLog()) {
        if (c.function != QLatin1String("execute.velq.set("))
            continue;
        const qsizetype open = c.callText.indexOf(u'"');
        const qsizetype close = c.callText.lastIndexOf(QStringLiteral("\","));
        QString text = c.callText.mid(open + 1, close - open - 1);
        text.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        if (const auto records = host::updateset::parseSetText(text, prefix, nullptr))
            out.insert(out.end(), records->begin(), records->end());
    }
    return out;
}

class SaveUnchanged : public DemoFormTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SaveUnchanged, SendsNoRow)
{
    load(QString::fromLatin1(GetParam()));
    gLoadEnums();
    gRunUpgradePasses();
    EXPECT_FALSE(gbFormChanged);
    gCalculateAlignment();
    mResetStaleFieldMarks(tree.firstRoot());
    gUpdatePointers();
    host::clearCallLog();
    ASSERT_TRUE(gbStoreDesignDefinitions());
    for (const auto& r : sentRecords())
        ADD_FAILURE() << GetParam() << ": " << QString(r.kind).toStdString() << " "
                      << (r.key + QStringLiteral(" | ") + r.record).right(220).toStdString();
}

INSTANTIATE_TEST_SUITE_P(DemoForms, SaveUnchanged, ::testing::Values("simpled", "itemsd"));

} // namespace

namespace {

// What the domain sync corrects is stored, so the next opening finds nothing to correct.
TEST_F(DemoFormTest, DomainCorrectionsAreStoredOnce)
{
    {
        auto db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
        db->exec(QStringLiteral("UPDATE qxzrn301 SET maxd = 6 WHERE cfrm = 'itemsd' AND sequ = 14;"));
    }
    for (int run = 0; run < 2; ++run) {
        tree.clear();
        load(QStringLiteral("itemsd"));
        gLoadEnums();
        gRunUpgradePasses();
        EXPECT_EQ(gaFields[14].iMaxDispLen, 7) << run;
        gCalculateAlignment();
        mResetStaleFieldMarks(tree.firstRoot());
        gUpdatePointers();
        host::clearCallLog();
        ASSERT_TRUE(gbStoreDesignDefinitions());
        EXPECT_EQ(sentRecords().size(), run == 0 ? 1u : 0u) << run;
    }
}

} // namespace
