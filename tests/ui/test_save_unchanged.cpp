// A demo form opened as the start-up opens it and saved without edits sends no row.
#include "test_main_window_support.h"
#include "test_structure_checks_support.h"

#include "layout/mod_Alignment.h"
#include "mainwindow/mod_StructureChecks.h"
#include "model/mod_Upgrade.h"

#include <host_database.h>

namespace {

class SaveUnchanged : public DemoFormTest {
protected:
    // The passes of an opening, then a save; the records it sent.
    std::vector<host::updateset::SetRecord> openAndSave(const QString& form, const std::function<void()>& afterUpgrade)
    {
        tree.clear();
        load(form);
        gLoadEnums();
        gRunUpgradePasses();
        afterUpgrade();
        gCalculateAlignment();
        mResetStaleFieldMarks(tree.firstRoot());
        gUpdatePointers();
        host::clearCallLog();
        EXPECT_TRUE(gbStoreDesignDefinitions());
        return sentSetRecords();
    }
};

class SaveUnchangedForm : public SaveUnchanged, public ::testing::WithParamInterface<const char*> {};

TEST_P(SaveUnchangedForm, SendsNoRow)
{
    for (const auto& r : openAndSave(QString::fromLatin1(GetParam()), [] { EXPECT_FALSE(gbFormChanged); }))
        ADD_FAILURE() << GetParam() << ": " << QString(r.kind).toStdString() << " "
                      << (r.key + QStringLiteral(" | ") + r.record).right(220).toStdString();
}

INSTANTIATE_TEST_SUITE_P(DemoForms, SaveUnchangedForm, ::testing::Values("simpled", "itemsd"));

// What the domain sync corrects is stored, so the next opening finds nothing to correct.
TEST_F(SaveUnchanged, DomainCorrectionsAreStoredOnce)
{
    openHostDatabase(env.databasePath())
        ->exec(QStringLiteral("UPDATE qxzrn301 SET maxd = 6 WHERE cfrm = 'itemsd' AND sequ = 14;"));
    for (int run = 0; run < 2; ++run) {
        const auto sent = openAndSave(QStringLiteral("itemsd"), [run] { EXPECT_EQ(gaFields[14].iMaxDispLen, 7) << run; });
        EXPECT_EQ(sent.size(), run == 0 ? 1u : 0u) << run;
    }
}

} // namespace
