#pragma once
// What the other windows (the property dialog, the preview, the table-field picker)
// need of the main window. The main window implements it and hands it to the windows
// it makes; they never see the main window itself.
#include <QString>
#include <cstdint>

class NodeTree;
class TreeNode;

// ---- Window-level state that other windows read ----------------------------------

// False only while a command that moves nodes runs; the tree is shown again by the
// outermost caller.
extern bool gbTreeVisible;
extern bool gbPropertiesOpen;
extern bool gbPreviewOpen;
// View of the field node texts (0 to 7) and of the group node texts (0 or 1).
extern int16_t giFieldView;
extern int16_t giGroupView;

// Deepest group level under which a group may still be inserted.
inline constexpr int16_t kMaxGroupLevel = 20;
// Screen units of the stored placement and of the dialogs' designed sizes.
inline constexpr int kTwipsPerPixel = 15;

class MainWindowInterface {
public:
    // ---- The lock a dialog or the preview holds while it is open ----
    virtual bool isLocked() const = 0;
    virtual void mToggleEnablingPLM() = 0;

    // ---- Menu state ----
    // Enables the Edit and Move commands for the selected node.
    virtual void mSetMenuState() = 0;
    // The caption of a menu entry ("" for an unknown name).
    virtual QString menuCaption(const QString& name) const = 0;

    // ---- The form's tree and its selection ----
    virtual NodeTree& nodes() = 0;
    // Selects and shows the node of key; an "f_" key of a picture becomes "p_".
    virtual void SetFocusToNode(QString& sKey) = 0;
    // The main window activated with the focus in its tree.
    virtual void focusTree() = 0;

    // ---- Node texts ----
    virtual QString msFieldProps(int32_t index, const QString& sKey) = 0;
    virtual QString msGroupProps(int16_t index) = 0;
    virtual bool gbFieldIsPresent(int32_t index, TreeNode* node, bool bSingleOcc) = 0;

    // ---- Structure edits another window asks for ----
    // The selection field of a selection group follows its table.
    virtual bool bAddSelectionField(const QString& table) = 0;
    virtual bool bRenameSelectionField(const QString& oldTable, const QString& newTable) = 0;
    virtual bool bDeleteSelectionField(const QString& table) = 0;
    // Inserts the picker's entry of key at the tree's drop highlight.
    virtual void mMoveTableField(const QString& sKey) = 0;

protected:
    ~MainWindowInterface() = default;
};
