// The passes over loaded definitions: the group and field upgrades of a form stored
// at an older level, and the sync of fields with their domains. (The passes run on a
// demo form of an older level in test_store.)
// References by index (parent group, domain, enum constant) that lead nowhere leave
// their rule without effect.
#include "support/CoreTestSupport.h"

#include <functional>

#include "mod_Upgrade.h"

namespace {

// Level 10 now; the root, two groups, a free group slot, one field with a domain and
// a free field slot.
void fresh()
{
    gbFormChanged = false;
    glFormVersionLevel = 10;
    gaGroups.assign(4, GroupRecord{});
    for (int i = 0; i < 3; ++i) {
        gaGroups[size_t(i)].Grpi = int16_t(i + 1);
        gaGroups[size_t(i)].iGroupWidth = 1;
        gaGroups[size_t(i)].bGroupInSingleOcc = true;
        gaGroups[size_t(i)].lParentGroup = int16_t(i);
    }
    gaFields.assign(3, FieldRecord{});
    FieldRecord& f = gaFields[1];
    f.lFieldId = 1;
    f.sFieldName = QStringLiteral("tekwy001.item");
    f.sDomainPackage = QStringLiteral("te");
    f.iLabelHeightSO = f.iLabelHeightMO = 1;
    f.iLabelLengthSO = 10;
    f.iLabelLengthMO = 999;
    f.nDomainIndex = 1;
    gnFieldCount = 2;
    gaDomains.assign(2, DomainRecord{});
    gaDomains[1].sDomain = QStringLiteral("tedsca");
    gaDomains[1].lDataType = 1;
}

struct Case {
    const char* what;
    int32_t loaded;
    std::function<void()> setup;
    std::function<void()> check;
    bool changed;
};

class Upgrade : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        fresh();
    }
};

TEST_F(Upgrade, Groups)
{
    GroupRecord& g = gaGroups[2];
    const std::vector<Case> cases = {
        {"width 103 below 5: a new page", 4, [&] { g.iGroupWidth = 103; },
         [&] { EXPECT_TRUE(g.iGroupWidth == 3 && g.bNewPage); }, true},
        {"framed in a wide parent: beside", 4, [&] { gaGroups[1].iGroupWidth = 2, g.bShowGroupBox = true; },
         [&] { EXPECT_TRUE(g.bPlaceBeside); }, true},
        {"parent number names no group", 4, [&] { g.lParentGroup = 40, g.bShowGroupBox = true; },
         [&] { EXPECT_FALSE(g.bPlaceBeside); }, false},
        {"parent is a free slot", 4,
         [&] { gaGroups[1].Grpi = -1, gaGroups[1].iGroupWidth = 2, g.bShowGroupBox = true; },
         [&] { EXPECT_FALSE(g.bPlaceBeside); }, false},
        {"width 103 at level 8: no rule", 8, [&] { g.iGroupWidth = 103; }, [&] { EXPECT_EQ(g.iGroupWidth, 103); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        gaGroups[3].iGroupWidth = 0;
        glLoadedFormVersion = c.loaded;
        c.setup();
        gUpgradeGroups();
        c.check();
        EXPECT_EQ(g.bChanged, c.changed);
        // A free slot stays as it is; the root is always written again.
        EXPECT_TRUE(gaGroups[3].iGroupWidth == 0 && gaGroups[3].Grpi == -1 && gaGroups[0].bChanged && gbFormChanged);
    }

    // Below 5 the root carries the current level negated and cannot repeat.
    fresh();
    glLoadedFormVersion = 4;
    gaGroups[0].bRepeatingGroup = true;
    gUpgradeGroups();
    EXPECT_TRUE(gaGroups[0].lGroupLevel == -10 && !gaGroups[0].bRepeatingGroup);

    // A form of a newer level is not upgraded, only written again at the current one.
    fresh();
    glLoadedFormVersion = 11;
    gaFields[1].iFieldLength = gaFields[1].iLabelHeightSO = 0;  // the field upgrade would mend the height
    gRunUpgradePasses();
    EXPECT_TRUE(gaFields[1].iLabelHeightSO == 0 && gaGroups[0].bChanged && gbFormChanged);
}

TEST_F(Upgrade, Fields)
{
    FieldRecord& f = gaFields[1];
    DomainRecord& d = gaDomains[1];
    const std::vector<Case> cases = {
        {"nothing to do at level 8", 8, [] {}, [] {}, false},
        {"label heights 0 at any level", 9, [&] { f.iLabelHeightSO = f.iLabelHeightMO = 0; },
         [&] { EXPECT_TRUE(f.iLabelHeightSO == 1 && f.iLabelHeightMO == 1); }, true},
        {"view bit of optx below 5", 4, [&] { f.lOptx = 3; }, [&] { EXPECT_TRUE(f.bIsViewField && f.lOptx == 0); },
         true},
        {"no domain package below 5: no control", 4, [&] { f.sDomainPackage.clear(), f.lControl = ControlKind::Input; },
         [&] { EXPECT_EQ(f.lControl, ControlKind::NoControl); }, true},
        {"enum check box below 5", 4, [&] { d.lDataType = 7, d.bIsCheckBox = true, d.iYesValue = 3; },
         [&] { EXPECT_TRUE(f.lControl == ControlKind::CheckBox && f.iYesValue == 3); }, true},
        {"grid follows multi occurrence below 6", 5, [&] { f.bFieldInMultiOcc = true, d.lDataType = 11; },
         [&] { EXPECT_TRUE(f.bInGrid && f.lControl == ControlKind::StringNormal); }, true},
        {"dependent without parent below 7", 6, [&] { f.bDependent = true; }, [&] { EXPECT_FALSE(f.bDependent); },
         true},
        {"dependent follow-up below 7", 6, [&] { f.bDependent = true, f.lParentField = 10; },
         [&] { EXPECT_TRUE(f.bDependent); }, false},
        {"label-only table field gets a control by its domain", 9,
         [&] { f.lControl = ControlKind::NoControl, f.bIsTableField = true, d.lDataType = 6; },
         [&] { EXPECT_EQ(f.lControl, ControlKind::StringNormal); }, true},
        {"label-only table field whose domain index leads nowhere", 9,
         [&] { f.lControl = ControlKind::NoControl, f.bIsTableField = true, f.nDomainIndex = 99; },
         [&] { EXPECT_EQ(f.lControl, ControlKind::Input); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        glLoadedFormVersion = c.loaded;
        c.setup();
        gUpgradeFields();
        c.check();
        EXPECT_TRUE(f.bChanged == c.changed && f.bChanged308 == c.changed && gbFormChanged == c.changed && !f.bChanged301);
        EXPECT_TRUE(gaFields[2].lFieldId == -1 && !gaFields[2].bChanged);
    }
    // One message for each label-only table field.
    const QString labelOnly =
        QStringLiteral("Table field tekwy001.item has Label-Only property set, please save session.");
    EXPECT_EQ(dialogs->texts(), QStringList(2, labelOnly));
}

TEST_F(Upgrade, FieldsFollowTheirDomains)
{
    FieldRecord& f = gaFields[1];
    DomainRecord& d = gaDomains[1];
    struct Sync {
        const char* what;
        std::function<void()> setup;
        std::function<void()> check;
        bool changed301, changed302;
    };
    const std::vector<Sync> cases = {
        {"nothing differs", [&] { f.iFieldLength = 0; }, [] {}, false, false},
        {"string domain: no display format",
         [&] { d.lDataType = 6, f.sDisplayFormat = QStringLiteral("X"), f.iFieldLength = 0; },
         [&] { EXPECT_TRUE(f.sDisplayFormat.isEmpty()); }, true, false},
        {"mandatory enum: the default is constant 1",
         [&] { d.lDataType = 7, d.aEnumName[1] = "teyeno.yes", f.bDefault = f.bMandatoryInput = true, 
               f.iFieldLength = 0; },
         [&] { EXPECT_EQ(f.sDefaultValue, QStringLiteral("teyeno.yes")); }, false, true},
        {"enum values not loaded: no default",
         [&] { d.lDataType = 7, f.bDefault = f.bMandatoryInput = true, f.iFieldLength = 0; },
         [&] { EXPECT_TRUE(f.sDefaultValue.isEmpty()); }, false, false},
        {"linked lengths copied",
         [&] { d.lDataType = 4, d.iMaxDispLen = 9, d.iMaxInpLen = 2, f.iFieldLength = 1;
               f.bLinkMaxDisplLenToDomain = f.bLinkMaxInpLenToDomain = true; },
         [&] { EXPECT_TRUE(f.iMaxDispLen == 9 && f.iMaxInpLen == 2); }, true, false},
        {"field length from the domain", [&] { f.iMaxDispLen = 7, f.iFieldLength = 3; },
         [&] { EXPECT_EQ(f.iFieldLength, 7); }, true, false},
        {"data type 12 always drops the link",
         [&] { d.lDataType = 12, d.iDifl = f.iMaxDispLen = f.iFieldLength = 5, f.bLinkMaxDisplLenToDomain = true; },
         [&] { EXPECT_TRUE(!f.bLinkMaxDisplLenToDomain && f.iMaxDispLen == 5); }, true, false},
        {"no domain: nothing to follow",
         [&] { f.nDomainIndex = 0, f.bLinkDisplFormatToDomain = true, f.sDisplayFormat = "Z9", f.iFieldLength = 0; },
         [&] { EXPECT_TRUE(f.sDisplayFormat == QStringLiteral("Z9") && f.iFieldLength == 0); }, false, false},
        {"domain index outside the domains", [&] { f.nDomainIndex = 40, f.iFieldLength = 0; },
         [&] { EXPECT_EQ(f.iFieldLength, 0); }, false, false},
    };
    for (const Sync& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        c.setup();
        gSyncFieldsWithDomains();
        c.check();
        EXPECT_TRUE(f.bChanged301 == c.changed301 && f.bChanged302 == c.changed302 && !f.bChanged308);
        EXPECT_TRUE(f.bChanged == (c.changed301 || c.changed302) && gbFormChanged == f.bChanged);
    }
}

} // namespace
