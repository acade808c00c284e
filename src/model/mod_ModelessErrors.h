#pragma once
// The entries of the error list that the save-time structure checks fill, and the
// placement rule of repeating groups that those checks and the property dialog share.
//
// The list window shows the entries; until it is up they are only kept here. Each
// entry is tied to the tree node it is about, so that the window can select it.
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class TreeNode;

struct ModelessErrorEntry {
    QString sCode;     // host message code, e.g. "plqx0152"
    QString sText;     // the host message with the three parameters put in
    QString sNodeKey;  // key of the tree node the entry is about
};

// Adds the host message of code, with first, second and third put in, tied to key,
// and asks the list window to show itself. True when the host had a text for the code
// (the entry is added either way, with the code as its text otherwise).
bool gbShowModelessMessage(const QString& code, const QString& first, const QString& second, const QString& third,
                           const QString& key);

// The entries in the order they were added.
const std::vector<ModelessErrorEntry>& gModelessErrors();
// Empties the list (a new round of checks starts).
void gClearModelessErrors();
// Counts the emptyings, so that a window can tell a list emptied and filled again
// from one that only grew.
uint32_t gModelessErrorsRound();

// Called after each added entry; the list window installs it to show itself docked
// beside the main window. Unset, entries are only kept.
void gSetModelessErrorsShow(std::function<void()> show);

// Reasons gbRepeatingGroupAllowed gives with False.
enum : int16_t {
    RepeatOutOfPlace = 1,       // no group node below the form, or inside a repeating group
    RepeatNotFirstChild = 2,   // not the first child of its parent node
    RepeatHoldsRepeating = 3,  // a group below it repeats already
};

// True when the group of node may be a repeating group by its place in the tree: it
// is the first child of its parent node, no group above it repeats and none below it
// does. Otherwise False with reason set; text is "" for RepeatNotFirstChild, else the
// frame text (or number) of the group that is in the way. node is a node of the form's
// tree (key "g_" and the group's index).
bool gbRepeatingGroupAllowed(const TreeNode* node, QString& text, int16_t& reason);

void resetModelessErrors();
