#pragma once
// The clean-up pass and the structure checks that File, Save runs over the form's tree
// (gMainTree) and the records before it stores the form. Each error found goes to the
// error list (gbShowModelessMessage) with a host message code, up to three texts and
// the key of the tree node concerned; the user then decides whether to store anyway.
//
// Children of a node are visited in tree order; a node's record index is the number
// after its key's prefix ("g_", "f_", "p_").
#include <cstdint>

class TreeNode;

// Clears marks that no longer fit the field's place, over every node below node: a
// linked constant on a field whose parent field is not an option set, and the
// dependent mark of a field that stands in a group. A cleared mark marks the field and
// the form changed.
void mResetStaleFieldMarks(const TreeNode* node);

// Runs every check below node (the form's root "g_0" adds the tab-page checks). ok is
// True only when no entry was added to the error list; a check that fails always
// leaves at least one entry naming a node.
void mCheckStructure(const TreeNode* node, bool& ok);

// ---- The single checks; each sets ok False when it lists an entry ----

// Tab pages (the root's bNewPage): a run of fields standing among the pages, or a
// page without label in single occurrence.
void mCheckTabPages(bool& ok);
// Below node: groups placed beside others that hold subgroups in a multi-column
// parent, and option sets with double values or options that are not simple.
void mCheckGroupsRecursive(const TreeNode* node, bool& ok);
// False when two option values of the option set fieldIndex (its node node) are equal.
bool mbOptionValuesUnique(int32_t fieldIndex, const TreeNode* node);
// False when an option below the option-set node has more than one follow-up field on
// a level, a label above it, more than one line or is a picture.
bool mbOptionChildrenSimple(const TreeNode* node);
// The same input field (name and element) twice in one group in the same occurrence
// view. Only for forms whose version supports it.
void mCheckDoubleInputFields(bool& ok);
