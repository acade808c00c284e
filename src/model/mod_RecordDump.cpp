#include "mod_RecordDump.h"

#include <QString>

#include "mod_Palimor.h"
#include "mod_Global.h"

namespace {

// One record's text: a header line, then "<TAB>array(index).member = value" per member.
class Entry {
public:
    Entry(const char* header, const char* array, size_t index)
        : m_prefix(QLatin1Char('\t') + QLatin1String(array) + QLatin1Char('(') + QString::number(index)
                   + QStringLiteral(")."))
    {
        m_text = QString(25, QLatin1Char('#')) + QLatin1Char(' ') + QLatin1String(header)
                 + numberWithSign(int64_t(index)) + QStringLiteral("\r\n");
    }

    Entry& operator()(const char* member, const QString& value)
    {
        m_text += m_prefix + QLatin1String(member) + QStringLiteral(" = ") + value + QStringLiteral("\r\n");
        return *this;
    }
    Entry& operator()(const char* member, bool value)
    {
        return (*this)(member, value ? QStringLiteral("True") : QStringLiteral("False"));
    }
    Entry& operator()(const char* member, int64_t value) { return (*this)(member, QString::number(value)); }
    Entry& operator()(const char* member, int32_t value) { return (*this)(member, int64_t(value)); }
    Entry& operator()(const char* member, int16_t value) { return (*this)(member, int64_t(value)); }
    Entry& operator()(const char* member, uint8_t value) { return (*this)(member, int64_t(value)); }

    // One log entry; the log adds the line end that leaves an empty line after it.
    void write() const { gWriteLog(m_text); }

private:
    QString m_prefix;
    QString m_text;
};

void dumpGroup(size_t i, const GroupRecord& g)
{
    Entry("Group ", "gaGroups", i)("sLabelCode", g.sLabelCode)("Grpi", g.Grpi)("lGroupLevel", g.lGroupLevel)(
        "lParentGroup", g.lParentGroup)("lPreviousGroup", g.lPreviousGroup)("lNextGroup", g.lNextGroup)(
        "lChildGroup", g.lChildGroup)("lFirstField", g.lFirstField)("iNrOfSubGroups", g.iNrOfSubGroups)(
        "lAlignmentGroupId", g.lAlignmentGroupId)("bVirtualGroup", g.bVirtualGroup)("bShowGroupBox", g.bShowGroupBox)(
        "bRepeatingGroup", g.bRepeatingGroup)("bGroupInSingleOcc", g.bGroupInSingleOcc)(
        "bGroupInMultiOcc", g.bGroupInMultiOcc)("iGroupWidth", g.iGroupWidth)
        .write();
}

void dumpField(size_t i, const FieldRecord& f)
{
    Entry("Field ", "gaFields", i)("sFieldName", f.sFieldName)("lFieldId", f.lFieldId)("nOmod", f.nOmod)(
        "Grpi", f.Grpi)("lParentField", f.lParentField)("lNextField", f.lNextField)("lChildField", f.lChildField)(
        "bFollowUp", f.bFollowUp)("bImmediateBehind", f.bImmediateBehind)("iElement", f.iElement)(
        "sLabelCode", f.sLabelCode)("nLabelXPos", f.nLabelXPos)("iLabelLengthSO", f.iLabelLengthSO)(
        "iLabelLengthMO", f.iLabelLengthMO)("iFieldXPos", f.iFieldXPos)("iFieldYPos", f.iFieldYPos)(
        "iFieldLength", f.iFieldLength)("nFieldEndPos", f.nFieldEndPos)("iColumnId", f.iColumnId)(
        "sDomainPackage", f.sDomainPackage)("sDomainCode", f.sDomainCode)("nDomainIndex", f.nDomainIndex)(
        "lFieldType", f.lFieldType)("sDisplayFormat", f.sDisplayFormat)(
        "bLinkDisplFormatToDomain", f.bLinkDisplFormatToDomain)("iMinInpLen", f.iMinInpLen)(
        "iMaxDispLen", f.iMaxDispLen)("bLinkMaxDisplLenToDomain", f.bLinkMaxDisplLenToDomain)(
        "iMaxInpLen", f.iMaxInpLen)("bLinkMaxInpLenToDomain", f.bLinkMaxInpLenToDomain)(
        "iStartPosOfString", f.iStartPosOfString)("bDefault", f.bDefault)("sMessage", f.sMessage)(
        "bEchoField", f.bEchoField)("bMandatoryInput", f.bMandatoryInput)(
        "sLanguageUnitExpression", f.sLanguageUnitExpression)("bMultiCurrency", f.bMultiCurrency)(
        "bFieldInSingleOcc", f.bFieldInSingleOcc)("bFieldInMultiOcc", f.bFieldInMultiOcc)(
        "bDependent", f.bDependent)("lLabelPosition", f.lLabelPosition)("iLabelHeightSO", f.iLabelHeightSO)(
        "iLabelHeightMO", f.iLabelHeightMO)("bTableMandatory", f.bTableMandatory)("sTableDefault", f.sTableDefault)(
        "nTableNrOfElements", f.nTableNrOfElements)("bTableRef", f.bTableRef)
        .write();
}

void dumpDomain(size_t i, const DomainRecord& d)
{
    Entry("Domain ", "gaDomains", i)("sDomain", d.sDomain)("lDataType", d.lDataType)(
        "sDataTypeDesc", d.sDataTypeDesc)("bIsCheckBox", d.bIsCheckBox)("sDisplayFormat", d.sDisplayFormat)(
        "nDigb", d.nDigb)("nDiga", d.nDiga)("nLeng", d.nLeng)("iMaxDispLen", d.iMaxDispLen)(
        "iMaxInpLen", d.iMaxInpLen)
        .write();
}

void dumpCommand(size_t i, const SpecificCommandRecord& c)
{
    Entry("Form Command ", "gaSpecificCommands", i)("sSpecificCommand", c.sSpecificCommand)(
        "nSpecificCommandId", c.nSpecificCommandId)("Grpi", c.Grpi)("lFieldId", c.lFieldId)(
        "nSequenceNumber", c.nSequenceNumber)("nCommandType", c.nCommandType)("lLinkId", c.lLinkId)
        .write();
}

} // namespace

void gDumpArraysToLog()
{
    if (!gbLogging)
        return;
    for (size_t i = 0; i < gaGroups.size(); ++i)
        if (gaGroups[i].Grpi > -1)
            dumpGroup(i, gaGroups[i]);
    for (size_t i = 1; i <= size_t(std::max<int16_t>(gnFieldCount, 0)) && i < gaFields.size(); ++i)
        if (gaFields[i].lFieldId > -1)
            dumpField(i, gaFields[i]);
    for (size_t i = 1; i <= size_t(std::max<int16_t>(gnDomainCount, 0)) && i < gaDomains.size(); ++i)
        dumpDomain(i, gaDomains[i]);
    for (size_t i = 0; i < gaSpecificCommands.size(); ++i)
        if (gaSpecificCommands[i].nSpecificCommandId > -1)
            dumpCommand(i, gaSpecificCommands[i]);
}
