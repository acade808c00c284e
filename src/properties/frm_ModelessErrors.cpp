#include "frm_ModelessErrors.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHideEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_ModelessErrors.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "Dialogs.h"
#include "Fonts.h"

namespace {

QPointer<QWidget> gpErrorsMainWindow;
QPointer<frm_ModelessErrors> gpErrorsWindow;

// The list takes a third of the main window, within these bounds (pixels), and never
// less than its title needs.
constexpr int kMinListWidth = 200;
constexpr int kMaxListWidth = 420;

// A window manager draws the title larger and bolder than the list's text, between
// the window's icon and its buttons.
int titleWidth(const QWidget* list)
{
    QFont font = list->font();
    font.setBold(true);
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 1.2);
    else
        font.setPixelSize(font.pixelSize() * 6 / 5);
    const int bar = list->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, list);
    return QFontMetrics(font).horizontalAdvance(list->windowTitle()) + 4 * std::max(bar, 16);
}

int listWidthFor(const QWidget* main, const QWidget* list)
{
    return std::max(std::clamp(main->width() / 3, kMinListWidth, kMaxListWidth), titleWidth(list));
}

QMargins frameOf(const QWidget* window)
{
    // Shown, the window has the frame Qt read last; the widget may keep an older one.
    if (window->isVisible() && window->windowHandle())
        return window->windowHandle()->frameMargins();
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

// Asks for a window's geometry, frame excluded. Qt sends nothing for a geometry it takes
// the window to have, but what it takes may be its own guess from before a window manager
// framed the window, or an answer to an older request while a newer one is on its way:
// the window would stay where that one puts it. last: the geometry asked for before; one
// other than that, or one the window does not show, is always sent.
void requestGeometry(QWidget* window, const QRect& geometry, QRect& last)
{
    QWindow* handle = window->windowHandle();
    const bool needed = window->geometry() != geometry || last != geometry;
    const bool sentByQt = window->geometry() != geometry && (!handle || handle->geometry() != geometry);
    last = geometry;
    window->setGeometry(geometry);
    if (!needed || sentByQt || !handle)
        return;
    if (handle->geometry() != geometry)
        handle->setGeometry(geometry);
    else
        handle->resize(geometry.size());  // in place already: resize sends whatever it was told
}

// A frame as a window manager draws it: a title bar above the window, no side negative.
bool isWindowFrame(const QMargins& frame)
{
    return frame.top() > 0 && frame.left() >= 0 && frame.right() >= 0 && frame.bottom() >= 0;
}

bool isShownNormal(const QWidget* main)
{
    return main && main->isVisible()
           && !(main->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized));
}

bool showsMaximized(const QWidget* main)
{
    return main && main->isVisible() && (main->windowState() & Qt::WindowMaximized)
           && !(main->windowState() & (Qt::WindowFullScreen | Qt::WindowMinimized));
}

// The key of the node that stands for the entry's record: a picture's node is "p_"
// even when the entry names it by its field key.
QString nodeKeyOf(const QString& key)
{
    if (!key.startsWith(QLatin1String("f_")))
        return key;
    bool ok = false;
    const int32_t i = key.mid(2).toInt(&ok);
    if (ok && i >= 1 && size_t(i) < gaFields.size() && gaFields[size_t(i)].lControl == ControlKind::Picture)
        return QStringLiteral("p_") + key.mid(2);
    return key;
}

} // namespace

frm_ModelessErrors::frm_ModelessErrors(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Tool), m_main(mainWindow), m_shownRound(gModelessErrorsRound())
{
    setObjectName(QStringLiteral("frm_ModelessErrors"));
    setWindowTitle(platform::applicationTitle() + tr(" - Structure errors"));
    lstErrors = new QListWidget(this);
    lstErrors->setObjectName(QStringLiteral("lstErrors"));
    lstErrors->setSelectionMode(QAbstractItemView::SingleSelection);
    // A message longer than the list is wide goes on over more lines; the shading
    // tells the entries apart.
    lstErrors->setWordWrap(true);
    lstErrors->setResizeMode(QListView::Adjust);
    lstErrors->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstErrors->setAlternatingRowColors(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lstErrors);
    if (goFonts)
        goFonts->SetDefaultFontOfControls(this);

    connect(lstErrors, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { mSelectNode(lstErrors->row(item)); });
    // Enter (and a double click) on an entry.
    connect(lstErrors, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { mSelectNode(lstErrors->row(item)); });
    if (m_main)
        m_main->installEventFilter(this);
}

// The width goes back on hiding: unloadModelessErrorsWindow closes first. Here the
// main window may be half destroyed already (the list is its child).
frm_ModelessErrors::~frm_ModelessErrors() = default;

void frm_ModelessErrors::mShowEntries()
{
    const std::vector<ModelessErrorEntry>& entries = gModelessErrors();
    if (m_shownRound != gModelessErrorsRound() || size_t(lstErrors->count()) > entries.size()) {
        lstErrors->clear();
        m_shownRound = gModelessErrorsRound();
    }
    const NodeTree* tree = gMainTree();
    for (size_t i = size_t(lstErrors->count()); i < entries.size(); ++i) {
        auto* item = new QListWidgetItem(entries[i].sText, lstErrors);
        item->setData(Qt::UserRole, entries[i].sNodeKey);
        if (const TreeNode* node = tree ? tree->node(nodeKeyOf(entries[i].sNodeKey)) : nullptr)
            item->setToolTip(node->text());
    }
    if (!isVisible()) {
        dock();
        m_framed = false;
        show();
        // Placed beside the main window again, and once more when a window manager has
        // framed the list (its first expose), with the frame it got.
        if (QWindow* handle = windowHandle()) {
            handle->installEventFilter(this);
            m_framed = handle->isExposed();
        }
        place();
    }
}

void frm_ModelessErrors::mSelectNode(int row)
{
    const QListWidgetItem* item = lstErrors->item(row);
    NodeTree* tree = gMainTree();
    if (!item || !tree)
        return;
    TreeNode* node = tree->node(nodeKeyOf(item->data(Qt::UserRole).toString()));
    if (!node)
        return;
    tree->setSelectedItem(node);
    tree->setDropHighlight(node);
    tree->ensureVisible(node);
}

void frm_ModelessErrors::mClear()
{
    gClearModelessErrors();
    lstErrors->clear();
    m_shownRound = gModelessErrorsRound();
}

void frm_ModelessErrors::hideEvent(QHideEvent* event)
{
    // Minimizing hides the list with its main window; only a real close gives the
    // width back.
    if (!event->spontaneous())
        undock();
    QWidget::hideEvent(event);
}

void frm_ModelessErrors::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frm_ModelessErrors::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_main || m_placing)
        return QWidget::eventFilter(watched, event);
    // The list's own first expose once shown: a window manager has framed it. The request
    // goes out even for the place the list has: its answer has Qt read the frame anew.
    if (watched == windowHandle() && event->type() == QEvent::Expose && !m_framed && isVisible()
        && windowHandle()->isExposed()) {
        m_framed = true;
        m_requested = QRect();
        place();
        return QWidget::eventFilter(watched, event);
    }
    bool moved = watched == m_main && (event->type() == QEvent::Move || event->type() == QEvent::Resize);
    // A window manager frames a maximized window thinner than one shown normal, and
    // may draw the new frame only after the window was shown normal: the room is made
    // again with that frame.
    const bool exposed = watched == m_main->windowHandle() && event->type() == QEvent::Expose;
    if ((moved || exposed) && m_unmaximized && isShownNormal(m_main)) {
        const QMargins frame = frameOf(m_main);
        if (frame != m_takenFrame && !frame.isNull()) {
            fillBesideList(width(), frame);
            moved = true;
        }
    }
    if (moved && isVisible())
        place();
    return QWidget::eventFilter(watched, event);
}

void frm_ModelessErrors::dock()
{
    if (!m_main)
        return;
    const int width = listWidthFor(m_main, this);
    resize(width, height());
    if (m_narrowedBy == 0 && !m_unmaximized) {
        if (isShownNormal(m_main)) {
            const int before = m_main->width();
            const int after = std::max(before - width, m_main->minimumWidth());
            m_placing = true;
            m_main->resize(after, m_main->height());
            m_placing = false;
            m_narrowedBy = before - after;
        } else if (showsMaximized(m_main)) {
            makeRoomBesideMaximized(width);
        }
    }
    place();
}

// A maximized window cannot give up width: it is shown normal over the screen's area
// but the list's, and maximized again when the list closes.
void frm_ModelessErrors::makeRoomBesideMaximized(int width)
{
    if (!m_main->screen())
        return;
    const QMargins frame = frameOf(m_main);
    m_normalGeometry = m_main->normalGeometry();
    m_unmaximized = true;
    m_placing = true;
    m_main->setWindowState(m_main->windowState() & ~Qt::WindowMaximized);
    m_placing = false;
    fillBesideList(width, frame);
    if (QWindow* handle = m_main->windowHandle())
        handle->installEventFilter(this);
}

void frm_ModelessErrors::fillBesideList(int width, const QMargins& frame)
{
    const QRect area = m_main->screen()->availableGeometry();
    // The list's frame is taken to be the main window's.
    const int listFrameWidth = width + frame.left() + frame.right();
    const int mainWidth =
        std::max(area.width() - listFrameWidth - frame.left() - frame.right(), m_main->minimumWidth());
    m_takenFrame = frame;
    m_placing = true;
    requestGeometry(m_main,
                    QRect(area.left() + frame.left(), area.top() + frame.top(), mainWidth,
                          area.height() - frame.top() - frame.bottom()),
                    m_mainRequested);
    m_placing = false;
}

void frm_ModelessErrors::place()
{
    if (!m_main)
        return;
    // Qt asks the X server for a window's frame once and keeps the answer until the window
    // is configured again: asked before a window manager framed the list, or while it did,
    // it finds none or a half-built one. So the list's frame is not asked for before, and
    // the main window's frame stands in for one not known.
    QMargins own = !isVisible() || m_framed ? frameOf(this) : QMargins();
    if (!isWindowFrame(own))
        own = frameOf(m_main);
    const int frameWidth = width() + own.left() + own.right();
    const QRect frame = m_main->frameGeometry();
    // Beside the main window when it made room, else over its right edge (a main window
    // shown full screen, or maximized again while the list shows).
    const bool beside = (m_narrowedBy > 0 || m_unmaximized) && isShownNormal(m_main);
    int x = beside ? frame.right() + 1 : frame.right() + 1 - frameWidth;
    // The room was made on the screen: a frame wider than taken must not push the
    // list past its edge.
    if (m_unmaximized && m_main->screen())
        x = std::min(x, m_main->screen()->availableGeometry().right() + 1 - frameWidth);
    // One request for place and size: a move, then a resize, may reach a window
    // manager as two requests of which it reads the second by the first's gravity.
    if (isVisible() && !own.isNull())
        requestGeometry(this, QRect(x + own.left(), frame.top() + own.top(), width(), m_main->height()), m_requested);
    else {
        move(x, frame.top());
        resize(width(), m_main->height());
    }
}

void frm_ModelessErrors::undock()
{
    if (m_unmaximized) {
        m_unmaximized = false;
        if (m_main && !(m_main->windowState() & Qt::WindowMaximized)) {
            m_placing = true;
            // The size it had before it was maximized, for when the user restores it.
            if (m_normalGeometry.isValid())
                requestGeometry(m_main, m_normalGeometry, m_mainRequested);
            m_main->setWindowState(m_main->windowState() | Qt::WindowMaximized);
            m_placing = false;
        }
        return;
    }
    if (m_narrowedBy == 0)
        return;
    const int by = m_narrowedBy;
    m_narrowedBy = 0;
    if (m_main) {
        m_placing = true;
        m_main->resize(m_main->width() + by, m_main->height());
        m_placing = false;
    }
}

void installModelessErrorsWindow(QWidget* mainWindow)
{
    if (gpErrorsWindow && gpErrorsMainWindow != mainWindow)
        unloadModelessErrorsWindow();
    gpErrorsMainWindow = mainWindow;
    gSetModelessErrorsShow([] {
        if (!gpErrorsMainWindow)
            return;
        if (!gpErrorsWindow)
            gpErrorsWindow = new frm_ModelessErrors(gpErrorsMainWindow);  // owned by the main window
        gpErrorsWindow->mShowEntries();
    });
}

frm_ModelessErrors* modelessErrorsWindow() { return gpErrorsWindow; }

void focusModelessErrorsWindow()
{
    if (!gpErrorsWindow)
        return;
    if (!gpErrorsWindow->isVisible())
        gpErrorsWindow->mShowEntries();
    gpErrorsWindow->raise();
    gpErrorsWindow->activateWindow();
    gpErrorsWindow->lstErrors->setFocus();
}

void unloadModelessErrorsWindow()
{
    gClearModelessErrors();
    if (!gpErrorsWindow)
        return;
    gpErrorsWindow->close();
    delete gpErrorsWindow.data();
}

void resetModelessErrorsWindow()
{
    unloadModelessErrorsWindow();
    gpErrorsMainWindow = nullptr;
}
