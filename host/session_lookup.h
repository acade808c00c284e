#pragma once
// What a look-up session of the local host offers: the rows of its table, with the
// row its start record names picked out, and the chosen row answered as a record of
// the table's data set.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct sqlite3;

namespace host {

struct LookUpTable {
    QString table;
    QStringList captions;      // of the columns shown
    QList<QStringList> rows;   // the shown values, in key order
    int start = -1;            // the row the start record names; -1 none
    // Every column of each row, for the answer.
    QList<QHash<QString, QString>> values;
};

// The rows of a host table that has a data set; nullopt for any other table. Shown
// are the key columns and the describing ones. The start record (the table's layout,
// key fields filled) picks the row that matches most of its leading key fields.
std::optional<LookUpTable> lookUpTable(sqlite3* db, const QString& table, const QString& startRecord,
                                       int32_t bytesPerChar);

// The record of row in the table's data set: the fields asked for (" ,"-separated
// codes; every field when none).
QString lookUpRecord(const LookUpTable& t, int row, const QString& fieldList, int32_t bytesPerChar);

} // namespace host
