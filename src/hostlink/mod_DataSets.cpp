#include "mod_DataSets.h"

#include <data_sets.h>

#include "mod_Global.h"

// Look-ups of a data set or field that was never registered find nothing: lengths,
// positions and offsets are 0 and the readers give no value. No caller asks for one
// on purpose, so a 0 points at a typing fault rather than at host data.

QHash<QString, int16_t> goDataSets;
QHash<QString, int32_t> goDataSetFields;
std::array<std::array<QString, 61>, 35> gasDataSetFieldNames;
int32_t glBytesPerChar = 1;

namespace {

uint32_t g_revision = 0;

constexpr int kMaxPosition = 60;
constexpr int kMaxSet = 34;

bool (*g_formVersionSupports)(int32_t mask) = nullptr;

QString key(const QString& set, const QString& field, const char* suffix)
{
    return set + QLatin1Char('.') + field + QLatin1String(suffix);
}

int32_t entry(const QString& set, const QString& field, const char* suffix)
{
    return goDataSetFields.value(key(set, field, suffix), 0);
}

bool isRegistered(const QString& set, const QString& field)
{
    return goDataSetFields.contains(key(set, field, ".spos"));
}

int16_t setNumber(const QString& set)
{
    const int16_t n = goDataSets.value(set, 0);
    return n >= 1 && n <= kMaxSet ? n : int16_t(0);
}

// The code at a position of a set, "" where nothing is registered.
const QString& codeAt(int16_t number, int32_t position)
{
    static const QString none;
    if (number < 1 || number > kMaxSet || position < 1 || position > kMaxPosition)
        return none;
    return gasDataSetFieldNames[size_t(number)][size_t(position)];
}

// Characters start .. start + len - 1 (1-based) of a text, as many as there are.
QString mid1(const QString& text, int32_t start, int32_t len)
{
    if (start < 1 || len <= 0 || start > text.size())
        return QString();
    return text.mid(start - 1, len);
}

void registerSet(const datasets::DataSetLayout& set)
{
    goDataSets.insert(set.name, set.number);
    for (size_t i = 0; i < set.fields.size(); ++i) {
        const datasets::FieldLayout& f = set.fields[i];
        mAddDataSetField(set.name, f.code, int32_t(i + 1), f.declaredLength, int16_t(f.type));
    }
}

bool isFormSet(const QString& name)
{
    return name == QLatin1String("qxzrn200") || name == QLatin1String("qxzrn300");
}

// Reads the field at a known start; the common part of both readers.
std::optional<QString> readAt(const QString& set, const QString& field, const QString& buffer, int32_t start,
                              int32_t& next)
{
    const int32_t len = glFieldLength(set, field);
    if (entry(set, field, ".dtyp") == datasets::HostText) {
        const int32_t d = glPosOfChr1(buffer, start);
        if (d < 0) {
            next = start + len + 1;
            return std::nullopt;
        }
        next = start + d + 1;
        return datasets::trimBlanks(mid1(buffer, start, d));
    }
    next = start + len;
    return datasets::trimBlanks(mid1(buffer, start, len));
}

} // namespace

void mAddDataSetField(const QString& set, const QString& field, int32_t position, int32_t length, int16_t type)
{
    ++g_revision;
    if (type == datasets::HostText)
        length *= glBytesPerChar;
    goDataSetFields.insert(key(set, field, ".spos"), position);
    goDataSetFields.insert(key(set, field, ".flen"), length);
    goDataSetFields.insert(key(set, field, ".dtyp"), type);
    const int16_t number = setNumber(set);
    if (number > 0 && position >= 1 && position <= kMaxPosition)
        gasDataSetFieldNames[size_t(number)][size_t(position)] = field;
}

void gInitFormDataSets()
{
    for (const datasets::DataSetLayout& set : datasets::allLayouts(true))
        if (isFormSet(set.name))
            registerSet(set);
}

void gInitDataSets()
{
    // The group layout ends in zb_tabp and zb_selg only where the form version stores them.
    Q_ASSERT_X(g_formVersionSupports, "gInitDataSets", "no form version test: installCoreHooks() was not called");
    const bool selectionGroups = g_formVersionSupports && g_formVersionSupports(128);
    for (const datasets::DataSetLayout& set : datasets::allLayouts(selectionGroups))
        if (!isFormSet(set.name))
            registerSet(set);
    gWriteLog(QStringLiteral("Field Data Loaded"));
}

void setFormVersionTest(bool (*supports)(int32_t mask)) { g_formVersionSupports = supports; }

int32_t glFieldLength(const QString& set, const QString& field)
{
    return entry(set, field, ".flen");
}

int32_t glFieldOffset(const QString& set, const QString& field, bool noSeparators)
{
    if (!isRegistered(set, field))
        return 0;
    const int16_t number = setNumber(set);
    const int32_t position = entry(set, field, ".spos");
    int32_t offset = 1;
    for (int32_t p = 1; p < position; ++p) {
        const QString& code = codeAt(number, p);
        if (code.isEmpty())
            continue;
        offset += glFieldLength(set, code);
        if (!noSeparators && entry(set, code, ".dtyp") == datasets::HostText)
            ++offset;
    }
    return offset;
}

int32_t glFieldEnd(const QString& set, const QString& field)
{
    if (!isRegistered(set, field))
        return 0;
    const bool hostText = entry(set, field, ".dtyp") == datasets::HostText;
    return glFieldOffset(set, field, false) - 1 + glFieldLength(set, field) + (hostText ? 1 : 0);
}

void gGetRecordLength(const QString& set, int16_t& length)
{
    // Worked out once a set while nothing is registered anew: the loaders ask for every batch.
    static std::array<std::optional<int16_t>, kMaxSet + 1> known;
    static std::optional<uint32_t> knownAt;
    if (knownAt != g_revision) {
        known.fill(std::nullopt);
        knownAt = g_revision;
    }
    const int16_t number = setNumber(set);
    length = 0;
    if (number == 0)
        return;
    if (const std::optional<int16_t> k = known[size_t(number)]) {
        length = *k;
        return;
    }
    int32_t last = 0;
    while (last < kMaxPosition && !codeAt(number, last + 1).isEmpty())
        ++last;
    if (last > 0)
        length = int16_t(glFieldEnd(set, codeAt(number, last)));
    known[size_t(number)] = length;
}

int32_t glFieldOffsetIn(const QString& set, const QString& field, const QString& record)
{
    if (!isRegistered(set, field))
        return 0;
    const int16_t number = setNumber(set);
    const int32_t position = entry(set, field, ".spos");
    int32_t offset = 1;
    for (int32_t p = 1; p < position; ++p) {
        const QString& code = codeAt(number, p);
        if (code.isEmpty())
            continue;
        if (entry(set, code, ".dtyp") == datasets::HostText) {
            const int32_t d = glPosOfChr1(record, offset);
            // An earlier host-text field without its end: the field is not in the record.
            if (d < 0)
                return 0;
            offset += d + 1;
        } else {
            offset += glFieldLength(set, code);
        }
    }
    return offset;
}

int32_t glPosOfChr1(const QString& buffer, int32_t start)
{
    if (start < 1)
        start = 1;
    const qsizetype at = buffer.indexOf(datasets::kEndOfText, start - 1);
    return at < 0 ? -1 : int32_t(at + 1) - start;
}

std::optional<QString> gGetBufferField(const QString& set, const QString& field, const QString& record,
                                       int32_t& next)
{
    if (!isRegistered(set, field))
        return std::nullopt;
    const int32_t start = glFieldOffsetIn(set, field, record);
    if (start < 1) {
        next = int32_t(record.size()) + 1;
        return std::nullopt;
    }
    return readAt(set, field, record, start, next);
}

std::optional<QString> gGetBufferFieldAt(const QString& set, const QString& field, const QString& buffer,
                                         int32_t& position)
{
    if (!isRegistered(set, field) || position < 1)
        return std::nullopt;
    return readAt(set, field, buffer, position, position);
}

uint32_t glDataSetsRevision() { return g_revision; }

void resetDataSets()
{
    ++g_revision;
    goDataSets.clear();
    goDataSetFields.clear();
    for (auto& row : gasDataSetFieldNames)
        row.fill(QString());
    glBytesPerChar = 1;
}
