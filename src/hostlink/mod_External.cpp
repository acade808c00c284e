#include "mod_External.h"

#include <call_text.h>

#include <algorithm>

QString msExtCallText;
VrokResult mvExtResult = int16_t(0);

namespace ext {

bool call(const QString& object, const QString& callText, int16_t firstOut, int16_t lastOut)
{
    msExtCallText = callText;
    return gbExecuteFunction(object, msExtCallText, firstOut, lastOut, mvExtResult);
}

QString resultText()
{
    if (const auto* s = std::get_if<QString>(&mvExtResult))
        return *s;
    return QStringLiteral("0");
}

int16_t result16() { return int16_t(std::clamp<int64_t>(calltext::roundedValue(resultText()), INT16_MIN, INT16_MAX)); }

int32_t result32() { return int32_t(std::clamp<int64_t>(calltext::roundedValue(resultText()), INT32_MIN, INT32_MAX)); }

QString text(const QString& value) { return gsQuote(value); }

QString blanks(int n) { return gsQuote(QString(std::max(0, n), QLatin1Char(' '))); }

QString number(int64_t value) { return QString::number(value); }

QString callText(const QString& name, const QStringList& args)
{
    return name + args.join(QLatin1Char(',')) + QLatin1Char(')');
}

} // namespace ext

void resetExternal()
{
    msExtCallText.clear();
    mvExtResult = int16_t(0);
}
