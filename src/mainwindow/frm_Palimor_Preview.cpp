// The preview commands of the main window.
#include "frm_Palimor.h"

#include "frm_Preview.h"
#include "mod_Alignment.h"
#include "mod_Palimor.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "mod_Global.h"

#include <QLabel>
#include <QScopeGuard>

namespace {

// True when a direct subgroup of the form is virtual (a run of fields that became a
// group of its own): such a page has no caption.
bool hasVirtualPage()
{
    if (gaGroups.empty())
        return false;
    // Links come from the tree, yet a broken chain must not loop.
    size_t steps = 0;
    for (int32_t i = gaGroups[0].lChildGroup - 1; i > 0 && size_t(i) < gaGroups.size() && steps < gaGroups.size();
         i = gaGroups[size_t(i)].lNextGroup - 1, ++steps)
        if (gaGroups[size_t(i)].bVirtualGroup)
            return true;
    return false;
}

void preview(frm_Palimor& window, bool single)
{
    platform::setMousePointer(platform::Pointer::Hourglass);
    gbSuspendLinkUpdate = true;
    // The status bar says what it said before once the preview is built.
    const auto resume = qScopeGuard([&window, status = window.SBarPanel1->text()] {
        gbSuspendLinkUpdate = false;
        platform::setMousePointer(platform::Pointer::Default);
        window.SBarPanel1->setText(status);
    });
    gbPreviewSingleOcc = single;
    glShowMessage(MessageStatus, 7, StatusBarOnly);
    gCalculateAlignment();
    if (single && !gaGroups.empty() && gaGroups[0].bNewPage && hasVirtualPage())
        glShowMessage(MessageGroup2, 32, platform::MbIconExclamation);
    window.mShowPreview();
}

} // namespace

void frm_Palimor::mShowPreview()
{
    // Open already (the entries are off while it shows): built again, locked once.
    if (!gbPreviewOpen) {
        mToggleEnablingPLM();
        gbPreviewOpen = true;
    }
    frm_Preview& p = previewWindow();
    p.Form_Load();
    p.show();
    p.raise();
    p.activateWindow();
}

void frm_Palimor::mnuOPreview_Click() { preview(*this, true); }

void frm_Palimor::mnuOPreviewMO_Click() { preview(*this, false); }
