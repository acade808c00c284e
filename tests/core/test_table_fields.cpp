// The table-field list against the local host: the rows an expansion leaves out, and the
// limits of the fetch and of the list. (The main table's entries: test_table_field_picker.)
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
    static int32_t indexOf(const char* field)
    {
        for (int32_t i = 1; i <= gnTableFieldCount; ++i)
            if (gaTableFields[size_t(i)].sFieldName == QLatin1String(field))
                return i;
        ADD_FAILURE() << field;
        return 0;
    }
};

TEST_F(TableFields, AnExpansionLeavesOutTheKeyInactiveFieldsAndTheCombinedParts)
{
    gLoadTableFields([](int32_t) {});
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
