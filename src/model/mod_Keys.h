#pragma once
// Small services on the form model: tree-node keys and their tests, look-ups of a
// field index by order number and of an enum value by name, the domain entry of a
// field, the label-code syntax test, existence tests in the host, and the defaults
// of a new field, picture or group record.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "mod_Enumerate.h"

// ---- Tree keys ---------------------------------------------------------------------

// "g_" and the gaGroups index; the root group (the form) is "g_0".
QString gsGroupKey(int32_t index);
// "p_" for a picture (ControlKind::Picture), else "f_", and the gaFields index.
QString gsFieldKey(int32_t index);
bool gbIsGroupKey(const QString& key);
bool gbIsFieldKey(const QString& key);  // "f_" or "p_"

// ---- Look-ups ------------------------------------------------------------------------

// The gaFields index of the field with that order number (first gaIdMap entry from 1
// up); no value when the map has none.
std::optional<int32_t> gvIndexOfId(int16_t nOmod);

// gvIndexOfId read from the map once, for a pass that looks up many order numbers and
// changes nothing of the map; each look-up is then one step.
class IdIndex {
public:
    IdIndex();
    std::optional<int32_t> operator()(int16_t nOmod) const
    {
        const int32_t at = int32_t(nOmod) - m_lowest;
        if (at < 0 || size_t(at) >= m_first.size())
            return std::nullopt;
        return m_first[size_t(at)];
    }

private:
    int32_t m_lowest = 0;
    std::vector<std::optional<int32_t>> m_first;  // by order number from m_lowest up
};

// The lValue of the first entry from index 1 up named name; 1 when none is (entry 0
// is not searched).
int32_t glFindByKey(const std::vector<EnumValueRecord>& table, const QString& name);

// True when the form field of fieldKey ("f_" index) was made from the picker entry of
// pickerKey ("t_" index): its name is the entry's table code, "." and column name.
bool gbSameTableField(const QString& pickerKey, const QString& fieldKey);

// The gaDomains index of domain (package and code together, trimmed); a new, not yet
// loaded entry is appended when it is missing.
int16_t giFindOrAddDomain(const QString& domain);
// The field's nDomainIndex when it names domain, else the domain's index, which is
// then stored in the field.
int16_t giDomainOfField(int32_t fieldIndex, const QString& domain);

// A label code reads as package (2), module (3), number (3), "." and a name, as in
// "pzzrn301.link": at least 10 characters, "." 9th, a non-blank name, and characters
// 6 to 8 either "000" or a number (blanks ignored) other than 0.
bool gbIsLabelCodeSyntax(const QString& code);

// ---- Existence in the host (current version) ------------------------------------------
//
// Each splits and pads its arguments to the widths of the host's columns and hands
// them back so; a code longer than its columns can hold is refused without a host call.

// menu: package (2), module (3) and menu code (at most 8); parameter at most 1.
// menu comes back as the menu code padded to 8, parameter padded to 1.
bool gbMenuExists(QString& menu, QString& parameter);
// session: package (2), module (3) and session code (at most 8); comes back as the
// session code padded to 8. When it exists, its main table is left in
// gsZoomSessionTable.
bool gbSessionExists(QString& session);
bool gbMessageExists(QString& package, QString& message);  // package 2, message 12
bool gbDomainExists(QString& package, QString& domain);    // package 2, domain 12

// The main table (package, module and number) of the session gbSessionExists found
// last: what the property dialog's session-table zoom button carries. The zoom-to box's
// check takes it over and clears it.
extern QString gsZoomSessionTable;

// ---- Record defaults -------------------------------------------------------------------
//
// A slot, new or reused, starts from the defaults of a fresh record. Kept from what
// the slot held are only the members that describe the host's rows of the slot: the
// exists-in-host marks, the stored copies and, for fields, the input-property-row
// marks (bInputPropsLoaded, bHas302Row, bRemove302) that the slot allocation sets.

void gInitFieldRecord(int32_t index);
void gInitPictureRecord(int32_t index);
void gInitGroupRecord(int32_t index);

void resetKeys();
