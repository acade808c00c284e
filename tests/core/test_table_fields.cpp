// The table-field list against the local host: the entries of the main table, the
// rows an expansion leaves out, and the limits of the fetch and of the list.
#include "support/CoreTestSupport.h"

namespace {

class TableFields : public HostCoreTest {
protected:
    void SetUp() override
    {
        HostCoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(connectWithDictionary());
        glObjectSet301 = glOpenObjectSet(QStringLiteral("qxzrn301"));
        gsTable = QStringLiteral("tekwy001");
    }
    // Loads the main table; the entries in the order they were told, as table.field(element).
    QStringList loadMain()
    {
        QStringList told;
        gLoadTableFields([&](int32_t i) {
            const TableFieldRecord& e = gaTableFields[size_t(i)];
            told << e.sTableCode + QLatin1Char('.') + e.sFieldName + QStringLiteral("(%1)").arg(e.iElement);
        });
        return told;
    }
    const TableFieldRecord& entry(const char* field)
    {
        for (int32_t i = 1; i <= gnTableFieldCount; ++i)
            if (gaTableFields[size_t(i)].sFieldName == QLatin1String(field))
                return gaTableFields[size_t(i)];
        static const TableFieldRecord none;
        ADD_FAILURE() << field;
        return none;
    }
    int32_t indexOf(const char* field) { return int32_t(&entry(field) - gaTableFields.data()); }
};

TEST_F(TableFields, TheMainTableGivesOneEntryPerElementAndKnowsItsReferences)
{
    const QStringList told = loadMain();
    ASSERT_EQ(gnTableFieldCount, 46);
    EXPECT_EQ(told.size(), 46);
    // (What the picker shows of arrays, references and combined fields: test_table_field_picker.)
    EXPECT_EQ(told.mid(28, 2), QStringList({"tekwy001.usag(12)", "tekwy001.prtr(1)"}));
    EXPECT_EQ(entry("usag").nNrOfElements, 12);
    EXPECT_EQ(entry("wloc").sRefTable, QStringLiteral("tekwy004"));
    EXPECT_TRUE(entry("item").bMandatory);
    EXPECT_EQ(entry("ityp").sInitialValue, QStringLiteral("purchased"));
    EXPECT_EQ(gsTableVersion.trimmed() + gsTableRelease + gsTableCustomer.trimmed(), QStringLiteral("7.6a3dev"));
    EXPECT_TRUE(gbTableFieldsLoaded);
    EXPECT_GE(gaTableFields.size(), size_t(46 + 400)) << "head room after the load";
}

TEST_F(TableFields, AnExpansionLeavesOutTheKeyInactiveFieldsAndTheCombinedParts)
{
    loadMain();
    struct Case {
        const char* reference;
        QStringList first;  // the first fields listed
        QStringList absent;
    };
    const Case cases[] = {
        {"wloc", {"dsca", "loct"}, {"wloc", "cwar", "loca"}},
        {"icls", {}, {"clas", "oldc"}},
    };
    for (const Case& c : cases) {
        int32_t next = gnTableFieldCount + 1;
        const int32_t parent = indexOf(c.reference);
        const QString table = gaTableFields[size_t(parent)].sRefTable;
        const int32_t added = glLoadTableFieldsFields(table, true, parent, next);
        QStringList names;
        for (int32_t i = gnTableFieldCount + 1; i < next; ++i) {
            names << gaTableFields[size_t(i)].sFieldName;
            EXPECT_EQ(gaTableFields[size_t(i)].iParentEntry, parent);
        }
        gnTableFieldCount = int16_t(next - 1);
        EXPECT_EQ(added, names.size()) << c.reference;
        EXPECT_EQ(names.mid(0, int(c.first.size())), c.first) << c.reference;
        for (const QString& a : c.absent)
            EXPECT_FALSE(names.contains(a)) << c.reference << " " << a.toStdString();
    }
    EXPECT_EQ(gsTableVersion.trimmed(), QStringLiteral("7.6")) << "an expansion keeps the main table's version";
}

TEST_F(TableFields, NoFetchWhenNotOneRowFitsAndTheListStopsAtItsLimit)
{
    // Rows of 0 (no layout) and of more than 4050 characters: nothing is asked, nothing added.
    for (const int32_t length : {0, 5000}) {
        resetDataSets();
        if (length > 0) {
            gInitFormDataSets();
            gInitDataSets();
            mAddDataSetField(QStringLiteral("qxzrn422fields"), QStringLiteral("comb"), 14, length,
                             int16_t(goDataSetFields.value(QStringLiteral("qxzrn422fields.comb.dtyp"))));
        }
        host::clearCallLog();
        int32_t next = 1;
        EXPECT_EQ(glLoadTableFieldsFields(gsTable, false, 0, next), 0) << length;
        EXPECT_EQ(next, 1);
        EXPECT_EQ(host::callCount(QStringLiteral("am_define_full_query(")), 0) << length;
    }
    resetDataSets();
    gInitFormDataSets();
    gInitDataSets();
    int32_t next = kMaxTableFieldEntries - 5;
    gnTableFieldCount = int16_t(next - 1);
    EXPECT_EQ(glLoadTableFieldsFields(gsTable, false, 0, next), 6);
    EXPECT_EQ(next, kMaxTableFieldEntries + 1);
    EXPECT_EQ(gaTableFields[size_t(kMaxTableFieldEntries)].sFieldName, QStringLiteral("cuni"));
    EXPECT_EQ(gaTableFields.size(), size_t(kMaxTableFieldEntries) + 1) << "no growth past the limit";
}

} // namespace
