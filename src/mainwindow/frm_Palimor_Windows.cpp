// The windows the main window makes and hands itself to, as their MainWindowInterface.
#include "frm_Palimor.h"

#include "frm_Preview.h"
#include "frm_TableFields.h"
#include "frm_Properties.h"

#include <QPointer>

namespace {

QPointer<frm_Preview> g_preview;
QPointer<frm_Properties> g_dialog;
QPointer<frm_TableFields> g_picker;

// The main window when there is one; windows made without it refuse what needs it.
frm_Palimor* owner() { return mainWindowExists() ? &mainWindow() : nullptr; }

} // namespace

frm_Preview& previewWindow()
{
    if (!g_preview) {
        frm_Palimor* main = owner();
        // The preview shows the icons the property dialog fetches, from the same cache.
        g_preview = new frm_Preview(main, &frm_Properties::msGetIconFile, main);
    }
    return *g_preview;
}

frm_Preview* previewWindowIfAny() { return g_preview.data(); }

void resetPreviewWindow()
{
    delete g_preview.data();
    g_preview = nullptr;
    gbPreviewSingleOcc = true;
}

frm_Properties& propertiesDialog()
{
    if (!g_dialog) {
        frm_Palimor* main = owner();
        g_dialog = new frm_Properties(main, main);
    }
    return *g_dialog;
}

bool propertiesDialogExists() { return !g_dialog.isNull(); }

void resetPropertiesDialog()
{
    delete g_dialog.data();
    g_dialog = nullptr;
}

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
