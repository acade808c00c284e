#pragma once
// The clipboard's text, behind one port so that tests can script it.
#include <QString>
#include <memory>

namespace platform {

class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;
    // The text on the clipboard; "" when it holds none.
    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;
};

// Keeps the text in memory and counts the writes.
class ScriptedClipboard : public ClipboardPort {
public:
    QString text() const override { return m_text; }
    void setText(const QString& text) override
    {
        m_text = text;
        ++m_writes;
    }
    int writes() const { return m_writes; }

private:
    QString m_text;
    int m_writes = 0;
};

// The port in use; a ScriptedClipboard until the window layer installs the real one.
ClipboardPort& clipboard();
// nullptr returns to a fresh ScriptedClipboard on next use.
void setClipboard(std::shared_ptr<ClipboardPort> port);
std::shared_ptr<ScriptedClipboard> installScriptedClipboard();
void resetClipboard();

} // namespace platform
