#pragma once
// The system clipboard.
#include "Clipboard.h"

namespace platform {

// The text of the application's clipboard (the system clipboard on a desktop).
class SystemClipboard : public ClipboardPort {
public:
    QString text() const override;
    void setText(const QString& text) override;
};

} // namespace platform
