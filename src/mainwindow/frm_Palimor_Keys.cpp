// The main window's keyboard: the window sees every key pressed in it before its
// control does, and the tree's shortcuts run the Edit menu's commands, the moves, the
// debug view and the property dialog.
#include "frm_Palimor.h"

#include "mod_Clipboard.h"
#include "mod_VrokGlobal.h"
#include "NodeTreeWidget.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "frm_Properties.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr int16_t kShift = 1;
constexpr int16_t kCtrl = 2;
constexpr int16_t kAlt = 4;

int16_t shiftBits(Qt::KeyboardModifiers m)
{
    return int16_t(((m & Qt::ShiftModifier) ? kShift : 0) | ((m & Qt::ControlModifier) ? kCtrl : 0)
                   | ((m & Qt::AltModifier) ? kAlt : 0));
}

// The symbols Shift gives on the digit row of the common layout, for events that come
// without a scan code.
constexpr std::pair<int, int> kShiftedDigits[] = {
    {Qt::Key_Exclam, Qt::Key_1},      {Qt::Key_At, Qt::Key_2},        {Qt::Key_NumberSign, Qt::Key_3},
    {Qt::Key_Dollar, Qt::Key_4},      {Qt::Key_Percent, Qt::Key_5},   {Qt::Key_AsciiCircum, Qt::Key_6},
    {Qt::Key_Ampersand, Qt::Key_7},   {Qt::Key_Asterisk, Qt::Key_8},  {Qt::Key_ParenLeft, Qt::Key_9},
    {Qt::Key_ParenRight, Qt::Key_0},
};

// The key as the keyboard has it: a key of the digit row is its digit, whatever symbol
// the layout and Shift put on it.
int physicalKey(const QKeyEvent& e)
{
    const int key = e.key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key;
    // X keyboard codes, which xcb and wayland pass on: 10 to 18 are "1" to "9", 19 is "0".
    const QString platform = QGuiApplication::platformName();
    const quint32 scan = e.nativeScanCode();
    if ((platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"))) && scan >= 10
        && scan <= 19)
        return scan == 19 ? int(Qt::Key_0) : int(Qt::Key_1) + int(scan - 10);
    if (scan == 0)
        for (const auto& [symbol, digit] : kShiftedDigits)
            if (key == symbol)
                return digit;
    return key;
}

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// Keys the tree acts on: letters and digits (its search, the shortcuts), its moves
// and the window's other shortcuts. Only these take the focus to the tree; a
// modifier alone, Tab or Space stay with the control that has the focus.
constexpr int kTreeKeys[] = {Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Left,     Qt::Key_Right, Qt::Key_Home,
                             Qt::Key_End,    Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_F5,    Qt::Key_F10,
                             Qt::Key_Insert, Qt::Key_Delete, Qt::Key_Return,   Qt::Key_Enter};

bool isTreeKey(int key)
{
    return (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)
           || std::find(std::begin(kTreeKeys), std::end(kTreeKeys), key) != std::end(kTreeKeys);
}

// Hands the keys of the window's controls to the window first.
class KeyPreview : public QObject {
public:
    explicit KeyPreview(frm_Palimor& window) : QObject(&window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != &m_window)
            return false;
        // A key goes to the focus widget first and then up to its parents: the window
        // sees it once, at the first of them. The menus keep their own keys.
        QWidget* focus = QApplication::focusWidget();
        if (widget != (focus ? focus : &m_window) || qobject_cast<QMenuBar*>(widget) || qobject_cast<QMenu*>(widget))
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        int code = physicalKey(*key);
        const int16_t shift = shiftBits(key->modifiers());
        m_window.Form_KeyDown(code, shift);
        if (code == 0)
            return true;
        return widget == m_window.tvwGroups && !(shift & kCtrl) && isEnter(code)
               && m_window.tvwGroups_KeyPress(13);
    }

private:
    frm_Palimor& m_window;
};

} // namespace

void frm_Palimor::installKeyPreview() { qApp->installEventFilter(new KeyPreview(*this)); }

void frm_Palimor::Form_KeyDown(int& KeyCode, int16_t Shift)
{
    if (propertiesDialogExists() && propertiesDialog().isVisible()) {
        propertiesDialog().activateWindow();
        return;
    }
    if (tvwGroups->hasFocus()) {
        bool used = false;
        if (KeyCode == Qt::Key_F5 && Shift == 0) {
            mRefreshNodeTexts(true, true);
            mRefreshNodeTexts(false, true);
            used = true;
        } else if (Shift == kShift) {
            used = shiftKey(KeyCode);
        } else if (Shift == kCtrl && m_tree->selectedItem()) {
            used = ctrlKey(KeyCode);
        } else if (Shift == kAlt && m_tree->selectedItem() && isEnter(KeyCode)
                   && m_actions->entryEnabled(QStringLiteral("mnuEProperties"))) {
            mnuEProperties_Click();
            used = true;
        }
        if (used) {
            KeyCode = 0;
            return;
        }
    }
    if (tvwGroups->isEnabled() && !tvwGroups->hasFocus() && isTreeKey(KeyCode)) {
        tvwGroups->setFocus();
        // The control it was pressed on has lost the focus: the key ends here, or an
        // arrow would take the focus on from the tree to the next button.
        KeyCode = 0;
    }
}

bool frm_Palimor::shiftKey(int KeyCode)
{
    mnuEdit_Click();
    TreeNode* node = m_tree->selectedItem();
    switch (KeyCode) {
    case Qt::Key_6:
        if (node && (gbIsFieldKey(node->key()) || gbIsGroupKey(node->key())))
            gbShowDebugView(node);
        return true;
    case Qt::Key_9:
        mInsertPickedTableFields();
        return false;
    case Qt::Key_0:
        mCopyOneViewFields();
        return false;
    case Qt::Key_Insert:
        if (mbEditingRefused() || !m_actions->entryEnabled(QStringLiteral("mnuEPaste")))
            return false;
        mnuEPaste_Click();
        return true;
    case Qt::Key_Delete:
        if (mbEditingRefused() || !m_actions->entryEnabled(QStringLiteral("mnuECut")))
            return false;
        mnuECut_Click();
        return true;
    case Qt::Key_F10:
        if (!node)
            return false;
        mSetMenuState();
        if (const QTreeWidgetItem* item = tvwGroups->itemOf(node))
            mShowEditPopup(tvwGroups->viewport()->mapToGlobal(tvwGroups->visualItemRect(item).bottomLeft()));
        else
            mShowEditPopup(tvwGroups->mapToGlobal(tvwGroups->rect().center()));
        return true;
    default:
        return false;
    }
}

bool frm_Palimor::ctrlKey(int KeyCode)
{
    static const std::pair<int, const char*> kMoves[] = {
        {Qt::Key_Up, "mnuMUp"}, {Qt::Key_Down, "mnuMDown"}, {Qt::Key_Left, "mnuMLeft"}, {Qt::Key_Right, "mnuMRight"}};
    for (const auto& [key, entry] : kMoves) {
        if (KeyCode != key)
            continue;
        mSetMenuState();
        // Read-only switches the Move menu off, not its entries. The arrow is used up
        // either way: the tree would move its selection with it.
        if (!mbEditingRefused() && m_actions->entryEnabled(QStringLiteral("mnuMove"))
            && m_actions->entryEnabled(QLatin1String(entry)))
            m_actions->runEntry(QLatin1String(entry));
        return true;
    }
    mnuEdit_Click();
    if (KeyCode == Qt::Key_Insert && m_actions->entryEnabled(QStringLiteral("mnuECopy"))) {
        mnuECopy_Click();
        return true;
    }
    if (KeyCode == Qt::Key_1 && !mbEditingRefused() && m_actions->entryEnabled(QStringLiteral("mnuEInsertField"))) {
        mInsertPictureAtSelection();
        return true;
    }
    return false;
}
