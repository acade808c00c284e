#pragma once
// The batched update set: the editor's inserts, updates and deletes of design rows,
// sent in parts by "execute.velq.set(" and applied in the open host transaction.
//
// A part is a run of set records, each: a kind letter, two lengths and the object-set
// number in three digits each, then the record's text of the length the kind says
// (lengths count characters once the doubled quotes of the call text are undone):
//
//   f  the form-key prefix; upper-case kinds that follow leave it out of their texts
//   I  insert, text = record after the prefix          i  insert, text = record
//   D  delete, text = key after the prefix             d  delete, text = key
//   V  update, text = record after the prefix; the key is its first length
//   v  update, text = record; the key is its first length
//   u  update, text = key (first length) followed by record (second length)
//
// Key and record texts are design texts: "name", value, "name", value, ... with
// values a quoted text (quotes inside doubled) or a whole number. The prefix of a set
// carries on into later parts that bring no "f" record of their own.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace host {

class HostDatabase;

// Answers of a part that failed; the whole open transaction has been rolled back.
inline constexpr int32_t kSetMalformed = -401;     // a record or a design text not as laid out
inline constexpr int32_t kSetUnknownTable = -402;  // object set not open, or its table not written by sets
inline constexpr int32_t kSetBadColumn = -403;     // unknown column, wrong key, value of the wrong kind
inline constexpr int32_t kSetRefused = -404;       // the database refused a row
inline constexpr int32_t kSetBusy = -405;          // another connection holds the lock the part needs
inline constexpr int32_t kSetCannotWrite = -406;   // the user may not write the file or its folder
inline constexpr int32_t kSetDiskFull = -407;      // no room left on the disk
inline constexpr int32_t kSetDiskError = -408;     // the disk failed, or the file is damaged

namespace updateset {

struct DesignValue {
    bool isNumber = false;
    QString text;  // quotes undone
    int64_t number = 0;
    bool operator==(const DesignValue&) const = default;
};

struct DesignPair {
    QString name;
    DesignValue value;
};

// nullopt, with the reason, for a text that is not a flat list of name/value pairs.
std::optional<std::vector<DesignPair>> parseDesignText(const QString& text, QString* error = nullptr);

enum class Action { Insert, Delete, Update };

struct SetRecord {
    Action action = Action::Insert;
    QChar kind;
    int objectSet = 0;
    QString key;     // whole texts, the prefix put back; key empty for an insert,
    QString record;  // record empty for a delete
};

// The records of one part. prefix is the prefix in force before the part and, on
// success, after it. nullopt, with the reason, when the part is not well formed.
std::optional<std::vector<SetRecord>> parseSetText(const QString& text, std::optional<QString>& prefix,
                                                   QString* error = nullptr);

// The tables a set may write and the columns that name one of their rows.
struct WritableTable {
    QString table;
    std::vector<QString> keyColumns;
};
const std::vector<WritableTable>& writableTables();

} // namespace updateset

// Applies one part: mode 0, more parts follow; mode 1, the last part, which commits.
// Returns 0, or one of the answers above after rolling back (why in *error, with
// SQLite's own words where it refused). What the
// parts of a set read and prepare is kept for its later parts (HostSession::setCache).
int32_t applyUpdateSetPart(HostDatabase& db, const QString& text, int64_t mode, QString* error = nullptr);

} // namespace host
