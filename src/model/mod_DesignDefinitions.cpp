#include "mod_DesignDefinitions.h"

#include <data_sets.h>

#include <QStringList>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>

#include "mod_DataSets.h"
#include "mod_Enumerate.h"
#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "mod_VrokInterface.h"
#include "mod_Velq.h"
#include "RecordMember.h"
#include "mod_Keys.h"
#include "mod_RecordDump.h"
#include "mod_TextCaches.h"
#include "mod_Versions.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "Latin1List.h"
#include "mod_Global.h"

QString gsDesignRecord;

namespace {

// ---- Column makers ----------------------------------------------------------------

// valueOfText, quicker for the plain whole numbers that fill fetched rows.
template <typename T>
T numberOf(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = n > 0 && (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+')) ? 1 : 0;
    if (n == 0 || n - i > 18 || i == n)
        return valueOfText<T>(text.toString());
    int64_t v = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return valueOfText<T>(text.toString());
        v = v * 10 + (c - u'0');
    }
    if (text[0] == QLatin1Char('-'))
        v = -v;
    return T(std::clamp<int64_t>(v, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// Design texts are made for every record a store sends: they are written into a
// plain buffer, which becomes a QString once.
using TextBuffer = std::u16string;

QString toQString(const TextBuffer& text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

// text written over out, in out's own room when no other string shares it: the texts
// a store makes for each row are let go before the next is made.
void assign(QString& out, const TextBuffer& text)
{
    out.resize(qsizetype(text.size()));
    std::copy(text.begin(), text.end(), reinterpret_cast<char16_t*>(out.data()));
}

void append(TextBuffer& out, QStringView text)
{
    out.append(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

// gsQuoteNested, appended.
void appendNested(TextBuffer& out, QStringView text)
{
    // Looked through in place: the texts of a record are a few characters each, and
    // seldom hold a quote.
    const char16_t* const from = reinterpret_cast<const char16_t*>(text.utf16());
    const size_t n = size_t(text.size());
    bool quoted = false;
    for (size_t i = 0; i < n; ++i)
        quoted |= from[i] == u'"';
    out.append(u"\"\"", 2);
    if (!quoted) {
        out.append(from, from + n);
    } else {
        for (const QChar c : text) {
            if (c == QLatin1Char('"'))
                out.append(u"\"\"\"\"");
            else
                out.push_back(c.unicode());
        }
    }
    out.append(u"\"\"", 2);
}

// gsQuoteNested of a Latin-1 name, appended.
void appendName(TextBuffer& out, const char* name)
{
    const size_t length = std::strlen(name);
    if (std::strchr(name, '"')) {
        out.append(u"\"\"");
        for (const char* c = name; *c; ++c) {
            if (*c == '"')
                out.append(u"\"\"\"\"");
            else
                out.push_back(char16_t(uchar(*c)));
        }
        out.append(u"\"\"");
        return;
    }
    const size_t at = out.size();
    out.resize(at + length + 4, u'"');
    std::transform(name, name + length, out.begin() + qsizetype(at + 2), [](char c) { return char16_t(uchar(c)); });
}

QString quoteNested(const QString& text)
{
    // Most texts of a record are empty.
    static const QString empty = QStringLiteral("\"\"\"\"");
    if (text.isEmpty())
        return empty;
    const qsizetype quotes = text.count(QLatin1Char('"'));
    QString out(text.size() + 3 * quotes + 4, Qt::Uninitialized);
    QChar* to = out.data();
    *to++ = u'"';
    *to++ = u'"';
    for (const QChar c : text) {
        *to++ = c;
        if (c == QLatin1Char('"')) {
            *to++ = c;
            *to++ = c;
            *to++ = c;
        }
    }
    *to++ = u'"';
    *to = u'"';
    return out;
}

// The text of a whole number. A store writes the same small numbers (flags, lengths,
// positions, sequence numbers) thousands of times: their texts are made once.
QString cachedNumberText(int64_t value)
{
    constexpr int64_t kLowest = -1;
    constexpr int64_t kHighest = 9999;
    if (value < kLowest || value > kHighest)
        return QString::number(value);
    static std::array<QString, size_t(kHighest - kLowest + 1)> made;
    QString& text = made[size_t(value - kLowest)];
    if (text.isNull())
        text = QString::number(value);
    return text;
}

// A member as the whole number the host keeps: an enum by its stored number.
template <typename V>
int64_t wholeNumber(V v)
{
    if constexpr (std::is_enum_v<V>)
        return int64_t(std::underlying_type_t<V>(v));
    else
        return int64_t(v);
}

// A whole number appended as its digits.
void appendNumber(TextBuffer& out, int64_t value)
{
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const size_t at = out.size();
    out.resize(at + size_t(end - digits));
    std::copy(static_cast<const char*>(digits), end, out.begin() + qsizetype(at));
}

// The characters of a whole number's digits, its sign included.
qsizetype numberLength(int64_t value)
{
    qsizetype length = value < 0 ? 2 : 1;
    // Counted on the magnitude as an unsigned number: the lowest value has no positive twin.
    for (uint64_t rest = value < 0 ? 0 - uint64_t(value) : uint64_t(value); rest >= 10; rest /= 10)
        ++length;
    return length;
}

// A text as the host keeps it: without its outer blanks.
qsizetype keptTextLength(QStringView text) { return datasets::trimBlanks(text).size(); }

template <typename R>
qsizetype keptOne(const R&)
{
    return 1;
}
template <typename R>
qsizetype keptNone(const R&)
{
    return 0;
}

template <auto M>
DesignColumn<RecordOf<M>> number(const char* name, int32_t feature = 0)
{
    return {name,
            [](const RecordOf<M>& r) { return cachedNumberText(wholeNumber(r.*M)); },
            [](RecordOf<M>& r, QStringView v) { r.*M = numberOf<ValueOf<M>>(v); },
            feature,
            [](TextBuffer& out, const RecordOf<M>& r) { appendNumber(out, wholeNumber(r.*M)); },
            [](const RecordOf<M>& r) { return numberLength(wholeNumber(r.*M)); }};
}

// A number the host keeps in a byte, whatever the member's width.
template <auto M>
DesignColumn<RecordOf<M>> byteNumber(const char* name)
{
    return {name,
            [](const RecordOf<M>& r) { return cachedNumberText(wholeNumber(r.*M)); },
            [](RecordOf<M>& r, QStringView v) { r.*M = ValueOf<M>(numberOf<uint8_t>(v)); },
            0,
            [](TextBuffer& out, const RecordOf<M>& r) { appendNumber(out, wholeNumber(r.*M)); },
            [](const RecordOf<M>& r) { return numberLength(wholeNumber(r.*M)); }};
}

template <auto M>
DesignColumn<RecordOf<M>> boolean(const char* name, int32_t feature = 0)
{
    return {name,
            [](const RecordOf<M>& r) { return gsHostBoolean(r.*M); },
            [](RecordOf<M>& r, QStringView v) { r.*M = gbFromHostBoolean(numberOf<int32_t>(v)); },
            feature,
            [](TextBuffer& out, const RecordOf<M>& r) { out.push_back(r.*M ? u'1' : u'2'); },
            keptOne<RecordOf<M>>};
}

template <auto M>
DesignColumn<RecordOf<M>> text(const char* name, int32_t feature = 0)
{
    return {name,
            [](const RecordOf<M>& r) { return quoteNested(r.*M); },
            [](RecordOf<M>& r, QStringView v) { r.*M = v.toString(); },
            feature,
            [](TextBuffer& out, const RecordOf<M>& r) { appendNested(out, r.*M); },
            [](const RecordOf<M>& r) { return keptTextLength(r.*M); }};
}

// The name quoted as a text, ", ", the value.
void appendPair(TextBuffer& out, const char* name, QStringView value)
{
    appendName(out, name);
    out.append(u", ");
    append(out, value);
}

QString pair(const char* name, const QString& value)
{
    TextBuffer out;
    appendPair(out, name, value);
    return toQString(out);
}

// ", " name ", " of each column, made once for each table's columns.
template <typename R>
const std::vector<TextBuffer>& namePieces(const std::vector<DesignColumn<R>>& columns)
{
    static std::map<const std::vector<DesignColumn<R>>*, std::vector<TextBuffer>> made;
    auto it = made.find(&columns);
    if (it == made.end() || it->second.size() != columns.size()) {
        std::vector<TextBuffer> pieces;
        for (const DesignColumn<R>& c : columns) {
            TextBuffer& piece = pieces.emplace_back(u", ");
            appendName(piece, c.name);
            piece.append(u", ");
        }
        it = made.insert_or_assign(&columns, std::move(pieces)).first;
    }
    return it->second;
}

// The columns the record writes, each as ", " name ", " value.
template <typename R>
void appendColumnPairs(TextBuffer& text, const std::vector<DesignColumn<R>>& columns, const R& record)
{
    const std::vector<TextBuffer>& names = namePieces(columns);
    for (size_t i = 0; i < columns.size(); ++i) {
        const DesignColumn<R>& c = columns[i];
        if (!c.write || (c.feature != 0 && !gbFormVersionSupports(c.feature)))
            continue;
        text.append(names[i]);
        if (c.append)
            c.append(text, record);
        else
            append(text, c.write(record));
    }
}

template <typename R>
QString columnPairs(const std::vector<DesignColumn<R>>& columns, const R& record)
{
    TextBuffer text;
    appendColumnPairs(text, columns, record);
    return text.empty() ? QString() : toQString(text);
}

QString boolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

// Fixed values the editor writes and never reads; their meaning is the host's.
const QString kZero = QStringLiteral("0");
const QString kOne = QStringLiteral("1");
const QString kTwo = QStringLiteral("2");

template <typename R>
QString zero(const R&)
{
    return kZero;
}
template <typename R>
QString one(const R&)
{
    return kOne;
}
template <typename R>
QString two(const R&)
{
    return kTwo;
}
template <typename R>
QString emptyText(const R&)
{
    return quoteNested(QString());
}
// The same, appended.
template <typename R>
void appendZero(TextBuffer& out, const R&)
{
    out.push_back(u'0');
}
template <typename R>
void appendOne(TextBuffer& out, const R&)
{
    out.push_back(u'1');
}
template <typename R>
void appendTwo(TextBuffer& out, const R&)
{
    out.push_back(u'2');
}
template <typename R>
void appendEmptyText(TextBuffer& out, const R&)
{
    appendNested(out, QStringView());
}

// The identity values in the order of the tables' first index, with names for the
// identity check's message.
struct IdentityValue {
    const char* what;
    QString value;
};

std::vector<IdentityValue> identityInIndexOrder()
{
    return {{"language", gsDesignLanguage.str()}, {"package", gsPackage.str()}, {"version", gsVersion.str()},
            {"release", gsRelease.str()},         {"customer", gsCustomer.str()}, {"module", gsModule.str()},
            {"form code", gsFormCode}};
}

} // namespace

// ---- Design texts and keys ----------------------------------------------------------

namespace {

void appendFormKey(TextBuffer& out)
{
    const std::pair<const char*, const QString*> identity[] = {
        {"cpac", &gsPackage.str()}, {"cmod", &gsModule.str()}, {"cfrm", &gsFormCode},
        {"clan", &gsDesignLanguage.str()}, {"vers", &gsVersion.str()}, {"rele", &gsRelease.str()},
        {"cust", &gsCustomer.str()}};
    // Every record of a store starts with the key: it is made again only when the
    // identity it was made of changed.
    static TextBuffer key;
    static std::array<QString, std::size(identity)> madeOf;
    bool same = !key.empty();
    for (size_t i = 0; same && i < madeOf.size(); ++i)
        same = madeOf[i] == *identity[i].second;
    if (!same) {
        key.clear();
        for (size_t i = 0; i < madeOf.size(); ++i) {
            if (i > 0)
                key.append(u", ");
            appendName(key, identity[i].first);
            key.append(u", ");
            appendNested(key, *identity[i].second);
            madeOf[i] = *identity[i].second;
        }
    }
    out.append(key);
}

// The record's design text, into gsDesignRecord.
template <typename R>
void keyAndColumns(const std::vector<DesignColumn<R>>& columns, const R& record)
{
    // One buffer for every record: a store makes thousands.
    static TextBuffer text;
    text.clear();
    appendFormKey(text);
    appendColumnPairs(text, columns, record);
    assign(gsDesignRecord, text);
}

// The form key and one more key column.
QString formKeyAnd(const char* name, int32_t value)
{
    // One buffer for every key: a store makes one for each row it writes.
    static TextBuffer text;
    static QString key;
    text.clear();
    appendFormKey(text);
    text.append(u", ");
    appendName(text, name);
    text.append(u", ");
    appendNumber(text, value);
    assign(key, text);
    return key;
}

} // namespace

QString gsFormKey(const QString& /*sTable*/)
{
    TextBuffer key;
    key.reserve(256);
    appendFormKey(key);
    return toQString(key);
}

QString gsGroupKeyText(int32_t groupIndex) { return formKeyAnd("grpi", groupIndex + 1); }

QString gsFieldKeyText(const QString& /*table*/, int32_t sequ) { return formKeyAnd("sequ", sequ); }

QString msFieldRecord301(int32_t index)
{
    keyAndColumns(gColumns301(), gaFields.at(size_t(index)));
    return gsDesignRecord;
}

QString msFieldRecord302(int32_t index)
{
    keyAndColumns(gColumns302(), gaFields.at(size_t(index)));
    return gsDesignRecord;
}

QString msFieldRecord308(int32_t index)
{
    const FieldRecord& f = gaFields.at(size_t(index));
    keyAndColumns(gColumns308(), f);
    if (gbLogging) {
        gWriteLog(QStringLiteral("\tGroup: ") + QString::number(f.Grpi));
        gWriteLog(QStringLiteral("\tNext : ") + QString::number(f.lNextField));
        gWriteLog(QStringLiteral("\tChild: ") + QString::number(f.lChildField));
        gWriteLog(QStringLiteral("\tParent: ") + QString::number(f.lParentField));
        gWriteLog(QStringLiteral("\tFollowUp: ") + boolText(f.bFollowUp));
    }
    return gsDesignRecord;
}

void msGroupRecord315(int32_t index)
{
    const GroupRecord& g = gaGroups.at(size_t(index));
    keyAndColumns(gColumns315(), g);
    if (gbLogging) {
        gWriteLog(QStringLiteral("\tPrevious : ") + QString::number(g.lPreviousGroup));
        gWriteLog(QStringLiteral("\tNext: ") + QString::number(g.lNextGroup));
        gWriteLog(QStringLiteral("\tParent: ") + QString::number(g.lParentGroup));
        gWriteLog(QStringLiteral("\tChild: ") + QString::number(g.lChildGroup));
        gWriteLog(QStringLiteral("\tFirstField: ") + QString::number(g.lFirstField));
    }
}

QString msCommandRecord316(int32_t index)
{
    const SpecificCommandRecord& c = gaSpecificCommands.at(size_t(index));
    gsDesignRecord = columnPairs(gColumns316(), c).mid(2);  // the first pair starts the text
    const QString sep = QStringLiteral(", ");
    return pair("clan", quoteNested(gsDesignLanguage)) + sep + pair("cpac", quoteNested(gsPackage)) + sep
           + pair("vers", quoteNested(gsVersion)) + sep + pair("rele", quoteNested(gsRelease)) + sep
           + pair("cust", quoteNested(gsCustomer)) + sep + pair("cmod", quoteNested(gsModule)) + sep
           + pair("cfrm", quoteNested(gsFormCode)) + sep + pair("sern", QString::number(c.nSequenceNumber));
}

QString gsFieldRecord150(int16_t index)
{
    const FieldRecord& f = gaFields.at(size_t(index));
    const QString rkey = gsModule + gsFormCode.leftJustified(9, QLatin1Char(' ')) + f.sFieldName;
    const QString sep = QStringLiteral(", ");
    return pair("cpac", quoteNested(gsPackage)) + sep + pair("vers", quoteNested(gsVersion)) + sep
           + pair("rele", quoteNested(gsRelease)) + sep + pair("cust", quoteNested(gsCustomer)) + sep
           + pair("ktex", QStringLiteral("4")) + sep + pair("rkey", quoteNested(rkey)) + sep
           + pair("hdre", QStringLiteral("2"));
}

// ---- Column conversions --------------------------------------------------------------

qsizetype gnKeptLength(QStringView written)
{
    if (written.size() < 4 || !written.startsWith(u"\"\"") || !written.endsWith(u"\"\""))
        return written.size();
    // Counted in place: the fit check runs over every value of every row a store writes.
    // Four quotes in a row, counted from the left, stand for one; blanks are no quotes,
    // so they lie between the blanks.
    const QStringView text = datasets::trimBlanks(written.mid(2, written.size() - 4));
    qsizetype length = text.size();
    for (qsizetype i = 0; i + 3 < text.size();) {
        if (text[i] == u'"' && text[i + 1] == u'"' && text[i + 2] == u'"' && text[i + 3] == u'"') {
            length -= 3;
            i += 4;
        } else {
            ++i;
        }
    }
    return length;
}

QString gsHostBoolean(bool value)
{
    // The Boolean's value plus 2: True (-1) gives 1, False (0) gives 2.
    static const QString yes = QString::number(-1 + 2);
    static const QString no = QString::number(0 + 2);
    return value ? yes : no;
}

bool gbFromHostBoolean(int32_t value) { return value == 1; }

int32_t giAlignmentGroupToHost(int16_t alignmentGroupId)
{
    return alignmentGroupId < 0 ? int32_t(alignmentGroupId) - 1 : int32_t(alignmentGroupId) + 1;
}

int16_t giAlignmentGroupFromHost(int32_t algr)
{
    const int32_t v = algr < 0 ? algr + 1 : algr - 1;
    return int16_t(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
}

int16_t giElementToHost(const FieldRecord& field) { return field.bMultiCurrency ? int16_t(-1) : field.iElement; }

void gElementFromHost(FieldRecord& field, int32_t elem)
{
    field.bMultiCurrency = elem == -1;
    field.iElement = (elem == -1 || elem == 0) ? int16_t(1) : int16_t(std::clamp<int32_t>(elem, INT16_MIN, INT16_MAX));
}

int16_t giZoomFromHost(int32_t zoom)
{
    if (zoom == 0 || zoom == 32)
        return 1;
    return int16_t(std::clamp<int32_t>(zoom, INT16_MIN, INT16_MAX));
}

// glBitsToLong of the flags, without a list of them: every record a store writes has them.
int32_t glGroupMiscFlags(const GroupRecord& g)
{
    return int32_t(g.bCheckOnGroupBox) | int32_t(g.bRichView) << 1 | int32_t(g.bNewPageMO) << 2
           | int32_t(g.bDashboard) << 3;
}

void gGroupMiscFlagsFromHost(GroupRecord& g, int32_t flags)
{
    g.bCheckOnGroupBox = gbBitSet(flags, 0);
    g.bRichView = gbBitSet(flags, 1);
    g.bNewPageMO = gbBitSet(flags, 2);
    g.bDashboard = gbBitSet(flags, 3);
}

int32_t glFieldMiscFlags(const FieldRecord& f)
{
    return int32_t(f.bInGrid) | int32_t(f.bOccIndependentViewField) << 1 | int32_t(f.bInitialHidden) << 2;
}

void gFieldMiscFlagsFromHost(FieldRecord& f, int32_t flags)
{
    f.bInGrid = gbBitSet(flags, 0);
    f.bOccIndependentViewField = gbBitSet(flags, 1);
    f.bInitialHidden = gbBitSet(flags, 2);
}

const std::vector<DesignColumn<GroupRecord>>& gColumns315()
{
    using G = GroupRecord;
    static const std::vector<DesignColumn<G>> columns = {
        number<&G::Grpi>("grpi"),
        boolean<&G::bRepeatingGroup>("repe"),
        number<&G::lGroupLevel>("levl"),
        text<&G::sLabelCode>("labl"),
        boolean<&G::bShowGroupBox>("fram"),
        boolean<&G::bGroupInSingleOcc>("inso"),
        boolean<&G::bGroupInMultiOcc>("inmo"),
        number<&G::lParentGroup>("pare"),
        number<&G::lPreviousGroup>("prev"),
        number<&G::lNextGroup>("next"),
        number<&G::lFirstField>("fld1"),
        {"algr", [](const G& g) { return cachedNumberText(giAlignmentGroupToHost(g.lAlignmentGroupId)); },
         [](G& g, QStringView v) { g.lAlignmentGroupId = giAlignmentGroupFromHost(numberOf<int32_t>(v)); }, 0,
         [](TextBuffer& out, const G& g) { appendNumber(out, giAlignmentGroupToHost(g.lAlignmentGroupId)); },
         [](const G& g) { return numberLength(giAlignmentGroupToHost(g.lAlignmentGroupId)); }},
        boolean<&G::bVirtualGroup>("virt"),
        number<&G::lChildGroup>("chld"),
        number<&G::iGroupWidth>("wdth"),
        // The current level on every row; the load takes the root row's value only.
        {"za_revi", [](const G&) { return cachedNumberText(glFormVersionLevel); }, nullptr, 0,
         [](TextBuffer& out, const G&) { appendNumber(out, glFormVersionLevel); },
         [](const G&) { return numberLength(glFormVersionLevel); }},
        boolean<&G::bCheckboxesOnly>("za_cbox"),
        boolean<&G::bNewPage>("za_newp"),
        boolean<&G::bPlaceBeside>("za_besi"),
        {"za_misc", [](const G& g) { return cachedNumberText(glGroupMiscFlags(g)); },
         [](G& g, QStringView v) { gGroupMiscFlagsFromHost(g, numberOf<int32_t>(v)); }, 0,
         [](TextBuffer& out, const G& g) { appendNumber(out, glGroupMiscFlags(g)); },
         [](const G& g) { return numberLength(glGroupMiscFlags(g)); }},
        text<&G::sParentTable>("zb_tabp", kFeatureSelectionGroups),
        boolean<&G::bSelectionGroup>("zb_selg", kFeatureSelectionGroups),
    };
    return columns;
}

namespace {

// A column of the main table gets its domain from the dictionary when it is loaded, so
// its row leaves the domain out. A table field of any other table (the description a
// reference brings along) is not looked up there: its row keeps the domain.
bool domainFromDictionary(const FieldRecord& f)
{
    const qsizetype n = gsTable.size();
    return f.bIsTableField && n > 0 && f.sFieldName.size() > n && f.sFieldName.startsWith(gsTable)
           && f.sFieldName.at(n) == u'.';
}

}  // namespace

const std::vector<DesignColumn<FieldRecord>>& gColumns301()
{
    using F = FieldRecord;
    static const std::vector<DesignColumn<F>> columns = {
        number<&F::lFieldId>("sequ"),
        number<&F::iFieldXPos>("xpos"),
        number<&F::iFieldYPos>("ypos"),
        text<&F::sFieldName>("fldn"),
        {"elem", [](const F& f) { return cachedNumberText(giElementToHost(f)); },
         [](F& f, QStringView v) { gElementFromHost(f, numberOf<int32_t>(v)); }, 0,
         [](TextBuffer& out, const F& f) { appendNumber(out, giElementToHost(f)); },
         [](const F& f) { return numberLength(giElementToHost(f)); }},
        {"pacd", [](const F& f) { return quoteNested(domainFromDictionary(f) ? QString() : f.sDomainPackage); },
         [](F& f, QStringView v) { f.sDomainPackage = v.toString(); }, 0,
         [](TextBuffer& out, const F& f) {
             appendNested(out, domainFromDictionary(f) ? QStringView() : QStringView(f.sDomainPackage));
         },
         [](const F& f) { return domainFromDictionary(f) ? qsizetype(0) : keptTextLength(f.sDomainPackage); }},
        {"cdom", [](const F& f) { return quoteNested(domainFromDictionary(f) ? QString() : f.sDomainCode); },
         [](F& f, QStringView v) { f.sDomainCode = v.toString(); }, 0,
         [](TextBuffer& out, const F& f) {
             appendNested(out, domainFromDictionary(f) ? QStringView() : QStringView(f.sDomainCode));
         },
         [](const F& f) { return domainFromDictionary(f) ? qsizetype(0) : keptTextLength(f.sDomainCode); }},
        number<&F::lFieldType>("typf"),
        text<&F::sDisplayFormat>("difo"),
        boolean<&F::bLinkDisplFormatToDomain>("difl"),
        number<&F::iMinInpLen>("mini"),
        number<&F::iMaxDispLen>("maxd"),
        boolean<&F::bLinkMaxDisplLenToDomain>("mxdl"),
        number<&F::iMaxInpLen>("maxi"),
        boolean<&F::bLinkMaxInpLenToDomain>("mxil"),
        number<&F::iStartPosOfString>("sttp"),
        {"mult", two<F>, nullptr, 0, appendTwo<F>, keptOne<F>},
        {"zoom", [](const F& f) { return cachedNumberText(f.nZoomField); },
         [](F& f, QStringView v) { f.nZoomField = giZoomFromHost(numberOf<int32_t>(v)); }, 0,
         [](TextBuffer& out, const F& f) { appendNumber(out, f.nZoomField); },
         [](const F& f) { return numberLength(f.nZoomField); }},
        text<&F::sZoomTo>("zprg"),
        {"zopm", [](const F&) { return quoteNested(QStringLiteral("1")); },
         [](F& f, QStringView v) { f.sParallelMenu = v.toString(); }, 0,
         [](TextBuffer& out, const F&) { appendNested(out, u"1"); }, keptOne<F>},
        text<&F::sZoomReturnField>("zret"),
        {"zcsp", zero<F>, nullptr, 0, appendZero<F>, keptOne<F>},
        boolean<&F::bDefault>("defa"),
        text<&F::sMessage>("cmes"),
        boolean<&F::bEchoField>("echo"),
        number<&F::iFieldLength>("flen"),
        number<&F::nOmod>("omod"),
        boolean<&F::bMandatoryInput>("mand"),
        text<&F::sLanguageUnitExpression>("dcex"),
        text<&F::sLabelCode>("labl"),
    };
    return columns;
}

const std::vector<DesignColumn<FieldRecord>>& gColumns302()
{
    using F = FieldRecord;
    static const std::vector<DesignColumn<F>> columns = {
        // The row's sequ names the field; the load picks the record by it.
        {"sequ", [](const F& f) { return cachedNumberText(f.lFieldId); }, nullptr, 0,
         [](TextBuffer& out, const F& f) { appendNumber(out, f.lFieldId); },
         [](const F& f) { return numberLength(f.lFieldId); }},
        {"conv", zero<F>, nullptr, 0, appendZero<F>, keptOne<F>},
        {"adju", zero<F>, nullptr, 0, appendZero<F>, keptOne<F>},
        {"ille", emptyText<F>, nullptr, 0, appendEmptyText<F>, keptNone<F>},
        {"lega", emptyText<F>, nullptr, 0, appendEmptyText<F>, keptNone<F>},
        {"divf", zero<F>, nullptr, 0, appendZero<F>, keptOne<F>},
        {"rndm", zero<F>, nullptr, 0, appendZero<F>, keptOne<F>},
        {"rang", emptyText<F>, nullptr, 0, appendEmptyText<F>, keptNone<F>},
        {"ranm", emptyText<F>, nullptr, 0, appendEmptyText<F>, keptNone<F>},
        {"itfo", emptyText<F>, nullptr, 0, appendEmptyText<F>, keptNone<F>},
        text<&F::sInpRefExpr>("inpc"),
        // The stored default counts only for a field that has one.
        {"defa", [](const F& f) { return quoteNested(f.sDefaultValue); },
         [](F& f, QStringView v) {
             if (f.bDefault)
                 f.sDefaultValue = v.toString();
         },
         0, [](TextBuffer& out, const F& f) { appendNested(out, f.sDefaultValue); },
         [](const F& f) { return keptTextLength(f.sDefaultValue); }},
        {"cnow", emptyText<F>, nullptr, 0, appendEmptyText<F>, keptNone<F>},
        boolean<&F::bSyncField>("za_prop"),
        {"zb_mgui", one<F>, nullptr, 0, appendOne<F>, keptOne<F>},
        {"zc_mcur", two<F>, nullptr, 0, appendTwo<F>, keptOne<F>},
    };
    return columns;
}

const std::vector<DesignColumn<FieldRecord>>& gColumns308()
{
    using F = FieldRecord;
    static const std::vector<DesignColumn<F>> columns = {
        {"sequ", [](const F& f) { return cachedNumberText(f.lFieldId); }, nullptr, 0,
         [](TextBuffer& out, const F& f) { appendNumber(out, f.lFieldId); },
         [](const F& f) { return numberLength(f.lFieldId); }},
        number<&F::Grpi>("grpi"),
        number<&F::lNextField>("next"),
        boolean<&F::bFollowUp>("fwup"),
        boolean<&F::bImmediateBehind>("behi"),
        boolean<&F::bFieldInSingleOcc>("inso"),
        number<&F::lChildField>("chld"),
        boolean<&F::bFieldInMultiOcc>("inmo"),
        {"aggr", two<F>, nullptr, 0, appendTwo<F>, keptOne<F>},
        byteNumber<&F::nLabelAli>("lali"),
        number<&F::nLabelXPos>("lxpo"),
        boolean<&F::bDependent>("depe"),
        byteNumber<&F::lLabelPosition>("lpos"),
        number<&F::iLabelLengthSO>("llso"),
        number<&F::iLabelHeightSO>("lhso"),
        number<&F::iLabelLengthMO>("llmo"),
        number<&F::iLabelHeightMO>("lhmo"),
        number<&F::lParentField>("pare"),
        number<&F::nFieldEndPos>("xend"),
        number<&F::iColumnId>("colu"),
        number<&F::lOptx>("optx"),
        number<&F::iFieldHeight>("za_hght"),
        boolean<&F::bIsViewField>("za_view"),
        byteNumber<&F::iYesValue>("za_yesv"),
        text<&F::sSearchField>("za_srch"),
        byteNumber<&F::iLinkedConst>("za_cnst"),
        text<&F::sIconName>("za_icon"),
        number<&F::iZoomIndex>("za_zind"),
        byteNumber<&F::lControl>("ctrl"),
        number<&F::iDataAli>("za_adju"),
        boolean<&F::bAutoEnable>("za_able"),
        {"za_misc", [](const F& f) { return cachedNumberText(glFieldMiscFlags(f)); },
         [](F& f, QStringView v) { gFieldMiscFlagsFromHost(f, numberOf<int32_t>(v)); }, 0,
         [](TextBuffer& out, const F& f) { appendNumber(out, glFieldMiscFlags(f)); },
         [](const F& f) { return numberLength(glFieldMiscFlags(f)); }},
    };
    return columns;
}

const std::vector<DesignColumn<SpecificCommandRecord>>& gColumns316()
{
    using C = SpecificCommandRecord;
    static const std::vector<DesignColumn<C>> columns = {
        number<&C::nCommandType>("btyp"),
        // The link: 0 the form, a group number or a field's nOmod; the load resolves it.
        number<&C::lLinkId>("sequ"),
        {"sern", nullptr, [](C& c, QStringView v) { c.nSequenceNumber = numberOf<int16_t>(v); }},
        {"mscf", nullptr, [](C& c, QStringView v) { c.sSpecificCommand = v.toString(); }},
    };
    return columns;
}

// ---- The form identity in query texts ------------------------------------------------

bool gbFormIdentityUsable(QString& reason, QString* value, int32_t* message)
{
    static const QString forbidden = QStringLiteral("'\"{}");
    const auto refuse = [&](const char* what, const QString& shown, const char* holds, int32_t number) {
        reason = QStringLiteral("The form cannot be opened: its %1 \"%2\" contains %3, which the host cannot carry.")
                     .arg(QString::fromLatin1(what), shown, QString::fromLatin1(holds));
        if (value)
            *value = shown;
        if (message)
            *message = number;
        return false;
    };
    if (!gsUndecodableIdentity.isEmpty())
        return refuse("identity value", gsUndecodableIdentity, "a byte that is no text", 29);
    for (const IdentityValue& id : identityInIndexOrder()) {
        for (const QChar c : id.value) {
            if (forbidden.contains(c))
                return refuse(id.what, id.value.trimmed(), "a quote or a brace", 20);
            if (gbIsControlCharacter(c))
                return refuse(id.what, gsShowControls(id.value).trimmed(), "a control character", 29);
        }
    }
    reason.clear();
    return true;
}

QString gsFormKeyWhere(const QString& table, int32_t sequ)
{
    QStringList values;
    for (const IdentityValue& id : identityInIndexOrder())
        values << id.value;
    QString where = table + QStringLiteral("._index1 = {'") + values.join(QStringLiteral("','")) + QLatin1Char('\'');
    if (sequ != 0)
        where += QLatin1Char(',') + QString::number(sequ);
    return where + QLatin1Char('}');
}

// ---- Loading --------------------------------------------------------------------------

int32_t glObjectSet301 = 0;

namespace {

// Free slots that follow the loaded rows.
constexpr int32_t kFieldGrowthWhileLoading = 50;
constexpr int32_t kFieldGrowthAfterLoad = 200;
constexpr int32_t kGroupGrowthAfterLoad = 100;
// Every slot the load makes, free ones included, keeps its index within a 16-bit id.
constexpr int32_t kMaxLoadedSequence = INT16_MAX - kFieldGrowthWhileLoading - kFieldGrowthAfterLoad;
// The widest group number grpi's four characters hold.
constexpr int32_t kMaxLoadedGroupNumber = 9999;

const QString kSep = QStringLiteral(", ");

struct LoadState {
    bool wholeLoad = false;  // inside gLoadDesignDefinitions, which reports for its steps
    QString failedTable;
    const char* progress = nullptr;  // the step the status bar shows
};

LoadState g_load;

// A step already on show is not shown again: its text would be read anew for every
// block of the field rows.
void showProgress(const char* percent)
{
    if (g_load.progress && std::strcmp(g_load.progress, percent) == 0)
        return;
    g_load.progress = percent;
    glShowMessage(MessageStatus, 5, StatusBarOnly, QString::fromLatin1(percent));
}

void reportFailure()
{
    gWriteLog(QStringLiteral("The design definitions of the form could not be read from the host (table %1)")
                  .arg(g_load.failedTable));
    glShowMessage(MessageGroup3, g_load.wholeLoad ? 21 : 22, platform::MbOk | platform::MbIconCritical,
                  g_load.failedTable);
}

// "T.c1, T.c2, ...": each column with its table code, joined by separator.
QString qualified(const char* table, const QStringList& columns, const QString& separator = kSep)
{
    QStringList out;
    out.reserve(columns.size());
    for (const QString& c : columns)
        out << QLatin1String(table) + QLatin1Char('.') + c;
    return out.join(separator);
}

int32_t recordLengthOf(const char* set)
{
    QString language = QStringLiteral("0");
    int16_t labelKind = 0;
    return valueOfText<int32_t>(gsGetDescription(QLatin1String(set), 2, language, labelKind));
}

// The readers of the columns, in select order; nullptr where a column has none.
template <typename R>
std::vector<const DesignColumn<R>*> readersOf(const std::vector<DesignColumn<R>>& table, const QStringList& columns)
{
    std::vector<const DesignColumn<R>*> readers;
    for (const QString& c : columns) {
        const DesignColumn<R>* column = gFindDesignColumn(table, c);
        readers.push_back(column && column->read ? column : nullptr);
    }
    return readers;
}

template <typename R>
void applyColumns(const std::vector<const DesignColumn<R>*>& readers, const std::vector<QStringView>& values, R& record)
{
    for (size_t i = 0; i < readers.size() && i < values.size(); ++i)
        if (readers[i])
            readers[i]->read(record, values[i]);
}

// gbFetchQuery on the form's object set; the table is named in the log and kept for
// the load's message when the query fails.
bool runQuery(const char* table, const QString& select, const QString& from, const QString& where,
              const QString& order, int32_t recordLength, const std::function<void(const QString&, int32_t)>& read,
              const std::function<void()>& beforeNextBlock = {})
{
    const QueryResult result =
        gFetchQuery(glObjectSet301, select, from, where, order, recordLength, read, beforeNextBlock);
    if (result == QueryResult::Fetched)
        return true;
    if (result == QueryResult::NotDefined)
        gWriteLog(QStringLiteral("Query on ") + QLatin1String(table) + QStringLiteral(" not defined"));
    else
        gWriteLog(QStringLiteral("Fetch on ") + QLatin1String(table) + QStringLiteral(" failed"));
    g_load.failedTable = QLatin1String(table);
    return false;
}

void passOver(const QString& what, const QString& why)
{
    gWriteLog(what + QStringLiteral(" passed over: ") + why);
}

// ---- Groups ----

QStringList groupColumns()
{
    QStringList columns = latin1List({"grpi", "repe", "levl", "labl",    "fram",    "inso",    "inmo",
                                      "pare", "prev", "next", "chld",    "fld1",    "algr",    "virt",
                                      "wdth", "za_revi", "za_cbox", "za_newp", "za_besi", "za_misc"});
    if (gbFormVersionSupports(kFeatureSelectionGroups))
        columns << QStringLiteral("zb_tabp") << QStringLiteral("zb_selg");
    return columns;
}

struct GroupReading {
    QStringList columns;
    std::optional<RecordLayout> layout;
    std::vector<const DesignColumn<GroupRecord>*> readers;
    int revision = -1;  // position of za_revi
    std::vector<bool> loaded;
};

void mGroupRowToGroup(GroupReading& r, const QString& buffer, int32_t rows, int32_t recordLength)
{
    std::vector<QStringView> values;
    for (int32_t i = 0; i < rows; ++i) {
        int32_t position = i * recordLength + 1;
        r.layout->read(buffer, position, values);
        const int32_t grpi = numberOf<int32_t>(values[0]);
        const auto what = [&] { return QStringLiteral("Group row ") + values[0].toString(); };
        if (grpi < 1 || grpi > kMaxLoadedGroupNumber) {
            passOver(what(), QStringLiteral("no such group number"));
            continue;
        }
        const size_t index = size_t(grpi - 1);
        if (index < r.loaded.size() && r.loaded[index]) {
            passOver(what(), QStringLiteral("the group was loaded already"));
            continue;
        }
        // Slots between the groups stay free.
        while (gaGroups.size() < index + 1)
            gaGroups.emplace_back();
        if (r.loaded.size() < index + 1)
            r.loaded.resize(index + 1);
        r.loaded[index] = true;

        GroupRecord g;
        g.bExistsInHost = true;
        g.bChanged = false;
        applyColumns(r.readers, values, g);
        if (index == 0)
            glLoadedFormVersion = numberOf<int32_t>(values[size_t(r.revision)]);
        gSetGroupStoredCopies(g);
        // A negative level marks a form stored by a newer editor.
        if (-int32_t(g.lGroupLevel) > glLoadedFormVersion)
            glLoadedFormVersion = -int32_t(g.lGroupLevel);
        if (gbLogging)
            gWriteLog(QStringLiteral("Group ") + (index == 0 ? gsHeader : g.sLabelCode) + QStringLiteral(" Loaded"));
        gaGroups[index] = std::move(g);
    }
}

bool mLoadGroupDefinitions()
{
    gaGroups.resize(1);
    gWriteLog(QStringLiteral("----- Loading Group Definitions -----"));
    gInitGroupRecord(0);
    gaGroups[0].bVirtualGroup = true;
    platform::setMousePointer(platform::Pointer::Hourglass);

    GroupReading r;
    r.columns = groupColumns();
    r.layout.emplace(QLatin1String(kTable315), r.columns);
    r.readers = readersOf(gColumns315(), r.columns);
    r.revision = int(r.columns.indexOf(QStringLiteral("za_revi")));
    r.loaded.assign(1, false);
    const int32_t length = recordLengthOf(kTable315);
    const bool ok = runQuery(kTable315, qualified(kTable315, r.columns), QLatin1String(kTable315),
                             gsFormKeyWhere(QLatin1String(kTable315)), QStringLiteral("qxzrn315.grpi"), length,
                             [&](const QString& buffer, int32_t rows) { mGroupRowToGroup(r, buffer, rows, length); });
    if (ok) {
        int32_t live = 0;
        for (size_t i = 1; i < gaGroups.size(); ++i)
            if (gaGroups[i].Grpi != -1 && !gaGroups[i].bVirtualGroup)
                ++live;
        gaGroups.resize(gaGroups.size() + size_t(live + kGroupGrowthAfterLoad));
    }
    gWriteLog(QStringLiteral("----- Group Definitions Loaded -----"));
    return ok;
}

// ---- Fields ----

const QStringList& fieldColumns301()
{
    static const QStringList columns = latin1List({"sequ", "xpos", "ypos", "fldn", "elem", "pacd", "cdom",
                                                   "typf", "difo", "difl", "mini", "maxd", "mxdl", "maxi",
                                                   "mxil", "sttp", "zoom", "zprg", "zopm", "zret", "defa",
                                                   "cmes", "echo", "flen", "mand", "dcex", "labl", "omod"});
    return columns;
}

const QStringList& fieldColumns308()
{
    static const QStringList columns = latin1List({"grpi",    "pare",    "next",    "chld",    "fwup",    "behi",
                                                   "inso",    "inmo",    "lali",    "lxpo",    "depe",    "lpos",
                                                   "llso",    "lhso",    "llmo",    "lhmo",    "xend",    "colu",
                                                   "optx",    "za_hght", "za_view", "za_yesv", "za_srch", "za_cnst",
                                                   "za_icon", "za_zind", "ctrl",    "za_adju", "za_able", "za_misc"});
    return columns;
}

struct FieldReading {
    RecordLayout layout301{QLatin1String(kTable301), fieldColumns301()};
    RecordLayout layout308{QLatin1String(kTable308), fieldColumns308()};
    std::vector<const DesignColumn<FieldRecord>*> readers301;
    std::vector<const DesignColumn<FieldRecord>*> readers308;
    std::vector<bool> loaded;
};

void mFieldRowToField(FieldReading& r, const QString& buffer, int32_t rows)
{
    std::vector<QStringView> values301;
    std::vector<QStringView> values308;
    int32_t position = 1;  // each row starts where the one before ended
    for (int32_t i = 0; i < rows; ++i) {
        r.layout301.read(buffer, position, values301);
        r.layout308.read(buffer, position, values308);
        const int32_t sequ = numberOf<int32_t>(values301[0]);
        const auto what = [&] { return QStringLiteral("Field row ") + values301[0].toString(); };
        if (sequ < 1 || sequ > kMaxLoadedSequence) {
            passOver(what(), QStringLiteral("no such sequence number"));
            continue;
        }
        const size_t index = size_t(sequ);
        if (index < r.loaded.size() && r.loaded[index]) {
            passOver(what(), QStringLiteral("the field was loaded already"));
            continue;
        }
        if (index >= gaFields.size())
            gaFields.resize(index + size_t(kFieldGrowthWhileLoading) + 1);
        if (r.loaded.size() < index + 1)
            r.loaded.resize(gaFields.size());
        r.loaded[index] = true;
        if (sequ > gnFieldCount)
            gnFieldCount = int16_t(sequ);

        FieldRecord f;
        f.bExistsInHost = true;
        f.bInputPropsLoaded = false;
        f.bRemove302 = false;
        f.bTableFieldChecked = false;
        applyColumns(r.readers301, values301, f);
        applyColumns(r.readers308, values308, f);
        if (!f.sDomainPackage.isEmpty())
            f.nDomainIndex = giFindOrAddDomain(f.sDomainPackage + f.sDomainCode);
        gSetFieldStoredCopies(f);
        gaIdMap.push_back({f.nOmod, sequ, false});
        if (gbLogging)
            gWriteLog(QStringLiteral("Field ") + f.sFieldName + QStringLiteral(" Loaded"));
        gaFields[index] = std::move(f);
    }
}

bool loadTable302(int32_t sequ);

bool mLoadFieldDefinitions()
{
    gaIdMap.resize(1);
    gWriteLog(QStringLiteral("----- Loading Field Definitions -----"));
    platform::setMousePointer(platform::Pointer::Hourglass);

    FieldReading r;
    r.readers301 = readersOf(gColumns301(), fieldColumns301());
    r.readers308 = readersOf(gColumns308(), fieldColumns308());
    const QString select = qualified(kTable301, fieldColumns301()) + kSep + qualified(kTable308, fieldColumns308());
    const QString from = QLatin1String(kTable301) + kSep + QLatin1String(kTable308);
    const QString where = QLatin1String(kTable301) + QStringLiteral(".cmba REFERS TO ") + QLatin1String(kTable308)
                          + QStringLiteral(" AND ") + gsFormKeyWhere(QLatin1String(kTable301));
    const int32_t length = recordLengthOf(kTable301) + recordLengthOf(kTable308);
    const bool ok = runQuery(
        kTable301, select, from, where, QStringLiteral("qxzrn301.omod"), length,
        [&](const QString& buffer, int32_t rows) { mFieldRowToField(r, buffer, rows); },
        [] { showProgress("30%"); });
    if (!ok)
        return false;
    gaFields.resize(gaFields.size() + size_t(kFieldGrowthAfterLoad));

    showProgress("50%");
    if (!loadTable302(0))
        return false;
    showProgress("60%");
    gLoadTableFieldData();
    showProgress("70%");
    glEnumsPerBuffer = glEnumsPerRequest();
    gLoadDomains();
    showProgress("80%");
    gWriteLog(QStringLiteral("----- Field Definitions Loaded -----"));
    return true;
}

// ---- Input properties ----

const QStringList& columns302()
{
    static const QStringList columns = latin1List({"cpac", "sequ", "za_prop", "inpc", "defa"});
    return columns;
}

void mTable302RowToField(const RecordLayout& layout, const std::vector<const DesignColumn<FieldRecord>*>& readers,
                         const QString& buffer, int32_t rows, int32_t& sequ)
{
    std::vector<QStringView> values;
    int32_t position = 1;  // a row ends with its defa text
    for (int32_t i = 0; i < rows; ++i) {
        layout.read(buffer, position, values);
        sequ = numberOf<int32_t>(values[1]);
        if (sequ < 1 || sequ > gnFieldCount || size_t(sequ) >= gaFields.size()
            || gaFields[size_t(sequ)].lFieldId == -1) {
            passOver(QStringLiteral("Table 302 row ") + values[1].toString(), QStringLiteral("no such field"));
            continue;
        }
        FieldRecord& f = gaFields[size_t(sequ)];
        f.bInputPropsLoaded = true;
        if (values[0].isEmpty()) {
            // No row of the field's own.
            f.bHas302Row = false;
            f.sInpRefExpr = QStringLiteral("1");
            f.sDefaultValue.clear();
        } else {
            f.bHas302Row = true;
            applyColumns(readers, values, f);
        }
        if (gbLogging)
            gWriteLog(QStringLiteral("Table 302 for field ") + f.sFieldName + QStringLiteral(" Loaded"));
    }
}

bool loadTable302(int32_t sequ)
{
    gWriteLog(QStringLiteral("----- Loading Table 302 -----"));
    platform::setMousePointer(platform::Pointer::Hourglass);
    const std::vector<const DesignColumn<FieldRecord>*> readers = readersOf(gColumns302(), columns302());
    const RecordLayout layout(QLatin1String(kTable302), columns302());
    // cpac and sequ are followed by ", ", za_prop and inpc by "," alone.
    const QString select = qualified(kTable302, columns302().mid(0, 3)) + QLatin1Char(',')
                           + qualified(kTable302, columns302().mid(3), QStringLiteral(","));
    bool first = true;
    const QString where = gsFormKeyWhere(QLatin1String(kTable302), sequ);
    const bool ok = runQuery(kTable302, select, QLatin1String(kTable302), where,
                             QString(), recordLengthOf(kTable302), [&](const QString& buffer, int32_t rows) {
                                 if (first && sequ == 0)
                                     for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i)
                                         gaFields[size_t(i)].bInputPropsLoaded = true;
                                 first = false;
                                 int32_t rowSequ = 0;
                                 mTable302RowToField(layout, readers, buffer, rows, rowSequ);
                             });
    platform::setMousePointer(platform::Pointer::Default);
    gWriteLog(QStringLiteral("----- Table 302 Loaded -----"));
    return ok;
}

// ---- Form commands ----

// The enum name of a command's link kind; "" for a value the table lacks.
QString commandKind(int32_t btyp)
{
    if (btyp < 0 || size_t(btyp) >= gaEnumCommandType.size())
        return QString();
    return gaEnumCommandType[size_t(btyp)].sName;
}

void mCommandRowToCommand(int32_t& nextIndex, const QString& buffer, int32_t rows, int32_t recordLength)
{
    static const QStringList columns = latin1List({"btyp", "sern", "mscf", "sequ"});
    const std::vector<const DesignColumn<SpecificCommandRecord>*> readers = readersOf(gColumns316(), columns);
    const RecordLayout layout(QLatin1String(kTable316), columns);
    std::vector<QStringView> values;
    for (int32_t i = 0; i < rows; ++i) {
        int32_t position = i * recordLength + 1;
        layout.read(buffer, position, values);
        gWriteLog(QStringLiteral("Specific Command buffer = ") + buffer.mid(qsizetype(i) * recordLength, recordLength));
        gWriteLog(QStringLiteral("Specific Command btyp = ") + values[0].toString());
        const QString kind = commandKind(numberOf<int32_t>(values[0]));
        gWriteLog(QStringLiteral("Specific Command keyp = ") + kind);

        SpecificCommandRecord c;
        applyColumns(readers, values, c);
        c.nSpecificCommandId = 0;
        c.Grpi = 0;
        c.lFieldId = 0;
        const QString what = QStringLiteral("Specific Command ") + values[1].toString();
        if (kind == QLatin1String("field")) {
            const std::optional<int32_t> index = gvIndexOfId(c.lLinkId);
            if (!index || *index < 1 || size_t(*index) >= gaFields.size() || gaFields[size_t(*index)].lFieldId == -1) {
                passOver(what, QStringLiteral("no field of order number ") + values[3].toString());
                continue;
            }
            c.lFieldId = int16_t(*index);
        } else if (kind == QLatin1String("group")) {
            const int32_t index = int32_t(c.lLinkId) - 1;
            if (index < 0 || size_t(index) >= gaGroups.size() || gaGroups[size_t(index)].Grpi == -1) {
                passOver(what, QStringLiteral("no group ") + values[3].toString());
                continue;
            }
            c.Grpi = int16_t(index);
        } else if (kind != QLatin1String("session")) {
            continue;
        }
        c.bExistsInHost = true;
        c.bChanged = false;
        c.lLinkIdStored = c.lLinkId;
        c.nCommandTypeStored = c.nCommandType;
        gaSpecificCommands.resize(size_t(nextIndex) + 1);
        gaSpecificCommands[size_t(nextIndex)] = std::move(c);
        gWriteLog(QStringLiteral("Specific Command ") + gaSpecificCommands[size_t(nextIndex)].sSpecificCommand
                  + QStringLiteral(" Loaded"));
        ++nextIndex;
    }
}

bool loadSpecificCommands()
{
    int32_t nextIndex = 1;
    gWriteLog(QStringLiteral("----- Loading Specific Command Definitions -----"));
    platform::setMousePointer(platform::Pointer::Hourglass);
    const int32_t length = recordLengthOf(kTable316);
    bool first = true;
    const bool ok = runQuery(kTable316, QStringLiteral("qxzrn316.btyp, qxzrn316.sern, qxzrn316.mscf, qxzrn316.sequ"),
                             QLatin1String(kTable316), gsFormKeyWhere(QLatin1String(kTable316)), QString(), length,
                             [&](const QString& buffer, int32_t rows) {
                                 // Commands of an earlier load go, also when none is left.
                                 if (first)
                                     gaSpecificCommands.resize(1);
                                 first = false;
                                 mCommandRowToCommand(nextIndex, buffer, rows, length);
                             });
    if (ok)
        gbLoadCommands = false;
    gWriteLog(QStringLiteral("----- Specific Command Definitions Loaded -----"));
    return ok;
}

void mLinkCommandsToFields()
{
    // The lowest live command of each field id.
    std::unordered_map<int16_t, int32_t> firstCommand;
    for (size_t j = 0; j < gaSpecificCommands.size(); ++j)
        if (gaSpecificCommands[j].nSpecificCommandId > -1)
            firstCommand.try_emplace(gaSpecificCommands[j].lFieldId, int32_t(j));
    for (FieldRecord& f : gaFields) {
        const auto it = firstCommand.find(f.lFieldId);
        f.lCommandIndex = it == firstCommand.end() ? -1 : it->second;
    }
}

} // namespace

int32_t glEnumsPerRequest()
{
    const QString set = QStringLiteral("enum set");
    const int32_t head = glFieldLength(set, QStringLiteral("cpac")) + glFieldLength(set, QStringLiteral("cdom"))
                         + glFieldLength(set, QStringLiteral("yesv"));
    // Each value's description is host text and ends with Chr(1), which the request counts.
    const int32_t value = glFieldLength(set, QStringLiteral("cnst")) + glFieldLength(set, QStringLiteral("ctnm"))
                          + glFieldLength(set, QStringLiteral("edes")) + 1;
    return (kHostBufferLimit - head) / value;
}

bool gLoadDesignDefinitions()
{
    QString reason, value;
    int32_t message = 0;
    if (!gbFormIdentityUsable(reason, &value, &message)) {
        gWriteLog(reason);
        glShowMessage(MessageGroup3, message, platform::MbOk | platform::MbIconCritical, value);
        return false;
    }
    g_load.wholeLoad = true;
    g_load.failedTable.clear();
    g_load.progress = nullptr;

    if (gaGroups.empty())
        gaGroups.resize(1);
    GroupRecord& root = gaGroups[0];
    root.Grpi = 1;
    root.GrpiStored = 1;
    root.bChanged = false;
    root.bExistsInHost = false;

    showProgress("10%");
    bool ok = mLoadGroupDefinitions();
    if (ok) {
        showProgress("20%");
        ok = mLoadFieldDefinitions();
    }
    if (ok) {
        gbLoadCommands = true;
        ok = loadSpecificCommands();
    }
    if (ok) {
        mLinkCommandsToFields();
        showProgress("90%");
        gDumpArraysToLog();
    } else {
        reportFailure();
    }
    g_load.wholeLoad = false;
    return ok;
}

bool gLoadTable302(int32_t sequ)
{
    const bool ok = loadTable302(sequ);
    if (!ok && !g_load.wholeLoad)
        reportFailure();
    return ok;
}

bool gLoadSpecificCommands()
{
    const bool ok = loadSpecificCommands();
    if (!ok && !g_load.wholeLoad)
        reportFailure();
    // A reload replaces the commands: every field's link to one is made anew.
    if (ok && !g_load.wholeLoad)
        mLinkCommandsToFields();
    return ok;
}

void resetDesignDefinitions()
{
    gsDesignRecord.clear();
    glObjectSet301 = 0;
    g_load = LoadState{};
}

