#pragma once
// The main window: the program's start-up object, the form's tree with its node
// texts, the commands of the menus and the toolbar (MainWindowActions holds the
// entries, the buttons and their states), the status bar.
#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

#include "MainWindowActions.h"
#include "MainWindowImages.h"
#include "MainWindowInterface.h"

class NodeTree;
class NodeTreeWidget;
class QLabel;
class QStatusBar;
class QToolBar;
class TreeNode;

// The node added last by a tree fill or an insert. Cleared when its node goes from a
// tree that watchLastNode() watches (the main tree and the picker's).
extern TreeNode* goLastNode;
void watchLastNode(NodeTree& tree);

// Exit status of a start-up that was refused or failed.
inline constexpr int kStartupFailed = 1;
// Exit status of an unattended run (open modes "a" and "i") whose save failed or
// left changes unsaved.
inline constexpr int kUnattendedSaveFailed = 2;

class frm_Palimor : public QMainWindow, public MainWindowInterface {
    Q_OBJECT
public:
    explicit frm_Palimor(QWidget* parent = nullptr);
    ~frm_Palimor() override;

    // ---- Controls ----
    NodeTreeWidget* tvwGroups = nullptr;
    QToolBar* Toolbar1 = nullptr;
    QStatusBar* SBarEditor = nullptr;
    QLabel* SBarPanel1 = nullptr;  // panel 1 of the status bar
    ImageList imglstTreeView;

    // The form's tree (tvwGroups' nodes), shared with the form model.
    NodeTree& nodes() override { return *m_tree; }

    // The menu entries, the toolbar's buttons and their states.
    MainWindowActions& actions() const { return *m_actions; }

    // ---- Start-up ----
    // Runs the whole start-up. Ends the program itself when start-up fails.
    void Form_Load();
    // Whether Form_Load lets the shown window paint itself before the load runs: the
    // program's start turns it on. Tests that start the window again and again in one
    // process on the offscreen platform leave it off: there an event turn before the
    // property dialog opens keeps the dialog from being shown.
    void setPaintBeforeLoad(bool paint) { m_paintBeforeLoad = paint; }
    void mInitializePLM();
    void Form_GotFocus();
    void mSetHelpFile();
    static bool mbFileExists(const QString& path);

    // ---- Save, save-and-exit and exit ----
    // File, Save: alignment and link update, structure checks with the error list and
    // its question, position check, the store in one host transaction (aborted, with
    // the exists marks restored, when it fails) and the dump request.
    void mnuFSave_Click();
    // Saves and exits when nothing is left unsaved and the save was not stopped.
    void mnuFSaveExit_Click();
    // File, Exit: asks about unsaved changes (Yes saves, No discards, Cancel stays),
    // removes the temporary files, closes the object set, unloads the other windows,
    // writes the placement back (not in modes "a" and "i"), closes the host link and
    // ends the program. Returns only when the window stays.
    void mnuFExit_Click();
    void mRemoveTempFiles();
    // cancel 1 keeps the window. unloadMode: 0 close box or system menu, 1 by code,
    // 2 the session ends, 3 the task manager.
    void Form_QueryUnload(int16_t& cancel, int16_t unloadMode);
    // Closes the host link and ends the program with status.
    [[noreturn]] void Form_Unload(int status);

    // Window-level state of the save.
    bool bAlignmentDone() const { return m_alignmentDone; }
    bool bSaveCancelled() const { return m_saveCancelled; }
    bool bErrorsShown() const { return m_errorsShown; }

    // ---- The tree ----
    void mFillTreeAndSelect();
    void mFillGroups(int32_t lGroup);
    void mFillFields(int32_t lField);
    void mPasteGroups(int32_t lGroup);
    void mPasteFields(int32_t lField, bool bHidden);
    void mPlaceSubGroupNodes(int32_t lGroup);
    int16_t lGetFirstGroupField(int32_t lGroup);
    void mFillImageList();
    // Selects and shows the node of key; an "f_" key of a picture becomes "p_".
    void SetFocusToNode(QString& sKey) override;
    // Add the node of a record relative to the selected node. An existing record gets
    // its node (false: free slot, key in use). Index -1 makes a new record first (a
    // field, a picture, a group; the root in an empty tree), -2 the selection field of
    // table name placed before the selected group; index then holds the new record.
    // A new record is refused (false, nothing made) without a selected node or a
    // free slot.
    bool mbInsertField(int32_t& index, const QString& name);
    bool mbInsertPicture(int32_t& index);
    bool mbInsertGroup(int32_t& index);
    // The field nodes named "actual.occ" and their records go after the fill.
    void mRemoveObsoleteFields();
    void mDeleteFieldNode(const QString& key);

    // ---- Node texts and views ----
    QString msFieldProps(int32_t index, const QString& sKey) override;
    QString msGroupProps(int16_t index) override;
    QString msDefaultFieldName(int32_t index);
    bool gbFieldIsPresent(int32_t index, TreeNode* node, bool bSingleOcc) override;
    bool bIsGroupInDetailsRecursive(int16_t g);
    bool bIsGroupInOverviewRecursive(int16_t g);
    void mSetPropertyView(bool bField, int16_t view);
    void mRefreshNodeTexts(bool bFields, bool bRewrite);
    void SetLabels(TreeNode* node);
    void mnuVDefault_Click();
    void mnuVGeneral_Click();
    void mnuVLabel_Click();
    void mnuVPosition_Click();
    void mnuVDisplay_Click();
    void mnuVMiscellaneous_Click();
    void mnuVZoom_Click();
    void mnuVEnums_Click();
    void mnuVDefGrpProps_Click();
    void mnuVExtGrpProps_Click();

    // ---- Tree order and move primitives ----
    void mMoveToDropHighlight();
    void mMoveNodeDown();
    void mMoveNodeUp();
    int32_t lSiblingPosition(const TreeNode* node) const;
    bool bIsInSubtree(const QString& ancestorKey, const QString& key) const;
    bool bIsFollowUpPlaceAllowed(const TreeNode* node) const;
    bool bIsChildPlaceAllowed(const TreeNode* node, int16_t count) const;
    // bNoSeparateLabels is the generate dialog's choice of labels in the field names.
    void mSortGeneratedFieldNode(TreeNode* parent, const QString& list, int16_t n, bool bNoSeparateLabels = false);
    // The selected node becomes the last child of its previous sibling.
    void mMoveRight();

    // ---- Structure editing: insert, delete, selection fields, moves ----
    // The commands do nothing in open mode "r" and while the window is locked.
    void mnuEInsertField_Click();
    void mInsertPictureAtSelection();
    void mnuEInsertGroup_Click();
    // A new field from picker entry pickerKey ("t_" and the entry; empty for a free
    // label) placed by relationship (2 next, 4 child) to the node relativeKey.
    // fromField: the "from" field of a range, else the "to" field (forms without a
    // main table); textField: the check box that goes with a field; hidden: hidden at
    // first and not in single occurrence. True when the field was inserted.
    bool mbInsertTableField(int16_t& relationship, const QString& relativeKey, const QString& pickerKey,
                            const QString& pickerText, const QString& pickerImage, bool fromField, bool textField,
                            bool showMessage, bool hidden, bool bNoSeparateLabels = false);
    void mnuEDelete_Click();
    // Deletes the selected node and everything below it after the user's confirmation.
    void mDeleteSelectedNode();
    // Frees the records of a group node and of everything below it; the node stays.
    void mDeleteGroupNode(const QString& key);
    // The selection field "sel.use." and table of a selection group. The property
    // dialog calls them while it holds the window locked: only open mode "r" refuses.
    bool bAddSelectionField(const QString& table) override;
    bool bRenameSelectionField(const QString& oldTable, const QString& newTable) override;
    bool bDeleteSelectionField(const QString& table) override;
    bool bFieldNameExists(const QString& name) const;
    void mnuMUp_Click();
    void mnuMDown_Click();
    void mnuMLeft_Click();
    void mnuMRight_Click();
    void mMoveUp();
    void mMoveDown();
    void mMoveLeft();
    // Groups aligned to the group of key fall back to their default alignment.
    void mResetAlignmentReferences(const QString& key);

    // ---- Edit menu: cut, copy and paste ----
    // Sets Cut, Copy and Paste as the Edit menu opens.
    void mnuEdit_Click();
    void mnuECopy_Click();
    // Copy, then Delete with its question; a failed copy removes nothing.
    void mnuECut_Click();
    void mnuEPaste_Click();

    // ---- Menu and toolbar state ----
    void mSetMenuState() override;
    QString menuCaption(const QString& name) const override;

    // ---- Window layout and the dialog lock ----
    void mResetControlPositions();
    void mToggleEnablingPLM() override;
    bool isLocked() const override { return m_locked; }
    void focusTree() override;
    // Opens the property dialog on the selected node, the window locked meanwhile.
    void mShowProperties();
    void mnuEProperties_Click();
    void mScrollInView();

    // ---- Preview ----
    // Locks the main window and shows the preview (made on first use), built anew.
    void mShowPreview();
    // Options, Preview in single and in multi occurrence: the layout, the warning for
    // virtual tab pages, the preview.
    void mnuOPreview_Click();
    void mnuOPreviewMO_Click();

    // ---- Toolbar and help ----
    void Toolbar1_ButtonClick(const QString& key);
    void mnuHContents_Click();
    void mnuHGlossary_Click();
    void mnuHSearch_Click();
    void mnuHAbout_Click();

    // The tree control's Visible. While hidden the view follows a few node changes and
    // lets go of a longer batch, which costs no redrawing; showing it then rebuilds it.
    void setTreeVisible(bool visible);
    bool treeVisible() const { return m_treeShown; }

    // The name a new label field gets.
    const QString& labelFieldName() const { return m_labelFieldName; }

    // Placement kept while the window is in normal state, in twips.
    struct Placement {
        int32_t state = 0;
        int32_t top = 0, left = 0, width = 0, height = 0;
    };
    const Placement& savedPlacement() const { return m_placement; }

    // ---- Running the form in the host, the Tools menu, the style guide ----
    void mnuOSO_Click();
    void mnuOMO_Click();
    // Brings the form up to date (alignment and position check unless just done),
    // offers to save a changed form (Cancel, or a save that leaves it changed, stops),
    // warns when the host cannot check the version to run, and starts the form's
    // session: mode 0 multi, 1 single occurrence. Read-only starts the form as stored.
    // The form identity is never changed by the host's answers.
    void mStartFormInHost(bool bMultiOcc);
    void mnuESep1_Click();
    void mnuESep2_Click();
    // Host sessions on the form, its session and its main table, each with the key of
    // its object as start record; the script editor for the program script.
    void mnu_Tcmd_Click();
    void mnu_Tdal_Click();
    void mnu_Tfrm_Click();
    void mnu_Tind_Click();
    void mnu_Tprs_Click();
    void mnu_Tscr_Click();
    void mnu_Tses_Click();
    void mnu_Tstc_Click();
    void mnu_Tvtd_Click();
    // The style guide: the help folder "HELP/styleguide" under the base directory.
    void mnuHStyle_Click();

    // ---- Mouse and drag and drop in the tree ----
    // Nothing is dragged or dropped, and no shortcut edits, in open mode "r" or while the
    // window is locked.
    // The node under pos becomes the selected item and the drop highlight.
    void tvwGroups_MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, const QPoint& pos);
    // Whether the drag of node, pressed with Button, starts: the left button, never the
    // form's own node. Records the drag's keys.
    bool tvwGroups_MouseMove(Qt::MouseButton Button, TreeNode* node);
    // The right button opens the Edit menu at pos (global) with Properties as its default.
    void tvwGroups_MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, const QPoint& pos);
    void tvwGroups_NodeClick(TreeNode* Node);
    void tvwGroups_Collapse(TreeNode* Node);
    void tvwGroups_Expand(TreeNode* Node);
    void tvwGroups_GotFocus();
    // Enter does nothing in the tree: true when the key is swallowed.
    bool tvwGroups_KeyPress(int KeyAscii);
    // A drag of key from the tree named source over pos of the tree's viewport: the
    // target is drop-highlighted when a drop there may land (true); near the top and
    // bottom edges the highlight is scrolled into view.
    bool tvwGroups_DragOver(const QString& source, const QString& key, const QPoint& pos);
    // Drops key from the tree named source at the drop highlight: a node of this tree
    // moves there, a picker entry becomes a new field there.
    void tvwGroups_DragDrop(const QString& source, const QString& key);
    // The Edit menu as a pop-up at pos (global), Properties its default entry.
    void mShowEditPopup(const QPoint& pos);
    const QString& dragKey() const { return msDragKey; }

    // ---- Keyboard ----
    // A key pressed in the window, before its control sees it. KeyCode is the key (the
    // digit, not the symbol Shift puts on it); Shift the bits 1 Shift, 2 Ctrl, 4 Alt.
    // KeyCode comes back 0 when the key was used up.
    void Form_KeyDown(int& KeyCode, int16_t Shift);

    // ---- Table fields: the picker, generating a form, the form-code dialog ----
    // Insert, One Table Field: the picker (loaded on first use) shown beside the window.
    void mnuOOneTableField_Click();
    // Inserts the picker's entry of key at the tree's drop highlight, as a drop of it
    // from the picker does. Nothing while the window is locked or read-only.
    void mMoveTableField(const QString& sKey) override;
    // The drop of the picker's selected entry on the node of targetKey: into a group
    // as its last child, under the reference field the entry was expanded from, after
    // a field, or under a field that takes no follower.
    void mDropFromTableFields(const QString& targetKey);
    // Replaces the form's groups and fields by ones generated from the picker's
    // top-level entries: the index fields in group 1, the others in group 2 (with a
    // session table), or the index fields as ranges (without one). Stops with the form
    // unchanged when the picker lists nothing, or in start mode 4 without the yes/no
    // domain the attachment fields need.
    void mGenerateForm();
    // The picker's top-level entries not yet in the form, last into the root group,
    // hidden at first.
    void mInsertPickedTableFields();
    // The fields shown only in single occurrence copied, with their follow-ups, to the
    // end of the root group.
    void mCopyOneViewFields();
    // Insert, Generate Form: the question, the form-code dialog when there is no
    // session table, the generation, the node texts and the root selected.
    void mnuOGenerateForm_Click();
    // The form-code dialog's answers: labels on the field's own line (its check box
    // not ticked), and OK with a table the host knows.
    bool bNoSeparateLabels = false;
    bool bTableCodeOk = false;

private:
    void registerGenerateHandlers();
    // The picker follows the window: hidden while it is minimised, shown again on restore.
    void mShowTableFieldsWithWindow();
    // After fields were appended: node texts, the first appended node (by key, when
    // there is one) selected and shown, the links rebuilt.
    void mShowAppendedFields(const QString& firstKey);
    void registerRunHandlers();
    void registerExchangeHandlers();
    // Alignment and position check unless just done, then for a changed form the save
    // question, Yes saving at once. Returns IdYes (saved, or nothing to save), IdNo
    // (changes left unsaved) or IdCancel: stop, after Cancel, a save that left the form
    // changed, or a position beyond the limit (the form is then marked changed).
    int16_t miUpdateAndAskToSave();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Which command each menu entry and toolbar button runs.
    void registerMenuHandlers();
    // Lets a shown window paint itself, and its status, before the load runs.
    void paintBeforeLoad();
    bool m_paintBeforeLoad = false;
    void readPlacement();
    void keepPlacement();
    void installHooks();
    // Ends a start-up that failed after the connect: the host link is closed and the
    // program ends with kStartupFailed, also when the link could not be closed.
    [[noreturn]] void endStartup();
    // Steps of Exit after its question: temporary files, object set, other windows,
    // placement, unload; ends the program with status.
    [[noreturn]] void exitProgram(int status);
    // Open modes "a" and "i": save and exit without the user; ends the program.
    [[noreturn]] void runUnattended();
    void writePlacement();
    void viewEntryClicked(const QString& name, bool bField, int16_t view);
    bool bGroupHasCommand(int32_t g) const;
    QString fieldImage(int32_t index) const;
    // Adds the node of a field or picture record under the selection (before it).
    bool insertFieldNode(int32_t index, bool picture, bool before = false);
    QString fieldPropsView3(int32_t index, const QString& sKey, bool picture);

    std::unique_ptr<NodeTree> m_tree;
    bool m_treeShown = true;
    bool m_treeHadFocus = false;  // the tree had the focus when it was hidden

    MainWindowActions* m_actions = nullptr;  // a child of the window
    bool m_locked = false;

    Placement m_placement;
    QString m_labelFieldName;
    bool m_moLabelsAsked = false;
    bool m_refreshingTexts = false;
    bool m_exiting = false;
    bool m_alignmentDone = false;
    bool m_saveCancelled = false;
    bool m_errorsShown = false;
    bool m_saveStopped = false;  // the last save stopped at the error question

    // ---- Mouse, drag and drop, keys ----
    void registerMouseHandlers();
    void installKeyPreview();
    bool mbEditingRefused() const;
    void mDragOverGroup(TreeNode* node);
    void mDragOverField(const QString& targetKey, TreeNode* node);
    void mDragOverPickerEntry(const QString& targetKey, TreeNode* node);
    void mDropNode(TreeNode* source, const QString& targetKey);
    // Edit-menu commands by key; true when the key ran one.
    bool shiftKey(int KeyCode);
    bool ctrlKey(int KeyCode);
    bool mbResetAlignmentOnDrop = false;
    QString msDragParentKey;
    QString msDragFirstSiblingKey;
    QString msDragKey;
};

// A command that moves nodes: gbTreeVisible false for the scope, and the tree hidden at
// once unless hideNow is false (the steps then hide it themselves). At the end the flag
// is what it was and the tree shown as the flag says, so that the outermost command
// shows it.
class TreeHiddenScope {
public:
    explicit TreeHiddenScope(frm_Palimor& window, bool hideNow = true);
    ~TreeHiddenScope();
    TreeHiddenScope(const TreeHiddenScope&) = delete;
    TreeHiddenScope& operator=(const TreeHiddenScope&) = delete;

private:
    frm_Palimor& m_window;
    bool m_was;
};

// A primitive that re-attaches nodes: the tree hidden while it works, gbTreeVisible left
// alone. At the end the tree is shown as the flag then says (a command around the
// primitive keeps it hidden), or as visibleAfter says when given.
class TreeViewHiddenScope {
public:
    explicit TreeViewHiddenScope(frm_Palimor& window, std::optional<bool> visibleAfter = std::nullopt);
    ~TreeViewHiddenScope();
    TreeViewHiddenScope(const TreeViewHiddenScope&) = delete;
    TreeViewHiddenScope& operator=(const TreeViewHiddenScope&) = delete;

private:
    frm_Palimor& m_window;
    std::optional<bool> m_visibleAfter;
};

// The one main window; created on first use.
frm_Palimor& mainWindow();
bool mainWindowExists();
// Destroys the main window and resets the window-level state (tests).
void resetMainWindow();

// ---- The windows the main window makes, each on first use as its child ----
class frm_Preview;
class frm_Properties;
class frm_TableFields;
// The preview window.
frm_Preview& previewWindow();
frm_Preview* previewWindowIfAny();
// Destroys the preview and sets gbPreviewSingleOcc back (tests).
void resetPreviewWindow();
// The one property dialog.
frm_Properties& propertiesDialog();
bool propertiesDialogExists();
// Destroys the dialog (tests).
void resetPropertiesDialog();
// The table-field picker, loaded as it is made.
frm_TableFields& tableFieldsWindow();
bool tableFieldsWindowExists();
// Destroys the picker (tests, benchmarks); the list in gaTableFields stays.
void resetTableFieldsWindow();

