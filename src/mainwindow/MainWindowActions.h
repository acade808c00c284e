#pragma once
// The main window's menus and toolbar: the menu table, the toolbar's buttons, the
// command each entry runs, their captions from host labels and their enabling. The
// commands themselves (the mnu*_Click procedures) stay on the main window, which
// registers them here.
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class NodeTree;
class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
class QWidget;
class TreeNode;

class MainWindowActions : public QObject {
public:
    // Builds the menus in window's menu bar and its toolbar Toolbar1. tree is the form's
    // tree, whose selection the enabling follows, treeView the control that shows it. A
    // toolbar button's click goes to buttonClick with the button's key.
    MainWindowActions(QMainWindow& window, NodeTree& tree, QWidget& treeView,
                      const std::function<void(const QString& key)>& buttonClick);

    QToolBar* Toolbar1 = nullptr;

    // ---- Look-ups ----
    // A menu entry by name: an entry of a menu, or the entry that opens a menu
    // ("mnuFile", "mnuMove"); nullptr for an unknown name.
    QAction* menuEntry(const QString& name) const { return m_entries.value(name); }
    QMenu* menu(const QString& name) const { return m_menus.value(name); }
    // Every menu entry name, menus included, in menu order.
    const QStringList& menuEntryNames() const { return m_entryOrder; }
    // The host label code a menu entry's caption comes from ("" for none).
    QString menuTag(const QString& name) const { return m_tags.value(name); }
    // The caption of a menu entry ("" for an unknown name).
    QString menuCaption(const QString& name) const;
    // A toolbar button by its key (the name of the menu entry it stands for).
    QToolButton* toolbarButton(const QString& key) const { return m_buttons.value(key); }
    const QStringList& toolbarKeys() const { return m_buttonOrder; }

    // Enabled of a menu entry and of the toolbar button of the same name.
    void setEntryEnabled(const QString& name, bool enabled);
    void setButtonEnabled(const QString& key, bool enabled);
    bool entryEnabled(const QString& name) const;
    bool buttonEnabled(const QString& key) const;
    // A top-level menu as a whole.
    void setMenuEnabled(const QString& name, bool enabled) { setEntryEnabled(name, enabled); }

    // ---- Commands ----
    // The command of an entry (and of its toolbar button).
    void setHandler(const QString& name, std::function<void()> handler);
    // Runs the entry's command; an entry without one does nothing.
    void runEntry(const QString& name);
    bool hasButton(const QString& key) const { return m_buttons.contains(key); }

    // ---- Captions ----
    // The captions of the entries whose label codes the host translates, each with a
    // mnemonic, and the buttons' tips from them (read-only, save-and-exit is Exit).
    void mInitializeLablesPLM();
    static bool mbHasAccelerator(const QString& text);
    void EasterEgg();

    // ---- Enabling ----
    // Delete, Insert Group and the moves as the selected node allows them; nothing in
    // open mode "r".
    void mSetMenuState();
    // Open mode "r": every command that changes the form off.
    void mDisableEditing();
    // Preview and run by the root group's occurrences, the Tools entries by the form's
    // session and main table.
    void mSetOptionMenus();
    // Start-up: the menus and the toolbar off until the form is loaded.
    void setStartupMenusEnabled(bool enabled);
    // The dialog lock: the tree view, the menus, the toolbar and a set of entries off,
    // the entries' states kept; they come back, with the option entries set anew, when
    // it is let go.
    void lock();
    void unlock();
    // Running out of record slots switches the insert commands off.
    void setInsertingEnabled(bool enabled);
    void setGroupInsertingEnabled(bool enabled);

private:
    void createMenus(QMainWindow& window);
    void createToolbar(QMainWindow& window, const std::function<void(const QString&)>& buttonClick);

    NodeTree& m_tree;
    QWidget& m_treeView;
    QHash<QString, QAction*> m_entries;
    QHash<QString, QMenu*> m_menus;
    QHash<QString, QString> m_tags;
    QHash<QString, std::function<void()>> m_handlers;
    QStringList m_entryOrder;
    QHash<QString, QToolButton*> m_buttons;
    QStringList m_buttonOrder;
    // The lock's saved states, one for each entry it switches off.
    static constexpr size_t kLockedEntryCount = 12;
    std::array<bool, kLockedEntryCount> m_savedMenuState{};
};

// The group node a node belongs to: its parent, climbing over parent fields.
TreeNode* groupNodeOf(const TreeNode* node);
