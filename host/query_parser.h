#pragma once
// The query language of the host's remote queries, read into a structure. This is
// the form only: whether the tables, columns, references and indexes exist is for
// the query engine to check against the database.
//
//   select  T.col, T.col, ...                     (blanks around the commas optional)
//   from    T   or   T1, T2
//   where   [T1.ref REFERS TO T2 [AND]] [T._indexK = {'v1','v2',...,N}]   or nothing
//   order   T.col   or nothing
//
// Names are letters, digits and "_" and are read in lower case; the words REFERS, TO
// and AND in any case. A key value is a text in single quotes (which cannot hold a
// single quote) or a whole number written bare. Anything else is an error.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace host::query {

struct ColumnName {
    QString table;
    QString column;
    bool operator==(const ColumnName&) const = default;
};

struct KeyValue {
    bool isNumber = false;
    QString text;        // a quoted value, as written
    int64_t number = 0;  // a bare value
    bool operator==(const KeyValue&) const = default;
};

// T._indexK = {...}: the leading columns of index K of table T equal the values.
struct IndexMatch {
    QString table;
    int index = 0;
    std::vector<KeyValue> values;
};

// T1.ref REFERS TO T2: each row of T1 with the row of T2 its reference names.
struct Reference {
    QString table;
    QString name;
    QString target;
};

struct QueryText {
    std::vector<ColumnName> select;
    std::vector<QString> from;
    std::optional<Reference> reference;
    std::optional<IndexMatch> match;
    std::optional<ColumnName> order;
};

// nullopt, with the reason in error, when any of the four texts is not of its form.
std::optional<QueryText> parseQuery(const QString& select, const QString& from, const QString& where,
                                    const QString& order, QString* error = nullptr);

} // namespace host::query
