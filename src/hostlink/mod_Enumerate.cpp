#include "mod_Enumerate.h"

#include <optional>

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "UserSettings.h"
#include "mod_Global.h"

std::vector<EnumValueRecord> gaEnumFieldType(1);
std::vector<EnumValueRecord> gaEnumZoomType(1);
std::vector<EnumValueRecord> gaEnumDataAlign(1);
std::vector<EnumValueRecord> gaEnumLabelPos(1);
std::vector<EnumValueRecord> gaEnumInputKind(1);
std::vector<EnumValueRecord> gaEnumCommandType(1);

const QString gasEnumDomains[6] = {QStringLiteral("zrn.typf"), QStringLiteral("zrn.zoom"),
                                   QStringLiteral("zrn.adju"), QStringLiteral("zrn.lpos"),
                                   QStringLiteral("zrn.type"), QStringLiteral("zrn.btyp")};

namespace {

const QString kPackage = QStringLiteral("qx");
const QString kDomainSet = QStringLiteral("domainset");
const QString kEnumSet = QStringLiteral("enum set");

// The cache is present for a language once this entry holds something; it is written last.
const QString kMarkerSection = QStringLiteral("zrn.adju");
const QString kMarkerKey = QStringLiteral("1");

// A cached value is the constant name in 15 characters (the width of ctnm), then the
// description; double quotes are doubled in both.
constexpr int kCachedNameWidth = 15;

// Host buffers hold at most this many characters.
constexpr int kMaxRequest = 4050;

struct CacheEntry {
    QString section;
    QString key;
    QString value;
};

// Entries of the host load, written only when it is complete.
std::vector<CacheEntry> g_pending;

std::vector<EnumValueRecord>* tableOf(const QString& domain)
{
    static const std::pair<const char*, std::vector<EnumValueRecord>*> tables[] = {
        {"zrn.typf", &gaEnumFieldType}, {"zrn.zoom", &gaEnumZoomType},   {"zrn.adju", &gaEnumDataAlign},
        {"zrn.lpos", &gaEnumLabelPos},  {"zrn.type", &gaEnumInputKind}, {"zrn.btyp", &gaEnumCommandType},
    };
    for (const auto& [code, table] : tables)
        if (domain == QLatin1String(code))
            return table;
    return nullptr;
}

void resetTables()
{
    for (const QString& d : gasEnumDomains)
        tableOf(d)->assign(1, EnumValueRecord{});
}

QString application() { return gsEnumCacheApplication(gsUserLanguage.trimmed()); }

std::optional<int32_t> wholeNumber(const QString& text)
{
    bool ok = false;
    const int32_t v = text.trimmed().toInt(&ok);
    return ok ? std::optional<int32_t>(v) : std::nullopt;
}

QString doubledQuotes(QString text) { return text.replace(QLatin1Char('"'), QStringLiteral("\"\"")); }

// Length of a text as the call text carries it.
qsizetype quotedLength(const QString& text) { return text.size() + text.count(QLatin1Char('"')); }

void reportRefusal(const QString& function, const std::optional<int16_t>& hostAnswer)
{
    gWriteLog(QStringLiteral("Enum Data Not Loaded: ") + function + QStringLiteral(" failed"));
    // A call that failed on its way has been shown already; a refusal has not.
    if (hostAnswer)
        glShowMessage(MessageGroup3, 3, platform::MbIconCritical, function, numberWithSign(*hostAnswer));
}

bool writeCache()
{
    const QString app = application();
    const CacheEntry* marker = nullptr;
    for (const CacheEntry& e : g_pending) {
        if (e.section == kMarkerSection && e.key == kMarkerKey) {
            marker = &e;
            continue;
        }
        if (!platform::saveSetting(app, e.section, e.key, e.value))
            return false;
    }
    return !marker || platform::saveSetting(app, marker->section, marker->key, marker->value);
}

struct DomainLoad {
    QString domain;
    int32_t count = 0;
};

// A domain's request record: its key, then room for its head and its constants.
QString enumRequest(const DomainLoad& d, int32_t headLength, int32_t constantLength)
{
    return (kPackage + d.domain).leftJustified(headLength + constantLength * d.count, QLatin1Char(' '));
}

// Sends one enum request for the domains and reads the answer; false when the call
// failed or the answer was short.
bool loadEnumBatch(const std::vector<DomainLoad>& batch, int32_t headLength, int32_t constantLength)
{
    QString buffer;
    for (const DomainLoad& d : batch)
        buffer += enumRequest(d, headLength, constantLength);
    std::optional<int16_t> answer;
    if (!gbGetEnumSet(buffer, &answer)) {
        reportRefusal(QStringLiteral("get.enum.set("), answer);
        return false;
    }
    int32_t position = headLength + 1;
    for (size_t i = 0; i < batch.size(); ++i) {
        if (!mReadEnumRows(buffer, batch[i].count, batch[i].domain, position)) {
            gWriteLog(QStringLiteral("Enum Data Not Loaded: the answer for ") + kPackage + batch[i].domain
                      + QStringLiteral(" is incomplete"));
            return false;
        }
        if (i + 1 < batch.size())
            position += headLength;
    }
    return true;
}

} // namespace

QString gsEnumCacheApplication(const QString& language)
{
    return QStringLiteral("Palimor\\Enums\\Language.") + language;
}

void gENUM_FillEnums()
{
    resetTables();
    gWriteLog(QStringLiteral("gENUM_FillEnums"));
    const QString marker = platform::getSetting(application(), kMarkerSection, kMarkerKey, QString());
    platform::setMousePointer(platform::Pointer::Hourglass);
    if (marker.isEmpty()) {
        if (!mLoadEnumsFromHost())
            return;
    } else {
        for (const QString& d : gasEnumDomains)
            mReadEnumCache(d);
    }
    gWriteLog(QStringLiteral("Enum Data Loaded"));
}

bool mLoadEnumsFromHost()
{
    g_pending.clear();

    int16_t recordLength = 0;
    gGetRecordLength(kDomainSet, recordLength);
    QString buffer;
    for (const QString& d : gasEnumDomains)
        buffer += datasets::fixedWidth(kPackage + d, recordLength);
    std::optional<int16_t> answer;
    if (recordLength <= 0 || !gbGetDomains(buffer, &answer)) {
        reportRefusal(QStringLiteral("get.domains("), answer);
        return false;
    }

    const int32_t head = glFieldLength(kEnumSet, QStringLiteral("cpac"))
                         + glFieldLength(kEnumSet, QStringLiteral("cdom"))
                         + glFieldLength(kEnumSet, QStringLiteral("yesv"));
    const int32_t constant = glFieldLength(kEnumSet, QStringLiteral("cnst"))
                             + glFieldLength(kEnumSet, QStringLiteral("ctnm"))
                             + glFieldLength(kEnumSet, QStringLiteral("edes")) + 1;
    // One domain's request must fit in one buffer by itself.
    const int32_t perRequest = (kMaxRequest - head) / constant;

    std::vector<DomainLoad> loads;
    for (int i = 0; i < 6; ++i) {
        const QString record = buffer.mid(qsizetype(i) * recordLength, recordLength);
        int32_t next = 0;
        const std::optional<int32_t> ncns =
            wholeNumber(gGetBufferField(kDomainSet, QStringLiteral("ncns"), record, next).value_or(QString()));
        if (!ncns) {
            gWriteLog(QStringLiteral("Enum Data Not Loaded: no number of constants for ") + kPackage
                      + gasEnumDomains[i]);
            return false;
        }
        int32_t count = gMax(gMin(*ncns, kMaxEnumsPerDomain), 0);
        if (count > perRequest) {
            gWriteLog(QStringLiteral("Enums of ") + kPackage + gasEnumDomains[i] + QStringLiteral(" read up to ")
                      + QString::number(perRequest));
            count = perRequest;
        }
        loads.push_back({gasEnumDomains[i], count});
    }

    std::vector<DomainLoad> batch;
    qsizetype batchLength = 0;
    for (const DomainLoad& d : loads) {
        const qsizetype length = quotedLength(enumRequest(d, head, constant));
        if (!batch.empty() && batchLength + length > kMaxRequest) {
            if (!loadEnumBatch(batch, head, constant))
                return false;
            batch.clear();
            batchLength = 0;
        }
        batch.push_back(d);
        batchLength += length;
    }
    if (!batch.empty() && !loadEnumBatch(batch, head, constant))
        return false;

    const bool written = writeCache();
    if (!written)
        gWriteLog(QStringLiteral("Enum cache not written"));
    g_pending.clear();
    return true;
}

bool mReadEnumRows(const QString& buffer, int32_t count, const QString& domain, int32_t& position)
{
    for (int32_t i = 0; i < count; ++i) {
        const std::optional<QString> cnst = gGetBufferFieldAt(kEnumSet, QStringLiteral("cnst"), buffer, position);
        const std::optional<QString> name = gGetBufferFieldAt(QStringLiteral("qxzrn401"), QStringLiteral("ctnm"),
                                                              buffer, position);
        const std::optional<QString> desc = gGetBufferFieldAt(QStringLiteral("qxzrn402"), QStringLiteral("edes"),
                                                              buffer, position);
        const std::optional<int32_t> value = wholeNumber(cnst.value_or(QString()));
        if (!desc || !value)
            return false;
        mStoreEnumValue(domain, *value, name.value_or(QString()), *desc, true);
    }
    return true;
}

void mReadEnumCache(const QString& domain)
{
    gWriteLog(QStringLiteral("Getting Enums for ") + kPackage + domain.trimmed());
    for (const auto& [key, setting] : platform::getAllSettings(application(), domain.trimmed())) {
        const std::optional<int32_t> value = wholeNumber(key);
        if (!value) {
            gWriteLog(QStringLiteral("Enum cache entry skipped: ") + domain.trimmed() + QLatin1Char(' ') + key);
            continue;
        }
        const QString name = gsUnquote(setting.left(kCachedNameWidth).trimmed());
        const QString desc = gsUnquote(setting.mid(kCachedNameWidth).trimmed());
        mStoreEnumValue(domain, *value, name, desc, false);
    }
}

void mStoreEnumValue(const QString& domain, int32_t value, const QString& name, const QString& description,
                     bool fromHost)
{
    const QString code = domain.trimmed();
    const QString desc = description.isEmpty() ? name : description;
    gWriteLog(QStringLiteral("Enum PackageDomain = ") + domain + QStringLiteral("\r\n\tEnum Value = ")
              + QString::number(value) + QStringLiteral(", Enum Name = ") + name
              + QStringLiteral(", Enum Description = ") + desc);

    std::vector<EnumValueRecord>* table = tableOf(code);
    if (!table)
        return;
    // In 64 bits: a cached key may hold the lowest 32-bit number.
    const int64_t index = code == QLatin1String("zrn.adju") ? int64_t(value) - 1 : int64_t(value);
    if (index < 0 || index >= kMaxEnumConstants) {
        const QString what = QString::number(value) + QStringLiteral(" (") + kPackage + code + QLatin1Char('.') + name
                             + QLatin1Char(')');
        gWriteLog(QStringLiteral("Enum value out of range: ") + what);
        glShowMessage(MessageGroup2, 27, platform::MbIconExclamation, what);
        return;
    }
    if (fromHost)
        g_pending.push_back({code, QString::number(value),
                             doubledQuotes(name).leftJustified(kCachedNameWidth, QLatin1Char(' '))
                                 + doubledQuotes(desc)});

    if (code == QLatin1String("zrn.typf") && name == QLatin1String("input.alone"))
        return;
    if (size_t(index) >= table->size())
        table->resize(size_t(index) + 1);
    EnumValueRecord& entry = (*table)[size_t(index)];
    entry.sName = name;
    entry.lValue = value;
    entry.sDesc = desc;
    if (code == QLatin1String("zrn.adju") && name == QLatin1String("none")) {
        int16_t labelKind = 11;
        entry.sDesc = gsGetLabel(QStringLiteral("pzzrn301.link"), labelKind);
    }
}

void resetEnumerate()
{
    resetTables();
    g_pending.clear();
}
