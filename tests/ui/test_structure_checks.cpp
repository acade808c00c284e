// The structure checks before saving, on the items form opened in the main window: each
// seeded error is listed once with its host text and the key of its node, and the result
// is False exactly when something was listed; the clean-up of stale marks; the nesting
// level the link rebuild stores. Clean demo forms are checked with their alignment.
#include "test_main_window_support.h"

#include <functional>

#include "mainwindow/mod_StructureChecks.h"
#include "model/mod_ModelessErrors.h"

namespace {

class StructureChecks : public MainWindowTest {
public:
    void load()
    {
        open(QStringLiteral("itemsd"));
        gRebuildPointers();
        dialogs->clear();
        gClearModelessErrors();
    }
    bool check()
    {
        bool ok = false;
        mCheckStructure(node("g_0"), ok);
        return ok;
    }
    TreeNode* node(const char* key) { return tree().node(QLatin1String(key)); }
    FieldRecord& field(int32_t i) { return gaFields[size_t(i)]; }
    GroupRecord& group(int32_t i) { return gaGroups[size_t(i)]; }
    void move(const char* key, const char* to, Relationship where)
    {
        tree().move(node(key), node(to), where);
        gRebuildPointers();
    }
    // f takes the name and element of like.
    void rename(int f, int like)
    {
        field(f).sFieldName = field(like).sFieldName;
        field(f).iElement = field(like).iElement;
    }
};

// The errors of a faulty save (double input field, option values not unique, tab page
// without label; a selection group without parent table is none) are listed by the main
// window's save tests with their keys and texts; here the cases around them.
// The items form shows its groups as tab pages; g_1 holds the option set f_4 (options
// f_5 to f_8, values 1 to 4); g_3 holds the input fields f_14 to f_17, its sibling g_4
// holds f_18; g_7 is a selection group; g_5 holds subgroups.
struct Seed {
    const char* name;
    std::function<void(StructureChecks&)> seed;
    const char* code;  // "": nothing listed
    const char* key;
    const char* text;  // "": not compared
};

void PrintTo(const Seed& s, std::ostream* os) { *os << s.name; }

// clang-format off
const Seed kSeeds[] = {
    {"DoubleInputFieldInOtherOccurrenceViews",
     [](auto& t) { t.rename(15, 14), t.field(14).bFieldInMultiOcc = t.field(15).bFieldInSingleOcc = false; }, "", "", ""},
    {"DoubleDisplayField", [](auto& t) { t.rename(15, 14), t.field(15).lFieldType = 2; }, "", "", ""},
    {"SameFieldInSiblingGroups", [](auto& t) { t.rename(18, 14); }, "", "", ""},
    {"OptionValuesOutsideTheEnumRange", [](auto& t) { t.field(6).iLinkedConst = t.field(7).iLinkedConst = 300; },
     "plqx0136", "f_4", ""},
    {"OptionOnTwoLines", [](auto& t) { t.field(7).iFieldHeight = 2; }, "plqx0137", "f_4", ""},
    {"NoTabPages", [](auto& t) { t.group(2).sLabelCode.clear(), t.group(0).bNewPage = false; }, "", "", ""},
    // Two runs of fields among the pages; the first is listed.
    {"FieldsAmongTabPages", [](auto& t) { t.move("f_14", "g_1", Relationship::Next), t.move("f_18", "g_5", Relationship::Next); },
     "plqx0143", "f_14", "Field tekwy001.stoc stands outside a group on a form with tab pages."},
    {"GroupBesideWithSubgroupsInColumns", [](auto& t) { t.group(0).iGroupWidth = 2, t.group(5).bPlaceBeside = true; },
     "plqx0145", "g_5", ""},
    // The repeating-group check refuses nested repeating groups without listing them.
    {"NestedRepeatingGroups",
     [](auto& t) { t.move("g_2", "g_1", Relationship::Previous), t.group(2).bRepeatingGroup = t.group(3).bRepeatingGroup = true; },
     "plqx0138", "g_2", ""},
};
// clang-format on

class SeededError : public StructureChecks, public ::testing::WithParamInterface<Seed> {};

TEST_P(SeededError, IsListedWithItsNodeAndFailsTheCheck)
{
    const Seed& s = GetParam();
    load();
    s.seed(*this);
    const bool ok = check();
    const std::vector<ModelessErrorEntry>& got = gModelessErrors();
    EXPECT_EQ(ok, got.empty());
    ASSERT_EQ(got.size(), *s.code ? 1u : 0u);
    if (got.empty())
        return;
    EXPECT_EQ(got[0].sCode, QLatin1String(s.code));
    EXPECT_EQ(got[0].sNodeKey, QLatin1String(s.key));
    EXPECT_TRUE(tree().node(got[0].sNodeKey));
    if (*s.text) {
        EXPECT_EQ(got[0].sText, QLatin1String(s.text));
    }
}

INSTANTIATE_TEST_SUITE_P(, SeededError, ::testing::ValuesIn(kSeeds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StructureChecks, StaleLinkedConstantsAndDependentMarksAreClearedAndMarkTheForm)
{
    load();
    field(14).iLinkedConst = 3;         // in a group
    field(11).bDependent = true;        // in a group
    ASSERT_TRUE(field(10).bDependent);    // follow-up of f_9
    ASSERT_EQ(field(5).iLinkedConst, 1);  // option of f_4
    gbFormChanged = false;
    mResetStaleFieldMarks(node("g_0"));
    EXPECT_TRUE(field(14).iLinkedConst == 0 && !field(11).bDependent);
    EXPECT_TRUE(field(5).iLinkedConst == 1 && field(10).bDependent);
    for (int i : {5, 10, 11, 14})
        EXPECT_EQ(field(i).bChanged && field(i).bChanged308, i == 11 || i == 14) << i;
    EXPECT_TRUE(gbFormChanged);
}

TEST_F(StructureChecks, TheLinkRebuildStoresEachFieldsLevelBelowItsGroupLevelField)
{
    load();
    EXPECT_EQ(field(9).nFieldLevel, 0);
    EXPECT_EQ(field(10).nFieldLevel, 1);
    move("f_11", "f_10", Relationship::Child);
    EXPECT_EQ(field(11).nFieldLevel, 2);
    move("f_11", "f_9", Relationship::Next);
    EXPECT_EQ(field(11).nFieldLevel, 0);
}

} // namespace
