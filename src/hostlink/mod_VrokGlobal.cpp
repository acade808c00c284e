#include "mod_VrokGlobal.h"

#include <data_sets.h>

#include "Dialogs.h"
#include "Process.h"
#include "mod_Global.h"
#include "mod_Registry.h"

FixedString<2> gsPackage;
FixedString<3> gsModule;
QString gsFormCode;
FixedString<1> gsLanguage;
FixedString<1> gsLabelLanguage;
FixedString<1> gsDesignLanguage;
QString gsUserLanguage;
FixedString<4> gsVersion;
FixedString<2> gsRelease;
FixedString<4> gsCustomer;
QString gsTable;
int16_t giStartMode = 0;
int16_t giToolsVersion = 0;
FixedString<1> gsOpenMode;
QString gsHeader;
QString gsAutomationClass;

QString gsSession;
QString gsSessionVersion;
QString gsSessionRelease;
QString gsSessionCustomer;
QString gsTablePackage;
QString gsTableModule;
QString gsTableNumber;
QString gsSessionModule;
QString gsProgramScript;
bool gbFormTypeChecked = false;
QString gsUndecodableIdentity;

namespace {

// Characters of the 1-based columns; "" past the end of the text.
QString columns(const QString& record, int first, int width)
{
    if (first > record.size())
        return QString();
    return record.mid(first - 1, width);
}

QString restFrom(const QString& record, int first)
{
    if (first > record.size())
        return QString();
    return record.mid(first - 1);
}

QString hexMark(uint32_t code) { return QStringLiteral("<%1>").arg(code, 2, 16, QLatin1Char('0')).toUpper(); }

// The first identity field of the record whose columns hold a byte that is no text,
// shown; "" when none does.
QString undecodableIdentity(const QString& record)
{
    const QList<platform::UndecodableByte>& bytes = platform::undecodableBytes();
    if (bytes.isEmpty() || record != platform::commandLine())
        return QString();
    // Package, module, form code, form language, label language, version, release, customer.
    constexpr std::pair<int, int> kIdentityColumns[] = {{1, 2},  {4, 3},  {8, 9},  {18, 1},
                                                        {20, 1}, {24, 4}, {29, 2}, {32, 4}};
    for (const auto& [first, width] : kIdentityColumns) {
        const qsizetype from = first - 1;
        QString shown;
        qsizetype taken = from;
        for (const platform::UndecodableByte& b : bytes) {
            if (b.index < from || b.index >= from + width)
                continue;
            shown += gsShowControls(record.mid(taken, b.index - taken)) + hexMark(b.value);
            taken = b.index + 1;
        }
        if (taken != from)
            return datasets::trimBlanks(shown + gsShowControls(record.mid(taken, from + width - taken)));
    }
    return QString();
}

} // namespace

bool gbIsControlCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

QString gsShowControls(const QString& text)
{
    QString shown;
    for (const QChar c : text)
        shown += gbIsControlCharacter(c) ? hexMark(c.unicode()) : QString(c);
    return shown;
}

void mReadStartParameters()
{
    const QString line = platform::commandLine();
    QString record;
    if (line == QLatin1String(kChooseClassSwitch)) {
        const std::optional<QString> chosen = platform::dialogs().inputBox(
            QStringLiteral("Automation Class"), QStringLiteral("Vrok Environment"),
            QStringLiteral("Vrok.Application.VandorMatrix"));
        gsAutomationClass = chosen.value_or(QString());
    } else {
        gsAutomationClass = QLatin1String(kDefaultAutomationClass);
        record = line;
    }

    gsPackage = columns(record, 1, 2);
    gsModule = columns(record, 4, 3);
    // Blanks only: a tab or a line break at either end stays, to be refused with the rest.
    gsFormCode = datasets::trimBlanks(columns(record, 8, 9));
    gsLanguage = columns(record, 18, 1);
    gsLabelLanguage = columns(record, 20, 1);
    gsUserLanguage = columns(record, 22, 1);

    const QString userLanguage = gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("UserLanguage"),
                                                QString()).trimmed();
    if (userLanguage.size() == 1)
        gsUserLanguage = userLanguage;

    gsVersion = columns(record, 24, 4);
    gsRelease = columns(record, 29, 2);
    gsCustomer = columns(record, 32, 4);
    gsUndecodableIdentity = undecodableIdentity(record);
    const QString table = columns(record, 37, 8).trimmed();
    gsTable = table.size() == 8 ? table : QString();
    // With a tail, column 47 is ";" and the start mode's value stops there.
    giStartMode = valueOfText<int16_t>(columns(record, 46, 2));

    const bool extended = columns(record, 47, 1) == QLatin1String(";");
    const int s = extended ? 4 : 0;
    giToolsVersion = extended ? valueOfText<int16_t>(columns(record, 48, 3)) : int16_t(0);
    gsOpenMode = columns(record, 48 + s, 1);
    gsHeader.clear();
    const QString marker = columns(record, 49 + s, 1);
    const int from = 50 + s;
    if (marker == QLatin1String(",")) {
        gsHeader = restFrom(record, from);
    } else if (marker == QLatin1String(";")) {
        const int32_t length = mlLengthToComma(record, from);
        gsAutomationClass = record.mid(from - 1, length);
        gsHeader = restFrom(record, from + length + 1);
    }

    gWriteLog(QStringLiteral("Table,userlang,header, configname, tools version: ") + gsTable + QStringLiteral(", ")
              + gsUserLanguage + QLatin1Char(',') + gsHeader + QLatin1Char(',') + gsAutomationClass
              + QLatin1Char(',') + QString::number(giToolsVersion));
}

int32_t mlLengthToComma(const QString& text, int32_t start)
{
    if (start < 1 || start > text.size())
        return 0;
    const qsizetype comma = text.indexOf(QLatin1Char(','), start - 1);
    if (comma < 0)
        return int32_t(text.size()) - start + 1;
    return int32_t(comma) - (start - 1);
}

bool gbNoSessionTable() { return gsTable.isEmpty() || (giStartMode != 1 && giStartMode != 5); }

bool gbIsStartMode4() { return giStartMode == 4; }

bool gbBitSet(int32_t number, int16_t bit)
{
    if (bit < 0 || bit > 8)
        return false;
    return (uint32_t(number) >> bit) & 1u;
}

int32_t glBitsToLong(const std::vector<bool>& flags)
{
    if (flags.size() > 9)
        return 0;
    int32_t sum = 0;
    for (size_t i = 0; i < flags.size(); ++i)
        if (flags[i])
            sum += int32_t(1) << i;
    return sum;
}

void resetVrokGlobal()
{
    gsPackage = QString();
    gsModule = QString();
    gsFormCode.clear();
    gsLanguage = QString();
    gsLabelLanguage = QString();
    gsDesignLanguage = QString();
    gsUserLanguage.clear();
    gsVersion = QString();
    gsRelease = QString();
    gsCustomer = QString();
    gsTable.clear();
    giStartMode = 0;
    giToolsVersion = 0;
    gsOpenMode = QString();
    gsHeader.clear();
    gsAutomationClass.clear();
    gsSession.clear();
    gsSessionVersion.clear();
    gsSessionRelease.clear();
    gsSessionCustomer.clear();
    gsTablePackage.clear();
    gsTableModule.clear();
    gsTableNumber.clear();
    gsSessionModule.clear();
    gsProgramScript.clear();
    gbFormTypeChecked = false;
    gsUndecodableIdentity.clear();
}
