// The record arrays of the form model and their reset at start-up.
#include "support/CoreTestSupport.h"

#include <type_traits>

namespace {

// Widths of members whose names do not tell them.
static_assert(std::is_same_v<decltype(FieldRecord::lFieldType), uint8_t>);
static_assert(std::is_same_v<decltype(FieldRecord::nLabelAli), uint8_t>);
static_assert(std::is_same_v<decltype(FieldRecord::lParentField), int16_t>);
static_assert(std::is_same_v<decltype(FieldRecord::lLabelPosition), int32_t>);
static_assert(std::is_same_v<decltype(FieldRecord::lControl), int32_t>);
static_assert(std::is_same_v<decltype(SpecificCommandRecord::nCommandType), uint8_t>);
static_assert(std::is_same_v<decltype(SpecificCommandRecord::lLinkIdStored), int32_t>);
static_assert(std::is_same_v<decltype(IdMapEntry::lIndex), int32_t>);
static_assert(std::tuple_size_v<decltype(DomainRecord::aEnumName)> == 128);

class ModelArrays : public CoreTest {};

TEST_F(ModelArrays, InitializeEmptiesEveryArrayToItsSentinel)
{
    gaGroups.resize(4);
    gaGroups[0].Grpi = 1;
    gaGroups[0].sLabelCode = QStringLiteral("pzgrp.Head");
    gaFields.resize(30);
    gaFields[0].lFieldId = 0;
    gaDomains.resize(6);
    gaDomains[0].lDataType = 7;
    gaDomains[0].sDataTypeDesc = QStringLiteral("Enumerate");
    gaTableFields.resize(501);
    gaSpecificCommands.resize(3);
    gaSpecificCommands[0].nSpecificCommandId = 0;
    gaIdMap.resize(9);
    gaIconCache.resize(2);
    gnFieldCount = 5;
    gnDomainCount = 3;
    gnDomainSlots = 5;
    gnTableFieldCount = 500;

    gInitializeArrays();
    for (size_t size : {gaGroups.size(), gaFields.size(), gaDomains.size(), gaTableFields.size(),
                        gaSpecificCommands.size(), gaIdMap.size(), gaIconCache.size()})
        EXPECT_EQ(size, 1u);
    EXPECT_EQ(gaGroups[0].Grpi, -1);
    EXPECT_TRUE(gaGroups[0].sLabelCode.isEmpty());
    EXPECT_EQ(gaFields[0].lFieldId, -1);
    EXPECT_EQ(gaSpecificCommands[0].nSpecificCommandId, -1);
    EXPECT_EQ(gaDomains[0].lDataType, 0);
    EXPECT_TRUE(gaDomains[0].sDataTypeDesc.isEmpty());
    EXPECT_EQ(gnFieldCount + gnDomainCount + gnDomainSlots + gnTableFieldCount, 0);
}

TEST_F(ModelArrays, GrownSlotsAreFreeWithoutLinks)
{
    gaGroups.resize(3);
    gaFields.resize(50);
    gaSpecificCommands.resize(2);
    EXPECT_EQ(gaGroups[2].Grpi, -1);
    EXPECT_EQ(gaFields[49].lFieldId, -1);
    EXPECT_EQ(gaFields[49].lCommandIndex, -1);  // not a button
    EXPECT_EQ(gaSpecificCommands[1].nSpecificCommandId, -1);
    EXPECT_EQ(gaFields[49].lParentField + gaGroups[2].lParentGroup, 0);
}

TEST_F(ModelArrays, ResetClearsTheSharedFlags)
{
    gbFormChanged = gbRecomputeLinks = gbSuspendLinkUpdate = gbOutOfResources = gbLoadCommands = true;
    glEnumsPerBuffer = glLoadedFormVersion = glFormVersionLevel = 9;
    resetPalimor();
    EXPECT_FALSE(gbFormChanged || gbRecomputeLinks || gbSuspendLinkUpdate || gbOutOfResources || gbLoadCommands);
    EXPECT_EQ(glEnumsPerBuffer + glLoadedFormVersion + glFormVersionLevel, 0);
}

} // namespace
