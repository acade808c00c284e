#include "mod_Texts.h"

#include "hostlink/mod_VrokGlobal.h"

namespace {
DescriptionSource g_source;
}

QString gsGetDescription(const QString& code, int16_t kind, QString& language, int16_t& labelKind)
{
    if (language == QLatin1String("0"))
        language = gsUserLanguage;
    // The registry cache and the host lookups come with the host-text calls.
    if (!g_source)
        return QString();
    return g_source(code, kind, language).trimmed();
}

QString gsGetLabel(const QString& code, int16_t& labelKind)
{
    QString language = QStringLiteral("0");
    const QString text = gsGetDescription(code, 4, language, labelKind);
    return text.isEmpty() ? code : text;
}

void setDescriptionSource(DescriptionSource source) { g_source = std::move(source); }

void resetTexts() { g_source = nullptr; }
