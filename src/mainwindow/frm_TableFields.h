#pragma once
// The table-field picker: a modeless window beside the main window that lists the
// fields of the form's main table (gaTableFields) as a tree. A reference field is
// expanded by a double click or Alt+Right into the fields of the table it refers to;
// Apply inserts the selected entry into the form at the main tree's drop highlight
// and moves on to the next entry, keeping the main tree's selection in step.
//
// The window is made and loaded once a run (its load lists the main table); Cancel,
// Esc and the close box hide it, and the list only grows. It is a modeless dialog:
// Enter applies, as the default button Apply does, and the focused button shows.
#include <QDialog>
#include <QHash>
#include <QString>
#include <cstdint>

class MainWindowInterface;
class NodeTreeWidget;
class QPushButton;
class TreeNode;

class frm_TableFields : public QDialog {
    Q_OBJECT
public:
    // main: the window the picker inserts into; nullptr refuses every insert.
    explicit frm_TableFields(MainWindowInterface* main, QWidget* parent = nullptr);
    ~frm_TableFields() override;

    // ---- Controls ----
    NodeTreeWidget* tvwFields = nullptr;  // keys "t_" and the entry
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdHelp = nullptr;

    // Fonts, caption, placement, the list of the main table with its labels; the
    // window stays hidden (the caller shows it).
    void Form_Load();
    // The main table's fields from entry 1; sets gnTableFieldCount and the labels.
    void mLoadTableFields();
    // The fields of one table appended from nextEntry on, each with its node (under
    // the node of parentEntry when expanding); nextEntry comes back one past the last.
    void mLoadTableFieldsFields(const QString& tableCode, bool expanding, int32_t parentEntry, int32_t& nextEntry);
    // True when a form field has the label code and a single-occurrence text: its
    // text, length and height are copied and the text is appended to node's text.
    bool mGetLabel(const QString& labelCode, QString& labelText, int16_t& length, int16_t& height, TreeNode* node);

    // Inserts the selected entry into the form and selects the next one. A combined
    // entry is refused (message 2/13); nothing happens while the main window is locked
    // or read-only.
    void cmdApply_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();
    // Expands the selected reference entry into the fields of its table.
    void tvwFields_DblClick();
    void tvwFields_NodeClick(TreeNode* node);
    // Selects in the main tree the form field made from the picker node's entry: the
    // one in the group of the current selection, else the last one in tree order.
    void mSelectParentFormField(TreeNode* pickerNode);

    // ---- Dragging entries onto the form ----
    // Whether the drag of node, pressed with Button, starts: the left button, not in a
    // read-only or locked form, never a combined entry (message 2/13).
    bool tvwFields_MouseMove(Qt::MouseButton Button, TreeNode* node);
    // Nothing is dropped on the picker from elsewhere (message 2/14).
    void tvwFields_DragDrop(const QString& source);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void registerDragHandler();
    void mLocalizeCaptions();
    // The node of one entry just appended (the fill's part of each row).
    void mFillFieldsTree(int32_t entry, bool expanding, int32_t parentEntry);
    // Where the selection goes after Apply: the first child, else the next entry on the
    // way up; a last top-level entry stays.
    TreeNode* nextAfterApply(TreeNode* node) const;

    // Label code -> the first form field with that code and a text, while a load runs.
    MainWindowInterface* m_main;
    QHash<QString, int32_t> m_formLabels;
    bool m_loading = false;
};
