#include "Dialogs.h"

#include <algorithm>

namespace platform {

namespace {

constexpr int ButtonMask = 0x0F;
constexpr int DefButtonMask = 0xF00;

std::shared_ptr<DialogPort>& currentPort()
{
    static std::shared_ptr<DialogPort> port;
    return port;
}

struct Windowless {
    std::shared_ptr<DialogPort> port;
    std::function<bool()> active;
};

Windowless& windowlessPort()
{
    static Windowless w;
    return w;
}

} // namespace

std::vector<int> buttonResults(int style)
{
    switch (style & ButtonMask) {
    case MbOkCancel: return {IdOk, IdCancel};
    case MbAbortRetryIgnore: return {IdAbort, IdRetry, IdIgnore};
    case MbYesNoCancel: return {IdYes, IdNo, IdCancel};
    case MbYesNo: return {IdYes, IdNo};
    case MbRetryCancel: return {IdRetry, IdCancel};
    default: return {IdOk};
    }
}

int defaultResult(int style)
{
    const std::vector<int> buttons = buttonResults(style);
    const size_t index = static_cast<size_t>((style & DefButtonMask) >> 8);
    return index < buttons.size() ? buttons[index] : buttons.front();
}

int unattendedResult(int style)
{
    const std::vector<int> buttons = buttonResults(style);
    if (buttons.size() == 1)
        return defaultResult(style);
    for (const int quiet : {IdCancel, IdNo})
        if (std::find(buttons.begin(), buttons.end(), quiet) != buttons.end())
            return quiet;
    return defaultResult(style);
}

int ScriptedDialogs::messageBox(const QString& text, int style, const QString& title)
{
    m_shown.push_back({Shown::Message, text, title.isEmpty() ? applicationTitle() : title, style});
    if (m_answers.empty())
        return defaultResult(style);
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedDialogs::inputBox(const QString& prompt, const QString& title,
                                                 const QString& defaultText)
{
    m_shown.push_back({Shown::Input, prompt, title.isEmpty() ? applicationTitle() : title, 0});
    if (m_inputs.empty())
        return defaultText;
    const bool cancelled = !m_inputs.front().has_value();
    const QString text = cancelled ? QString() : *m_inputs.front();
    m_inputs.pop_front();
    if (cancelled)
        return std::nullopt;
    return text;
}

QStringList ScriptedDialogs::texts() const
{
    QStringList list;
    for (const Shown& s : m_shown)
        list.append(s.text);
    return list;
}

void ScriptedDialogs::clear()
{
    m_answers.clear();
    m_inputs.clear();
    m_shown.clear();
}

bool dialogsWindowless()
{
    const Windowless& windowless = windowlessPort();
    return windowless.port && windowless.active && windowless.active();
}

DialogPort& dialogs()
{
    if (dialogsWindowless())
        return *windowlessPort().port;
    std::shared_ptr<DialogPort>& port = currentPort();
    if (!port)
        port = std::make_shared<ScriptedDialogs>();
    return *port;
}

void setDialogs(std::shared_ptr<DialogPort> port) { currentPort() = std::move(port); }

std::shared_ptr<ScriptedDialogs> installScriptedDialogs()
{
    auto scripted = std::make_shared<ScriptedDialogs>();
    currentPort() = scripted;
    return scripted;
}

void setWindowlessDialogs(std::shared_ptr<DialogPort> port, std::function<bool()> windowless)
{
    windowlessPort() = port ? Windowless{std::move(port), std::move(windowless)} : Windowless{};
}

void resetDialogs()
{
    currentPort().reset();
    windowlessPort() = Windowless{};
}

QString applicationTitle() { return QStringLiteral("Palimor"); }

} // namespace platform
