#include "mod_TableFields.h"

#include "mod_External.h"
#include "mod_Texts.h"
#include "mod_Velq.h"
#include "mod_VrokGlobal.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_TextCaches.h"
#include "Latin1List.h"
#include "mod_Global.h"

#include <QStringList>

#include <algorithm>

QString gsTableVersion;
QString gsTableRelease;
QString gsTableCustomer;
bool gbTableFieldsLoaded = false;

namespace {

const QString kTable = QStringLiteral("qxzrn422");
const QString kRowSet = QStringLiteral("qxzrn422fields");
constexpr int kPartLength = 18;
constexpr int32_t kMaxCombinedParts = 32;
// After a load the list grows by kHeadRoomStep once fewer than kHeadRoomMark entries are left.
constexpr int32_t kHeadRoomMark = 400;
constexpr int32_t kHeadRoomStep = 500;

enum Column { Fdno, Fdnm, Acti, Dept, Clab, Pacd, Cdom, Rfpa, Rfmo, Rffn, Rffd, Mand, Iniv, Comb };

const QStringList& columns()
{
    static const QStringList c = latin1List({"fdno", "fdnm", "acti", "dept", "clab", "pacd", "cdom",
                                             "rfpa", "rfmo", "rffn", "rffd", "mand", "iniv", "comb"});
    return c;
}

int32_t rowLength()
{
    QString language = QStringLiteral("0");
    int16_t labelKind = 0;
    return valueOfText<int32_t>(gsGetDescription(kRowSet, 2, language, labelKind));
}

struct Loading {
    QString table;
    bool expanding = false;
    int32_t parentEntry = 0;
    QString parentRefTable;  // of the parent entry: what the expansion lists
    QString parentRefField;
    QStringList parts;       // the parent's parts when it is combined, trimmed
    int32_t next = 0;
    int32_t added = 0;
};

QStringList combinedParts(const QString& field)
{
    QString buffer;
    const int32_t count = std::clamp(giGetCombinedFields(field, buffer), 0, kMaxCombinedParts);
    QStringList parts;
    for (int32_t i = 0; i < count; ++i)
        parts << buffer.mid(qsizetype(i) * kPartLength, kPartLength).trimmed();
    return parts;
}

// Rows an expansion leaves out: the referenced key field itself, inactive fields and
// the parts of a combined parent.
bool skipped(const Loading& l, const std::vector<QString>& v)
{
    return l.expanding
           && (v[Fdnm] == l.parentRefField || valueOfText<int32_t>(v[Acti]) == 2
               || l.parts.contains(l.parentRefTable + QLatin1Char('.') + v[Fdnm]));
}

void fillEntry(TableFieldRecord& e, const Loading& l, const std::vector<QString>& v, int16_t element, int16_t depth)
{
    e = TableFieldRecord{};
    e.iParentEntry = int16_t(l.expanding ? l.parentEntry : 0);
    e.sTableCode = l.table;
    e.sFieldName = v[Fdnm];
    e.iElement = element;
    e.sDomainPackage = v[Pacd];
    e.sDomainCode = v[Cdom];
    e.sLabelCode = v[Clab].isEmpty() ? l.table + QLatin1Char('.') + v[Fdnm] : v[Clab];
    e.sRefPackage = v[Rfpa];
    e.sRefModule = v[Rfmo];
    e.sRefTableNr = v[Rffn];
    e.sRefField = v[Rffd];
    e.sRefTable = v[Rfpa] + v[Rfmo] + v[Rffn];
    e.bMandatory = valueOfText<int32_t>(v[Mand]) == 1;
    e.sInitialValue = v[Iniv];
    e.bCombined = valueOfText<int32_t>(v[Comb]) == 1;
    e.nNrOfElements = depth;
    if (!e.bCombined)
        e.nDomainIndex = giFindOrAddDomain(v[Pacd] + v[Cdom]);
}

// A multi-line text refers to no table, whatever its reference columns say. The
// domains of the new entries are asked of the host once, if any is not known yet.
void dropMultiLineReferences(int32_t first, int32_t last)
{
    auto refersByDomain = [](const TableFieldRecord& e) { return !e.bCombined && !e.sRefTable.isEmpty(); };
    bool unknown = false;
    for (int32_t i = first; i <= last; ++i) {
        const TableFieldRecord& e = gaTableFields[size_t(i)];
        unknown = unknown || (refersByDomain(e) && gaDomains[size_t(e.nDomainIndex)].lDataType == 0);
    }
    if (unknown)
        gLoadDomains();
    for (int32_t i = first; i <= last; ++i) {
        TableFieldRecord& e = gaTableFields[size_t(i)];
        if (refersByDomain(e) && gaDomains[size_t(e.nDomainIndex)].lDataType == 10)
            e.sRefTable.clear();
    }
}

void readRows(Loading& l, const QString& buffer, int32_t rows)
{
    static const RecordLayout layout(kRowSet, columns());
    std::vector<QString> v;
    // Each row begins where the one before ended.
    int32_t position = 1;
    for (int32_t i = 0; i < rows; ++i) {
        layout.read(buffer, position, v);
        if (skipped(l, v))
            continue;
        const int16_t depth = std::clamp<int16_t>(valueOfText<int16_t>(v[Dept]), 0, 999);
        for (int16_t element = 1; element <= std::max<int16_t>(1, depth); ++element) {
            if (l.next > kMaxTableFieldEntries) {
                gWriteLog(QStringLiteral("Table field list full; ") + l.table + QLatin1Char('.') + v[Fdnm]
                          + QStringLiteral(" left out"));
                return;
            }
            if (size_t(l.next) >= gaTableFields.size())
                gaTableFields.resize(size_t(std::min(l.next + 100 + depth, kMaxTableFieldEntries)) + 1);
            fillEntry(gaTableFields[size_t(l.next)], l, v, depth > 0 ? element : int16_t(1), depth);
            ++l.next;
            ++l.added;
        }
    }
}

QString qualifiedColumns()
{
    QStringList list;
    for (const QString& c : columns())
        list << kTable + QLatin1Char('.') + c;
    return list.join(QStringLiteral(", "));
}

} // namespace

int32_t glLoadTableFieldsFields(const QString& tableCode, bool expanding, int32_t parentEntry, int32_t& nextEntry,
                                const TableFieldAdded& added)
{
    Loading l;
    l.table = tableCode;
    l.expanding = expanding;
    l.next = std::max(1, nextEntry);
    if (expanding) {
        if (parentEntry < 1 || size_t(parentEntry) >= gaTableFields.size())
            return 0;
        const TableFieldRecord& parent = gaTableFields[size_t(parentEntry)];
        l.parentEntry = parentEntry;
        l.parentRefTable = parent.sRefTable;
        l.parentRefField = parent.sRefField;
        if (parent.bCombined)
            l.parts = combinedParts(parent.sRefTable + QLatin1Char('.') + parent.sRefField);
    }

    const QString package = tableCode.mid(0, 2);
    const QString module = tableCode.mid(2, 3);
    const QString number = tableCode.mid(5, 3);
    QString version = QString(4, QLatin1Char(' '));
    QString release = QString(2, QLatin1Char(' '));
    QString customer = QString(4, QLatin1Char(' '));
    if (!gbGetTableVrc(package, module, number, 0, version, release, customer)) {
        version = gsVersion;
        release = gsRelease;
        customer = gsCustomer;
    }
    const QString where = kTable + QStringLiteral("._index2 = {'")
                          + QStringList{package, module, number, version, release, customer}.join(QStringLiteral("','"))
                          + QStringLiteral("'}");
    const int32_t length = rowLength();
    const QueryResult result =
        gFetchQuery(glObjectSet301, qualifiedColumns(), kTable, where, kTable + QStringLiteral(".fdno"), length,
                    [&](const QString& buffer, int32_t rows) { readRows(l, buffer, rows); });
    if (result == QueryResult::NotDefined)
        gWriteLog(QStringLiteral("Query on the fields of ") + tableCode + QStringLiteral(" not defined"));
    else if (result == QueryResult::FetchFailed)
        gWriteLog(QStringLiteral("Fetch of the fields of ") + tableCode + QStringLiteral(" failed"));
    if (result != QueryResult::NotDefined && !expanding) {
        gsTableVersion = version;
        gsTableRelease = release;
        gsTableCustomer = customer;
    }
    const int32_t first = l.next - l.added;
    dropMultiLineReferences(first, l.next - 1);
    if (added)
        for (int32_t i = first; i < l.next; ++i)
            added(i);
    // Head room for the next loads, in one step rather than per entry.
    const int32_t upper = int32_t(gaTableFields.size()) - 1;
    const int32_t grown = std::min(upper + kHeadRoomStep, kMaxTableFieldEntries);
    if (gnTableFieldCount > upper - kHeadRoomMark && grown > upper)
        gaTableFields.resize(size_t(grown) + 1);
    nextEntry = l.next;
    return l.added;
}

void gLoadTableFields(const TableFieldAdded& added)
{
    int32_t next = 1;
    glLoadTableFieldsFields(gsTable, false, 0, next, added);
    gnTableFieldCount = int16_t(next - 1);
    gbTableFieldsLoaded = true;
}

bool gbTableFieldReference(const QString& fieldName, QString& package, QString& module, QString& number)
{
    if (!gbTableFieldsLoaded)
        gLoadTableFields();
    const qsizetype dot = fieldName.indexOf(QLatin1Char('.'));
    const QString shortName = dot < 0 ? fieldName : fieldName.mid(dot + 1);
    const int32_t last = std::min<int32_t>(gnTableFieldCount, int32_t(gaTableFields.size()) - 1);
    for (int32_t i = 1; i <= last; ++i) {
        const TableFieldRecord& e = gaTableFields[size_t(i)];
        if (e.sFieldName != shortName)
            continue;
        if (e.sRefPackage.isEmpty())
            return false;
        package = e.sRefPackage;
        module = e.sRefModule;
        number = e.sRefTableNr;
        return true;
    }
    return false;
}

void resetTableFields()
{
    gsTableVersion.clear();
    gsTableRelease.clear();
    gsTableCustomer.clear();
    gbTableFieldsLoaded = false;
}
