// The windows the main window makes and hands itself to, as their MainWindowInterface.
#include "frm_Palimor.h"

#include "mainwindow/frm_TableFields.h"

#include <QPointer>

namespace {

QPointer<frm_TableFields> g_picker;

// The main window when there is one; windows made without it refuse what needs it.
frm_Palimor* owner() { return mainWindowExists() ? &mainWindow() : nullptr; }

} // namespace

frm_TableFields& tableFieldsWindow()
{
    if (!g_picker) {
        frm_Palimor* main = owner();
        g_picker = new frm_TableFields(main, main);
        g_picker->Form_Load();
    }
    return *g_picker;
}

bool tableFieldsWindowExists() { return !g_picker.isNull(); }

void resetTableFieldsWindow()
{
    delete g_picker.data();
    g_picker = nullptr;
}
