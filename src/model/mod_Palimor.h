#pragma once
// The form in memory: record arrays of groups, fields, domains, form commands and
// table fields, the id map, and the counters and flags shared by the model routines.
//
// Element 0 of every array is a sentinel, except in gaGroups where it is the root
// group (the form). A record whose id is -1 is a free slot; a gaFields slot above
// gnFieldCount counts as free whatever its id. Group links hold a group number
// (index + 1), field links an nOmod; 0 means none.
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "mod_Enumerate.h"  // kMaxEnumConstants
#include "ControlKind.h"

struct GroupRecord {
    bool bExistsInHost = false;
    bool bExistsToggled = false;
    int16_t Grpi = -1;  // index + 1; -1 free
    bool bRepeatingGroup = false;
    int16_t lGroupLevel = 0;
    QString sLabelCode;
    bool bShowGroupBox = false;
    bool bGroupInSingleOcc = false;
    bool bGroupInMultiOcc = false;
    bool bRichView = false;
    int16_t lParentGroup = 0;
    int16_t lPreviousGroup = 0;
    int16_t lNextGroup = 0;
    int16_t lChildGroup = 0;
    int16_t lFirstField = 0;        // nOmod of the first field
    int16_t lAlignmentGroupId = 0;  // < 0 default, 0 equal, >= 1 that group
    bool bVirtualGroup = false;
    int16_t iGroupWidth = 0;
    int16_t iNrOfSubGroups = 0;
    QString sFrameDesc;
    QString sTabDesc;
    bool bChanged = false;
    QString sNodeKey;
    bool bCheckboxesOnly = false;
    bool bNewPage = false;
    bool bNewPageMO = false;
    bool bPlaceBeside = false;
    bool bCheckOnGroupBox = false;
    int16_t iGroupWidthStored = 0;
    int16_t GrpiStored = 0;
    int16_t lFirstFieldStored = 0;
    int16_t lChildGroupStored = 0;
    int16_t lNextGroupStored = 0;
    int16_t lPreviousGroupStored = 0;
    int16_t lParentGroupStored = 0;
    int16_t lGroupLevelStored = 0;
    bool bCheckboxesOnlyStored = false;
    bool bDashboard = false;
    bool bSelectionGroup = false;
    QString sParentTable;

    bool operator==(const GroupRecord&) const = default;
};

// A field, a label-only entry or a picture (ControlKind::Picture, tree key "p_").
struct FieldRecord {
    bool bExistsInHost = false;
    bool bExistsToggled = false;
    int16_t lFieldId = -1;  // = index; -1 free
    // What the link rebuild, the layout and the link update read of every field, in
    // the record's first cache lines.
    int16_t nOmod = 0;
    int16_t Grpi = 0;
    int16_t lParentField = 0;
    int16_t lNextField = 0;
    int16_t lChildField = 0;
    int16_t lPreviousField = 0;  // 0 for a first child
    int16_t nFieldLevel = 0;  // depth below the field's group-level field; 0 at group level
    bool bFollowUp = false;
    bool bImmediateBehind = false;
    ControlKind lControl = ControlKind::Input;
    int32_t lLabelPosition = 0;
    int16_t iFieldLength = 0;
    int16_t iFieldHeight = 0;
    int16_t iLabelLengthSO = 0;
    int16_t iLabelHeightSO = 0;
    int16_t iFieldXPos = 0;
    int16_t iFieldYPos = 0;
    int16_t nLabelXPos = 0;
    int16_t nFieldEndPos = 0;
    int16_t iColumnId = 0;
    int16_t GrpiStored = 0;
    int16_t lChildFieldStored = 0;
    int16_t lNextFieldStored = 0;
    int16_t lParentFieldStored = 0;
    bool bFollowUpStored = false;
    int16_t nOmodStored = 0;
    int16_t iFieldXPosStored = 0;
    int16_t iFieldYPosStored = 0;
    int16_t nLabelXPosStored = 0;
    int16_t nFieldEndPosStored = 0;
    int16_t iColumnIdStored = 0;
    QString sFieldName;
    int16_t iElement = 0;
    bool bMultiCurrency = false;
    QString sDomainPackage;
    QString sDomainCode;
    int16_t nDomainIndex = 0;
    uint8_t lFieldType = 0;
    QString sDisplayFormat;
    bool bLinkDisplFormatToDomain = false;
    int16_t iMinInpLen = 0;
    int16_t iMaxDispLen = 0;
    bool bLinkMaxDisplLenToDomain = false;
    int16_t iMaxInpLen = 0;
    bool bLinkMaxInpLenToDomain = false;
    int16_t iStartPosOfString = 0;
    bool bDefault = false;
    QString sMessage;
    bool bEchoField = false;
    bool bMandatoryInput = false;
    QString sLanguageUnitExpression;
    QString sLabelCode;
    int16_t nZoomField = 0;
    QString sZoomTo;
    QString sParallelMenu;
    QString sZoomReturnField;
    bool bInputPropsLoaded = false;
    bool bHas302Row = false;
    bool bRemove302 = false;
    QString sInpRefExpr;
    QString sDefaultValue;
    bool bSyncField = false;
    bool bFieldInSingleOcc = false;
    bool bFieldInMultiOcc = false;
    uint8_t nLabelAli = 0;
    bool bDependent = false;
    int16_t iLabelLengthMO = 0;
    int16_t iLabelHeightMO = 0;
    int32_t lOptx = 0;
    bool bIsViewField = false;
    int16_t iYesValue = 0;
    int16_t iLinkedConst = 0;
    QString sSearchField;
    QString sIconName;
    int16_t iZoomIndex = 0;
    int16_t iDataAli = 0;
    bool bAutoEnable = false;
    bool bInGrid = false;
    bool bOccIndependentViewField = false;
    bool bInitialHidden = false;
    bool bTableFieldChecked = false;
    bool bIsTableField = false;
    bool bTableMandatory = false;
    QString sTableDefault;
    bool bTableRef = false;
    int16_t nTableNrOfElements = 0;
    int16_t iTableFieldIndex = 0;
    QString sLabelDescSO;
    QString sLabelDescMO;
    QString sNodeKey;
    int32_t lCommandIndex = -1;  // linked gaSpecificCommands entry; -1 none
    bool bChanged = false;
    bool bChanged301 = false;
    bool bChanged302 = false;
    bool bChanged308 = false;
    bool bDocuChecked = false;
    bool bDocuAvailable = false;

    bool operator==(const FieldRecord&) const = default;
};

struct SpecificCommandRecord {
    bool bExistsInHost = false;
    bool bExistsToggled = false;
    int16_t nSpecificCommandId = -1;  // -1 free; loaded commands keep 0
    int16_t Grpi = 0;                 // group link: the group's array index
    int16_t lFieldId = 0;             // field link: the field's array index
    int16_t nSequenceNumber = 0;
    uint8_t nCommandType = 0;
    int16_t lLinkId = 0;  // -1: the store deletes the host row
    QString sSpecificCommand;
    bool bChanged = false;
    int32_t lLinkIdStored = 0;
    uint8_t nCommandTypeStored = 0;

    bool operator==(const SpecificCommandRecord&) const = default;
};

struct DomainRecord {
    QString sDomain;  // package and code together
    int16_t lDataType = 0;  // 0 not loaded yet, 7 enumerate
    QString sDataTypeDesc;
    bool bIsCheckBox = false;
    int16_t iYesValue = 0;
    QString sDisplayFormat;
    int16_t iDifl = 0;
    int16_t nDigb = 0;
    int16_t nDiga = 0;
    int16_t nLeng = 0;
    int16_t iMaxDispLen = 0;
    int16_t iMaxInpLen = 0;
    int16_t nNrOfConstants = 0;
    std::array<QString, kMaxEnumConstants> aEnumDesc;
    std::array<QString, kMaxEnumConstants> aEnumName;
    bool bEnumsLoaded = false;
    bool bSegmented = false;
};

struct TableFieldRecord {
    int16_t iParentEntry = 0;  // entry whose expansion made this one; 0 main table
    QString sTableCode;
    QString sFieldName;
    int16_t iElement = 0;
    QString sDomainPackage;
    QString sDomainCode;
    QString sLabelCode;
    QString sRefTable;
    QString sRefPackage;
    QString sRefModule;
    QString sRefTableNr;
    QString sRefField;
    bool bMandatory = false;
    QString sInitialValue;
    bool bCombined = false;
    int16_t nDomainIndex = 0;
    QString sLabelDesc;
    int16_t iLabelLength = 0;
    int16_t iLabelHeight = 0;
    QString sNodeKey;
    int16_t nNrOfElements = 0;
};

struct IdMapEntry {
    int16_t nOmod = 0;
    int32_t lIndex = 0;
    bool bFlag = false;

    bool operator==(const IdMapEntry&) const = default;
};

struct IconCacheEntry {
    QString sIconName;
    QString sLocalFile;  // directory of the local copy
    QString sFileName;
};

extern std::vector<GroupRecord> gaGroups;
extern std::vector<FieldRecord> gaFields;
extern std::vector<DomainRecord> gaDomains;
extern std::vector<SpecificCommandRecord> gaSpecificCommands;
extern std::vector<TableFieldRecord> gaTableFields;
extern std::vector<IdMapEntry> gaIdMap;
extern std::vector<IconCacheEntry> gaIconCache;

extern int16_t gnFieldCount;
extern int16_t gnDomainCount;
extern int16_t gnDomainSlots;
extern int16_t gnTableFieldCount;
extern bool gbFormChanged;
extern bool gbRecomputeLinks;
extern bool gbSuspendLinkUpdate;
extern bool gbOutOfResources;
extern bool gbLoadCommands;
extern int32_t glEnumsPerBuffer;
extern int32_t glLoadedFormVersion;
extern int32_t glFormVersionLevel;

// Empties every array to its element 0 and resets the counters (start-up).
void gInitializeArrays();

// The stored copies take the values of their members, as after a load or a store.
void gSetGroupStoredCopies(GroupRecord& g);
void gSetFieldStoredCopies(FieldRecord& f);

// gInitializeArrays and every shared flag back to its start value (tests).
void resetPalimor();
