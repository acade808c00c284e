#include "gui_Cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform {

namespace {

bool g_ownOverride = false;  // our one entry on the override-cursor stack
int g_modalDepth = 0;

QCursor waitShape() { return QCursor(g_modalDepth > 0 ? Qt::ArrowCursor : Qt::WaitCursor); }

bool haveGui() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

} // namespace

void showMousePointer(Pointer p)
{
    if (!haveGui())
        return;
    if (p == Pointer::Hourglass) {
        if (g_ownOverride) {
            QGuiApplication::changeOverrideCursor(waitShape());
        } else {
            QGuiApplication::setOverrideCursor(waitShape());
            g_ownOverride = true;
        }
    } else if (g_ownOverride) {
        QGuiApplication::restoreOverrideCursor();
        g_ownOverride = false;
    }
}

ArrowWhileModal::ArrowWhileModal()
{
    ++g_modalDepth;
    if (g_ownOverride && haveGui())
        QGuiApplication::changeOverrideCursor(waitShape());
}

ArrowWhileModal::~ArrowWhileModal()
{
    --g_modalDepth;
    if (g_ownOverride && haveGui())
        QGuiApplication::changeOverrideCursor(waitShape());
}

} // namespace platform
