#pragma once
// Small helpers the property dialog's source files share.
#include <QComboBox>
#include <QString>
#include <cstdint>
#include <initializer_list>

#include "mod_Enumerate.h"
#include "mod_Texts.h"
#include "mod_Palimor.h"

namespace properties {

inline const DomainRecord* domainAt(int32_t index)
{
    return index >= 0 && size_t(index) < gaDomains.size() ? &gaDomains[size_t(index)] : nullptr;
}

// The host text of a label code, as captions show it.
inline QString label(const QString& code)
{
    int16_t kind = 11;
    return gsGetLabel(code, kind);
}

inline bool isOneOf(int32_t value, std::initializer_list<int32_t> values)
{
    for (int32_t v : values)
        if (v == value)
            return true;
    return false;
}

// The selected field type is "display" or "display.alone".
inline bool isDisplayType(const QComboBox* fieldType)
{
    const int32_t value = fieldType->currentIndex() < 0 ? -1 : fieldType->currentData().toInt();
    if (value < 0 || size_t(value) >= gaEnumFieldType.size())
        return false;
    const QString& name = gaEnumFieldType[size_t(value)].sName;
    return name == QLatin1String("display") || name == QLatin1String("display.alone");
}

// The selected zoom type is the one named ("session", "menu").
inline bool isZoomType(const QComboBox* zoomType, const char* name)
{
    const int32_t type = zoomType->currentIndex() < 0 ? -1 : zoomType->currentData().toInt();
    return type >= 0 && size_t(type) < gaEnumZoomType.size()
           && gaEnumZoomType[size_t(type)].sName == QLatin1String(name);
}

// A column of the data dictionary, named by a table-field text: package 2, module 3,
// table number 3, a separator and the field name ("tekwy001.item").
struct TableColumn {
    QString domainPackage, domainCode, label, reference, initial;
    int32_t mandatory = 0, elements = 0;
};
// True for an active, single column of a table the host knows.
bool activeTableColumn(const QString& tableField, TableColumn& column);

// The selection field a selection group keeps: its inputs are not the user's.
inline bool isSelectionField(const FieldRecord& f)
{
    return f.sDomainPackage == QLatin1String("qx") && f.sDomainCode == QLatin1String("stpselection");
}

} // namespace properties
