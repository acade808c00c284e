#include "data_sets.h"

#include <algorithm>

namespace datasets {

namespace {

struct FieldSpec {
    const char* code;
    int32_t length;
    FieldType type;
};

struct SetSpec {
    int16_t number;
    const char* name;
    std::vector<FieldSpec> fields;
};

constexpr FieldType F = Fixed;
constexpr FieldType T = HostText;

// The fields of "qxzrn315" that only newer form versions store; they end its layout.
constexpr int kSelectionGroupFields = 2;

const std::vector<SetSpec>& specs()
{
    static const std::vector<SetSpec> table = {
        {1, "qxzrn400",
         {{"cpac", 2, F}, {"cdom", 12, F}, {"vers", 4, F}, {"rele", 2, F}, {"cust", 4, F}, {"desc", 60, T},
          {"leng", 4, F}, {"lene", 4, F}, {"difo", 30, F}, {"digb", 3, F}, {"diga", 3, F}}},
        {2, "qxzrn422",
         {{"cpac", 2, F}, {"cmod", 3, F}, {"flno", 3, F}, {"vers", 4, F}, {"rele", 2, F}, {"cust", 4, F},
          {"fdnm", 8, F}, {"fdno", 4, F}, {"comb", 1, F}, {"pacd", 2, F}, {"cdom", 12, F}, {"repf", 1, F},
          {"dept", 3, F}, {"mand", 1, F}, {"iniv", 30, T}, {"acti", 1, F}, {"rfpa", 2, F}, {"rfmo", 3, F},
          {"rffn", 3, F}, {"rffd", 8, F}, {"refm", 3, F}, {"rfin", 1, F}, {"rfup", 3, F}, {"rfde", 3, F},
          {"rfmc", 12, F}, {"rfmp", 2, F}, {"clab", 17, F}}},
        {3, "qxzrn316", {{"btyp", 3, F}, {"sern", 5, F}, {"mscf", 25, F}, {"sequ", 5, F}}},
        {4, "qxzrn315",
         {{"grpi", 4, F}, {"repe", 1, F}, {"levl", 3, F}, {"labl", 17, F}, {"fram", 1, F}, {"inso", 1, F},
          {"inmo", 1, F}, {"pare", 4, F}, {"prev", 4, F}, {"next", 4, F}, {"chld", 4, F}, {"fld1", 5, F},
          {"algr", 4, F}, {"virt", 1, F}, {"wdth", 4, F}, {"za_revi", 4, F}, {"za_cbox", 1, F}, {"za_newp", 1, F},
          {"za_besi", 1, F}, {"za_misc", 4, F}, {"zb_tabp", 8, F}, {"zb_selg", 1, F}}},
        {5, "qxzrn301",
         {{"sequ", 5, F}, {"xpos", 4, F}, {"ypos", 4, F}, {"fldn", 17, F}, {"elem", 4, F}, {"pacd", 2, F},
          {"cdom", 12, F}, {"typf", 3, F}, {"difo", 30, F}, {"difl", 1, F}, {"mini", 4, F}, {"maxd", 4, F},
          {"mxdl", 1, F}, {"maxi", 4, F}, {"mxil", 1, F}, {"sttp", 4, F}, {"zoom", 3, F}, {"zprg", 15, F},
          {"zopm", 1, F}, {"zret", 17, F}, {"defa", 1, F}, {"cmes", 12, F}, {"echo", 1, F}, {"flen", 4, F},
          {"mand", 1, F}, {"dcex", 20, F}, {"labl", 34, F}, {"omod", 5, F}}},
        {6, "qxzrn302", {{"cpac", 2, F}, {"sequ", 5, F}, {"za_prop", 1, F}, {"inpc", 65, T}, {"defa", 65, T}}},
        {7, "qxzrn308",
         {{"grpi", 4, F}, {"pare", 5, F}, {"next", 5, F}, {"chld", 5, F}, {"fwup", 1, F}, {"behi", 1, F},
          {"inso", 1, F}, {"inmo", 1, F}, {"lali", 3, F}, {"lxpo", 4, F}, {"depe", 1, F}, {"lpos", 3, F},
          {"llso", 4, F}, {"lhso", 4, F}, {"llmo", 4, F}, {"lhmo", 4, F}, {"xend", 4, F}, {"colu", 4, F},
          {"optx", 4, F}, {"za_hght", 4, F}, {"za_view", 1, F}, {"za_yesv", 4, F}, {"za_srch", 17, F},
          {"za_cnst", 4, F}, {"za_icon", 16, F}, {"za_zind", 4, F}, {"ctrl", 3, F}, {"za_adju", 3, F},
          {"za_able", 1, F}, {"za_misc", 4, F}}},
        {9, "qxzrn140",
         {{"clan", 1, F}, {"cpac", 2, F}, {"clab", 17, F}, {"lhgt", 2, F}, {"leng", 3, F}, {"vers", 4, F},
          {"rele", 2, F}, {"cust", 4, F}, {"desc", 70, T}, {"expi", 1, F}, {"seak", 10, T}}},
        {11, "qxzrn450",
         {{"clan", 1, F}, {"cpac", 2, F}, {"cmes", 12, F}, {"vers", 4, F}, {"rele", 2, F}, {"cust", 4, F},
          {"expi", 1, F}, {"mess", 132, T}}},
        {12, "qxzrn200",
         {{"cpac", 2, F}, {"cmod", 3, F}, {"cses", 8, F}, {"vers", 4, F}, {"rele", 2, F}, {"cust", 4, F},
          {"stsc", 3, F}, {"cmop", 3, F}, {"cprs", 9, F}, {"mpac", 2, F}, {"mmod", 3, F}, {"mfln", 3, F}}},
        {13, "qxzrn360",
         {{"clan", 1, F}, {"cpac", 2, F}, {"cmod", 3, F}, {"cmen", 8, F}, {"parm", 1, F}, {"vers", 4, F},
          {"rele", 2, F}, {"cust", 4, F}}},
        {14, "qxzrn401", {{"cdom", 12, F}, {"ctnm", 15, F}, {"cnst", 4, F}}},
        {15, "qxzrn402", {{"edes", 40, T}}},
        {16, "qxzrn300",
         {{"clan", 1, F}, {"cpac", 2, F}, {"cmod", 3, F}, {"cfrm", 9, F}, {"vers", 4, F}, {"rele", 2, F},
          {"cust", 4, F}, {"lanl", 1, F}, {"desc", 60, T}}},
        {17, "qxzrn422fields",
         {{"fdno", 4, F}, {"fdnm", 8, F}, {"acti", 1, F}, {"dept", 3, F}, {"clab", 17, F}, {"pacd", 2, F},
          {"cdom", 12, F}, {"rfpa", 2, F}, {"rfmo", 3, F}, {"rffn", 3, F}, {"rffd", 8, F}, {"mand", 1, F},
          {"iniv", 30, T}, {"comb", 1, F}}},
        {18, "grouplabelset", {{"cpac", 2, F}, {"clab", 17, F}, {"tdsc", 70, T}, {"fdsc", 70, T}}},
        {19, "tabelveldset",
         {{"fldn", 16, F}, {"pacd", 2, F}, {"cdom", 12, F}, {"mand", 1, F}, {"pcrf", 2, F}, {"nrel", 3, F},
          {"iniv", 30, T}}},
        {20, "domainset",
         {{"pacd", 14, F}, {"dtyp", 2, F}, {"chkb", 1, F}, {"difo", 30, F}, {"digb", 3, F}, {"diga", 3, F},
          {"leng", 3, F}, {"difl", 3, F}, {"segm", 1, F}, {"ncns", 3, F}}},
        {22, "qxzrn450_2", {{"cmes", 12, F}}},
        {23, "qxzrn200_2",
         {{"cpac", 2, F}, {"cmod", 3, F}, {"cses", 8, F}, {"mpac", 2, F}, {"mmod", 3, F}, {"mfln", 3, F}}},
        {24, "qxzrn360_2", {{"cpac", 2, F}, {"cmod", 3, F}, {"cmen", 8, F}, {"parm", 1, F}}},
        {25, "qxzrn422_2", {{"cpac", 2, F}, {"cmod", 3, F}, {"flno", 3, F}, {"fdnm", 8, F}}},
        {26, "qxzrn140_2", {{"clab", 17, F}, {"leng", 3, F}, {"lhgt", 2, F}}},
        {27, "qxzrn400_2", {{"cpac", 2, F}, {"cdom", 12, F}}},
        {28, "labelset", {{"cpac", 2, F}, {"clab", 17, F}, {"leng", 3, F}, {"lhgt", 3, F}, {"desc", 70, T}}},
        {29, "qxzrn230",
         {{"cpac", 2, F}, {"cmod", 3, F}, {"cprs", 9, F}, {"vers", 4, F}, {"rele", 2, F}, {"cust", 4, F}}},
        {30, "qxzrn420",
         {{"cpac", 2, F}, {"cmod", 3, F}, {"flno", 3, F}, {"vers", 4, F}, {"rele", 2, F}, {"cust", 4, F}}},
        {31, "enum descs", {{"cpac", 2, F}, {"cdom", 12, F}, {"cnst", 4, F}, {"edes", 40, T}}},
        {32, "enum set",
         {{"cpac", 2, F}, {"cdom", 12, F}, {"yesv", 3, F}, {"cnst", 4, F}, {"ctnm", 15, F}, {"edes", 40, T}}},
        {33, "qxzwk903", {{"icgp", 16, F}, {"icon", 16, F}}},
        {34, "qxzrn420_1", {}},
    };
    return table;
}

std::vector<DataSetLayout> buildLayouts(bool withSelectionGroups)
{
    std::vector<DataSetLayout> layouts;
    for (const SetSpec& entry : specs()) {
        DataSetLayout set;
        set.number = entry.number;
        set.name = QString::fromLatin1(entry.name);
        for (const FieldSpec& f : entry.fields)
            set.fields.push_back({QString::fromLatin1(f.code), f.length, f.type});
        if (!withSelectionGroups && set.name == QLatin1String("qxzrn315"))
            set.fields.resize(set.fields.size() - kSelectionGroupFields);
        layouts.push_back(std::move(set));
    }
    return layouts;
}

int fieldIndex(const DataSetLayout& set, const QString& code)
{
    for (size_t i = 0; i < set.fields.size(); ++i)
        if (set.fields[i].code == code)
            return int(i);
    return -1;
}

// A Chr(1) inside a value would end a host-text field early and shift every field
// after it, so it is stored as a blank.
QString cleanValue(const QString& value, int32_t length)
{
    QString v = leftWhole(value, length);
    v.replace(kEndOfText, QLatin1Char(' '));
    return v;
}

// Blanks anywhere are ignored; the leading decimal number counts; no number gives 0.
int64_t numberOf(const QString& text)
{
    QString t = text;
    t.remove(QLatin1Char(' '));
    int i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        negative = t[i++] == QLatin1Char('-');
    int64_t n = 0;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
        if (n > (INT64_MAX - 9) / 10)
            break;
        n = n * 10 + (t[i].unicode() - '0');
    }
    return negative ? -n : n;
}

} // namespace

QStringView trimBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString trimBlanks(const QString& text)
{
    const QStringView trimmed = trimBlanks(QStringView(text));
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

QString leftWhole(const QString& text, qsizetype width)
{
    if (width <= 0)
        return QString();
    if (text.size() <= width)
        return text;
    const bool splitsPair = text.at(width - 1).isHighSurrogate() && text.at(width).isLowSurrogate();
    return text.left(splitsPair ? width - 1 : width);
}

QString fixedWidth(const QString& text, qsizetype width)
{
    return leftWhole(text, width).leftJustified(std::max<qsizetype>(0, width), QLatin1Char(' '));
}

const std::vector<DataSetLayout>& allLayouts(bool withSelectionGroups)
{
    static const std::vector<DataSetLayout> full = buildLayouts(true);
    static const std::vector<DataSetLayout> older = buildLayouts(false);
    return withSelectionGroups ? full : older;
}

const DataSetLayout* findLayout(const QString& name, bool withSelectionGroups)
{
    for (const DataSetLayout& set : allLayouts(withSelectionGroups))
        if (set.name == name)
            return &set;
    return nullptr;
}

int32_t fieldLength(const FieldLayout& f, int32_t bytesPerChar)
{
    return f.type == HostText ? f.declaredLength * bytesPerChar : f.declaredLength;
}

int32_t recordLength(const DataSetLayout& set, int32_t bytesPerChar)
{
    int32_t length = 0;
    for (const FieldLayout& f : set.fields)
        length += fieldLength(f, bytesPerChar) + (f.type == HostText ? 1 : 0);
    return length;
}

// ---- RecordBuilder ------------------------------------------------------------------

RecordBuilder::RecordBuilder(const DataSetLayout& set, int32_t bytesPerChar)
    : m_set(set), m_bytesPerChar(bytesPerChar), m_values(set.fields.size())
{
}

bool RecordBuilder::set(const QString& code, const QString& value)
{
    const int i = fieldIndex(m_set, code);
    if (i < 0)
        return false;
    m_values[size_t(i)] = cleanValue(value, fieldLength(m_set.fields[size_t(i)], m_bytesPerChar));
    return true;
}

bool RecordBuilder::set(const QString& code, int64_t value)
{
    return set(code, QString::number(value));
}

QString RecordBuilder::record() const
{
    QString out;
    append(out, false);
    return out;
}

QString RecordBuilder::compactRecord() const
{
    QString out;
    append(out, true);
    return out;
}

void RecordBuilder::appendCompactRecord(QString& out) const { append(out, true); }

void RecordBuilder::append(QString& out, bool compact) const
{
    qsizetype size = out.size();
    for (size_t i = 0; i < m_set.fields.size(); ++i) {
        const FieldLayout& f = m_set.fields[i];
        const bool cut = compact && f.type == HostText;
        size += (cut ? m_values[i].size() : std::max<qsizetype>(m_values[i].size(), fieldLength(f, m_bytesPerChar)))
                + (f.type == HostText ? 1 : 0);
    }
    out.reserve(size);
    for (size_t i = 0; i < m_set.fields.size(); ++i) {
        const FieldLayout& f = m_set.fields[i];
        out += m_values[i];
        if (!(compact && f.type == HostText))
            out.resize(out.size() + std::max<qsizetype>(0, fieldLength(f, m_bytesPerChar) - m_values[i].size()),
                       QLatin1Char(' '));
        if (f.type == HostText)
            out += kEndOfText;
    }
}

// ---- RecordReader -------------------------------------------------------------------

RecordReader::RecordReader(const DataSetLayout& set, int32_t bytesPerChar, const QString& buffer)
    : m_set(set), m_bytesPerChar(bytesPerChar), m_buffer(buffer)
{
}

bool RecordReader::next()
{
    m_current.clear();
    if (m_set.fields.empty())
        return false;
    bool blankRest = true;
    for (int i = m_pos; i < m_buffer.size() && blankRest; ++i)
        blankRest = m_buffer[i] == QLatin1Char(' ');
    if (blankRest)
        return false;

    std::vector<QString> values;
    int pos = m_pos;
    for (const FieldLayout& f : m_set.fields) {
        if (f.type == HostText) {
            const int end = int(m_buffer.indexOf(kEndOfText, pos));  // positions are ints, as m_pos
            if (end < 0)
                return false;
            values.push_back(trimBlanks(m_buffer.mid(pos, end - pos)));
            pos = end + 1;
        } else {
            const int len = fieldLength(f, m_bytesPerChar);
            if (pos + len > m_buffer.size())
                return false;
            values.push_back(trimBlanks(m_buffer.mid(pos, len)));
            pos += len;
        }
    }
    m_current = std::move(values);
    m_pos = pos;
    return true;
}

QString RecordReader::value(const QString& code) const
{
    const int i = fieldIndex(m_set, code);
    if (i < 0 || size_t(i) >= m_current.size())
        return QString();
    return m_current[size_t(i)];
}

int64_t RecordReader::number(const QString& code) const
{
    return numberOf(value(code));
}

} // namespace datasets
