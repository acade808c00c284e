#include "gui_Screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace platform {

namespace {

QMargins frameOf(const QWidget* w)
{
    const QRect frame = w->frameGeometry();
    const QRect inner = w->geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

// A window that has been shown knows its frame; a frame of nothing but zeros may be
// a window manager's that has not framed it yet.
bool hasFrame(const QWidget* w)
{
    return w->isWindow() && w->isVisible() && !w->isFullScreen() && !frameOf(w).isNull();
}

} // namespace

QMargins windowFrame(const QWidget* window)
{
    if (window && hasFrame(window))
        return frameOf(window);
    for (const QWidget* w : QApplication::topLevelWidgets())
        if (w != window && hasFrame(w) && !(w->windowFlags() & Qt::FramelessWindowHint))
            return frameOf(w);
    // A title bar and thin borders; at a scale above 1 the window manager's frame does
    // not grow with the program's pixels, so this is more than enough.
    return {4, 30, 4, 4};
}

QRect roomFor(const QWidget* window)
{
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return QRect(0, 0, 1024, 768);
    return screen->availableGeometry().marginsRemoved(windowFrame(window));
}

QRect fittedGeometry(const QWidget* window, const QRect& wanted)
{
    const QRect room = roomFor(window);
    QSize size = wanted.size().boundedTo(room.size());
    if (window)
        size = size.expandedTo(window->minimumSize()).boundedTo(window->maximumSize());
    const int x = std::clamp(wanted.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width()));
    const int y = std::clamp(wanted.y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height()));
    return QRect(QPoint(x, y), size);
}

void fitOnScreen(QWidget* window, const QWidget* over)
{
    if (!window)
        return;
    QRect wanted = window->geometry();
    if (over)
        wanted.moveCenter(over->window()->geometry().center());
    const QRect fitted = fittedGeometry(window, wanted);
    if (fitted != window->geometry())
        window->setGeometry(fitted);
}

} // namespace platform
