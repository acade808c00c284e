#pragma once
// The data-dictionary fields of the form's main table and of the tables its fields
// refer to, as entries of gaTableFields: what the table-field picker lists and what
// the property dialog reads a reference table from. Entries are only appended; entry
// 0 is never used.
#include <QString>
#include <cstdint>
#include <functional>

// The version, release and customer in which the main table exists, set by the load
// of the main table's fields.
extern QString gsTableVersion;
extern QString gsTableRelease;
extern QString gsTableCustomer;
// The main table's fields have been loaded in this run.
extern bool gbTableFieldsLoaded;

// The most entries the list holds: entry numbers are 16-bit.
inline constexpr int32_t kMaxTableFieldEntries = 32767;

// Told of every entry appended, by its index, in order once the table is read (the
// picker adds its node).
using TableFieldAdded = std::function<void(int32_t entry)>;

// Appends the fields of one table (tableCode: package 2, module 3, number 3) from
// nextEntry on; nextEntry comes back one past the last entry written. Expanding, the
// table is the one parentEntry refers to: its referenced key field, its inactive fields
// and the parts of a combined parent are left out. An array field gives one entry per
// element. A field whose domain is a multi-line text refers to no table (its domain is
// asked of the host when it is not known yet). Returns the number of entries appended;
// nothing is appended when the query cannot run (no row fits into a fetch) or the list
// is full. The list keeps head room: once fewer than 400 entries are left after a load
// it grows by 500.
int32_t glLoadTableFieldsFields(const QString& tableCode, bool expanding, int32_t parentEntry, int32_t& nextEntry,
                                const TableFieldAdded& added = {});

// The main table's fields from entry 1: gnTableFieldCount and the table's version are
// set, and gbTableFieldsLoaded. Labels are not filled here.
void gLoadTableFields(const TableFieldAdded& added = {});

// The reference table (package, module, number) of the main-table field named
// fieldName ("table.field" or "field"); false when the field is not in the list or
// refers to no table. Loads the list first when this run has not.
bool gbTableFieldReference(const QString& fieldName, QString& package, QString& module, QString& number);

void resetTableFields();
