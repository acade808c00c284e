#pragma once
// Handing out and taking back the records of gaGroups, gaFields and gaSpecificCommands
// while the form is edited, and small predicates on field records.
//
// Records are never removed while editing (a trailing form command that the host does
// not hold excepted): a deleted record stays in its slot with its id set to -1, and the
// next insert of its kind takes the lowest free slot again. gaFields is not grown while
// editing; it keeps the head room the load gave it. When the last free field slot, or
// the reserve of group slots, is taken, the user is told to restart and inserting stays
// switched off for the rest of the run (gbOutOfResources).
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class TreeNode;

// The table-field picker is shown.
extern bool gbTableFieldsOpen;

// The most live fields a form may hold: order numbers are 16-bit and renumbered in
// steps of 10, so 3,200 fields reach the 32,000 mark at which a full renumbering is due.
inline constexpr int32_t kMaxFormFields = 3200;

// The text shown when no record slot is left.
QString gsOutOfResourcesText();

// ---- Slots ---------------------------------------------------------------------------------

// The kinds of slot: Field and Picture (gaFields), Group (gaGroups), SpecificCommand
// (gaSpecificCommands). Each procedure below also takes the kind as its text: "field",
// "picture", "group" or "specificcommand"; another text is no kind.
enum class SlotKind { Field, Picture, Group, SpecificCommand };

// A field slot is free when its id is -1 or it lies above gnFieldCount.
bool gbIsFreeSlot(int32_t index, SlotKind kind);
bool gbIsFreeSlot(int32_t index, const QString& kind);

// For Group: whether the free group slots (1 to the upper bound) outnumber the used
// ones that are not virtual; used is set to that used count. False for other kinds.
bool gbEnoughFreeGroups(SlotKind kind, int32_t& used);
bool gbEnoughFreeGroups(const QString& kind, int32_t& used);

// Takes the lowest free slot of the kind: its index, -1 when there is none, 0 for an
// unknown kind. A field or picture slot is prepared for a record without an input-
// property row of its own (a row of the slot's former field is removed by the next
// store). Taking the last field slot, or a group slot that leaves no reserve, tells the
// user, sets gbOutOfResources, cancels the picker and switches the insert commands off.
int32_t glFindFreeSlot(SlotKind kind);
int32_t glFindFreeSlot(const QString& kind);

// A new record of the kind with its defaults and change marks. key is in/out: "0" asks
// for the root group (index 0); out, the new node key ("f_", "p_" or "g_" and the
// index). Returns the index; -1 when a field or picture cannot be added (no free slot,
// or the form holds kMaxFormFields live fields): the user is told, nothing is changed
// and key is left as it came. 0 for an unknown kind.
int32_t glNewItem(SlotKind kind, QString& key);
int32_t glNewItem(const QString& kind, QString& key);

// Number of live fields and pictures (ids not -1, 1 to gnFieldCount).
int32_t glLiveFieldCount();

// True when count more fields fit into the form. Otherwise false, after a message that
// says how many the form holds and what the limit is. The insert, paste and generate
// commands ask it before they add anything. With live, the number of live fields as the
// caller counted it.
bool gbRoomForFields(int32_t count);
bool gbRoomForFields(int32_t count, int32_t live);

// ---- Deleting -------------------------------------------------------------------------------

// Frees a record of the kind (Group, Field, SpecificCommand); nothing for others.
void gDeleteItem(SlotKind kind, int32_t index);
void gDeleteItem(const QString& kind, int32_t index);

// Frees gaFields(index). The host's rows stay until the next store deletes them. For a
// field whose rows exist in the host, the host is asked once whether technical
// documentation exists for the field's name; the answer is shared with every record of
// that name. When it exists, the documentation is queued for the next store, which
// deletes it inside its transaction when no field of that name is left in the form.
void gDeleteFieldRecord(int32_t index);

// Technical documentation queued by gDeleteFieldRecord: the trimmed field name and the
// key text of its qxzrn150 row.
struct DocuDelete {
    QString sFieldName;
    QString sKey;
};
const std::vector<DocuDelete>& gaDocuDeletes();
// Forgets the queue: after a successful store, and for a freshly loaded form.
void gClearDocuDeletes();

// ---- Predicates -------------------------------------------------------------------------------

// True, with position (from 1), when one of the first count 18-character entries of
// buffer, blanks trimmed, equals key.
bool gbFindInFixedList(const QString& key, const QString& buffer, int32_t count, int32_t& position);
// The field has a domain package or is a picture.
bool gbFieldHasDomainOrPicture(int32_t index);
// The field name begins with the main table code (true for every field without one).
bool gbIsMainTableField(int32_t index);
// The node has a previous sibling and it is a field or picture node.
bool gbPreviousIsField(const TreeNode* node);
// A form command is linked to the field (it is shown as a button).
bool gbFieldHasCommand(int32_t index);

// Back to the start of a run (tests).
// Scope of a run of group inserts that only makes virtual groups (the link rebuild):
// free slots are searched from where the last search stopped, and the free and used
// counts are kept as the run goes, so the run costs one pass over the groups, not one
// per insert. Groups may be deleted inside it; nothing else may free a group slot.
class GroupSlotBatch {
public:
    GroupSlotBatch();
    ~GroupSlotBatch();
    GroupSlotBatch(const GroupSlotBatch&) = delete;
    GroupSlotBatch& operator=(const GroupSlotBatch&) = delete;
};

// Scope of a run of field and picture inserts that takes the given free field slots
// (every one, rising) from the lowest on, with live fields in use before it, both
// counted by the caller in one pass: an insert then reads no other field. Nothing else
// may take or free a field slot inside it.
class FieldSlotBatch {
public:
    FieldSlotBatch(std::vector<int32_t> freeSlots, int32_t live);
    ~FieldSlotBatch();
    FieldSlotBatch(const FieldSlotBatch&) = delete;
    FieldSlotBatch& operator=(const FieldSlotBatch&) = delete;
};

void resetRecords();
