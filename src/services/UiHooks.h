#pragma once
// What the core needs of the windows, without depending on them. The main window
// installs these when it is created; unset hooks do nothing.
#include <QString>
#include <functional>

namespace ui {

struct Hooks {
    // Text of panel 1 of the main window's status bar, shown at once.
    std::function<void(const QString&)> setStatusText;
    // Enables or disables the main window and the property dialog (host sessions).
    std::function<void(bool)> setWindowsEnabled;
    // Gives the main window the focus.
    std::function<void()> focusMainWindow;
    // Unloads the main window so that its unload handling runs.
    std::function<void()> unloadMainWindow;
    // Switches the field insert commands on or off: the menu entries mnuEInsertField,
    // mnuOGenerateForm and mnuOOneTableField and the toolbar button "mnuEInsertField".
    std::function<void(bool)> setInsertingEnabled;
    // The same for mnuEInsertGroup and the toolbar button "mnuEInsertGroup".
    std::function<void(bool)> setGroupInsertingEnabled;
    // Presses Cancel of the table-field picker: it closes without inserting anything.
    std::function<void()> cancelTableFieldPicker;
};

Hooks& hooks();
void resetHooks();

} // namespace ui
