#pragma once
// Copy and paste of a group or field with everything below it through the clipboard,
// and the debug view that shows the same text as a numbered XML file with a stylesheet.
// The text is told in exchange/StructureXml.h.
//
// A paste reads and checks the whole clipboard text before it touches the form, then
// checks the place and the free record slots, and only then takes records. The main
// window adds their nodes (mPasteGroups, mPasteFields); the links are made from the
// tree afterwards (only below the new nodes' parent when they were current before).
// A paste either adds the whole structure or changes nothing: every refusal shows one
// message, and a failure after records were taken gives them back.
#include <QString>
#include <cstdint>
#include <functional>

class TreeNode;
struct StructureText;

// What a paste needs of the main window, which installs it. Without one, nothing can
// be pasted.
struct PasteTarget {
    // The main window's paste procedures: the nodes of the first pasted group or field
    // and everything below it, added at the tree's selection.
    std::function<void(int32_t lGroup)> mPasteGroups;
    std::function<void(int32_t lField, bool bHidden)> mPasteFields;
    std::function<bool(const TreeNode* node)> bIsFollowUpPlaceAllowed;
    // Sets gbTreeVisible and the tree's Visible; returns the flag as it was. The paste
    // hides the tree while it adds nodes and restores it after.
    std::function<bool(bool visible)> showTree;
    // The deepest group level.
    int16_t maxGroupLevel = 0;
};
void gSetPasteTarget(PasteTarget target);

// The debug view's XSL file was written in this run (it is written once a run).
extern bool gbXslWritten;
// Number of the last debug file written ("plm" & number & ".xml").
extern int32_t gnCopyFileNr;

// Writes the node's group or field with everything below it: to the clipboard when
// bToClipboard, else as the next numbered debug file in the base folder's tmp folder
// (the XSL file first, once a run). False, after a message, when there is nothing to
// copy, a text cannot be written (a control character) or the file cannot be saved;
// the clipboard is then as it was.
bool gCopyStructure(const TreeNode* node, bool bToClipboard);

// Pastes the clipboard's structure at node (normally the tree's selected node):
//   - a group goes where Insert Group puts one (last under the root, after a group,
//     after the group-level field of a selected field);
//   - a field goes last under the root or a group, or right after a selected field.
// The records get labels, domains, enums and the main table's data of the form pasted
// into; members its form version lacks stay at their defaults. Refused, with one
// message and nothing changed: open mode "r", no target, a text that is not a sound
// structure text, a place where the structure may not go, more fields or groups than
// the form has free slots, values that the host could not keep in their columns (the
// store's own check, on the new records and on the positions the layout gives the
// form with them; every such value is listed). The form is laid out for that only
// when the reach of its records shows that a position could pass its column. Sets
// gbFormChanged when something was pasted.
bool gPasteStructure(TreeNode* node);

// The checks of a paste at node before it takes anything: the text read and checked
// into s, the place, the free slots. Nothing of the form is changed. False with why
// (empty when a message was shown already).
bool gbCheckPaste(const TreeNode* node, const QString& text, StructureText& s, QString& why);

// True when the clipboard holds a structure text of this editor.
bool gbClipboardHasStructure();

// The debug view of the node: gCopyStructure to the next debug file, which the
// desktop's viewer then opens. False, after a message, when it could not be shown.
bool gbShowDebugView(const TreeNode* node);

// The folder of the debug files and the path of the debug file of a number.
QString gsDebugFolder();
QString gsDebugFile(int32_t nr);

// At exit: when the XSL file was written, removes it and every numbered debug file of
// the folder (nothing else, nothing outside it) and clears gbXslWritten.
void gRemoveDebugFiles();

// Forgets the target and the debug-file state (tests).
void resetStructureExchange();
