#pragma once
// Message box and input box, behind one port so that tests can script the answers.
//
// Styles and results use the classic message-box numbering the callers expect:
// buttons in the low bits (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel,
// 4 Yes/No, 5 Retry/Cancel), icons 16 critical, 32 question, 48 exclamation,
// 64 information, default button 0/256/512; results 1 OK, 2 Cancel, 3 Abort,
// 4 Retry, 5 Ignore, 6 Yes, 7 No.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

enum MsgBoxResult : int16_t { IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6, IdNo = 7 };
enum MsgBoxStyle : int16_t {
    MbOk = 0, MbOkCancel = 1, MbAbortRetryIgnore = 2, MbYesNoCancel = 3, MbYesNo = 4, MbRetryCancel = 5,
    MbIconCritical = 16, MbIconQuestion = 32, MbIconExclamation = 48, MbIconInformation = 64,
    MbDefButton2 = 256, MbDefButton3 = 512,
};

// The result a message box gives when the user just confirms its default button. A
// default button beyond the box's buttons is the first one; an unknown button set
// is an OK box.
int defaultResult(int style);

// The buttons of a style, left to right, as results.
std::vector<int> buttonResults(int style);

// The answer of a box that nobody can see: a message (one button) its default button,
// a question the answer that changes nothing (Cancel, else No, else its default).
int unattendedResult(int style);

class DialogPort {
public:
    virtual ~DialogPort() = default;
    virtual int messageBox(const QString& text, int style, const QString& title) = 0;
    // nullopt when the user cancels.
    virtual std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
};

// Records every text shown and answers from a queue; with the queue empty a message
// box answers its default button and an input box confirms its default text. A box
// without a title is recorded with applicationTitle(), as it would be shown.
class ScriptedDialogs : public DialogPort {
public:
    struct Shown {
        enum Kind { Message, Input } kind;
        QString text;   // message text or input prompt
        QString title;
        int style = 0;  // message boxes only
    };

    int messageBox(const QString& text, int style, const QString& title) override;
    std::optional<QString> inputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;

    void queueAnswer(int result) { m_answers.push_back(result); }
    void queueInput(std::optional<QString> text) { m_inputs.push_back(std::move(text)); }

    const std::vector<Shown>& shown() const { return m_shown; }
    QStringList texts() const;
    void clear();

private:
    std::deque<int> m_answers;
    std::deque<std::optional<QString>> m_inputs;
    std::vector<Shown> m_shown;
};

// The port in use. Without one set, a ScriptedDialogs is made on first use, so that
// no code path blocks on a window when nothing has installed the real dialogs.
DialogPort& dialogs();
// nullptr returns to a fresh ScriptedDialogs on next use.
void setDialogs(std::shared_ptr<DialogPort> port);
// A run without a window: while windowless() answers true, dialogs() is port instead of
// the port in use, so that no box waits for anyone. Cleared by resetDialogs() and by a
// null port.
void setWindowlessDialogs(std::shared_ptr<DialogPort> port, std::function<bool()> windowless);
// True while the windowless port answers in place of the port in use.
bool dialogsWindowless();
// Installs a fresh ScriptedDialogs and returns it (tests).
std::shared_ptr<ScriptedDialogs> installScriptedDialogs();
void resetDialogs();

// The application's title, used when a message box has none.
QString applicationTitle();

} // namespace platform
