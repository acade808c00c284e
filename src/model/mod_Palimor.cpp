#include "mod_Palimor.h"

std::vector<GroupRecord> gaGroups;
std::vector<FieldRecord> gaFields;
std::vector<DomainRecord> gaDomains;
std::vector<SpecificCommandRecord> gaSpecificCommands;
std::vector<TableFieldRecord> gaTableFields;
std::vector<IdMapEntry> gaIdMap;
std::vector<IconCacheEntry> gaIconCache;

int16_t gnFieldCount = 0;
int16_t gnDomainCount = 0;
int16_t gnDomainSlots = 0;
int16_t gnTableFieldCount = 0;
bool gbFormChanged = false;
bool gbRecomputeLinks = false;
bool gbSuspendLinkUpdate = false;
bool gbOutOfResources = false;
bool gbLoadCommands = false;
int32_t glEnumsPerBuffer = 0;
int32_t glLoadedFormVersion = 0;
int32_t glFormVersionLevel = 0;

void gInitializeArrays()
{
    gaGroups.assign(1, GroupRecord{});
    gaGroups[0].Grpi = -1;
    gaFields.assign(1, FieldRecord{});
    gaFields[0].lFieldId = -1;
    gnFieldCount = 0;
    gaDomains.assign(1, DomainRecord{});
    gaDomains[0].lDataType = 0;
    gaDomains[0].sDataTypeDesc.clear();
    gnDomainSlots = 0;
    gnDomainCount = 0;
    gaTableFields.assign(1, TableFieldRecord{});
    gnTableFieldCount = 0;
    gaSpecificCommands.assign(1, SpecificCommandRecord{});
    gaSpecificCommands[0].nSpecificCommandId = -1;
    gaIdMap.assign(1, IdMapEntry{});
    gaIconCache.assign(1, IconCacheEntry{});
}

void resetPalimor()
{
    gInitializeArrays();
    gbFormChanged = false;
    gbRecomputeLinks = false;
    gbSuspendLinkUpdate = false;
    gbOutOfResources = false;
    gbLoadCommands = false;
    glEnumsPerBuffer = 0;
    glLoadedFormVersion = 0;
    glFormVersionLevel = 0;
}

void gSetGroupStoredCopies(GroupRecord& g)
{
    g.iGroupWidthStored = g.iGroupWidth;
    g.GrpiStored = g.Grpi;
    g.lFirstFieldStored = g.lFirstField;
    g.lChildGroupStored = g.lChildGroup;
    g.lNextGroupStored = g.lNextGroup;
    g.lPreviousGroupStored = g.lPreviousGroup;
    g.lParentGroupStored = g.lParentGroup;
    g.lGroupLevelStored = g.lGroupLevel;
    g.bCheckboxesOnlyStored = g.bCheckboxesOnly;
}

void gSetFieldStoredCopies(FieldRecord& f)
{
    f.GrpiStored = f.Grpi;
    f.lChildFieldStored = f.lChildField;
    f.lNextFieldStored = f.lNextField;
    f.lParentFieldStored = f.lParentField;
    f.bFollowUpStored = f.bFollowUp;
    f.nOmodStored = f.nOmod;
    f.iFieldXPosStored = f.iFieldXPos;
    f.iFieldYPosStored = f.iFieldYPos;
    f.nLabelXPosStored = f.nLabelXPos;
    f.nFieldEndPosStored = f.nFieldEndPos;
    f.iColumnIdStored = f.iColumnId;
}
