#include "mod_Global.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTime>

#include <string_view>

#include "Dialogs.h"
#include "TickClock.h"
#include "UiHooks.h"

bool gbLogging = false;
bool gbNewLog = false;
QString gsBaseDir;

QHash<QString, QString> goErrorCodeMap;
QHash<QString, QString> goCodeMapKind2;
QHash<QString, QString> goCodeMapKind3;
QHash<QString, QString> goMessageTexts;
bool gbMessageBoxOpen = false;

namespace {

std::optional<uint32_t> g_previousTick;

const QString kCurrentLog = QStringLiteral("PalmryEd.txt");

// Copies source over target; a missing source leaves the target alone.
void copyOver(const QDir& dir, const QString& source, const QString& target)
{
    const QString from = dir.filePath(source);
    if (!QFileInfo::exists(from))
        return;
    const QString to = dir.filePath(target);
    QFile::remove(to);
    QFile::copy(from, to);
}

QString elapsedText(uint32_t ms)
{
    QString s = QString::number(double(ms) / 1000.0, 'f', 3);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        s.replace(QLatin1Char('.'), point);
    return s;
}

} // namespace

QString logDirectory()
{
    QString fromEnv = qEnvironmentVariable("PALIMOR_LOG_DIR");
    if (!fromEnv.isEmpty()) {
        QDir().mkpath(fromEnv);
        return fromEnv;
    }
    if (!gsBaseDir.isEmpty()) {
        const QString underBase = QDir(gsBaseDir).filePath(QStringLiteral("log"));
        if (QFileInfo(underBase).isDir())
            return QDir::cleanPath(underBase);
    }
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                   + QStringLiteral("/palimor/log");
    QDir().mkpath(data);
    return data;
}

void gWriteLog(const QString& text)
{
    if (!gbLogging)
        return;
    const uint32_t now = platform::tickCount();
    if (!g_previousTick)
        g_previousTick = now;
    const uint32_t elapsed = now - *g_previousTick;  // unsigned: survives the wrap

    const QDir dir(logDirectory());
    QFile file(dir.filePath(kCurrentLog));
    bool open = false;
    if (gbNewLog) {
        copyOver(dir, QStringLiteral("Palmry2.txt"), QStringLiteral("Palmry3.txt"));
        copyOver(dir, QStringLiteral("Palmry1.txt"), QStringLiteral("Palmry2.txt"));
        copyOver(dir, kCurrentLog, QStringLiteral("Palmry1.txt"));
        open = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    } else {
        open = file.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    if (open) {
        QString body = text;
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        const QString line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss")) + QStringLiteral(" (")
                             + elapsedText(elapsed) + QStringLiteral(") - ") + body + QLatin1Char('\n');
        file.write(line.toUtf8());
        file.close();
    }
    g_previousTick = now;
}

void resetLog() { g_previousTick.reset(); }

QString gsCutAtNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString numberWithSign(int64_t n)
{
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

// ---- Message service --------------------------------------------------------------

namespace {

struct CodeEntry {
    int32_t number;
    std::string_view code;
};

struct QuestionEntry {
    int32_t number;
    std::string_view code;
    std::string_view titleLabel;  // empty: no title label
};

constexpr QuestionEntry kTableQ[] = {
    {1, "plqx0001", "pzfrm.DelGroup"},
    {2, "plqx0002", "pzfrm.DelField"},
    {3, "plqx0003", ""},
    {4, "plqx0004", "pzfrm.DelSpCmd"},
    {5, "plqx0005", "pzfrm.DelSpCmd"},
    {6, "plqx0006", "pzfrm.DelGroup"},
    {7, "plqx0007", "pzfrm.DelField"},
    {8, "plqx0010", ""},
    {9, "plqx0011", ""},
    {10, "plqx0012", ""},
    {11, "plqx0013", ""},
};

constexpr CodeEntry kTableS[] = {
    {1, "plqx0401"}, {2, "plqx0402"}, {3, "plqx0403"}, {5, "plqx0405"}, {6, "plqx0406"},
    {7, "plqx0407"}, {8, "plqx0408"}, {10, "plqx0410"}, {11, "plqx0411"},
};

constexpr CodeEntry kTableE[] = {
    {429, "plqx0212"}, {35602, "plqx0302"}, {35614, "plqx0314"},
};
constexpr std::string_view kUnknownRuntimeError = "plqx0000";

constexpr CodeEntry kTableM2[] = {
    {3, "plqx0101"},  {4, "plqx0102"},  {5, "plqx0103"},  {6, "plqx0104"},  {7, "plqx0110"},
    {9, "plqx0105"},  {10, "plqx0106"}, {11, "plqx0107"}, {13, "plqx0108"}, {14, "plqx0109"},
    {15, "plqx0114"}, {16, "plqx0115"}, {17, "plqx0116"}, {18, "plqx0117"}, {20, "plqx0119"},
    {21, "plqx0120"}, {22, "plqx0121"}, {23, "plqx0122"}, {24, "plqx0123"}, {25, "plqx0124"},
    {26, "plqx0125"}, {27, "plqx0126"}, {28, "plqx0127"}, {29, "plqx0128"}, {30, "plqx0129"},
    {31, "plqx0130"}, {32, "plqx0131"}, {33, "plqx0132"}, {34, "plqx0133"}, {35, "plqx0134"},
    {36, "plqx0139"}, {37, "plqx0140"}, {38, "plqx0141"}, {39, "plqx0146"}, {40, "plqx0148"},
    {41, "plqx0149"}, {43, "plqx0151"},
};

constexpr CodeEntry kTableM3[] = {
    {1, "plqx0201"},  {3, "plqx0212"},  {4, "plqx0202"},  {5, "plqx0203"},  {6, "plqx0204"},
    {9, "plqx0207"},  {10, "plqx0208"}, {11, "plqx0209"}, {13, "plqx0213"}, {14, "plqx0214"},
    {15, "plqx0217"}, {16, "plqx0218"}, {17, "zrnd0014"},
    // The editor's own: form identity refused, definitions not read (whole load, part
    // of it), field limit reached; structure not pasted, not copied, debug view not
    // written, not opened; form not stored, with why; form identity not text.
    {20, "plqx0220"}, {21, "plqx0221"}, {22, "plqx0222"}, {23, "plqx0223"},
    {24, "plqx0224"}, {25, "plqx0225"}, {26, "plqx0226"}, {27, "plqx0227"},
    {28, "plqx0228"}, {29, "plqx0229"},
};

template <size_t N>
std::optional<QString> lookUp(const CodeEntry (&table)[N], int32_t number)
{
    for (const CodeEntry& e : table)
        if (e.number == number)
            return QString::fromLatin1(e.code.data(), qsizetype(e.code.size()));
    return std::nullopt;
}

const QuestionEntry* question(int32_t number)
{
    for (const QuestionEntry& e : kTableQ)
        if (e.number == number)
            return &e;
    return nullptr;
}

QString latin1(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

const QString kPackagePrefix = QStringLiteral("qx");

MessageTextSource g_texts;

QString description(const QString& code, int16_t kind, QString& language, int16_t& labelKind)
{
    Q_ASSERT_X(g_texts.description, "message service", "no text source: installCoreHooks() was not called");
    return g_texts.description ? g_texts.description(code, kind, language, labelKind) : QString();
}

QString label(const QString& code, int16_t& labelKind)
{
    Q_ASSERT_X(g_texts.label, "message service", "no text source: installCoreHooks() was not called");
    return g_texts.label ? g_texts.label(code, labelKind) : QString();
}

// Host message text (the text service's kind 3) in the user's language.
QString hostMessage(const QString& code)
{
    QString language = QStringLiteral("0");
    int16_t labelKind = 11;
    return description(code, 3, language, labelKind);
}

// Replaces the first occurrence of what; false when there is none.
bool replaceFirst(QString& t, const QString& what, const QString& with)
{
    const qsizetype at = t.indexOf(what);
    if (at < 0)
        return false;
    t.replace(at, what.size(), with);
    return true;
}

} // namespace

QString gsGetMessageCode(uint8_t kind, int32_t number)
{
    const QString key = QString::number(number);
    QHash<QString, QString>* cache = nullptr;
    std::optional<QString> code;
    switch (kind) {
    case MessageRuntimeError:
        cache = &goErrorCodeMap;
        if (const auto it = cache->constFind(key); it != cache->constEnd())
            return *it;
        code = lookUp(kTableE, number);
        if (!code)
            return latin1(kUnknownRuntimeError);  // answered, never cached
        break;
    case MessageGroup2:
        cache = &goCodeMapKind2;
        if (const auto it = cache->constFind(key); it != cache->constEnd())
            return *it;
        code = lookUp(kTableM2, number);
        break;
    case MessageGroup3:
        cache = &goCodeMapKind3;
        if (const auto it = cache->constFind(key); it != cache->constEnd())
            return *it;
        code = lookUp(kTableM3, number);
        break;
    default:
        return QString();
    }
    if (!code)
        return QString();
    cache->insert(key, *code);
    return *code;
}

// Copies on purpose: fetching the text may change what a caller passed.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
int16_t glShowMessage(uint8_t kind, int32_t number, int16_t buttons, QString a1, QString a2, QString a3)
{
    QString title;
    QString text;
    if (kind == MessageQuestion) {
        const QuestionEntry* entry = question(number);
        const QString code = entry ? latin1(entry->code) : QString();
        if (entry && !entry->titleLabel.empty()) {
            int16_t labelKind = 11;
            title = label(latin1(entry->titleLabel), labelKind);
        }
        QString language = QStringLiteral("0");
        int16_t labelKind = 11;
        text = description(code, 5, language, labelKind);
        if (text.isEmpty()) {
            gbMessageBoxOpen = true;
            platform::dialogs().messageBox(QStringLiteral("Error retrieving question"), platform::MbOk,
                                           platform::applicationTitle());
            gbMessageBoxOpen = false;
            return platform::IdCancel;
        }
    } else if (kind == MessageStatus) {
        text = hostMessage(kPackagePrefix + lookUp(kTableS, number).value_or(QString()));
    } else {
        const QString code = kPackagePrefix + gsGetMessageCode(kind, number);
        if (const auto it = goMessageTexts.constFind(code); it != goMessageTexts.constEnd()) {
            text = *it;
        } else {
            text = hostMessage(code);
            // A text that could not be had is asked for again next time.
            if (!text.isEmpty())
                goMessageTexts.insert(code, text);
        }
    }
    return giDisplayMessage(text, buttons, title, a1, a2, a3);
}

int16_t giDisplayMessage(QString& text, int16_t buttons, const QString& title, const QString& a1,
                         const QString& a2, const QString& a3)
{
    text = gsFormatMessage(text, a1, a2, a3);
    if (buttons == StatusBarOnly) {
        if (ui::hooks().setStatusText)
            ui::hooks().setStatusText(text.trimmed());
        return 0;
    }
    gbMessageBoxOpen = true;
    const int result = platform::dialogs().messageBox(text.trimmed(), buttons,
                                                      title.isEmpty() ? platform::applicationTitle() : title);
    gbMessageBoxOpen = false;
    gWriteLog(QStringLiteral("Message: ") + text);
    return int16_t(result);
}

QString gsFormatMessage(const QString& text, const QString& a1, const QString& a2, const QString& a3)
{
    QString t = text;
    const QString lineBreak = QStringLiteral("\r\n");
    t.replace(QStringLiteral("%n"), lineBreak);
    t.replace(QStringLiteral("++"), lineBreak);

    const QString plain = QStringLiteral("%s");
    if (t.contains(plain)) {
        // Each search runs on the text as already changed.
        replaceFirst(t, plain, a1);
        replaceFirst(t, plain, a2);
        replaceFirst(t, plain, a3);
        return t;
    }
    if (replaceFirst(t, QStringLiteral("%1$s"), a1)) {
        if (replaceFirst(t, QStringLiteral("%2$s"), a2))
            replaceFirst(t, QStringLiteral("%3$s"), a3);
        return t;
    }
    if (!a1.isEmpty())
        return t + QLatin1Char(':') + a1 + QStringLiteral(", ") + a2 + QStringLiteral(", ") + a3;
    return t;
}

void setMessageTextSource(const MessageTextSource& source) { g_texts = source; }

void resetMessageService()
{
    goErrorCodeMap.clear();
    goCodeMapKind2.clear();
    goCodeMapKind3.clear();
    goMessageTexts.clear();
    gbMessageBoxOpen = false;
}

void resetGlobal()
{
    gbLogging = false;
    gbNewLog = false;
    gsBaseDir.clear();
    resetLog();
    resetMessageService();
}
