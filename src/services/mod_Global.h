#pragma once
// Shared services: the diagnostic log, the message service and small value routines.
#include <QString>
#include <QHash>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>

#include <call_text.h>

// ---- Diagnostic log -------------------------------------------------------------

// The log switch; gWriteLog does nothing while it is false.
extern bool gbLogging;
// True only while the first entry of a run is written: that entry rotates the files.
extern bool gbNewLog;
// The installation's base directory (the program's directory and "/..").
extern QString gsBaseDir;

// Writes one entry "hh:mm:ss (s.mmm) - text". Never fails towards the caller.
void gWriteLog(const QString& text);

// Where the log files live: $PALIMOR_LOG_DIR, else gsBaseDir/log when it exists,
// else a "palimor/log" directory in the user's data location (created).
QString logDirectory();

// Forgets the tick of the previous entry (tests).
void resetLog();

// ---- Value routines ---------------------------------------------------------------

template <typename T>
void gIncrement(T& v)
{
    v = static_cast<T>(v + 1);
}

template <typename T>
void gDecrement(T& v)
{
    v = static_cast<T>(v - 1);
}

template <typename T, typename U>
void gAdd(T& a, const U& b)
{
    a = static_cast<T>(a + b);
}

template <typename T, typename U>
void gSubtract(T& a, const U& b)
{
    a = static_cast<T>(a - b);
}

// On a tie both return their first argument.
template <typename A, typename B>
std::common_type_t<A, B> gMax(const A& a, const B& b)
{
    return a >= b ? std::common_type_t<A, B>(a) : std::common_type_t<A, B>(b);
}

template <typename A, typename B>
std::common_type_t<A, B> gMin(const A& a, const B& b)
{
    return a <= b ? std::common_type_t<A, B>(a) : std::common_type_t<A, B>(b);
}

// The characters before the first NUL, or the whole text.
QString gsCutAtNul(const QString& text);

// Selects the whole text of an enabled, non-empty text control (anything with
// text(), isEnabled() and setSelection(start, length), such as a line edit).
template <typename Control>
void gSelectAllText(Control& ctl)
{
    if (!ctl.isEnabled())
        return;
    const QString text = ctl.text();
    if (text.isEmpty())
        return;
    ctl.setSelection(0, int(text.size()));
}

// Numeric value of a text (blanks ignored, leading number, half to even), clamped
// into the receiving integer type.
template <typename T>
T valueOfText(const QString& text)
{
    static_assert(std::is_integral_v<T>);
    const int64_t v = calltext::roundedValue(text);
    return static_cast<T>(std::clamp<int64_t>(v, int64_t(std::numeric_limits<T>::min()),
                                              int64_t(std::numeric_limits<T>::max())));
}

// VB-style number text: a leading blank when the number is not negative.
QString numberWithSign(int64_t n);

// ---- Message service --------------------------------------------------------------

// Message kinds.
enum : uint8_t {
    MessageQuestion = 0,
    MessageRuntimeError = 1,
    MessageGroup2 = 2,
    MessageGroup3 = 3,
    MessageStatus = 4,
};

// Style value that sends the text to the status bar instead of a message box.
inline constexpr int16_t StatusBarOnly = -1;

// Number -> code caches of kinds 1 to 3 (key: the number in decimal).
extern QHash<QString, QString> goErrorCodeMap;
extern QHash<QString, QString> goCodeMapKind2;
extern QHash<QString, QString> goCodeMapKind3;
// Full message code ("qx" prefix included) -> text, kinds 1 to 3.
extern QHash<QString, QString> goMessageTexts;
// True while a message box of this service is open.
extern bool gbMessageBoxOpen;

// Shows message kind/number; returns the box's result, 2 when a question has no
// text, 0 when the text went to the status bar (buttons == -1).
// The arguments are taken as copies: fetching the text calls the host, which may
// change the very variables a caller passed (the last call text among them).
int16_t glShowMessage(uint8_t kind, int32_t number, int16_t buttons, QString a1 = QString(), QString a2 = QString(),
                      QString a3 = QString());

// The code without the "qx" prefix, or "".
QString gsGetMessageCode(uint8_t kind, int32_t number);

// Formats text into itself and shows it (box or status bar).
int16_t giDisplayMessage(QString& text, int16_t buttons, const QString& title, const QString& a1 = QString(),
                         const QString& a2 = QString(), const QString& a3 = QString());

QString gsFormatMessage(const QString& text, const QString& a1 = QString(), const QString& a2 = QString(),
                        const QString& a3 = QString());

// Where the message service gets its texts: the host link's text service
// (gsGetDescription, gsGetLabel), a layer above. installCoreHooks sets it at start-up;
// unset, every text is "". The resets leave it: it is wiring, not state.
struct MessageTextSource {
    QString (*description)(const QString& code, int16_t kind, QString& language, int16_t& labelKind) = nullptr;
    QString (*label)(const QString& code, int16_t& labelKind) = nullptr;
};
void setMessageTextSource(const MessageTextSource& source);

// Empties the caches and clears gbMessageBoxOpen (tests).
void resetMessageService();

// Log, message service and the module switches back to their start values.
void resetGlobal();
