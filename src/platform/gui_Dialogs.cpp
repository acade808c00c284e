#include "gui_Dialogs.h"

#include "gui_Cursor.h"
#include "gui_Screen.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace platform {

namespace {

struct ButtonOfResult {
    int result;
    QMessageBox::StandardButton button;
};

constexpr ButtonOfResult kButtons[] = {
    {IdOk, QMessageBox::Ok},         {IdCancel, QMessageBox::Cancel}, {IdAbort, QMessageBox::Abort},
    {IdRetry, QMessageBox::Retry},   {IdIgnore, QMessageBox::Ignore}, {IdYes, QMessageBox::Yes},
    {IdNo, QMessageBox::No},
};

QMessageBox::StandardButton buttonOf(int result)
{
    for (const ButtonOfResult& b : kButtons)
        if (b.result == result)
            return b.button;
    return QMessageBox::Ok;
}

QMessageBox::Icon iconOf(int style)
{
    switch (style & 0xF0) {
    case MbIconCritical: return QMessageBox::Critical;
    case MbIconQuestion: return QMessageBox::Question;
    case MbIconExclamation: return QMessageBox::Warning;
    case MbIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// The input as wide as the text it starts with, as far as the screen has room: a text
// wider than the input shows scrolled to its end, its start cut off.
void widenForText(QInputDialog& dialog, const QString& text)
{
    auto* edit = dialog.findChild<QLineEdit*>();
    if (!edit)
        return;
    const QFontMetrics metrics = edit->fontMetrics();
    // The input's frame and margins: what its own size hint gives beyond its 17 characters.
    const int frame = std::max(0, edit->sizeHint().width() - 17 * metrics.horizontalAdvance(u'x'));
    // A character more, for the cursor standing after the last one.
    const int wanted = metrics.horizontalAdvance(text) + metrics.horizontalAdvance(u'x') + frame;
    const int room = roomFor(&dialog).width() * 9 / 10;
    edit->setMinimumWidth(std::min(wanted, room));
}

} // namespace

int WidgetDialogs::messageBox(const QString& text, int style, const QString& title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    // Host texts may hold '<' and '&'; they are never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(iconOf(style));

    const std::vector<int> results = buttonResults(style);
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    buttons.reserve(results.size());
    for (int result : results)
        buttons.emplace_back(box.addButton(buttonOf(result)), result);
    box.setDefaultButton(buttonOf(defaultResult(style)));
    if (box.button(QMessageBox::Cancel))
        box.setEscapeButton(QMessageBox::Cancel);
    else if (buttons.size() == 1)
        box.setEscapeButton(buttons.front().first);

    {
        ArrowWhileModal arrow;
        box.exec();
    }
    const QAbstractButton* clicked = box.clickedButton();
    for (const auto& [button, result] : buttons)
        if (button == clicked)
            return result;
    return defaultResult(style);
}

std::optional<QString> WidgetDialogs::inputBox(const QString& prompt, const QString& title,
                                               const QString& defaultText)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(title.isEmpty() ? applicationTitle() : title);
    dialog.setLabelText(prompt);
    if (QLabel* label = dialog.findChild<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    dialog.setTextValue(defaultText);
    widenForText(dialog, defaultText);

    ArrowWhileModal arrow;
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

} // namespace platform
