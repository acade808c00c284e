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
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

#include "ui_frm_Properties.h"

class QComboBox;
class TreeNode;
struct FieldRecord;

class frm_Properties : public QDialog, public Ui::frm_Properties {
    Q_OBJECT
public:
    explicit frm_Properties(QWidget* parent = nullptr);
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
    // Control kind of an enumerate field as filled: 1 check box, 2 list box, 3 option set.
    int32_t lEnumControlKind = 0;
    // The field's domain index as filled; Cancel puts it back.
    int16_t nSavedDomainIndex = 0;

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

    // The per-control check mbValidate_OnLostFocus runs; without one every input passes.
    using ControlCheck = std::function<bool(QWidget* control, int16_t flags, const QString& value)>;
    void setControlCheck(ControlCheck check) { m_controlCheck = std::move(check); }

    // ---- Pages ----
    void mHideAllPages();
    void tabProperties_Click();

    // ---- Buttons ----
    // OK stores nothing yet: it closes as Cancel does.
    void cmdOk_Click();
    // Hides the dialog and unlocks the main window, whose tree gets the focus.
    void cmdCancel_Click();
    void cmdHelp_Click();
    // The neighbouring node of the same kind in tree order, opened with its pages kept.
    void cmdNext_Click();
    void cmdPrev_Click();

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
    int32_t mlControlType() const;
    bool msGetRefTable(QString& package, QString& module, QString& number);

    // ---- Filling from the records ----
    bool mFillProperties();
    void mCheckOldField();
    // The local copy of an icon's picture; "" when the host has none. Needs no dialog:
    // the preview shows its pictures through it too.
    static QString msGetIconFile(const QString& name);
    QString msGetEnumDesc(const QString& name) const;
    int16_t miGetEnumIndex(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

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

    ControlCheck m_controlCheck;
    int m_buttonsTop = 0;
    // gnDomainCount when the domains were last loaded.
    int32_t m_domainsAsked = 0;
};

// Walks the tree below root in display order: the first node after current, or the
// last node before it, whose key begins with prefix; nothing when there is none. The
// root itself is never answered.
TreeNode* oFindFollowField(const TreeNode* root, const TreeNode* current, const QString& prefix);
TreeNode* oFindPreviousField(const TreeNode* root, const TreeNode* current, const QString& prefix);

// The one property dialog; made on first use, a window of the main window.
frm_Properties& propertiesDialog();
bool propertiesDialogExists();
// Destroys the dialog (tests).
void resetPropertiesDialog();

// Dialog kinds, as the Tag holds them.
inline const QString kKindForm = QStringLiteral("Form &Properties");
inline const QString kKindGroup = QStringLiteral("Group &Properties");
inline const QString kKindField = QStringLiteral("Field &Properties");
inline const QString kKindPicture = QStringLiteral("Picture &Properties");
