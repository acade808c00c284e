#include "mod_Texts.h"

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "Dialogs.h"
#include "mod_Global.h"
#include "mod_Registry.h"

namespace {

enum : int16_t { KindRecordLength = 2, KindMessage = 3, KindLabel = 4, KindQuestion = 5 };

const QString kFallbackLanguage = QStringLiteral("2");
// A language whose cache holds this label has had its texts fetched before.
const QString kCacheMarker = QStringLiteral("pzmnu.File");
const QString kMissingMessageMark = QStringLiteral("??????????");
constexpr int kMissingMarkPosition = 15; // characters 16 to 25

bool g_missingLabelReported = false;
// True while a text is being fetched from the host. A failing host call reports
// itself through the message service, which asks for its own text; that text must
// not go to the host again, or a host that keeps failing never lets the call return.
bool g_fetching = false;

bool isCachedKind(int16_t kind) { return kind >= KindMessage && kind <= KindQuestion; }

bool isMissingMessage(const QString& answer, const QString& code)
{
    return answer.startsWith(code)
           && answer.mid(kMissingMarkPosition, kMissingMessageMark.size()) == kMissingMessageMark;
}

QString fetchFromHost(const QString& code, int16_t kind, const QString& language, int16_t& labelKind)
{
    switch (kind) {
    case KindMessage: {
        QString answer;
        gGetMessage(code, answer, language);
        answer = gsCutAtNul(answer);
        return isMissingMessage(answer, code) ? code : answer;
    }
    case KindLabel: {
        const int width = glFieldLength(QStringLiteral("qxzrn422"), QStringLiteral("clab"));
        QString text;
        int16_t length = 60;
        int16_t height = 1;
        if (glGetLabel(QStringLiteral("qx"), code.leftJustified(width, QLatin1Char(' ')), language, text, length,
                       height, 1, labelKind)
            != 0)
            return QString();
        return text;
    }
    case KindQuestion: {
        QString text;
        if (!gbGetQuestionVrc(QStringLiteral("qx"), code, 2, text, language))
            return QString();
        return gsCutAtNul(text);
    }
    default:
        return QString();
    }
}

QString fetch(const QString& code, int16_t kind, const QString& language, int16_t& labelKind)
{
    if (kind == KindRecordLength) {
        int16_t length = 0;
        gGetRecordLength(code, length);
        return QString::number(length);
    }
    if (g_fetching)
        return QString();
    g_fetching = true;
    QString text = fetchFromHost(code, kind, language, labelKind);
    g_fetching = false;
    return text;
}

bool isFound(const QString& text, const QString& code, int16_t kind)
{
    return !text.isEmpty() && !(kind == KindMessage && text == code);
}

} // namespace

QString gsTextCacheKey(const QString& language) { return gsRegistryKey + QStringLiteral("\\Language.") + language; }

QString gsGetDescription(const QString& code, int16_t kind, QString& language, int16_t& labelKind)
{
    const bool explicitLanguage = language != QLatin1String("0");
    if (!explicitLanguage)
        language = gsUserLanguage;

    const bool cached = isCachedKind(kind);
    const QString key = gsTextCacheKey(language);
    QString text = cached ? gsGetRegString(HKEY_LOCAL_MACHINE, key, code, QString()) : QString();
    if (text.isEmpty()) {
        text = fetch(code, kind, language, labelKind);
        if (cached && isFound(text, code, kind))
            gbSaveRegString(HKEY_LOCAL_MACHINE, key, code, text.trimmed());
    }

    // A text missing in language "2" itself is not asked for a second time.
    if (cached && !explicitLanguage && !isFound(text, code, kind) && language != kFallbackLanguage) {
        QString fallback = kFallbackLanguage;
        text = gsGetDescription(code, kind, fallback, labelKind);
    }
    return text.trimmed();
}

QString gsGetLabel(const QString& code, int16_t& labelKind)
{
    if (code == kCacheMarker
        && gsGetRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey(gsUserLanguage), kCacheMarker, QString()).isEmpty())
        glShowMessage(MessageStatus, 3, StatusBarOnly);

    QString language = QStringLiteral("0");
    QString text = gsGetDescription(code, KindLabel, language, labelKind);
    if (!text.isEmpty())
        return text;
    if (!g_missingLabelReported) {
        g_missingLabelReported = true;
        glShowMessage(MessageGroup3, 1, platform::MbIconExclamation, code);
    }
    return code;
}

void resetTexts()
{
    g_missingLabelReported = false;
    g_fetching = false;
}
