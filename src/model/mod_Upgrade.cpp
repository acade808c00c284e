#include "mod_Upgrade.h"

#include "mod_VrokGlobal.h"
#include "mod_Palimor.h"
#include "mod_TextCaches.h"
#include "Dialogs.h"

namespace {

// Domain data types.
constexpr int16_t kEnumerate = 7;

const DomainRecord& noDomain()
{
    static const DomainRecord none;
    return none;
}

// The field's domain; an entry with nothing in it for a field without one (index 0,
// an index outside gaDomains).
const DomainRecord& domainOf(const FieldRecord& f)
{
    if (f.nDomainIndex < 1 || size_t(f.nDomainIndex) >= gaDomains.size())
        return noDomain();
    return gaDomains[size_t(f.nDomainIndex)];
}

bool isStringType(int16_t dt) { return dt == 6 || dt == 11; }

// The control a field gets from its domain's data type.
void controlFromDomain(FieldRecord& f, const DomainRecord& d)
{
    if (isStringType(d.lDataType)) {
        f.lControl = ControlKind::StringNormal;
    } else if (d.lDataType == kEnumerate) {
        if (d.bIsCheckBox) {
            f.lControl = ControlKind::CheckBox;
            f.iYesValue = d.iYesValue;
        } else {
            f.lControl = ControlKind::ListBox;
        }
    } else {
        f.lControl = ControlKind::Input;
    }
}

// The parent of a group that is not the root, when its group number names a live group.
const GroupRecord* parentOf(const GroupRecord& g)
{
    const int32_t index = int32_t(g.lParentGroup) - 1;
    if (index < 0 || size_t(index) >= gaGroups.size() || gaGroups[size_t(index)].Grpi == -1)
        return nullptr;
    return &gaGroups[size_t(index)];
}

} // namespace

void gUpgradeGroups()
{
    for (size_t i = 0; i < gaGroups.size(); ++i) {
        GroupRecord& g = gaGroups[i];
        if (g.Grpi == -1)
            continue;
        const bool root = i == 0;
        bool changed = root;
        if (glLoadedFormVersion < 5) {
            if (g.lGroupLevel > 100) {
                g.lGroupLevel = int16_t(g.lGroupLevel - 100);
                changed = true;
            }
            if (root) {
                g.lGroupLevel = int16_t(-glFormVersionLevel);
                changed = true;
            }
            if (g.iGroupWidth == 0) {
                g.iGroupWidth = 1;
                changed = true;
            }
            if (g.iGroupWidth > 100) {
                g.iGroupWidth = int16_t(g.iGroupWidth - 100);
                g.bNewPage = true;
                changed = true;
            }
            // The parent's width as it stands now: a parent further on is not upgraded yet.
            if (!root) {
                const GroupRecord* parent = parentOf(g);
                if (parent && parent->iGroupWidth > 1 && g.bShowGroupBox) {
                    g.bPlaceBeside = true;
                    changed = true;
                }
            }
            if (root && g.bRepeatingGroup) {
                g.bRepeatingGroup = false;
                changed = true;
            }
        }
        if (glLoadedFormVersion < 8 && g.bNewPage) {
            if (g.bGroupInMultiOcc) {
                g.bNewPageMO = true;
                changed = true;
            }
            if (!g.bGroupInSingleOcc) {
                g.bNewPage = false;
                changed = true;
            }
        }
        if (changed) {
            g.bChanged = true;
            gbFormChanged = true;
        }
    }
}

void gUpgradeFields()
{
    for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i) {
        FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId == -1)
            continue;
        const DomainRecord& d = domainOf(f);
        bool changed = false;

        if (f.iLabelHeightMO == 0) {
            f.iLabelHeightMO = 1;
            changed = true;
        }
        if (f.iLabelHeightSO == 0) {
            f.iLabelHeightSO = 1;
            changed = true;
        }
        if (glLoadedFormVersion < 2) {
            if (!f.sLabelCode.isEmpty() && f.iLabelLengthSO == 0) {
                f.iLabelLengthSO = 1;
                changed = true;
            }
            if (f.iLabelLengthMO == 0) {
                f.iLabelLengthMO = 999;
                changed = true;
            }
        }
        if (glLoadedFormVersion < 5) {
            if (f.sLabelCode.isEmpty() && f.iLabelLengthSO != 0) {
                f.iLabelLengthSO = 0;
                changed = true;
            }
            if (gbBitSet(f.lOptx, 0)) {
                f.bIsViewField = true;
                f.lOptx = 0;
                changed = true;
            }
            if (f.sDomainPackage.isEmpty()) {
                f.lControl = ControlKind::NoControl;
                changed = true;
            }
            if (d.lDataType == kEnumerate) {
                changed = true;
                controlFromDomain(f, d);
            }
        }
        if (glLoadedFormVersion < 6) {
            changed = true;
            f.bInGrid = f.bFieldInMultiOcc;
            if (isStringType(d.lDataType))
                f.lControl = ControlKind::StringNormal;
        }
        if (glLoadedFormVersion < 7 && f.bDependent && f.lParentField == 0) {
            f.bDependent = false;
            changed = true;
        }
        if (glLoadedFormVersion < 8 && f.iZoomIndex == 1) {
            f.iZoomIndex = 0;
            changed = true;
        }
        if (f.lControl == ControlKind::NoControl && f.bIsTableField) {
            platform::dialogs().messageBox(QStringLiteral("Table field ") + f.sFieldName
                                               + QStringLiteral(" has Label-Only property set, please save session."),
                                           platform::MbOk, platform::applicationTitle());
            changed = true;
            controlFromDomain(f, d);
        }
        if (changed) {
            f.bChanged = true;
            f.bChanged308 = true;
            gbFormChanged = true;
        }
    }
}

bool gbSyncFieldWithDomain(int32_t i)
{
    if (i < 1 || size_t(i) >= gaFields.size())
        return false;
    FieldRecord& f = gaFields[size_t(i)];
    if (f.lFieldId == -1)
        return false;
    const DomainRecord& d = domainOf(f);
    const int16_t dt = d.lDataType;
    // Without a domain the host knows there is nothing to follow.
    if (dt < 1)
        return false;
    bool changed = false;
    const auto correct301 = [&] {
        f.bChanged301 = true;
        changed = true;
    };
    if (!f.sDisplayFormat.isEmpty() && isStringType(dt)) {
        f.sDisplayFormat.clear();
        correct301();
    }
    // The default is the enum value with constant 1, when the domain has one.
    if (f.sDefaultValue.isEmpty() && dt == kEnumerate && f.bDefault
        && ((f.bTableMandatory && f.bIsTableField) || f.bMandatoryInput) && !d.aEnumName[1].isEmpty()) {
        f.sDefaultValue = d.aEnumName[1];
        f.bChanged302 = true;
        changed = true;
    }
    if (f.bLinkDisplFormatToDomain && d.sDisplayFormat != f.sDisplayFormat) {
        f.sDisplayFormat = d.sDisplayFormat;
        correct301();
    }
    const int16_t length = giDomainDisplayLength(int16_t(i));
    if (f.iFieldLength != length) {
        f.iFieldLength = length;
        correct301();
    }
    if (f.bLinkMaxInpLenToDomain && f.iMaxInpLen != d.iMaxInpLen) {
        f.iMaxInpLen = d.iMaxInpLen;
        correct301();
    }
    switch (dt) {
    case 1:
    case 2:
    case 3:
    case 9:
        if (f.bLinkMaxDisplLenToDomain && f.bLinkDisplFormatToDomain && f.iMaxDispLen != d.iDifl) {
            f.iMaxDispLen = d.iDifl;
            correct301();
        }
        break;
    case 4:
    case 5:
    case 6:
    case 7:
    case 10:
    case 11:
        if (f.bLinkMaxDisplLenToDomain && f.iMaxDispLen != d.iMaxDispLen) {
            f.iMaxDispLen = d.iMaxDispLen;
            correct301();
        }
        break;
    case 12:
        if (f.bLinkMaxDisplLenToDomain) {
            f.iMaxDispLen = d.iDifl;
            f.bLinkMaxDisplLenToDomain = false;
            correct301();
        } else if (f.iMaxDispLen != d.iDifl) {
            f.iMaxDispLen = d.iDifl;
            correct301();
        }
        break;
    default:
        break;
    }
    return changed;
}

void gSyncFieldsWithDomains()
{
    for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i)
        if (gbSyncFieldWithDomain(i)) {
            gaFields[size_t(i)].bChanged = true;
            gbFormChanged = true;
        }
}

void gRunUpgradePasses()
{
    gSyncFieldsWithDomains();
    if (glLoadedFormVersion < glFormVersionLevel) {
        gUpgradeGroups();
        gUpgradeFields();
    } else if (glLoadedFormVersion > glFormVersionLevel && !gaGroups.empty()) {
        gaGroups[0].bChanged = true;
        gbFormChanged = true;
    }
}
