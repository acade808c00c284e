// The texts of the main window's tree nodes in each view, and the View menu.
#include "frm_Palimor.h"

#include "mod_Enumerate.h"
#include "mod_External.h"
#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_TextCaches.h"
#include "mod_ViewFields.h"
#include "mod_Versions.h"
#include "mod_Global.h"
#include "mod_Registry.h"

#include <QAction>

namespace {

QString L(const QString& code)
{
    int16_t kind = 11;
    return gsGetLabel(code, kind);
}

QString L(const char* code) { return L(QLatin1String(code)); }

QString bracketed(const char* code) { return QStringLiteral(" - [") + L(code) + QLatin1Char(']'); }

// Fixed tables are read by a value that comes from the records; a value without an
// entry has no text.
QString enumDesc(const std::vector<EnumValueRecord>& table, int64_t value)
{
    return value >= 0 && size_t(value) < table.size() ? table[size_t(value)].sDesc : QString();
}

QString enumName(const std::vector<EnumValueRecord>& table, int64_t value)
{
    return value >= 0 && size_t(value) < table.size() ? table[size_t(value)].sName : QString();
}

QString constantDesc(const DomainRecord* domain, int64_t value)
{
    return domain && value >= 0 && value < kMaxEnumConstants ? domain->aEnumDesc[size_t(value)] : QString();
}

const DomainRecord* domainOf(const FieldRecord& f)
{
    return f.nDomainIndex >= 0 && size_t(f.nDomainIndex) < gaDomains.size() ? &gaDomains[size_t(f.nDomainIndex)]
                                                                            : nullptr;
}

bool isInputField(const FieldRecord& f)
{
    const QString name = enumName(gaEnumFieldType, f.lFieldType);
    return name != QLatin1String("display") && name != QLatin1String("display.alone");
}

int32_t indexOfKey(const QString& key) { return key.mid(2).toInt(); }

bool isFieldIndex(int32_t f) { return f >= 1 && size_t(f) < gaFields.size(); }

const char* const kFieldViewEntries[] = {"mnuVDefault", "mnuVGeneral",       "mnuVLabel", "mnuVPosition",
                                         "mnuVDisplay", "mnuVMiscellaneous", "mnuVZoom",  "mnuVEnums"};
const char* const kGroupViewEntries[] = {"mnuVDefGrpProps", "mnuVExtGrpProps"};

} // namespace

QString frm_Palimor::msDefaultFieldName(int32_t index)
{
    if (!isFieldIndex(index))
        return {};
    const FieldRecord& f = gaFields[size_t(index)];
    // A label field shows its label, and its name until it has one.
    if (!gbFieldHasDomainOrPicture(index))
        return f.sLabelDescSO.trimmed().isEmpty() ? f.sFieldName.trimmed() : f.sLabelDescSO.trimmed();
    QString name = f.sFieldName.trimmed();
    if (f.nTableNrOfElements > 1)
        name += QLatin1Char('(') + numberWithSign(f.iElement) + QLatin1Char(')');
    return name;
}

QString frm_Palimor::msFieldProps(int32_t index, const QString& sKey)
{
    if (!isFieldIndex(index))
        return {};
    const FieldRecord& f = gaFields[size_t(index)];
    const bool picture = f.lControl == ControlKind::Picture;
    const bool hasPackage = !f.sDomainPackage.trimmed().isEmpty();
    const bool input = isInputField(f);
    QString t = msDefaultFieldName(index);
    if (picture)
        t += QStringLiteral(" - ") + f.sIconName;

    switch (giFieldView) {
    case 0:
        if (gbFieldHasDomainOrPicture(index))
            t += QStringLiteral(" - ") + f.sLabelDescSO.trimmed();
        break;
    case 1:
        if (picture)
            break;
        if (hasPackage) {
            int16_t domain = f.nDomainIndex;
            t += QStringLiteral(" - ") + enumDesc(gaEnumFieldType, f.lFieldType);
            t += QStringLiteral(" - ") + f.sDomainPackage + f.sDomainCode.trimmed() + QStringLiteral(" (")
                 + gsDomainTypeText(domain) + QLatin1Char(')');
        }
        if (!f.sDefaultValue.isEmpty() && input)
            t += QStringLiteral(" - ") + L("pzprop.defa") + QStringLiteral(" (") + f.sDefaultValue + QLatin1Char(')');
        else if (hasPackage && !f.sTableDefault.trimmed().isEmpty() && input)
            t += QStringLiteral(" - ") + L("pzprop.defa") + QStringLiteral(" {") + f.sTableDefault.trimmed()
                 + QLatin1Char('}');
        if (hasPackage && (f.bMandatoryInput || f.bTableMandatory) && input)
            t += f.bTableMandatory ? QStringLiteral(" - {") + L("pzprop.mand") + QLatin1Char('}')
                                   : bracketed("pzprop.mand");
        if (gbFormVersionSupports(4) && gbFieldHasCommand(index) && f.lCommandIndex >= 0
            && size_t(f.lCommandIndex) < gaSpecificCommands.size())
            t += QStringLiteral(" - ") + L("pzprop.foco") + QStringLiteral(" {")
                 + gaSpecificCommands[size_t(f.lCommandIndex)].sSpecificCommand + QLatin1Char('}');
        break;
    case 2: {
        const bool hasCode = !f.sLabelCode.trimmed().isEmpty();
        bool so = hasCode;
        bool mo = hasCode && !gbNoSessionTable() && !picture && f.bFieldInMultiOcc && f.bInGrid
                  && bIsGroupInOverviewRecursive(int16_t(f.Grpi - 1));
        if (mo) {
            if (f.sLabelDescMO.trimmed().isEmpty() && !(m_refreshingTexts && m_moLabelsAsked)) {
                m_moLabelsAsked = true;
                gLoadFieldLabels(1, false);
            }
            if (f.sLabelDescSO.trimmed() == f.sLabelDescMO.trimmed() && so)
                mo = false;
        }
        const bool both = so && mo;
        if (!gbFieldHasDomainOrPicture(index))
            t.clear();
        if (hasCode)
            t += QStringLiteral(" - ") + f.sLabelCode;
        if (so) {
            t += QStringLiteral(" - ");
            if (both)
                t += L("pzprop.inso") + QStringLiteral(" (");
            t += f.sLabelDescSO.trimmed();
            if (f.lLabelPosition != 1)
                t += QStringLiteral(" - ") + QStringLiteral(" [") + enumDesc(gaEnumLabelPos, f.lLabelPosition)
                     + QLatin1Char(']');
            if (both)
                t += QLatin1Char(')');
        }
        if (mo) {
            t += QStringLiteral(" - ");
            if (both)
                t += L("pzprop.inmo") + QStringLiteral(" (");
            t += f.sLabelDescMO.trimmed();
            if (both)
                t += QLatin1Char(')');
        }
        break;
    }
    case 3:
        t += fieldPropsView3(index, sKey, picture);
        break;
    case 4: {
        if (picture || !hasPackage)
            break;
        static const DomainRecord kNoDomain;
        const DomainRecord& d = domainOf(f) ? *domainOf(f) : kNoDomain;
        const int16_t type = d.lDataType;
        const bool digits = type == 4 || type == 5;
        const QString ld = L(digits ? "pzzrn301.maxd2" : "pzzrn301.maxd1");
        const QString li = L(digits ? "pzzrn301.maxi2" : "pzzrn301.maxi1");
        t += f.bLinkMaxDisplLenToDomain
                 ? QStringLiteral(" - ") + ld + QStringLiteral(" {") + QString::number(d.iMaxDispLen) + QLatin1Char('}')
                 : QStringLiteral(" - ") + ld + QStringLiteral(" (") + QString::number(f.iMaxDispLen) + QLatin1Char(')');
        if (input && type != 7) {
            if (f.iMinInpLen > 0)
                t += QStringLiteral(" - ") + L("pzprop.mini") + QStringLiteral(" (") + QString::number(f.iMinInpLen)
                     + QLatin1Char(')');
            if (type == 4 || type == 5 || type == 6 || type == 11)
                t += f.bLinkMaxInpLenToDomain ? QStringLiteral(" - ") + li + QStringLiteral(" {")
                                                    + QString::number(d.iMaxInpLen) + QLatin1Char('}')
                                              : QStringLiteral(" - ") + li + QStringLiteral(" (")
                                                    + QString::number(f.iMaxInpLen) + QLatin1Char(')');
        }
        if ((type >= 1 && type <= 5) || type == 9 || type == 12) {
            if (f.bLinkDisplFormatToDomain) {
                if (!d.sDisplayFormat.isEmpty())
                    t += QStringLiteral(" - ") + L("pzprop.difo") + QStringLiteral(" {") + d.sDisplayFormat
                         + QLatin1Char('}');
            } else if (!f.sDisplayFormat.isEmpty()) {
                t += QStringLiteral(" - ") + L("pzprop.difo") + QStringLiteral(" (") + f.sDisplayFormat + QLatin1Char(')');
            }
        }
        if (type == 10)
            t += QStringLiteral(" - ") + L("pzprop.hght") + QStringLiteral(" (") + QString::number(f.iFieldHeight)
                 + QLatin1Char(')');
        if (type != 6 && type != 7 && type != 9 && type != 10 && type != 11 && type != 12 && f.iDataAli != 0
            && f.iDataAli != 2)
            t += QStringLiteral(" - ") + L("pzprop.adju") + QStringLiteral(" (") + enumDesc(gaEnumDataAlign, f.iDataAli - 1)
                 + QLatin1Char(')');
        break;
    }
    case 5:
        if (picture)
            break;
        if (!f.sLanguageUnitExpression.isEmpty())
            t += QStringLiteral(" - ") + L("pzprop.dcex") + QStringLiteral(" (") + f.sLanguageUnitExpression
                 + QLatin1Char(')');
        if (!f.sInpRefExpr.isEmpty() && f.sInpRefExpr != QLatin1String("1"))
            t += QStringLiteral(" - ") + L("pzprop.inpc") + QStringLiteral(" (") + f.sInpRefExpr + QLatin1Char(')');
        if (f.iStartPosOfString != 1)
            t += QStringLiteral(" - ") + L("pzprop.sttp") + QStringLiteral(" (") + QString::number(f.iStartPosOfString)
                 + QLatin1Char(')');
        if (!f.sMessage.isEmpty() && input)
            t += QStringLiteral(" - ") + L("pzprop.cmes") + QStringLiteral(" (") + f.sMessage + QLatin1Char(')');
        if (hasPackage && f.bEchoField)
            t += bracketed("pzprop.echo");
        if (hasPackage && f.bSyncField)
            t += bracketed("pzprop.sync");
        if (f.bMultiCurrency)
            t += bracketed("pzprop.mcur");
        break;
    case 6:
        if (picture)
            break;
        if (f.nZoomField == 3)
            t += QStringLiteral(" - ") + enumDesc(gaEnumZoomType, 3) + QStringLiteral(" (") + f.sZoomTo + QLatin1Char(')');
        else if (f.nZoomField == 2)
            t += QStringLiteral(" - ") + enumDesc(gaEnumZoomType, 2) + QStringLiteral(" (") + f.sZoomTo
                 + QStringLiteral(", ") + f.sZoomReturnField + QStringLiteral(", ") + QString::number(f.iZoomIndex)
                 + QLatin1Char(')');
        if (!f.sSearchField.isEmpty())
            t += QStringLiteral(" - ") + L("pzprop.srch") + QStringLiteral(" (") + f.sSearchField + QLatin1Char(')');
        break;
    case 7: {
        gLoadEnums();
        const DomainRecord* d = domainOf(f);
        switch (f.lControl) {
        case ControlKind::CheckBox:
            t += QStringLiteral(" - ") + L("pzprop.ctrl1") + QStringLiteral(" (") + constantDesc(d, f.iYesValue)
                 + QLatin1Char(')');
            break;
        case ControlKind::ListBox:
        case ControlKind::StringList:
            t += QStringLiteral(" - ") + L("pzprop.ctrl2");
            break;
        case ControlKind::OptionSet:
            t += QStringLiteral(" - ") + L("pzprop.ctrl3");
            if (f.bAutoEnable)
                t += bracketed("pzzrn308.za_able");
            break;
        case ControlKind::StringCombo:
            t += QStringLiteral(" - ") + L("pzprop.ctrl5");
            break;
        default:
            break;
        }
        if (d && d->bSegmented)
            t += QStringLiteral(" - ") + L("pzprop.segm");
        break;
    }
    default:
        break;
    }
    return t;
}

QString frm_Palimor::fieldPropsView3(int32_t index, const QString& sKey, bool picture)
{
    const FieldRecord& f = gaFields[size_t(index)];
    TreeNode* node = sKey.isEmpty() ? nullptr : m_tree->node(sKey);
    QString t;
    if (!gbNoSessionTable()) {
        if (f.bFieldInSingleOcc)
            t += bracketed("pzprop.inso");
        if (f.bFieldInMultiOcc) {
            t += bracketed("pzprop.inmo");
            if (f.bInGrid)
                t += bracketed("pzprop.grid");
        }
        int16_t reason = 0;
        int32_t dependsOn = 0;
        if (node && !picture && gbIsViewField(index, node, std::nullopt, reason, dependsOn)) {
            if (reason == ViewFieldMarked) {
                t += bracketed("pzprop.viewfld");
                if (!gbIsMainTableField(index) && f.bOccIndependentViewField)
                    t += bracketed("pzprop.ocin");
            } else if (reason == ViewFieldDependent) {
                t += QStringLiteral(" - {") + L("pzprop.viewfld") + QLatin1Char('}');
                if (isFieldIndex(dependsOn) && gaFields[size_t(dependsOn)].bOccIndependentViewField)
                    t += QStringLiteral(" - {") + L("pzprop.ocin") + QLatin1Char('}');
            }
        }
    }
    if (node && !picture) {
        const TreeNode* parent = node->parent();
        if (((parent && gbIsFieldKey(parent->key())) || gbPreviousIsField(node)) && f.bDependent)
            t += bracketed("pzprop.depe");
    }
    if (node) {
        if (node->children() > 0 && f.bImmediateBehind)
            t += bracketed("pzprop.behi");
        const TreeNode* parent = node->parent();
        if (parent && gbIsFieldKey(parent->key()) && f.iLinkedConst != 0) {
            const int32_t p = indexOfKey(parent->key());
            if (isFieldIndex(p) && gaFields[size_t(p)].lControl == ControlKind::OptionSet)
                t += QStringLiteral(" - ") + L("pzprop.cnst") + QStringLiteral(" (")
                     + constantDesc(domainOf(gaFields[size_t(p)]), f.iLinkedConst) + QLatin1Char(')');
        }
    }
    if (gbFormVersionSupports(32) && f.bInitialHidden)
        t += bracketed("pzprop.inhi");
    return t;
}

QString frm_Palimor::msGroupProps(int16_t index)
{
    if (index < 0 || size_t(index) >= gaGroups.size())
        return {};
    const GroupRecord& g = gaGroups[size_t(index)];
    QString t = g.sFrameDesc.trimmed();
    if (giGroupView != 1)
        return t;
    t += QStringLiteral(" - ") + QString::number(index + 1);
    if (!gbNoSessionTable()) {
        if (g.bGroupInSingleOcc)
            t += bracketed("pzprop.inso");
        if (g.bGroupInMultiOcc)
            t += bracketed("pzprop.inmo");
    }
    if (index != 0) {
        if (g.bRepeatingGroup)
            t += bracketed("pzprop.repe");
        if (g.bShowGroupBox)
            t += bracketed("pzprop.fram");
        if (g.lAlignmentGroupId >= 1)
            t += QStringLiteral(" - ") + L("pzzrn315.alispec");
        else if (g.lAlignmentGroupId == 0)
            t += QStringLiteral(" - ") + L("pzzrn315.aliequ");
        if (g.iGroupWidth != 1)
            t += QStringLiteral(" - ") + L("pzprop.cols") + QStringLiteral(" (") + QString::number(g.iGroupWidth)
                 + QLatin1Char(')');
        if (g.bPlaceBeside)
            t += bracketed("pzprop.besi");
        if (g.bCheckOnGroupBox)
            t += bracketed("pzprop.cong");
        if (gbFormVersionSupports(2) && g.bDashboard)
            t += bracketed("pzprop.bgod");
        if (gbFormVersionSupports(128) && g.bSelectionGroup)
            t += g.sParentTable.isEmpty()
                     ? bracketed("pzprop.selg")
                     : QStringLiteral(" - [") + L("pzprop.selg") + QLatin1Char('(') + g.sParentTable + QStringLiteral(")]");
    } else {
        if (g.bNewPage && g.bGroupInSingleOcc)
            t += bracketed("pzprop.wdth");
        if (g.bNewPageMO && g.bGroupInMultiOcc)
            t += bracketed("pzprop.wdthmo");
        if (g.bRichView)
            t += bracketed("pzprop.rivw");
    }
    return t;
}

bool frm_Palimor::gbFieldIsPresent(int32_t index, TreeNode* node, bool bSingleOcc)
{
    if (!isFieldIndex(index))
        return false;
    const FieldRecord& f = gaFields[size_t(index)];
    if (f.bDependent && node) {
        TreeNode* other = nullptr;
        if (TreeNode* parent = node->parent(); parent && gbIsFieldKey(parent->key()))
            other = parent;
        else if (gbPreviousIsField(node))
            other = node->previous();
        if (other && !gbFieldIsPresent(indexOfKey(other->key()), other, bSingleOcc))
            return false;
    }
    return bSingleOcc ? f.bFieldInSingleOcc : f.bFieldInMultiOcc;
}

namespace {

// Climbs from group g towards the root while the flag holds; a broken parent link
// ends the climb with false.
template <typename Flag>
bool inOccurrenceRecursive(int16_t g, Flag flag)
{
    int32_t i = g < 0 ? 0 : g;
    for (size_t steps = 0; steps <= gaGroups.size(); ++steps) {
        if (size_t(i) >= gaGroups.size())
            return false;
        const GroupRecord& group = gaGroups[size_t(i)];
        if (!flag(group))
            return false;
        if (i == 0)
            return true;
        i = group.lParentGroup > 0 ? group.lParentGroup - 1 : 0;
    }
    return false;
}

} // namespace

bool frm_Palimor::bIsGroupInDetailsRecursive(int16_t g)
{
    return inOccurrenceRecursive(g, [](const GroupRecord& r) { return r.bGroupInSingleOcc; });
}

bool frm_Palimor::bIsGroupInOverviewRecursive(int16_t g)
{
    return inOccurrenceRecursive(g, [](const GroupRecord& r) { return r.bGroupInMultiOcc; });
}

void frm_Palimor::mSetPropertyView(bool bField, int16_t view)
{
    if (bField) {
        giFieldView = view;
        gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWPROP"), view);
        gLoadFieldLabels(1, true);
    } else {
        giGroupView = view;
        gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWGRPPROP"), view);
        gLoadGroupLabels();
    }
    mRefreshNodeTexts(bField, true);
}

void frm_Palimor::mRefreshNodeTexts(bool bFields, bool bRewrite)
{
    if (bFields) {
        gRebuildPointers();
        for (int16_t v = 0; v < 8; ++v)
            m_actions->menuEntry(QLatin1String(kFieldViewEntries[v]))->setChecked(v == giFieldView);
        if (giFieldView == 2)
            gLoadFieldLabels(1, true);
        if (giFieldView == 4 || giFieldView == 7) {
            gLoadDomains();
            gLoadEnums();
        }
        if (!bRewrite)
            return;
        m_refreshingTexts = true;
        m_moLabelsAsked = false;
        for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i) {
            const FieldRecord& f = gaFields[size_t(i)];
            if (f.sNodeKey.isEmpty() || f.lFieldId == -1)
                continue;
            if (TreeNode* n = m_tree->node(f.sNodeKey))
                m_tree->setText(n, msFieldProps(i, f.sNodeKey));
        }
        m_refreshingTexts = false;
    } else {
        for (int16_t v = 0; v < 2; ++v)
            m_actions->menuEntry(QLatin1String(kGroupViewEntries[v]))->setChecked(v == giGroupView);
        if (!bRewrite)
            return;
        for (int32_t g = 0; size_t(g) < gaGroups.size(); ++g) {
            const GroupRecord& r = gaGroups[size_t(g)];
            if (r.sNodeKey.isEmpty() || r.Grpi == -1)
                continue;
            if (TreeNode* n = m_tree->node(r.sNodeKey))
                m_tree->setText(n, msGroupProps(int16_t(g)));
        }
    }
}

void frm_Palimor::SetLabels(TreeNode* node)
{
    if (!node)
        return;
    for (TreeNode* c = node->child(); c; c = c->next()) {
        if (gbIsFieldKey(c->key()))
            m_tree->setText(c, msFieldProps(indexOfKey(c->key()), QString()));
        if (c->children() > 0)
            SetLabels(c);
    }
}
