#pragma once
// The error list: a modeless window docked to the right of the main window that shows
// the entries of the structure checks (gModelessErrors). The main window is narrowed
// by the list's width while the list shows and gets that width back when it closes; a
// maximized one is shown normal beside the list and maximized again. The list is
// never narrower than its title.
// A click on an entry, or Enter, selects the entry's node in the form's tree; Esc
// closes the list as its close box does.
#include <QMargins>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <cstdint>

class QListWidget;
class QListWidgetItem;

class frm_ModelessErrors : public QWidget {
    Q_OBJECT
public:
    // mainWindow: the window the list docks to; it is not owned.
    explicit frm_ModelessErrors(QWidget* mainWindow);
    ~frm_ModelessErrors() override;

    // One line per entry: the host message; the node key is the item's data.
    QListWidget* lstErrors = nullptr;

    // Adds the entries not shown yet (all of them again when the list was emptied) and
    // shows the window docked beside the main window.
    void mShowEntries();
    // Selects and shows the node of the entry in row; nothing when it has no node.
    void mSelectNode(int row);
    // Empties the list box and the entries behind it.
    void mClear();

    // Width the main window gave up for the list; 0 while it is not docked.
    int narrowedBy() const { return m_narrowedBy; }

protected:
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void dock();
    void makeRoomBesideMaximized(int width);
    // Shows the main window over the screen's area but the list's, frame included.
    void fillBesideList(int width, const QMargins& frame);
    void place();
    void undock();

    QPointer<QWidget> m_main;
    int m_narrowedBy = 0;
    bool m_unmaximized = false;  // the main window was maximized when the list docked
    QRect m_normalGeometry;      // its geometry when shown normal, for its restore
    QMargins m_takenFrame;       // the main window's frame the room was made with
    QRect m_mainRequested;       // the geometries last asked for, see requestGeometry
    QRect m_requested;
    uint32_t m_shownRound = 0;  // gModelessErrorsRound() of the entries listed
    bool m_placing = false;  // our own resize of the main window is under way
    bool m_framed = false;   // shown and exposed: framed by a window manager if there is one
};

// Installs the list window of mainWindow as the show hook of gbShowModelessMessage:
// the first entry added makes the window, every entry shows it.
void installModelessErrorsWindow(QWidget* mainWindow);
// The list window; nullptr until an entry made it and after the unload.
frm_ModelessErrors* modelessErrorsWindow();
// Gives the list window the focus (after a save found errors).
void focusModelessErrorsWindow();
// Closes the window (the main window gets its width back), destroys it and empties
// the entries; the show hook stays installed and makes a new window on the next entry.
void unloadModelessErrorsWindow();
// Unloads the window and forgets the main window; the show hook is left to the
// error list's own reset (tests).
void resetModelessErrorsWindow();
