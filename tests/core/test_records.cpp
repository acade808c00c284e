// Handing out and taking back records: the lowest free slot reused, the last field
// slot and the group reserve switching inserting off, an insert with no slot or past
// the field limit refused, deleting groups and form commands.
// (Freed field slots reused lowest first, their rows and documentation: test_store.)
#include "support/CoreTestSupport.h"

namespace {

class Records : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ui::Hooks& h = ui::hooks();
        h.setInsertingEnabled = [this](bool on) { switched << QStringLiteral("fields %1").arg(on); };
        h.setGroupInsertingEnabled = [this](bool on) { switched << QStringLiteral("groups %1").arg(on); };
        h.cancelTableFieldPicker = [this] { switched << QStringLiteral("picker cancelled"); };
    }

    // Fields 1 to live in use in an array of size slots; the host was asked about their
    // documentation already.
    static void fields(int live, int slots)
    {
        gaFields.assign(size_t(slots), FieldRecord{});
        for (int i = 1; i <= live; ++i) {
            gaFields[size_t(i)].lFieldId = int16_t(i);
            gaFields[size_t(i)].bExistsInHost = gaFields[size_t(i)].bDocuChecked = true;
        }
        gnFieldCount = int16_t(live);
    }

    int outOfResourcesShown() const { return int(dialogs->texts().count(gsOutOfResourcesText())); }

    QStringList switched;
};

TEST_F(Records, NoSlotOrNoRoomRefusesTheInsertAndWritesNothingPastTheArray)
{
    fields(249, 251);
    gbTableFieldsOpen = true;
    QString key;
    EXPECT_EQ(glNewItem(QStringLiteral("field"), key), 250);
    EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(key).arg(gbOutOfResources).arg(outOfResourcesShown()), "f_250 1 1");
    EXPECT_EQ(switched, (QStringList{QStringLiteral("picker cancelled"), QStringLiteral("fields 0")}));
    key = QStringLiteral("unchanged");
    EXPECT_EQ(glNewItem(QStringLiteral("picture"), key), -1);
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(key).arg(gaFields.size()).arg(gnFieldCount).arg(outOfResourcesShown()),
              "unchanged 251 250 2");

    // A form holds at most 3,200 fields; freeing one makes room for one.
    useTexts({{QStringLiteral("qxplqx0223"), QStringLiteral("%s fields, at most %s, %s not added")}});
    dialogs->clear();
    gbOutOfResources = false;
    fields(3190, 3400);
    EXPECT_TRUE(gbRoomForFields(10));
    EXPECT_FALSE(gbRoomForFields(11));
    EXPECT_EQ(dialogs->texts(), QStringList{"3190 fields, at most 3200, 11 not added"});
    fields(3200, 3400);
    EXPECT_EQ(glNewItem(QStringLiteral("field"), key), -1);
    EXPECT_EQ(key + QString::number(gnFieldCount), QStringLiteral("unchanged3200"));
    gaFields[100].lFieldId = -1;
    EXPECT_EQ(glNewItem(QStringLiteral("field"), key), 100);
}

TEST_F(Records, GroupSlotsRootGrowthAndReserve)
{
    gaGroups.assign(5, GroupRecord{});
    for (int g = 0; g < 4; ++g)
        gaGroups[size_t(g)].Grpi = int16_t(g + 1);
    gaGroups[3].bVirtualGroup = true;  // virtual groups use no reserve
    QString key = QStringLiteral("0");
    EXPECT_EQ(glNewItem(QStringLiteral("group"), key), 0);
    EXPECT_TRUE(key == QStringLiteral("g_0") && gaGroups[0].Grpi == 1 && gaGroups[0].bChanged);
    EXPECT_EQ(gaGroups[4].Grpi, -1) << "the root takes no slot";

    // One free slot against two used groups: taken, and the reserve is gone.
    key.clear();
    EXPECT_EQ(glNewItem(QStringLiteral("group"), key), 4);
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(key).arg(gaGroups[4].Grpi).arg(gaGroups[4].lAlignmentGroupId)
                  .arg(gbOutOfResources), "g_4 5 -4 1");
    EXPECT_EQ(switched, (QStringList{QStringLiteral("groups 0"), QStringLiteral("fields 0")}));
    // Without a free slot the array grows by one; the shortage was told once only.
    EXPECT_EQ(glNewItem(QStringLiteral("group"), key), 5);
    EXPECT_EQ(gaGroups.size(), 6u);
    gDeleteItem(QStringLiteral("group"), 5);
    EXPECT_EQ(glNewItem(QStringLiteral("group"), key), 5);
    EXPECT_EQ(outOfResourcesShown(), 1);

    // A freed group keeps its slot and takes a default alignment of its own.
    gaGroups[2].lAlignmentGroupId = 3;
    gaGroups[2].bChanged = true;
    gDeleteItem(QStringLiteral("group"), 2);
    EXPECT_TRUE(gaGroups[2].Grpi == -1 && gaGroups[2].lAlignmentGroupId == -2 && !gaGroups[2].bChanged);
}

// A run of virtual-group inserts gives the slots a one-by-one search would give, and
// sees a group deleted inside the run.
TEST_F(Records, AGroupBatchTakesTheSlotsASearchWould)
{
    const auto run = [](bool batch) {
        resetRecords();
        gbOutOfResources = false;
        gaGroups.assign(12, GroupRecord{});
        for (int g : {0, 1, 3, 4, 6, 7})
            gaGroups[size_t(g)].Grpi = int16_t(g + 1);
        std::optional<GroupSlotBatch> scope;
        if (batch)
            scope.emplace();
        QStringList got;
        QString key;
        for (int i = 0; i < 7; ++i) {
            if (i == 3)
                gDeleteItem(QStringLiteral("group"), 1);
            const int32_t g = glNewItem(QStringLiteral("group"), key);
            gaGroups[size_t(g)].bVirtualGroup = true;
            got << QString::number(g);
        }
        return got.join(u' ') + QStringLiteral(" out:") + QString::number(gbOutOfResources);
    };
    EXPECT_EQ(run(false), QStringLiteral("2 5 8 1 9 10 11 out:1"));
    EXPECT_EQ(run(true), QStringLiteral("2 5 8 1 9 10 11 out:1"));
}

// A kind given as its text names the slots its enum names; another text is no kind.
TEST_F(Records, AKindByItsTextIsItsEnumAndAnotherTextNone)
{
    fields(3, 6);
    gaFields[2].lFieldId = -1;
    gaGroups.assign(3, GroupRecord{});
    gaGroups[0].Grpi = 1;
    gaGroups[1].Grpi = -1;
    gaGroups[2].Grpi = 3;
    SpecificCommandRecord c;
    c.nSpecificCommandId = 0;
    gaSpecificCommands.assign(3, c);
    gaSpecificCommands[1].nSpecificCommandId = -1;
    const auto freeSlots = [](const auto& kind) {
        QStringList out;
        for (int32_t i = -1; i < 7; ++i)
            if (gbIsFreeSlot(i, kind))
                out << QString::number(i);
        return out.join(u' ');
    };
    for (const auto& [text, kind, expected] :
         {std::tuple{"field", SlotKind::Field, "0 2 4 5"}, {"picture", SlotKind::Picture, "0 2 4 5"},
          {"group", SlotKind::Group, "1"}, {"specificcommand", SlotKind::SpecificCommand, "1"}}) {
        EXPECT_EQ(freeSlots(QLatin1String(text)), QLatin1String(expected)) << text;
        EXPECT_EQ(freeSlots(kind), QLatin1String(expected)) << text;
    }
    EXPECT_EQ(freeSlots(QStringLiteral("Field")), QString());
    QString key = QStringLiteral("unchanged");
    int32_t used = 7;
    EXPECT_TRUE(glNewItem(QStringLiteral("fields"), key) == 0 && glFindFreeSlot(QStringLiteral("form")) == 0
                && !gbEnoughFreeGroups(QStringLiteral("field"), used) && used == 0
                && key == QStringLiteral("unchanged"));
    // One free group slot against one group in use: no reserve.
    EXPECT_TRUE(!gbEnoughFreeGroups(QStringLiteral("group"), used) && used == 1);
    gDeleteItem(QStringLiteral("picture"), 1);
    EXPECT_EQ(gaFields[1].lFieldId, 1) << "a picture is deleted as a field";
}

// A run of field inserts given the free slots and the live count takes the slots a
// search would, tells of the last slot as a search does, and counts its own inserts
// against the field limit.
TEST_F(Records, AFieldBatchTakesTheSlotsASearchWould)
{
    const auto run = [this](int live, int slots, bool batch) {
        resetRecords();
        gbOutOfResources = false;
        dialogs->clear();
        fields(live, slots);
        gaFields[2].lFieldId = -1;
        std::optional<FieldSlotBatch> scope;
        if (batch) {
            std::vector<int32_t> free{2};
            for (int i = live + 1; i < slots; ++i)
                free.push_back(i);
            scope.emplace(free, live - 1);
        }
        QStringList got;
        QString key;
        for (int i = 0; i < 7; ++i)
            got << QString::number(glNewItem(i % 2 ? SlotKind::Picture : SlotKind::Field, key));
        return got.join(u' ') + QStringLiteral(" out:%1 shown:%2 count:%3")
                                    .arg(gbOutOfResources)
                                    .arg(dialogs->texts().size())
                                    .arg(gnFieldCount);
    };
    EXPECT_EQ(run(5, 10, false), QStringLiteral("2 6 7 8 9 -1 -1 out:1 shown:3 count:9"));
    EXPECT_EQ(run(5, 10, true), run(5, 10, false));
    // At the field limit.
    useTexts({{QStringLiteral("qxplqx0223"), QStringLiteral("%s fields, at most %s, %s not added")}});
    EXPECT_EQ(run(3198, 3300, false).section(u' ', 0, 3), QStringLiteral("2 3199 3200 -1"));
    EXPECT_EQ(run(3198, 3300, true), run(3198, 3300, false));
}

TEST_F(Records, DeletingFormCommands)
{
    struct Case {
        const char* what;
        int32_t index;
        bool inHost;
        size_t size;
        int16_t id, link;
    };
    for (const Case& c : {Case{"last, not in the host: cut off", 3, false, 3, 0, 7},
                          Case{"last, in the host: its row is to be deleted", 3, true, 4, -1, -1},
                          Case{"not the last: marked free", 2, false, 4, -1, 7}}) {
        SCOPED_TRACE(c.what);
        SpecificCommandRecord r;
        r.nSpecificCommandId = 0;
        r.lLinkId = 7;
        gaSpecificCommands.assign(4, r);
        gaSpecificCommands[size_t(c.index)].bExistsInHost = c.inHost;
        gDeleteItem(QStringLiteral("specificcommand"), c.index);
        ASSERT_EQ(gaSpecificCommands.size(), c.size);
        if (size_t(c.index) < c.size) {
            EXPECT_TRUE(gaSpecificCommands[size_t(c.index)].nSpecificCommandId == c.id
                        && gaSpecificCommands[size_t(c.index)].lLinkId == c.link);
        }
    }
}

} // namespace
