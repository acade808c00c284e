#pragma once
// The real message and input boxes.
#include "Dialogs.h"

namespace platform {

// Message boxes with the buttons, default button and icon of the style bits, texts
// shown as plain text; results in the classic numbering. The input box answers
// nullopt when cancelled.
class WidgetDialogs : public DialogPort {
public:
    int messageBox(const QString& text, int style, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
};

} // namespace platform
