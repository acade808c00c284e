#pragma once
// The form's link structure. The tree of the main window is the master of order and
// nesting; the parent, sibling, child and first-field links of the group and field
// records are derived from it here, the fields' order numbers (nOmod) are kept
// strictly rising in tree order, and the links are checked against the tree.
//
// The link update compares the links and positions with the copies kept at load and
// at the last successful store, sets the change marks the store reads and re-attaches
// the form commands of deleted groups and fields.
#include <QString>
#include <cstdint>

class NodeTree;
class TreeNode;

// ---- The form's tree -------------------------------------------------------------------

// The main window's tree of the form (tvwGroups); the main window and the tests set it.
// With no tree set the rebuild and the tree checks do nothing.
void gsetMainTree(NodeTree* tree);
NodeTree* gMainTree();

// ---- Link rebuild ----------------------------------------------------------------------

// Frees the virtual groups, loads the form commands when they are due, renumbers the
// fields in tree order, rebuilds every group and field link from the root node "g_0"
// (making a virtual group for each run of fields in a group that also holds subgroups)
// and checks the links, showing each inconsistency in a message box.
void gRebuildPointers();

// True when the links are as the last rebuild made them from the main tree: no node
// has been added, moved or removed since.
bool gbLinksCurrent();

// The links after top was added with everything below it (a paste), wereCurrent telling
// gbLinksCurrent() before: exactly what gRebuildPointers() makes of the form with the
// added fields as new ones (nOmod 0), order numbers, id map, links, virtual groups and
// change marks alike. From current links, when the rebuild can be shown to change
// nothing outside top's parent but the added fields' numbers (no other field
// renumbered, no virtual group made or taken away), only that part is linked again;
// otherwise (stale links, other fields to renumber, top at the root, form commands
// due) the full rebuild runs. Current links are links as the rebuild made them: no
// node added, moved or removed since, and no order number or link written but by the
// paste.
void gLinkAddedNodes(TreeNode* top, bool wereCurrent);

// The id map rebuilt in tree order and the order numbers repaired so that they rise
// strictly: new fields (nOmod 0) get the highest number seen so far plus 10. Sets
// gbRecomputeLinks when the numbers pass 32000.
void gRenumberFields();

// Links of the children of node (the root "g_0" at level 0), recursively.
void gRebuildGroupLinks(TreeNode* node, int16_t level);

// Checks every link below node against the tree; one message box per inconsistency.
// Returns the number of inconsistencies found.
int32_t gCheckLinks(TreeNode* node);

// Re-attaches to the form the commands whose group or field was deleted, follows the
// order numbers of the fields the others are attached to, and marks the commands whose
// link differs from what is stored.
void gRelinkSpecificCommands();

// ---- Checks before saving ----------------------------------------------------------------

// False when two selection groups share a parent table; every such pair goes to the
// error list ("plqx0152").
bool gbCheckSelectionGroups();
// False at the first group marked repeating that may not repeat; listed ("plqx0138")
// when it is not the first child of its parent.
bool gbCheckRepeatingGroups();
// False, with a message, at the first used field standing beyond column 255.
bool gbCheckFieldPositions();

// ---- Change tracking and link update ---------------------------------------------------

// Brings the links up to date with the tree (fully renumbering when due or when most
// fields are marked anyway), sets the change marks by comparing with the stored copies,
// logs each difference and re-attaches the form commands. Nothing while
// gbSuspendLinkUpdate is set.
void gUpdatePointers();

// The comparisons with the stored copies: marks, gbFormChanged and a log line for
// every member that differs.
void gDetectFieldChanges();
void gDetectGroupChanges();

// Forgets the tree (tests).
void resetPointers();
