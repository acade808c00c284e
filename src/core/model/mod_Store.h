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

// Walks the whole form into the update set and commits it. True when the host took
// the set; the model is then marked stored. False at the first record that could not
// go into the set (an automatic or an explicit send failed, a record too long for the
// set, a refused input-property call, an object set that could not be opened) or when
// the commit failed.
//
// Refused before any row is written, with gsStoreRefusal telling why: a value the host
// could not give back in the width of its column (nothing is sent), or a form whose
// group and field rows in the host no longer exist and link as this session read or
// last stored them (another session stored it meanwhile; checked inside the set's
// transaction, which the set's head opens). A set the host could not write because
// another program held its database is not stored either, with gsStoreRefusal saying
// so instead of a box of the set's own.
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

void resetStore();
