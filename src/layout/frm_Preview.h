#pragma once
// The preview: the form built with real controls at the positions the layout computed
// (gCalculateAlignment), on a character grid of the default font: a column is the
// width of the font's average character (widened until every label fits its length),
// a row the height of an input line.
//
// Single occurrence (gbPreviewSingleOcc True): every field present there
// (the main window's gbFieldIsPresent) stands at its place: line edits, check boxes, combo
// boxes, option sets as a frame with a radio button per choice (the choice's label is
// its text), pictures with the icon's picture from the host (a framed place holding
// the icon name when it has none), label-only fields as their label. Labels stand
// left of, above or right of their field as the record says. Groups with a group box
// are framed round what they show, wide enough for their title where there is room.
// When the form shows pages (the root's or a top-level group's bNewPage), each page
// is a tab.
// Multi occurrence: the present grid fields (bInGrid) of a group are the columns of a
// table with a few empty rows, headed by their multi-occurrence labels, in the group's
// box below what else the group shows. The other present fields keep their places,
// the pages one below the other, rows that hold nothing in this view left out.
//
// A click on any control selects its node in the main tree. While the window shows,
// the main window is locked (mShowPreview); closing the window unlocks it.
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class MainWindowInterface;
class QLabel;
class QTabWidget;
class QTableWidget;
class QVBoxLayout;

// The mode of the next preview: True single occurrence, False multi occurrence.
extern bool gbPreviewSingleOcc;

class frm_Preview : public QWidget {
    Q_OBJECT
public:
    // The local file of an icon's picture; "" when there is none.
    using IconFile = std::function<QString(const QString& icon)>;
    // main: the window whose tree the preview shows; nullptr shows nothing. parent: the
    // main window; the preview is a window of its own above it.
    frm_Preview(MainWindowInterface* main, IconFile iconFile, QWidget* parent = nullptr);
    ~frm_Preview() override;

    // Builds the form anew from the records and the main tree in the mode of
    // gbPreviewSingleOcc, and sizes the window to it (within the screen).
    void Form_Load();
    // The window's unload: empties it, sets gbPreviewOpen False and unlocks the main
    // window. Nothing happens when the preview was not open.
    void Form_Unload();

    // ---- Controls (nullptr when the form has none of them) ----
    QTabWidget* tabPages = nullptr;         // a tab per page
    QList<QTableWidget*> grdOccurrences;  // a table per group with grid fields, multi occurrence

    // The control of a field or picture record and its label; nullptr when the record
    // has none in this preview.
    QWidget* control(int32_t field) const { return m_controls.value(field); }
    QLabel* label(int32_t field) const { return m_labels.value(field); }
    int32_t controlCount() const { return int32_t(m_controls.size()); }
    // The table of a grid field and its column there; nullptr and -1 when it has none.
    QTableWidget* grid(int32_t field) const { return m_grids.value(field); }
    int gridColumn(int32_t field) const { return m_gridColumns.value(field, -1); }
    // The widgets that hold the form: one per page, the table's page included.
    QList<QWidget*> canvases() const;
    // One column and one row of the grid, in pixels.
    QSize cell() const { return m_cell; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class PreviewBuilder;
    void clear();
    // Makes widget select the node of key when it is clicked.
    void selects(QWidget* widget, const QString& key);
    void selectNode(const QString& key);

    MainWindowInterface* m_main;
    IconFile m_iconFile;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_content = nullptr;  // the scroll area or the tabs
    QHash<int32_t, QWidget*> m_controls;
    QHash<int32_t, QLabel*> m_labels;
    QHash<int32_t, int> m_gridColumns;
    QHash<int32_t, QTableWidget*> m_grids;
    QList<QWidget*> m_canvases;
    // The group boxes, for clicks between the controls over them.
    struct FrameBox {
        QWidget* box;
        QString key;
        int depth;
    };
    std::vector<FrameBox> m_frameBoxes;
    QSize m_cell;
    QString m_selectedAtLoad;  // the main tree's selection when the preview was built
};
