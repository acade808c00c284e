// The table-field picker's entries dragged onto the main window's tree, which makes
// the new field where the entry is let go.
#include "frm_TableFields.h"

#include "mod_VrokGlobal.h"
#include "NodeTreeWidget.h"
#include "MainWindowInterface.h"
#include "NodeTree.h"
#include "mod_Palimor.h"
#include "mod_Records.h"
#include "Dialogs.h"
#include "mod_Global.h"

void frm_TableFields::registerDragHandler()
{
    NodeTreeWidget::DragHandler drag;
    drag.starting = [this](TreeNode* node, Qt::MouseButton button) { return tvwFields_MouseMove(button, node); };
    // A drag from elsewhere is let go here only to be told that it cannot be.
    drag.over = [this](const QString& source, const QString&, const QPoint&) {
        return source != tvwFields->objectName();
    };
    drag.dropped = [this](const QString& source, const QString&, const QPoint&) { tvwFields_DragDrop(source); };
    tvwFields->setDragHandler(std::move(drag));
}

bool frm_TableFields::tvwFields_MouseMove(Qt::MouseButton Button, TreeNode* node)
{
    const int32_t entry = node ? node->keyNumber() : -1;
    if (Button != Qt::LeftButton || entry < 1 || entry > gnTableFieldCount || size_t(entry) >= gaTableFields.size()
        || gsOpenMode == "r" || (m_main && m_main->isLocked()))
        return false;
    if (gaTableFields[size_t(entry)].bCombined) {
        glShowMessage(MessageGroup2, 13, platform::MbIconExclamation);
        return false;
    }
    // The drop inserts the picker's selected entry.
    tvwFields->nodes().setSelectedItem(node);
    return true;
}

void frm_TableFields::tvwFields_DragDrop(const QString& source)
{
    if (source != tvwFields->objectName())
        glShowMessage(MessageGroup2, 14, platform::MbIconExclamation);
}
