#include "mod_Keys.h"

#include <algorithm>

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "mod_Palimor.h"

QString gsZoomSessionTable;

namespace {

// The number after a key's two-character kind, or nullopt when there is none.
std::optional<int32_t> keyNumber(const QString& key)
{
    bool ok = false;
    const int32_t n = key.mid(2).toInt(&ok);
    if (!ok || n < 0)
        return std::nullopt;
    return n;
}

QString pad(const QString& text, int32_t width) { return text.leftJustified(width, QLatin1Char(' ')); }

// Splits package, module and the rest of a menu or session code to the widths of the
// data set's columns; false when the code is longer than they hold together.
bool splitCode(const QString& code, const QString& set, const QString& restColumn, QString& package, QString& module,
               QString& rest)
{
    const int32_t p = glFieldLength(set, QStringLiteral("cpac"));
    const int32_t m = glFieldLength(set, QStringLiteral("cmod"));
    const int32_t r = glFieldLength(set, restColumn);
    if (code.size() > p + m + r)
        return false;
    package = code.left(p);
    module = code.mid(p, m);
    rest = pad(code.mid(p + m), r);
    return true;
}

// The text padded to the column's width; false when it is longer.
bool padToColumn(QString& text, const QString& set, const QString& column)
{
    const int32_t width = glFieldLength(set, column);
    if (text.size() > width)
        return false;
    text = pad(text, width);
    return true;
}

void initFieldOrPicture(int32_t index, bool picture)
{
    FieldRecord& slot = gaFields.at(size_t(index));
    FieldRecord f;

    // What describes the host's rows of the slot stays.
    f.bExistsInHost = slot.bExistsInHost;
    f.bExistsToggled = slot.bExistsToggled;
    f.bInputPropsLoaded = slot.bInputPropsLoaded;
    f.bHas302Row = slot.bHas302Row;
    f.bRemove302 = slot.bRemove302;
    f.GrpiStored = slot.GrpiStored;
    f.lChildFieldStored = slot.lChildFieldStored;
    f.lNextFieldStored = slot.lNextFieldStored;
    f.lParentFieldStored = slot.lParentFieldStored;
    f.bFollowUpStored = slot.bFollowUpStored;
    f.nOmodStored = slot.nOmodStored;
    f.iFieldXPosStored = slot.iFieldXPosStored;
    f.iFieldYPosStored = slot.iFieldYPosStored;
    f.nLabelXPosStored = slot.nLabelXPosStored;
    f.nFieldEndPosStored = slot.nFieldEndPosStored;
    f.iColumnIdStored = slot.iColumnIdStored;

    f.lFieldId = int16_t(index);
    f.iElement = 1;
    f.lFieldType = uint8_t(glFindByKey(gaEnumFieldType, QStringLiteral("input")));
    f.bLinkDisplFormatToDomain = f.bLinkMaxDisplLenToDomain = f.bLinkMaxInpLenToDomain = true;
    f.bEchoField = f.bFieldInSingleOcc = f.bFieldInMultiOcc = true;
    f.iMaxDispLen = f.iMaxInpLen = f.iStartPosOfString = f.nZoomField = 1;
    f.iLabelHeightSO = f.iLabelHeightMO = f.nTableNrOfElements = 1;
    f.lLabelPosition = 1;
    f.sInpRefExpr = QStringLiteral("1");
    f.nLabelAli = 2;
    f.iLabelLengthMO = 999;
    if (picture) {
        f.iFieldLength = 20;
        f.lControl = ControlKind::Picture;
    } else {
        f.iFieldLength = 1;
        f.lControl = ControlKind::NoControl;
        f.iDataAli = 2;
        f.bInGrid = f.bFieldInMultiOcc;
    }
    slot = std::move(f);
}

} // namespace

// ---- Tree keys ---------------------------------------------------------------------

QString gsGroupKey(int32_t index) { return QStringLiteral("g_") + QString::number(index); }

QString gsFieldKey(int32_t index)
{
    const bool picture =
        index >= 0 && size_t(index) < gaFields.size() && gaFields[size_t(index)].lControl == ControlKind::Picture;
    return (picture ? QStringLiteral("p_") : QStringLiteral("f_")) + QString::number(index);
}

bool gbIsGroupKey(const QString& key) { return key.startsWith(QLatin1String("g_")); }

bool gbIsFieldKey(const QString& key)
{
    return key.startsWith(QLatin1String("f_")) || key.startsWith(QLatin1String("p_"));
}

// ---- Look-ups ------------------------------------------------------------------------

std::optional<int32_t> gvIndexOfId(int16_t nOmod)
{
    for (size_t i = 1; i < gaIdMap.size(); ++i)
        if (gaIdMap[i].nOmod == nOmod)
            return gaIdMap[i].lIndex;
    return std::nullopt;
}

IdIndex::IdIndex()
{
    if (gaIdMap.size() < 2)
        return;
    const auto [low, high] = std::minmax_element(gaIdMap.begin() + 1, gaIdMap.end(),
                                                 [](const IdMapEntry& a, const IdMapEntry& b) { return a.nOmod < b.nOmod; });
    m_lowest = low->nOmod;
    m_first.resize(size_t(high->nOmod - low->nOmod) + 1);
    // From the end down, so that the first entry of a number is the one kept.
    for (size_t i = gaIdMap.size() - 1; i >= 1; --i)
        m_first[size_t(gaIdMap[i].nOmod - m_lowest)] = gaIdMap[i].lIndex;
}

int32_t glFindByKey(const std::vector<EnumValueRecord>& table, const QString& name)
{
    for (size_t i = 1; i < table.size(); ++i)
        if (table[i].sName == name)
            return table[i].lValue;
    return 1;
}

bool gbSameTableField(const QString& pickerKey, const QString& fieldKey)
{
    const std::optional<int32_t> t = keyNumber(pickerKey);
    const std::optional<int32_t> f = keyNumber(fieldKey);
    if (!t || !f || size_t(*t) >= gaTableFields.size() || size_t(*f) >= gaFields.size())
        return false;
    const TableFieldRecord& entry = gaTableFields[size_t(*t)];
    return gaFields[size_t(*f)].sFieldName == entry.sTableCode + QLatin1Char('.') + entry.sFieldName;
}

int16_t giFindOrAddDomain(const QString& domain)
{
    const QString wanted = domain.trimmed();
    const int16_t used = int16_t(std::min<size_t>(size_t(std::max<int16_t>(gnDomainCount, 0)), gaDomains.size() - 1));
    for (int16_t i = 1; i <= used; ++i)
        if (gaDomains[size_t(i)].sDomain == wanted)
            return i;

    gnDomainCount = int16_t(used + 1);
    if (gnDomainCount > gnDomainSlots)
        gnDomainSlots = int16_t(gnDomainSlots + 5);
    const size_t needed = size_t(std::max(gnDomainSlots, gnDomainCount)) + 1;
    if (gaDomains.size() < needed)
        gaDomains.resize(needed);
    DomainRecord& entry = gaDomains[size_t(gnDomainCount)];
    entry = DomainRecord{};
    entry.sDomain = wanted;
    entry.lDataType = 0;
    return gnDomainCount;
}

int16_t giDomainOfField(int32_t fieldIndex, const QString& domain)
{
    FieldRecord& f = gaFields.at(size_t(fieldIndex));
    const int16_t d = f.nDomainIndex;
    if (d > 0 && size_t(d) < gaDomains.size() && gaDomains[size_t(d)].sDomain == domain)
        return d;
    f.nDomainIndex = giFindOrAddDomain(domain);
    return f.nDomainIndex;
}

bool gbIsLabelCodeSyntax(const QString& code)
{
    if (code.size() < 10 || code[8] != QLatin1Char('.') || code.mid(9).trimmed().isEmpty())
        return false;
    const QString number = code.mid(5, 3);
    if (number == QLatin1String("000"))
        return true;
    QString digits = number;
    digits.remove(QLatin1Char(' '));
    if (digits.isEmpty())
        return false;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return digits.toInt() != 0;
}

// ---- Existence in the host ---------------------------------------------------------------

bool gbMenuExists(QString& menu, QString& parameter)
{
    const QString set = QStringLiteral("qxzrn360");
    QString package, module, code;
    if (!splitCode(menu, set, QStringLiteral("cmen"), package, module, code))
        return false;
    QString param = parameter;
    if (!padToColumn(param, set, QStringLiteral("parm")))
        return false;
    menu = code;
    parameter = param;
    QString version, release, customer;
    return gbGetMenuVrc(package, module, menu, parameter, 1, version, release, customer);
}

bool gbSessionExists(QString& session)
{
    QString package, module, code;
    if (!splitCode(session, QStringLiteral("qxzrn200"), QStringLiteral("cses"), package, module, code))
        return false;
    session = code;
    QString version, release, customer, tablePackage, tableModule, tableNumber;
    int16_t startMode = 0;
    if (!gbGetSessionVrc(package, module, session, 1, version, release, customer, tablePackage, tableModule,
                         tableNumber, startMode))
        return false;
    gsZoomSessionTable = tablePackage + tableModule + tableNumber;
    return true;
}

bool gbMessageExists(QString& package, QString& message)
{
    const QString set = QStringLiteral("qxzrn450");
    QString p = package, m = message;
    if (!padToColumn(p, set, QStringLiteral("cpac")) || !padToColumn(m, set, QStringLiteral("cmes")))
        return false;
    package = p;
    message = m;
    return gbGetMessageVrc(package, message);
}

bool gbDomainExists(QString& package, QString& domain)
{
    const QString set = QStringLiteral("qxzrn400");
    QString p = package, d = domain;
    if (!padToColumn(p, set, QStringLiteral("cpac")) || !padToColumn(d, set, QStringLiteral("cdom")))
        return false;
    package = p;
    domain = d;
    QString version, release, customer, description;
    return gbGetDomainVrc(package, domain, 0, version, release, customer, description);
}

// ---- Record defaults -------------------------------------------------------------------

void gInitFieldRecord(int32_t index) { initFieldOrPicture(index, false); }

void gInitPictureRecord(int32_t index) { initFieldOrPicture(index, true); }

void gInitGroupRecord(int32_t index)
{
    GroupRecord& slot = gaGroups.at(size_t(index));
    GroupRecord g;

    g.bExistsInHost = slot.bExistsInHost;
    g.bExistsToggled = slot.bExistsToggled;
    g.iGroupWidthStored = slot.iGroupWidthStored;
    g.GrpiStored = slot.GrpiStored;
    g.lFirstFieldStored = slot.lFirstFieldStored;
    g.lChildGroupStored = slot.lChildGroupStored;
    g.lNextGroupStored = slot.lNextGroupStored;
    g.lPreviousGroupStored = slot.lPreviousGroupStored;
    g.lParentGroupStored = slot.lParentGroupStored;
    g.lGroupLevelStored = slot.lGroupLevelStored;
    g.bCheckboxesOnlyStored = slot.bCheckboxesOnlyStored;

    g.Grpi = int16_t(index + 1);
    g.bGroupInSingleOcc = true;
    g.bGroupInMultiOcc = !gbNoSessionTable();
    g.lAlignmentGroupId = int16_t(-index);  // an alignment group of its own
    g.iGroupWidth = 1;
    slot = std::move(g);
}

void resetKeys() { gsZoomSessionTable.clear(); }
