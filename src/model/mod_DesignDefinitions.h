#pragma once
// The host's design-definition tables of a form: qxzrn315 (groups), qxzrn301 (what a
// field is), qxzrn308 (where it stands and how it is linked), qxzrn302 (its input
// properties), qxzrn316 (form commands) and the documentation table qxzrn150.
//
// Organised by area:
//   - design texts and keys: the texts in which rows and keys go to the update set;
//   - column conversions: how each column is written and read back;
//   - the form identity in query texts;
//   - loading: the form's rows read into the record arrays.
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "mod_Palimor.h"

// ---- Table codes ------------------------------------------------------------------

inline constexpr char kTable315[] = "qxzrn315";
inline constexpr char kTable301[] = "qxzrn301";
inline constexpr char kTable302[] = "qxzrn302";
inline constexpr char kTable308[] = "qxzrn308";
inline constexpr char kTable316[] = "qxzrn316";
inline constexpr char kTable150[] = "qxzrn150";

// The form-version feature that adds zb_tabp and zb_selg to qxzrn315.
inline constexpr int32_t kFeatureSelectionGroups = 128;

// ---- Design texts and keys ----------------------------------------------------------
//
// A design text is a flat list of items separated by ", ": a column name and its
// value, pair after pair. Names and text values are nested-quoted (they travel inside
// one quoted call argument), numbers are decimal, Booleans are written 1 (True) or
// 2 (False). The builders read the records and the form identity and change nothing.

// The record text built last by a builder below; the store hands it to the update set.
extern QString gsDesignRecord;

// The seven identity pairs cpac, cmod, cfrm, clan, vers, rele, cust. The same text for
// every table; it opens every key and record of qxzrn315, 301, 302 and 308 and is the
// prefix of the update set.
QString gsFormKey(const QString& sTable);

// Key texts: the form key and the row's number column.
QString gsGroupKeyText(int32_t groupIndex);                    // qxzrn315, grpi = index + 1
QString gsFieldKeyText(const QString& table, int32_t sequ);    // qxzrn301, 302 or 308: the same text for each

// Record texts of gaFields(index); each also lands in gsDesignRecord.
QString msFieldRecord301(int32_t index);
QString msFieldRecord302(int32_t index);
// Also logs the field's links.
QString msFieldRecord308(int32_t index);
// Puts the qxzrn315 record of gaGroups(index) into gsDesignRecord; logs its links.
void msGroupRecord315(int32_t index);
// Returns the qxzrn316 key of gaSpecificCommands(index) and leaves its record text
// (btyp and sequ only) in gsDesignRecord.
QString msCommandRecord316(int32_t index);
// The qxzrn150 key of the field's technical documentation.
QString gsFieldRecord150(int16_t index);

// ---- Column conversions --------------------------------------------------------------

// Host Booleans: True is stored as 1, False as 2; only 1 reads back as True.
QString gsHostBoolean(bool value);
bool gbFromHostBoolean(int32_t value);

// algr holds the alignment group one step away from zero (so a stored 0 reads as -1).
int32_t giAlignmentGroupToHost(int16_t alignmentGroupId);
int16_t giAlignmentGroupFromHost(int32_t algr);

// elem: -1 marks a multi-currency field, 0 is read as element 1.
int16_t giElementToHost(const FieldRecord& field);
void gElementFromHost(FieldRecord& field, int32_t elem);

// zoom: 0 and 32 are read as 1.
int16_t giZoomFromHost(int32_t zoom);

// za_misc flag numbers: bit k of the number is the k-th member of the list.
int32_t glGroupMiscFlags(const GroupRecord& group);  // bCheckOnGroupBox, bRichView, bNewPageMO, bDashboard
void gGroupMiscFlagsFromHost(GroupRecord& group, int32_t flags);
int32_t glFieldMiscFlags(const FieldRecord& field);  // bInGrid, bOccIndependentViewField, bInitialHidden
void gFieldMiscFlagsFromHost(FieldRecord& field, int32_t flags);

// One column of a design table, in the order the store writes it: how its value is
// written into a design text and how a fetched value (trimmed text) is read back.
// Columns that the load handles with more than the row's value (the row's index,
// za_revi of the root row, the 302 row marks, the command's link) have no reader or
// a reader of only the member; the load does the rest.
template <typename Record>
struct DesignColumn {
    const char* name;
    QString (*write)(const Record&);         // the value as it stands in a design text
    void (*read)(Record&, QStringView);      // nullptr: the column is not read back
    int32_t feature = 0;                     // form-version feature the column needs; 0 none
    // write's value appended to a design text under way, without a string of its own;
    // nullptr: the text takes write's.
    void (*append)(std::u16string&, const Record&) = nullptr;
    // gnKeptLength of write's value, without writing it; nullptr: not known so.
    qsizetype (*kept)(const Record&) = nullptr;
};

// The characters the host keeps of a value as a design text writes it: a text without
// its quotes and its outer blanks (a quote counted once), a number as its digits.
qsizetype gnKeptLength(QStringView written);

const std::vector<DesignColumn<GroupRecord>>& gColumns315();
const std::vector<DesignColumn<FieldRecord>>& gColumns301();
const std::vector<DesignColumn<FieldRecord>>& gColumns302();
const std::vector<DesignColumn<FieldRecord>>& gColumns308();
// btyp and sequ (written), then sern and mscf (only read).
const std::vector<DesignColumn<SpecificCommandRecord>>& gColumns316();

// The column of that name, or nullptr.
template <typename Record>
const DesignColumn<Record>* gFindDesignColumn(const std::vector<DesignColumn<Record>>& columns,
                                              const QString& name)
{
    for (const DesignColumn<Record>& c : columns)
        if (QLatin1String(c.name) == name)
            return &c;
    return nullptr;
}

// ---- The form identity in query texts ------------------------------------------------

// True when every identity value can stand inside a query's key list and in the host's
// rows: none holds a quote (single or double), a brace or a control character, and none
// was read from bytes that are no text (gsUndecodableIdentity). Otherwise false with
// reason set to a log text that names the identity column and its value, *value (when
// given) to the value, control characters shown as "<XX>", and *message to the number
// of the message (kind 3) that says so. The start-up refuses a form that fails.
bool gbFormIdentityUsable(QString& reason, QString* value = nullptr, int32_t* message = nullptr);

// The query restriction to the current form by the table's first index:
// T._index1 = {'clan','cpac','vers','rele','cust','cmod','cfrm'}; with sequ other
// than 0 the sequence number follows as a bare number: ...,'cfrm',sequ}.
QString gsFormKeyWhere(const QString& table, int32_t sequ = 0);

// ---- Loading --------------------------------------------------------------------------
//
// Every table is read in blocks of the whole part of 4050 / record length rows (for the
// joined field query, the 301 and 308 lengths together), fetching again while a block
// comes back full. Rows that name a number outside the arrays, a slot that was already
// filled, or a field or group that was not loaded are passed over and logged; a slot
// that a row fills starts from a fresh record.

// The object set on qxzrn301 under which every load query runs; the start-up opens it.
extern int32_t glObjectSet301;

// The load of a whole form at start-up: groups (qxzrn315), fields (qxzrn301 joined with
// qxzrn308), input properties (qxzrn302), the main table's dictionary data, the domains,
// the form commands (qxzrn316) and their links to fields, with progress in the status
// bar and the record dump in the log.
//
// False, after telling the user, when the form identity cannot stand in a query, a
// query cannot be defined or a fetch fails. The arrays then hold part of the form:
// the start-up must end, so that nothing half-loaded is edited or saved over the host's
// rows.
bool gLoadDesignDefinitions();

// The qxzrn302 rows of every field (sequ 0) or of the field sequ alone. False, after a
// message, when the rows could not be read.
bool gLoadTable302(int32_t sequ);

// Reads the qxzrn316 rows of the form into gaSpecificCommands from index 1 (the array
// then ends with the last command loaded) and clears gbLoadCommands. Only commands of
// the kinds "session", "group" and "field" are kept. False, after a message, when the
// rows could not be read.
bool gLoadSpecificCommands();

// The most enum values one domain may bring into an "enum set" request that stays
// within 4050 characters: the whole part of (4050 - head) / value, where a value counts
// its description's closing Chr(1) too. The load sets glEnumsPerBuffer to it.
int32_t glEnumsPerRequest();

void resetDesignDefinitions();
