#pragma once
// Storing the form in the host: groups (qxzrn315), fields (qxzrn301, qxzrn302,
// qxzrn308), the technical documentation of removed fields (qxzrn150) and the form
// commands (qxzrn316), as one batched update set in one host transaction.
//
// Each record decides from its marks whether its rows are deleted, inserted, updated
// or left alone. Before the commit only the exists-in-host marks change (and, for a
// field given an input-property row, bHas302Row); everything else - change marks,
// stored copies, the loaded form version - changes only once the host took the whole
// set. A store that fails leaves the transaction open: the caller aborts it and then
// restores the marks (gbAbortStore does both).
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

struct FieldRecord;
struct SpecificCommandRecord;

// Walks the whole form into the update set and commits it. True when the host took
// the set; the model is then marked stored. False at the first record that could not
// go into the set (an automatic or an explicit send failed, a record too long for the
// set, a refused input-property call, an object set that could not be opened) or when
// the commit failed.
//
// Refused before any row is written, with gsStoreRefusal telling why: values the host
// could not give back in the widths of their columns (all of them listed; nothing is
// sent), or a form whose
// group and field rows in the host no longer exist and link as this session read or
// last stored them (another session stored it meanwhile; checked inside the set's
// transaction, which the set's head opens). A set the host's database could not take
// (another program held it, it cannot be written, its disk is full or failed) is not
// stored either, with gsStoreRefusal saying why instead of a box of the set's own.
bool gbStoreDesignDefinitions();
// A sentence for the user; empty unless the last store was refused as above.
const QString& gsStoreRefusal();

// The three walks, each true when every record of its kind was handled; object-set
// numbers of their tables.
bool mbStoreGroupDefinitions(int32_t& set315);
bool mbStoreFieldDefinitions(int32_t& set301, int32_t& set302, int32_t& set308);
bool mbStoreSpecificCommands(int32_t& set316);
// Deletes the queued technical documentation of fields whose name has left the form;
// opens the qxzrn150 object set (set150 stays 0 when nothing is to be deleted).
bool mbStoreDocuDeletes(int32_t& set150);

// After a failed store and the abort of its transaction: every mark the store changed
// goes back to what it was before the store (bExistsInHost of the records whose
// bExistsToggled is set, and bHas302Row of the fields it gave a row). Only the last
// store's changes are undone, and only once.
void gRestoreExistsMarks();

// Aborts the host transaction of a failed store and, when the host carried the abort
// out, restores the marks. False when the abort call failed (the marks then stay).
bool gbAbortStore();

// ---- Values the host could not keep ---------------------------------------------------------
//
// The host keeps each column in a fixed width: a text longer than it, or a number of
// more digits, would come back cut short, as another number or breaking the read of
// the whole form. The store refuses such values; a paste asks the same before it keeps
// what it added.

// One value too wide for its column.
struct UnfitValue {
    QString node;      // the record's kind and its text as the tree shows it
    QString property;  // the property dialog's caption of the column, else table.column
    QString table;
    QString column;
    QString value;     // a text without its quotes, a long one cut short
    int32_t width;     // characters the column keeps
    QString position;  // a position the layout computes: what leads to it; else empty
};

// Which rows of a field are asked: those its change marks send, or all three.
enum class FitRows { Changed, All };

// Collects the unfit values of records, by the columns and widths the store writes
// with (columns the form version lacks are not written and not asked).
class FitCheck {
public:
    FitCheck();
    ~FitCheck();
    void group(int32_t index);  // its qxzrn315 row
    void field(const FieldRecord& field, FitRows rows);
    void command(const SpecificCommandRecord& command);
    const std::vector<UnfitValue>& values() const { return m_values; }

private:
    struct Widths;
    std::shared_ptr<const Widths> m_widths;
    std::vector<UnfitValue> m_values;
};

// The most values a message lists; the rest are counted.
inline constexpr int32_t kShownUnfitValues = 20;

// A text for the user: a line for each value, at most shown of them.
QString gsUnfitValuesText(const std::vector<UnfitValue>& values, size_t shown = size_t(kShownUnfitValues));

void resetStore();
