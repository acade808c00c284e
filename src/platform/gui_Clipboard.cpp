#include "gui_Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace platform {

QString SystemClipboard::text() const
{
    const QClipboard* c = QGuiApplication::clipboard();
    return c ? c->text(QClipboard::Clipboard) : QString();
}

void SystemClipboard::setText(const QString& text)
{
    if (QClipboard* c = QGuiApplication::clipboard())
        c->setText(text, QClipboard::Clipboard);
}

} // namespace platform
