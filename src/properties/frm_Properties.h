#pragma once
// The property dialog: one window for the form, a group, a field or a picture of the
// main window's tree. It is built once per run and then filled for the node it is
// opened on: its kind (the Tag) decides the page shown, the window's height and its
// title; its inputs are enabled as the node's place in the tree and the open mode
// allow.
//
// The controls keep their names (txtFieldName, chkDependent, ...) as members and as
// object names; the numbered ones are arrays whose widgets are named with the index
// ("fraProperties_3").
#include <QDialog>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "ControlKind.h"
#include "mod_Validation.h"
#include "ui_frm_Properties.h"

class MainWindowInterface;
class QComboBox;
class QPushButton;
class QScrollArea;
class TreeNode;
struct DomainRecord;
struct FieldRecord;
struct GroupRecord;
struct ZoomDialogValues;

class frm_Properties : public QDialog, public Ui::frm_Properties, public PropertyInputs {
    Q_OBJECT
public:
    // main: the window whose tree the dialog edits; nullptr for none.
    explicit frm_Properties(MainWindowInterface* main, QWidget* parent = nullptr);
    ~frm_Properties() override;

    // ---- Controls numbered like arrays (index 0 unused) ----
    std::array<QWidget*, 8> fraProperties{};      // the field pages 1 to 7
    std::array<QLabel*, 7> lblFieldNameText{};     // the field's name on pages 2 to 7 (1 to 6)
    std::array<QLabel*, 7> lblElementText{};       // its element there

    // ---- State of the dialog ----
    // The kind: "Form &Properties", "Group &Properties", "Field &Properties" or
    // "Picture &Properties".
    QString Tag;
    // Copies of the current field's table flags; False for the form and groups.
    bool bIsTableField = false;
    bool bTableRef = false;
    bool bTableMandatory = false;
    // gaGroups index for the form and groups, gaFields index for fields and pictures.
    int32_t lRecordIndex = 0;
    int32_t lLastTab = 1;
    // The node's image key as loaded, and as last settled by the fill.
    QString sNodeKind;
    QString sOldNodeKind;
    bool bSkipValidation = false;
    bool bFilling = false;
    bool bTabsInitialised = false;
    // Control kind of an enumerate field as filled: check box, list box or option set.
    ControlKind lEnumControlKind = ControlKind::Input;
    // The field's domain index as filled; Cancel puts it back.
    int16_t nSavedDomainIndex = 0;
    // What the field-name look-up found in the main table, stored with a new name:
    // the number of elements, the initial value and the reference and mandatory flags.
    // Opening a field starts them from its record.
    int16_t nTableNrOfElements = 0;
    QString sTableDefault;
    bool bPendingTableRef = false;
    bool bPendingTableMandatory = false;
    // A search by description found the field's, the picture's or the group's label.
    bool bLabelSearched = false;
    bool bPictLabelSearched = false;
    bool bGroupLabelSearched = false;

    // ---- What the input checks read ----
    QWidget& inputsWidget() override { return *this; }
    Ui::frm_Properties& controls() override { return *this; }
    std::optional<int32_t> tableFieldElements() const override
    {
        return bIsTableField ? std::optional<int32_t>(nTableNrOfElements) : std::nullopt;
    }

    // ---- Opening for a node ----
    // Sets the dialog up for the selected node of the main window's tree, fills it and
    // shows it. bKeepPages keeps the pages shown (Next and Previous).
    void mLoad(bool bKeepPages);
    void mSizeForFormDlg();
    void mSizeForGroupDlg();
    void mSizeForFieldDlg();
    void mSetFrameEnabled(int16_t index, bool enabled);
    // Host texts for the captions that hold label codes; once, when the window is built.
    void mSetDialogLabels();
    // Below 0 default alignment (minus the group index), 0 equal, the group index for
    // its own alignment.
    int32_t mlGetAlignmentGroupId() const;
    // The lost-focus entry of the inputs: true lets the focus leave control. A failed
    // check brings the control's page forward and gives it the focus back; the next
    // lost focus is then not checked.
    bool mbValidate_OnLostFocus(QWidget* control, int16_t flags, const QString& value);

    // A refused input's page brought forward and the focus given back to it (to
    // txtFieldName when it cannot take it).
    void mShowRefusedControl(QWidget* control) override;
    // Gives an input the focus, a text box with its whole text selected, also when the
    // window is not active yet (a message or a host session just closed) and the focus
    // comes only when it is.
    void mFocusInput(QWidget* control);

    // The per-control check mbValidate_OnLostFocus runs: gbValidateControl unless
    // another is set; an empty one lets every input pass.
    using ControlCheck = std::function<bool(QWidget* control, int16_t flags, const QString& value)>;
    void setControlCheck(ControlCheck check) { m_controlCheck = std::move(check); }

    // ---- Pages ----
    void mHideAllPages();
    void tabProperties_Click();

    // ---- Buttons ----
    // OK stores the page (mbAssignProperties) and closes; a refused check keeps the
    // dialog open on the input.
    void cmdOk_Click();
    // Puts back what the dialog changed in the record before OK (the field's domain
    // index), hides the dialog and unlocks the main window, whose tree gets the focus.
    void cmdCancel_Click();
    void cmdHelp_Click();
    // Store the page, then open the neighbouring node of the same kind in tree order
    // with the pages kept.
    void cmdNext_Click();
    void cmdPrev_Click();

    // ---- Enabling rules of the field pages ----
    // Enables the field page's inputs by the field's table flags, its field type, its
    // domain and the control kind chosen. bEnable says whether the definition may be
    // edited at all; it comes back false when the domain boxes are empty. Does nothing
    // while the fill runs.
    void mEnableFields(bool& bEnable) override;

    // ---- Domain properties and defaults ----
    // The domain-dependent inputs set, enabled and captioned by the domain's data type.
    void mSetDomainData();
    // After another domain was chosen: the link boxes and lengths the domain suggests.
    void gSetDomainDefaults();
    // After check box, list box or option set was chosen for an enumerate.
    void gSetControlDefaults();
    void mResetDomainProps() override;
    void mResetLabelProps();
    void mResetGroupLabelProps() override;
    void mResetPictLabelProps();
    // The domain named by txtDomainPackage and txtDomainCode taken over: checked in the
    // host, set in the record (Cancel puts the old one back), loaded, its defaults shown.
    // False, after its message, when the host does not know it; the record keeps its
    // domain then.
    bool mbApplyDomain() override;

    // ---- Label and table-field look-ups ----
    // The definition of the main table's column tableField ("tekwy001.item") taken
    // over: label, domain, mandatory, reference, initial value, elements. False for a
    // name that is no active, single column of a table the host knows: the field is
    // then no table field and the pending table values are cleared.
    bool mbGetTableFieldData(QString& tableField);
    // The label of txtLabelCode: 1 when the single-occurrence label was found or
    // inserted (only looked up with lookUp), 2 added when a multi-occurrence label of
    // its own was found. A length box showing 0 asks for the longest variant and
    // takes its size. Not found: with a description typed the user may insert it.
    int32_t mlGetLabelData(bool lookUp) override;
    // The group's and the picture's label by code: 1 found or inserted, else 0.
    int32_t mlGetGroupLabelData() override;
    int32_t mlGetPictLabelData() override;
    // A label found by its text: its code and size taken over.
    void mGetLabelDataWithDesc(const QString& description);
    void mGetGroupLabelWithDesc(const QString& description);
    void mGetPictLabelWithDesc(const QString& description);
    // Adds a label to the host's labels and commits it; the dialog shows it by kind
    // ("field", "group", "picture"). False, showing nothing, when the insert or its
    // commit failed; a failed commit is undone in the host and reported.
    bool mInsertLabel(const QString& code, const QString& description, const QString& kind);
    // The field name checked: a column of a table brings its definition, any other
    // name makes the field no table field.
    void mCheckFieldName() override;

    // ---- Zooms, icons and documentation ----
    // The host session of a zoom button on the key of its input, the windows disabled
    // until it returns; the chosen record's key goes into the input, whose check then
    // runs. False when nothing was chosen.
    bool mZoom(QPushButton* button);
    // The dialog's inputs as the start records read them.
    ZoomDialogValues mZoomValues();
    void cmdIconZoom_Click();
    // The field's technical documentation: shown in open mode "r", else edited.
    void cmdDocuText_Click();
    // Whether the field has documentation, asked of the host once (ask); in open mode
    // "r" the documentation button reads what there is.
    void mShowDocumentation(bool ask);
    void cmdLabelSearch_Click();
    void cmdLabelSearchGroups_Click();
    void cmdLabelSearchPict_Click();

    // ---- Storing ----
    // Checks the page and writes its values into the record of the node, one change-log
    // line and one change mark for each value that changed; refreshes the node's text
    // and image. False when a check refused an input: nothing is stored then. Stores
    // nothing, and answers true, when the inputs were not editable (open mode "r", the
    // selection field of a selection group).
    bool mbAssignProperties();
    // Store one property when its new value differs from the member, comparing a text
    // box's text with the member's text ("05" differs from 5): the log line, the change
    // mark raised, the member set. Nothing happens for an equal value.
    template <typename Member, typename Value>
    void mAssignFieldAndSetChanged(bool& changed, Member& member, const Value& value, const QString& name);
    template <typename Member, typename Value>
    void mAssignGroupAndSetChanged(bool& changed, Member& member, const Value& value, const QString& name);
    // The field length of the values shown, by the rule the load uses.
    int16_t mCalculateFieldLength() const;
    // Item data of the selected entry; 0 when none is selected.
    static int16_t miGetItemData(const QComboBox* combo);

    // ---- Click handlers of check boxes, option buttons and combos ----
    void chkNoControl_Click();
    void cboFieldType_Click();
    void optEnumControl_Click(ControlKind kind);
    void chkDefault_Click();
    void cboDefaultValue_Click();
    void chkLinkToDomain_Click();
    void chkLinkLabLenToDispLen_Click();
    void chkMultiCurrency_Click();
    void chkFieldInMultiOcc_Click();
    void chkShowGroupBox_Click();
    void chkSelection_Click();
    void chkSingleOcc_Click();
    void chkMultiOcc_Click();

    // ---- Combo lists ----
    void mFillCombos();
    void mFillFieldType();
    void mFillFieldZoom();
    void mFillLabelPosition();
    void mFillDataAlignment();
    void mFillYesValue(int16_t domainIndex);
    void mFillDefaultValue(int16_t domainIndex);
    void mFillLinkedValue(int16_t domainIndex);
    // Selects the entry whose item data is value and returns its text; without such an
    // entry the first one; with no entries nothing is selected and the answer is "".
    static QString msSetEnum(QComboBox* combo, int32_t value);

    // ---- View fields, label positions, control type, reference table ----
    // bFromDialog: the field's dependent flag is read from chkDependent.
    bool gbIsViewField(int32_t index, const TreeNode* node, bool bFromDialog, int16_t& reason, int32_t& dependsOn);
    // Keeps the label position "right" (value 3) out of cboLabelPosition while
    // chkNoControl is checked, and in it otherwise (appended at the end).
    void mSetLabelAlignEnum();
    ControlKind mlControlType() const;
    bool msGetRefTable(QString& package, QString& module, QString& number) override;

    // ---- Filling from the records ----
    bool mFillProperties();
    void mCheckOldField();
    // The local copy of an icon's picture; "" when the host has none. Needs no dialog:
    // the preview shows its pictures through it too.
    static QString msGetIconFile(const QString& name);
    // The icon's picture in the preview; empty for no icon or one the host lacks.
    void showIcon(const QString& name) override;
    QString msGetEnumDesc(const QString& name) const;
    int16_t miGetEnumIndex(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mSetupForNode();
    void fillGroup();
    void fillForm();
    void fillPicture();
    void fillField();
    void fillViewField(const FieldRecord& f, const TreeNode* node);
    // txtGroupCols and its caption stand on the form page or on the group page.
    void placeGroupCols(bool onForm);
    void placeButtons(int top);
    void setWindowHeight(int heightTwips);
    // The window of the kind's height and button top, cut to the screen.
    void fitKindOnScreen();
    void showPage(QWidget* page);
    // The inputs inside the page frames (check boxes, text boxes, option buttons,
    // command buttons, combo boxes whose container is a "fra" frame).
    QList<QWidget*> inputsInFrames() const;
    QList<QWidget*> inputs() const;
    void setInputsEnabled(const QList<QWidget*>& controls, bool enabled);
    void goToNeighbour(bool next);
    TreeNode* selectedNode() const;
    void loadNewDomains();
    static bool hasFieldRecord(int32_t index);
    void hideUnsupportedControls();

    void connectHandlers();
    void connectZooms();
    // The domain record of the field shown (entry 0, which names no domain, when the
    // index is out of range).
    const DomainRecord& fieldDomain() const;
    int16_t fieldDataType() const;
    // The label-length link of the multi-occurrence label and its two boxes, enabled by
    // main table and domain; the length box not while linked.
    void enableLabelLengthLink(bool linked);
    // No domain: no control kinds, string kinds or data alignment to choose.
    void disableDomainInputs();
    // The multi-occurrence label after the single-occurrence one: its own look-up
    // (2 when found) when its size differs from oldLength and oldHeight, else it
    // follows. zeroFollowsDisplay: a linked length box showing 0 takes the display length.
    int32_t multiOccLabel(int32_t oldLength, int32_t oldHeight, bool zeroFollowsDisplay);
    // Not found, a description typed: the user is asked to insert it. True when inserted.
    bool askToInsertLabel(const QString& code, QLineEdit* search, const QString& kind);
    void clearPendingTableValues();

    bool assignField();
    bool assignPicture();
    bool assignGroup();
    bool assignForm();
    void refreshFieldNodes(const FieldRecord& f);
    // The selection field follows the group's selection flag and parent table.
    void mUpdateSelectionField(bool wasSelection, const QString& oldTable, const GroupRecord& g);
    // The lost-focus check of an input the user leaves; false when it was refused.
    bool checkOnLeaving(QLineEdit* box);
    // The got-focus entry of the text boxes: entering one selects its whole text.
    void txt_GotFocus(QLineEdit* box, Qt::FocusReason reason);
    // OK, Next and Previous: false when the page may not be left.
    bool leavePage();
    void closeDialog();

    MainWindowInterface* m_main;
    ControlCheck m_controlCheck;
    // A lost-focus check refused its input since the last one that passed: a click on
    // OK, Next or Previous that took the focus from it does not go on.
    bool m_refusedOnLeave = false;
    // A lost-focus check is running.
    bool m_checking = false;
    // mLoad is setting the dialog up for a node.
    bool m_opening = false;
    // A text box entered by a mouse press: the press puts the cursor where it was, so
    // the text is selected when the button is released.
    QPointer<QLineEdit> m_selectOnRelease;
    // A text box the dialog gave the focus: selected when it gets it, for whatever reason.
    QPointer<QLineEdit> m_selectOnFocus;
    // The kind's window height and button top, in pixels, before the screen cuts them.
    int m_kindHeight = 0;
    int m_buttonsTop = 0;
    QScrollArea* m_pageArea = nullptr;
    // gnDomainCount when the domains were last loaded.
    int32_t m_domainsAsked = 0;
};

// Walks the tree below root in display order: the first node after current, or the
// last node before it, whose key begins with prefix; nothing when there is none. The
// root itself is never answered.
TreeNode* oFindFollowField(const TreeNode* root, const TreeNode* current, const QString& prefix);
TreeNode* oFindPreviousField(const TreeNode* root, const TreeNode* current, const QString& prefix);

// Dialog kinds, as the Tag holds them.
inline const QString kKindForm = QStringLiteral("Form &Properties");
inline const QString kKindGroup = QStringLiteral("Group &Properties");
inline const QString kKindField = QStringLiteral("Field &Properties");
inline const QString kKindPicture = QStringLiteral("Picture &Properties");
