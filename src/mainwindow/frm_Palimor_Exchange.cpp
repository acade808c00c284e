// The Edit menu's Cut, Copy and Paste of a group or field with everything below it,
// through the structure text on the clipboard.
#include "frm_Palimor.h"

#include "mod_Clipboard.h"
#include "mod_VrokGlobal.h"
#include "NodeTreeWidget.h"
#include "NodeTree.h"
#include "mod_Keys.h"

#include <QMenu>

namespace {

bool isRoot(const TreeNode* node) { return node && node->key() == gsGroupKey(0); }

} // namespace

void frm_Palimor::registerExchangeHandlers()
{
    m_actions->setHandler(QStringLiteral("mnuECut"), [this] { mnuECut_Click(); });
    m_actions->setHandler(QStringLiteral("mnuECopy"), [this] { mnuECopy_Click(); });
    m_actions->setHandler(QStringLiteral("mnuEPaste"), [this] { mnuEPaste_Click(); });
    // The entries' states are decided each time the menu opens.
    connect(m_actions->menu(QStringLiteral("mnuEdit")), &QMenu::aboutToShow, this, [this] { mnuEdit_Click(); });
}

void frm_Palimor::mnuEdit_Click()
{
    const TreeNode* node = nodes().selectedItem();
    const bool copyable = node && !isRoot(node);
    m_actions->setEntryEnabled(QStringLiteral("mnuECut"), copyable);
    m_actions->setEntryEnabled(QStringLiteral("mnuECopy"), copyable);
    if (gsOpenMode == "r") {
        m_actions->setEntryEnabled(QStringLiteral("mnuEPaste"), false);
        m_actions->setEntryEnabled(QStringLiteral("mnuECut"), false);
    } else {
        m_actions->setEntryEnabled(QStringLiteral("mnuEPaste"), gbClipboardHasStructure());
    }
}

void frm_Palimor::mnuECopy_Click()
{
    const TreeNode* node = nodes().selectedItem();
    // The keys reach this as the menu does: the root and a locked window copy nothing.
    if (m_locked || !node || isRoot(node))
        return;
    gCopyStructure(node, true);
}

void frm_Palimor::mnuECut_Click()
{
    if (gsOpenMode == "r" || m_locked)
        return;
    const TreeNode* node = nodes().selectedItem();
    if (!node || isRoot(node))
        return;
    // Nothing is removed when the copy failed: the structure would be lost.
    if (!gCopyStructure(node, true))
        return;
    mnuEDelete_Click();
}

void frm_Palimor::mnuEPaste_Click()
{
    if (gsOpenMode == "r" || m_locked)
        return;
    gPasteStructure(nodes().selectedItem());
}
