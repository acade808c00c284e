#include "mod_Store.h"

#include <data_sets.h>

#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_Velq.h"
#include "mod_VrokGlobal.h"
#include "mod_Texts.h"
#include "NodeTree.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_TextCaches.h"
#include "mod_Versions.h"
#include "Latin1List.h"
#include "mod_Global.h"

namespace {

enum class Action { Skipped, Deleted, Inserted, Updated };

const char* actionText(Action a)
{
    switch (a) {
    case Action::Deleted:
        return "Deleted";
    case Action::Inserted:
        return "Inserted";
    case Action::Updated:
        return "Updated";
    case Action::Skipped:
        break;
    }
    return "Skipped";
}

struct StoreState {
    // Fields the running store gave an input-property row (bHas302Row was false).
    std::vector<int32_t> has302Set;
    // Why the last store was refused before it wrote anything; empty otherwise.
    QString refusal;
};

StoreState s;

const QString kTab = QStringLiteral("\t");

void status(int32_t number, const QString& first = QString())
{
    glShowMessage(MessageStatus, number, StatusBarOnly, first);
}

// The object sets a store opened, closed in the order they were opened when the guard
// ends, whichever way the store ends.
class StoreObjectSets {
public:
    StoreObjectSets() = default;
    ~StoreObjectSets()
    {
        for (int32_t set : m_opened)
            glCloseObjectSet(set);
    }
    StoreObjectSets(const StoreObjectSets&) = delete;
    StoreObjectSets& operator=(const StoreObjectSets&) = delete;

    // Opens the object set of table; false (after a log line, set 0) when the host gave none.
    bool open(const char* table, int32_t& set)
    {
        set = glOpenObjectSet(QLatin1String(table));
        if (set < 1) {
            gWriteLog(QStringLiteral("Object set of ") + QLatin1String(table) + QStringLiteral(" not opened"));
            set = 0;
            return false;
        }
        m_opened.push_back(set);
        return true;
    }
    // A set another routine opened, closed with these.
    void adopt(int32_t set)
    {
        Q_ASSERT(set > 0);
        m_opened.push_back(set);
    }

private:
    std::vector<int32_t> m_opened;
};

// A fresh store: no mark of an earlier one may be flipped back after this one.
void forgetToggles()
{
    for (GroupRecord& g : gaGroups)
        g.bExistsToggled = false;
    for (FieldRecord& f : gaFields)
        f.bExistsToggled = false;
    for (SpecificCommandRecord& c : gaSpecificCommands)
        c.bExistsToggled = false;
    s.has302Set.clear();
}

// The input-property row of field i, as a new row or as a change of the existing one.
// With two or more bytes a character, non-empty texts go through the host functions,
// after what the set holds so far.
bool write302(int32_t i, bool newRow, int32_t set302)
{
    Q_ASSERT(i >= 1 && size_t(i) < gaFields.size());
    const FieldRecord& f = gaFields[size_t(i)];
    if (glBytesPerChar >= 2 && (!f.sInpRefExpr.isEmpty() || !f.sDefaultValue.isEmpty())) {
        if (glSendVelqSet() != 0)
            return false;
        return newRow ? gbInsertQxzrn302(gsDesignLanguage, gsPackage, gsModule, gsFormCode, gsVersion, gsRelease,
                                         gsCustomer, f.lFieldId, f.bSyncField, f.sInpRefExpr, f.sDefaultValue)
                      : gbUpdateQxzrn302(gsDesignLanguage, gsPackage, gsModule, gsFormCode, gsVersion, gsRelease,
                                         gsCustomer, f.lFieldId, f.bSyncField, f.sInpRefExpr, f.sDefaultValue);
    }
    if (newRow)
        return gbVelqInsert(set302, msFieldRecord302(i));
    return gbVelqUpdate(set302, gsFieldKeyText(QLatin1String(kTable302), i), msFieldRecord302(i));
}

void markHas302Row(int32_t i)
{
    Q_ASSERT(i >= 1 && size_t(i) < gaFields.size());
    FieldRecord& f = gaFields[size_t(i)];
    if (!f.bHas302Row)
        s.has302Set.push_back(i);
    f.bHas302Row = true;
}

void logField(int32_t i)
{
    Q_ASSERT(i >= 1 && size_t(i) < gaFields.size());
    const FieldRecord& f = gaFields[size_t(i)];
    gWriteLog(QStringLiteral("********** Field ") + f.sFieldName + QStringLiteral(":"));
    gWriteLog(kTab + QStringLiteral("FieldId: ") + QString::number(f.lFieldId));
    gWriteLog(kTab + QStringLiteral("Omod: ") + QString::number(f.nOmod));
    if (f.bChanged301)
        gWriteLog(kTab + QStringLiteral("Changed for Table ") + QLatin1String(kTable301));
    if (f.bRemove302)
        gWriteLog(kTab + QStringLiteral("Remove existing (when exists) ") + QLatin1String(kTable302));
    if (f.bChanged302)
        gWriteLog(kTab + QStringLiteral("Changed for Table ") + QLatin1String(kTable302));
    if (f.bChanged308)
        gWriteLog(kTab + QStringLiteral("Changed for Table ") + QLatin1String(kTable308));
}

// One field: false at the first add or host call that failed.
bool storeField(int32_t i, int32_t set301, int32_t set302, int32_t set308)
{
    Q_ASSERT(i >= 1 && i <= gnFieldCount && size_t(i) < gaFields.size());
    FieldRecord& f = gaFields[size_t(i)];
    f.bExistsToggled = false;
    Action action = Action::Skipped;
    // The key names the field alike in each of its tables: made once, when first needed.
    QString fieldKey;
    const auto key = [i, &fieldKey](const char* table) {
        if (fieldKey.isNull())
            fieldKey = gsFieldKeyText(QLatin1String(table), i);
        return fieldKey;
    };

    if (f.lFieldId == -1) {
        if (!f.bExistsInHost)
            return true;  // never stored: nothing to send
        action = Action::Deleted;
        if (!gbVelqDelete(set301, key(kTable301)))
            return false;
        // The slot's row may have been left by a former field (bRemove302) even when
        // the last record found none of its own.
        const bool no302 = f.bInputPropsLoaded && !f.bHas302Row && !f.bRemove302;
        if (!no302 && !gbVelqDelete(set302, key(kTable302)))
            return false;
        if (!gbVelqDelete(set308, key(kTable308)))
            return false;
        f.bExistsToggled = true;
        f.bExistsInHost = false;
    } else if (f.bChanged) {
        if (gbLogging)
            logField(i);
        if (!f.bExistsInHost) {
            action = Action::Inserted;
            if (f.bChanged301 && !gbVelqInsert(set301, msFieldRecord301(i)))
                return false;
            if (f.bChanged302) {
                if (!write302(i, true, set302))
                    return false;
                markHas302Row(i);
            }
            if (f.bChanged308 && !gbVelqInsert(set308, msFieldRecord308(i)))
                return false;
            f.bExistsToggled = true;
        } else {
            action = Action::Updated;
            if (f.bChanged301 && !gbVelqUpdate(set301, key(kTable301), msFieldRecord301(i)))
                return false;
            if (f.bRemove302 && !gbVelqDelete(set302, key(kTable302)))
                return false;
            if (f.bChanged302) {
                if (!f.bHas302Row && f.bInputPropsLoaded) {
                    if (!write302(i, true, set302))
                        return false;
                    markHas302Row(i);
                } else if (f.bHas302Row) {
                    if (!write302(i, false, set302))
                        return false;
                }
            }
            if (f.bChanged308 && !gbVelqUpdate(set308, key(kTable308), msFieldRecord308(i)))
                return false;
        }
        f.bExistsInHost = true;
    }
    // Made only for a log that is written: a store passes here for every field.
    if (gbLogging && f.bChanged && action != Action::Skipped)
        gWriteLog(QStringLiteral("********** Field ") + f.sFieldName + QLatin1Char(' ')
                  + QLatin1String(actionText(action)));
    return true;
}

// ---- What the store builds on ------------------------------------------------------------

// The widths of a table's columns as its rows are read back; 0 for a column no row
// is read with.
template <typename R>
std::vector<int32_t> widthsOf(const char* table, const std::vector<DesignColumn<R>>& columns)
{
    std::vector<int32_t> widths;
    widths.reserve(columns.size());
    for (const DesignColumn<R>& c : columns)
        widths.push_back(glFieldLength(QLatin1String(table), QLatin1String(c.name)));
    return widths;
}

// The property dialog's caption of a column: its control's label, and for the two
// label sizes the frame of the occurrence view they stand in.
struct Caption {
    const char* table;
    const char* column;
    const char* label;
    const char* frame;
};

constexpr Caption kCaptions[] = {
    {kTable315, "labl", "pzprop.glab", nullptr},
    {kTable315, "wdth", "pzprop.cols", nullptr},
    {kTable315, "zb_tabp", "pzprop.tabp", nullptr},
    {kTable301, "fldn", "pzprop.fldn", nullptr},
    {kTable301, "elem", "pzprop.elem", nullptr},
    {kTable301, "pacd", "pzprop.domain", nullptr},
    {kTable301, "cdom", "pzprop.domain", nullptr},
    {kTable301, "typf", "pzprop.typf", nullptr},
    {kTable301, "difo", "pzprop.difo", nullptr},
    {kTable301, "mini", "pzprop.mini", nullptr},
    {kTable301, "maxd", "pzzrn301.maxd1", nullptr},
    {kTable301, "maxi", "pzzrn301.maxi1", nullptr},
    {kTable301, "sttp", "pzprop.sttp", nullptr},
    {kTable301, "zoom", "pzprop.zoom", nullptr},
    {kTable301, "zprg", "pzprop.zprg", nullptr},
    {kTable301, "zopm", "pzprop.zopm", nullptr},
    {kTable301, "zret", "pzprop.zret", nullptr},
    {kTable301, "cmes", "pzprop.cmes", nullptr},
    {kTable301, "dcex", "pzprop.dcex", nullptr},
    {kTable301, "labl", "pzprop.labl", nullptr},
    {kTable302, "inpc", "pzprop.inpc", nullptr},
    {kTable302, "defa", "pzprop.defa", nullptr},
    {kTable308, "lpos", "pzprop.lpos", nullptr},
    {kTable308, "llso", "pzprop.llen", "pzprop.inso"},
    {kTable308, "lhso", "pzprop.lhgt", "pzprop.inso"},
    {kTable308, "llmo", "pzprop.llen", "pzprop.inmo"},
    {kTable308, "lhmo", "pzprop.lhgt", "pzprop.inmo"},
    {kTable308, "za_hght", "pzprop.hght", nullptr},
    {kTable308, "za_yesv", "pzprop.yesv", nullptr},
    {kTable308, "za_srch", "pzprop.srch", nullptr},
    {kTable308, "za_cnst", "pzprop.cnst", nullptr},
    {kTable308, "za_icon", "pzprop.icon", nullptr},
    {kTable308, "za_zind", "pzprop.zind", nullptr},
    {kTable308, "za_adju", "pzprop.adju", nullptr},
};

// The numbers of the records, as the dialog shows them.
constexpr Caption kNumberCaptions[] = {
    {kTable315, "grpi", "pzprop.grpnr", nullptr}, {kTable308, "grpi", "pzprop.grpnr", nullptr},
    {kTable301, "sequ", "pzprop.fldid", nullptr}, {kTable302, "sequ", "pzprop.fldid", nullptr},
    {kTable308, "sequ", "pzprop.fldid", nullptr},
};

// Columns no control of the dialog shows (the links among the records) keep their
// names; the positions the layout computes are told by what leads to them.
QString captionOf(const char* table, const char* column)
{
    // Computed from the dialog's lengths, and shown by no control of its own.
    if (qstrcmp(table, kTable301) == 0 && qstrcmp(column, "flen") == 0)
        return QStringLiteral("Field length");
    const auto named = [&](const Caption& c) { return qstrcmp(c.table, table) == 0 && qstrcmp(c.column, column) == 0; };
    for (const Caption& c : kNumberCaptions)
        if (named(c)) {
            int16_t kind = 11;
            return gsGetLabel(QLatin1String(c.label), kind);
        }
    for (const Caption& c : kCaptions) {
        if (!named(c))
            continue;
        int16_t kind = 11;
        QString text = gsGetLabel(QLatin1String(c.label), kind);
        if (c.frame) {
            kind = 11;
            text += QStringLiteral(" (") + gsGetLabel(QLatin1String(c.frame), kind) + QLatin1Char(')');
        }
        return text;
    }
    return QLatin1String(table) + QLatin1Char('.') + QLatin1String(column);
}

// The record as the tree shows it; a record without a node by what names it.
QString nodeText(const QString& key, const QString& otherwise)
{
    if (const NodeTree* tree = gMainTree(); tree && !key.isEmpty())
        if (const TreeNode* n = tree->node(key); n && !n->text().trimmed().isEmpty())
            return n->text().trimmed();
    return otherwise;
}

// The value as the user knows it: a number as it stands, a text in plain quotes, a
// long one cut short.
QString shownValue(const QString& written)
{
    if (written.size() < 4 || !written.startsWith(u"\"\"") || !written.endsWith(u"\"\""))
        return written;
    QString text = written.mid(2, written.size() - 4).replace(QStringLiteral("\"\"\"\""), QStringLiteral("\""));
    constexpr qsizetype kShown = 40;
    if (text.size() > kShown)
        text = datasets::leftWhole(text, kShown) + QStringLiteral("...");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// A position the layout computes, told by what leads to it: nobody typed the position
// itself. Nothing for a column the user sets.
template <typename R>
QString computedPosition(const R&, const char*, const char*)
{
    return QString();
}

QString computedPosition(const FieldRecord& f, const char* table, const char* column)
{
    const auto is = [&](const char* t, const char* c) { return qstrcmp(table, t) == 0 && qstrcmp(column, c) == 0; };
    constexpr int16_t kMost = std::numeric_limits<int16_t>::max();
    // A position is stored cut to what the record holds.
    const auto at = [](int64_t v) {
        return v >= kMost ? QStringLiteral("%1 or further").arg(kMost) : QString::number(v);
    };
    const QString what = f.sNodeKey.startsWith(u"p_") ? QStringLiteral("picture") : QStringLiteral("field");
    // The layout makes a field as wide as its length, an option set wider for its
    // choices.
    const int64_t lengthEnd = int64_t(f.iFieldXPos) + std::max<int64_t>(1, f.iFieldLength) - 1;
    const bool lengthLeads = lengthEnd == f.nFieldEndPos || (f.nFieldEndPos == kMost && lengthEnd > kMost);
    const QString length = QStringLiteral("field length %1").arg(f.iFieldLength);
    if (is(kTable301, "xpos"))
        return QStringLiteral("the layout would start the %1 at column %2").arg(what, at(f.iFieldXPos));
    if (is(kTable301, "ypos"))
        return QStringLiteral("the rows above it would start the %1 at row %2").arg(what, at(f.iFieldYPos));
    if (is(kTable308, "xend"))
        return lengthLeads
                   ? QStringLiteral("%1 would end the %2 at column %3").arg(length, what).arg(lengthEnd)
                   : QStringLiteral("its choices would end the option set at column %1").arg(at(f.nFieldEndPos));
    if (is(kTable308, "lxpo")) {
        // A label right of the field stands after its end.
        const bool right = f.iLabelLengthSO > 0 && f.lLabelPosition == 3;
        const QString cause = !right        ? QStringLiteral("the layout")
                              : lengthLeads ? length
                                            : QStringLiteral("its choices");
        return QStringLiteral("%1 would put its label at column %2").arg(cause, at(f.nLabelXPos));
    }
    if (is(kTable308, "colu"))
        return QStringLiteral("the layout would put the %1 in column %2 of its group").arg(what, at(f.iColumnId));
    return QString();
}

// The columns of one row whose values the host could not give back: a number cut short
// would read as another number or fail the read of the whole form. Columns the form
// version does not write are not asked.
template <typename R>
void collectUnfit(const char* table, const std::vector<DesignColumn<R>>& columns, const std::vector<int32_t>& widths,
                  const R& record, const std::function<QString()>& node, std::vector<UnfitValue>& out)
{
    QString shown;
    // The values are measured without writing them where their columns can, else written
    // into one buffer: the check runs over every value of every row a store writes.
    static std::u16string written;
    for (size_t i = 0; i < columns.size(); ++i) {
        const DesignColumn<R>& c = columns[i];
        if (!c.write || widths[i] <= 0 || (c.feature != 0 && !gbFormVersionSupports(c.feature)))
            continue;
        if (c.kept) {
            if (c.kept(record) <= widths[i])
                continue;
        } else if (c.append) {
            written.clear();
            c.append(written, record);
            const QStringView view(written.data(), qsizetype(written.size()));
            // The host keeps no more than what is written.
            if (view.size() <= widths[i] || gnKeptLength(view) <= widths[i])
                continue;
        }
        const QString value = c.write(record);
        if (value.size() <= widths[i] || gnKeptLength(value) <= widths[i])
            continue;
        if (shown.isEmpty())
            shown = node();
        out.push_back({shown, captionOf(table, c.name), QLatin1String(table), QLatin1String(c.name), shownValue(value),
                       widths[i], computedPosition(record, table, c.name)});
    }
}

// The record by its kind and as the tree shows it: a field whose tree text is its
// label alone would read as a group of that name.
QString namedNode(const QString& kind, const QString& key, const QString& otherwise)
{
    return QStringLiteral("%1 \"%2\"").arg(kind, nodeText(key, otherwise));
}

QString groupNode(int32_t index)
{
    const GroupRecord& g = gaGroups[size_t(index)];
    const QString name = g.sLabelCode.trimmed().isEmpty() ? QString::number(g.Grpi) : g.sLabelCode.trimmed();
    return namedNode(index == 0 ? QStringLiteral("Form") : QStringLiteral("Group"), gsGroupKey(index), name);
}

QString fieldNode(const FieldRecord& f)
{
    const QString name = f.sFieldName.trimmed().isEmpty() ? f.sLabelCode.trimmed() : f.sFieldName.trimmed();
    return namedNode(f.sNodeKey.startsWith(u"p_") ? QStringLiteral("Picture") : QStringLiteral("Field"), f.sNodeKey,
                     name);
}

// The values of every row the store is about to write that do not fit their columns.
std::vector<UnfitValue> unfitToStore()
{
    FitCheck check;
    for (size_t i = 0; i < gaGroups.size(); ++i)
        if (gaGroups[i].Grpi != -1 && gaGroups[i].bChanged)
            check.group(int32_t(i));
    for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i) {
        const FieldRecord& f = gaFields[size_t(i)];
        if (!f.sNodeKey.isEmpty() && f.lFieldId != -1 && f.bChanged)
            check.field(f, FitRows::Changed);
    }
    for (size_t i = 1; i < gaSpecificCommands.size(); ++i)
        if (gaSpecificCommands[i].lLinkId != -1 && gaSpecificCommands[i].bChanged)
            check.command(gaSpecificCommands[i]);
    return check.values();
}

// The form's rows of a query, each read into a fresh record by the columns' own
// readers; false when the rows could not be read.
template <typename R>
bool readRows(const char* table, const std::vector<std::pair<const char*, const std::vector<DesignColumn<R>>*>>& sets,
              const QStringList& columns, const QString& from, const QString& where,
              const std::function<void(const R&)>& row)
{
    std::vector<RecordLayout> layouts;
    std::vector<std::vector<const DesignColumn<R>*>> readers;
    QStringList select;
    int32_t length = 0;
    for (const auto& [set, designColumns] : sets) {
        const QStringList names = columns.filter(QLatin1String(set) + QLatin1Char('.'));
        QStringList plain;
        for (const QString& n : names) {
            plain << n.section(u'.', 1);
            length += glFieldLength(QLatin1String(set), plain.back());
        }
        layouts.emplace_back(QLatin1String(set), plain);
        readers.emplace_back();
        for (const QString& n : plain)
            readers.back().push_back(gFindDesignColumn(*designColumns, n));
        select << names;
    }
    std::vector<QStringView> values;  // into the block, read before the next
    const QueryResult result = gFetchQuery(
        glObjectSet301, select.join(QStringLiteral(", ")), from, where, columns.front(), length,
        [&](const QString& buffer, int32_t rows) {
            int32_t position = 1;
            for (int32_t i = 0; i < rows; ++i) {
                R record;
                for (size_t k = 0; k < layouts.size(); ++k) {
                    layouts[k].read(buffer, position, values);
                    for (size_t v = 0; v < values.size(); ++v)
                        if (readers[k][v] && readers[k][v]->read)
                            readers[k][v]->read(record, values[v]);
                }
                row(record);
            }
        });
    if (result != QueryResult::Fetched)
        gWriteLog(QStringLiteral("Rows of ") + QLatin1String(table) + QStringLiteral(" not read before the store"));
    return result == QueryResult::Fetched;
}

// The store writes only what changed here: rows another session stored since this one
// read them would be mixed with these into links that no longer hold. So, inside the
// set's transaction (which holds the host's writes for this session alone), every group
// and field row must still exist and link as this session read or last stored it.
bool mbRowsAsStored(QString& why)
{
    const QString changed = QStringLiteral("it was stored by another session since it was read here (%1); "
                                           "close it and open it again to go on");
    std::vector<bool> seen(gaGroups.size(), false);
    QString differs;
    bool ok = readRows<GroupRecord>(
        kTable315, {{kTable315, &gColumns315()}},
        latin1List({"qxzrn315.grpi", "qxzrn315.levl", "qxzrn315.pare", "qxzrn315.prev", "qxzrn315.next",
                    "qxzrn315.chld", "qxzrn315.fld1"}),
        QLatin1String(kTable315), gsFormKeyWhere(QLatin1String(kTable315)), [&](const GroupRecord& h) {
            const size_t i = size_t(h.Grpi - 1);
            if (h.Grpi < 1 || i >= gaGroups.size())
                return;  // no slot of this session can write it
            seen[i] = true;
            const GroupRecord& g = gaGroups[i];
            if (differs.isEmpty()
                && (!g.bExistsInHost || h.lGroupLevel != g.lGroupLevelStored || h.lParentGroup != g.lParentGroupStored
                    || h.lPreviousGroup != g.lPreviousGroupStored || h.lNextGroup != g.lNextGroupStored
                    || h.lChildGroup != g.lChildGroupStored || h.lFirstField != g.lFirstFieldStored))
                differs = QStringLiteral("group %1").arg(h.Grpi);
        });
    for (size_t i = 0; ok && differs.isEmpty() && i < gaGroups.size(); ++i)
        if (gaGroups[i].bExistsInHost && !seen[i])
            differs = QStringLiteral("group %1").arg(i + 1);

    seen.assign(gaFields.size(), false);
    ok = ok && differs.isEmpty()
         && readRows<FieldRecord>(
             kTable301, {{kTable301, &gColumns301()}, {kTable308, &gColumns308()}},
             latin1List({"qxzrn301.sequ", "qxzrn301.omod", "qxzrn308.grpi", "qxzrn308.pare", "qxzrn308.next",
                         "qxzrn308.chld", "qxzrn308.fwup"}),
             QLatin1String(kTable301) + QStringLiteral(", ") + QLatin1String(kTable308),
             QLatin1String(kTable301) + QStringLiteral(".cmba REFERS TO ") + QLatin1String(kTable308)
                 + QStringLiteral(" AND ") + gsFormKeyWhere(QLatin1String(kTable301)),
             [&](const FieldRecord& h) {
                 const size_t i = size_t(h.lFieldId);
                 if (h.lFieldId < 1 || i >= gaFields.size())
                     return;
                 seen[i] = true;
                 const FieldRecord& f = gaFields[i];
                 if (differs.isEmpty()
                     && (!f.bExistsInHost || h.nOmod != f.nOmodStored || h.Grpi != f.GrpiStored
                         || h.lParentField != f.lParentFieldStored || h.lNextField != f.lNextFieldStored
                         || h.lChildField != f.lChildFieldStored || h.bFollowUp != f.bFollowUpStored))
                     differs = QStringLiteral("field %1").arg(h.lFieldId);
             });
    for (size_t i = 1; ok && differs.isEmpty() && i < gaFields.size(); ++i)
        if (gaFields[i].bExistsInHost && !seen[i])
            differs = QStringLiteral("field %1").arg(i);

    if (!ok && differs.isEmpty())
        why = QStringLiteral("its rows could not be read again from the host to check them");
    else if (!differs.isEmpty())
        why = changed.arg(differs);
    return why.isEmpty();
}

void markStored()
{
    for (GroupRecord& g : gaGroups) {
        if (g.bChanged && g.bExistsInHost)
            gSetGroupStoredCopies(g);
        g.bChanged = false;
    }
    for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i) {
        FieldRecord& f = gaFields[size_t(i)];
        if (f.bChanged && f.bExistsInHost)
            gSetFieldStoredCopies(f);
        f.bChanged = f.bChanged301 = f.bChanged302 = f.bChanged308 = false;
        f.bRemove302 = false;
    }
    for (size_t i = 1; i < gaSpecificCommands.size(); ++i) {
        SpecificCommandRecord& c = gaSpecificCommands[i];
        if (c.bChanged && c.bExistsInHost) {
            c.lLinkIdStored = c.lLinkId;
            c.nCommandTypeStored = c.nCommandType;
        }
        c.bChanged = false;
    }
    // Nothing of this store is to be undone any more.
    forgetToggles();
    gClearDocuDeletes();
}

// The host's database could not take the set (another program's lock, no right to
// write it, a full disk): nothing is wrong with the form, and saving again once that
// is over stores it.
void noteHostRefusal()
{
    const QString words = gsHostWriteRefusal(giVelqHostRefusal());
    if (words.isEmpty())
        return;
    s.refusal = words;
    gWriteLog(QStringLiteral("Design Definitions Not Stored: ") + s.refusal);
}

} // namespace

// ---- Values the host could not keep ----------------------------------------------------------

struct FitCheck::Widths {
    std::vector<int32_t> w315 = widthsOf(kTable315, gColumns315());
    std::vector<int32_t> w301 = widthsOf(kTable301, gColumns301());
    std::vector<int32_t> w302 = widthsOf(kTable302, gColumns302());
    std::vector<int32_t> w308 = widthsOf(kTable308, gColumns308());
    std::vector<int32_t> w316 = widthsOf(kTable316, gColumns316());
};

// The widths are asked of the data sets once while they stay as they are.
FitCheck::FitCheck()
{
    static std::shared_ptr<const Widths> widths;
    static uint32_t revision = 0;
    if (!widths || revision != glDataSetsRevision()) {
        widths = std::make_shared<const Widths>();
        revision = glDataSetsRevision();
    }
    m_widths = widths;
}

FitCheck::~FitCheck() = default;

void FitCheck::group(int32_t index)
{
    Q_ASSERT(index >= 0 && size_t(index) < gaGroups.size());
    collectUnfit(kTable315, gColumns315(), m_widths->w315, gaGroups[size_t(index)],
                 [index] { return groupNode(index); }, m_values);
}

void FitCheck::field(const FieldRecord& f, FitRows rows)
{
    const bool all = rows == FitRows::All;
    const std::function<QString()> node = [&f] { return fieldNode(f); };
    if (all || f.bChanged301)
        collectUnfit(kTable301, gColumns301(), m_widths->w301, f, node, m_values);
    if (all || f.bChanged302)
        collectUnfit(kTable302, gColumns302(), m_widths->w302, f, node, m_values);
    if (all || f.bChanged308)
        collectUnfit(kTable308, gColumns308(), m_widths->w308, f, node, m_values);
}

void FitCheck::command(const SpecificCommandRecord& c)
{
    collectUnfit(
        kTable316, gColumns316(), m_widths->w316, c,
        [&c] { return QStringLiteral("Form command \"%1\"").arg(c.sSpecificCommand.trimmed()); }, m_values);
}

QString gsUnfitValuesText(const std::vector<UnfitValue>& values, size_t shown)
{
    QStringList lines{QStringLiteral("these values do not fit the host's columns:")};
    for (size_t i = 0; i < values.size() && i < shown; ++i) {
        const UnfitValue& v = values[i];
        // A number is kept as its digits; a computed position is always a number.
        static const QRegularExpression digits(QStringLiteral("^\\d+$"));
        const bool number = !v.position.isEmpty() || digits.match(v.value).hasMatch();
        const QString unit = number ? QStringLiteral("digit") : QStringLiteral("character");
        const QString kept =
            QStringLiteral("%1 %2%3").arg(v.width).arg(unit, v.width == 1 ? QString() : QStringLiteral("s"));
        if (!v.position.isEmpty())
            lines << QStringLiteral("%1: %2, beyond the %3 the host keeps").arg(v.node, v.position, kept);
        else
            lines << QStringLiteral("%1: %2 %3 has more than the %4 the host keeps")
                         .arg(v.node, v.property, v.value, kept);
    }
    if (values.size() > shown)
        lines << QStringLiteral("and %1 more").arg(values.size() - shown);
    return lines.join(QStringLiteral("\r\n"));
}

bool mbStoreGroupDefinitions(int32_t& set315)
{
    gWriteLog(QStringLiteral("----- Storing Group Definitions -----"));
    for (int32_t i = 0; i < int32_t(gaGroups.size()); ++i) {
        GroupRecord& g = gaGroups[size_t(i)];
        g.bExistsToggled = false;
        Action action = Action::Skipped;
        if (g.Grpi == -1) {
            if (g.bExistsInHost) {
                if (!gbVelqDelete(set315, gsGroupKeyText(i)))
                    return false;
                g.bExistsInHost = false;
                g.bExistsToggled = true;
                action = Action::Deleted;
            }
        } else if (g.bChanged) {
            if (gbLogging) {
                gWriteLog(QStringLiteral("********** Group ") + g.sLabelCode + QStringLiteral(":"));
                gWriteLog(kTab + QStringLiteral("GroupId: ") + QString::number(g.Grpi));
            }
            msGroupRecord315(i);
            if (!g.bExistsInHost) {
                if (!gbVelqInsert(set315, gsDesignRecord))
                    return false;
                g.bExistsToggled = true;
                action = Action::Inserted;
            } else {
                if (!gbVelqUpdate(set315, gsGroupKeyText(i), gsDesignRecord))
                    return false;
                action = Action::Updated;
            }
            g.bExistsInHost = true;
        }
        if (g.bChanged && action != Action::Skipped)
            gWriteLog(QStringLiteral("********** Group ") + g.sLabelCode + QLatin1Char(' ')
                      + QLatin1String(actionText(action)));
    }
    gWriteLog(QStringLiteral("----- Group Definitions Stored -----"));
    return true;
}

bool mbStoreFieldDefinitions(int32_t& set301, int32_t& set302, int32_t& set308)
{
    gWriteLog(QStringLiteral("----- Storing Field Definitions -----"));
    int32_t shownPercent = -1;
    for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i) {
        // A slot that never reached the tree is passed over.
        if (!gaFields[size_t(i)].sNodeKey.isEmpty() && !storeField(i, set301, set302, set308))
            return false;
        const int32_t percent = int32_t(std::lround(100.0 * i / gnFieldCount));
        if (percent != shownPercent) {
            status(10, QString::number(percent) + QLatin1Char('%'));
            shownPercent = percent;
        }
    }
    gWriteLog(QStringLiteral("----- Field Definitions Stored -----"));
    return true;
}

bool mbStoreDocuDeletes(int32_t& set150)
{
    set150 = 0;
    if (gaDocuDeletes().empty())
        return true;
    QSet<QString> live;
    for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i)
        if (gaFields[size_t(i)].lFieldId != -1)
            live.insert(gaFields[size_t(i)].sFieldName.trimmed());
    for (const DocuDelete& d : gaDocuDeletes()) {
        if (live.contains(d.sFieldName))
            continue;  // a field of that name is back in the form
        if (set150 == 0) {
            set150 = glOpenObjectSet(QLatin1String(kTable150));
            if (set150 < 1) {
                set150 = 0;
                gWriteLog(QStringLiteral("Object set of ") + QLatin1String(kTable150) + QStringLiteral(" not opened"));
                return false;
            }
        }
        if (!gbVelqDelete(set150, d.sKey)) {
            gWriteLog(QStringLiteral("Record from table 150 not deleted"));
            return false;
        }
        gWriteLog(QStringLiteral("Record from table 150 deleted"));
    }
    return true;
}

bool mbStoreSpecificCommands(int32_t& set316)
{
    gWriteLog(QStringLiteral("----- Storing Specific Command Definitions -----"));
    for (size_t i = 1; i < gaSpecificCommands.size(); ++i) {
        SpecificCommandRecord& c = gaSpecificCommands[i];
        c.bExistsToggled = false;
        const QString key = msCommandRecord316(int32_t(i));
        Action action = Action::Skipped;
        if (c.lLinkId == -1) {
            if (c.bExistsInHost) {
                if (!gbVelqDelete(set316, key))
                    return false;
                c.bExistsInHost = false;
                c.bExistsToggled = true;
                action = Action::Deleted;
            }
        } else if (c.bChanged) {
            if (gbLogging) {
                gWriteLog(QStringLiteral("********** Specific Command ") + c.sSpecificCommand + QStringLiteral(":"));
                gWriteLog(kTab + QStringLiteral("CommandId: ") + QString::number(c.nSequenceNumber));
            }
            // The host stores an update of a row it does not hold yet.
            if (!gbVelqUpdate(set316, key, gsDesignRecord))
                return false;
            if (!c.bExistsInHost)
                c.bExistsToggled = true;
            c.bExistsInHost = true;
            action = Action::Updated;
        }
        if (c.bChanged && action != Action::Skipped)
            gWriteLog(QStringLiteral("********** Specific Command ") + c.sSpecificCommand + QLatin1Char(' ')
                      + QLatin1String(actionText(action)));
    }
    gWriteLog(QStringLiteral("----- Specific Command Definitions Stored -----"));
    return true;
}

namespace {

enum class StoreEnd { Stored, Failed, Aborted };

// The store inside its object sets, which are closed when it returns. Failed: a set, a
// check or a write failed; Aborted: the commit failed.
StoreEnd storeInObjectSets()
{
    StoreObjectSets sets;
    int32_t set315 = 0, set301 = 0, set302 = 0, set308 = 0, set150 = 0, set316 = 0;
    const auto refuse = [&](const QString& why) {
        s.refusal = why;
        gWriteLog(QStringLiteral("Design Definitions Not Stored: ") + why);
        return StoreEnd::Failed;
    };

    if (const std::vector<UnfitValue> unfit = unfitToStore(); !unfit.empty()) {
        if (unfit.size() > size_t(kShownUnfitValues))
            gWriteLog(gsUnfitValuesText(unfit, unfit.size()));
        return refuse(gsUnfitValuesText(unfit));
    }
    QString why;
    if (!sets.open(kTable315, set315))
        return StoreEnd::Failed;
    gInitVelqSet();
    // The set's head alone opens the host transaction, in which the rows are checked.
    if (glSendVelqSet() != 0)
        return StoreEnd::Failed;
    if (!mbRowsAsStored(why))
        return refuse(why);
    if (!mbStoreGroupDefinitions(set315))
        return StoreEnd::Failed;
    if (!sets.open(kTable301, set301) || !sets.open(kTable302, set302) || !sets.open(kTable308, set308))
        return StoreEnd::Failed;
    if (!mbStoreFieldDefinitions(set301, set302, set308))
        return StoreEnd::Failed;
    const bool docu = mbStoreDocuDeletes(set150);
    if (set150 > 0)
        sets.adopt(set150);
    if (!docu)
        return StoreEnd::Failed;
    if (!sets.open(kTable316, set316))
        return StoreEnd::Failed;
    if (!mbStoreSpecificCommands(set316))
        return StoreEnd::Failed;

    if (glCommitVelqSet() != 0) {
        gWriteLog(QStringLiteral("Design Definitions Not Stored. Transaction Aborted"));
        noteHostRefusal();
        return StoreEnd::Aborted;
    }
    markStored();
    gWriteLog(QStringLiteral("Design Definitions Stored"));
    glLoadedFormVersion = glFormVersionLevel;
    return StoreEnd::Stored;
}

} // namespace

bool gbStoreDesignDefinitions()
{
    status(10);
    // Stored or not, the status bar does not go on saying that it saves.
    const auto ready = qScopeGuard([] { status(1); });
    forgetToggles();
    s.refusal.clear();
    const StoreEnd end = storeInObjectSets();
    // A failed store tells of the host's refusal after its sets are closed.
    if (end == StoreEnd::Failed)
        noteHostRefusal();
    return end == StoreEnd::Stored;
}

void gRestoreExistsMarks()
{
    for (GroupRecord& g : gaGroups)
        if (g.bExistsToggled)
            g.bExistsInHost = !g.bExistsInHost;
    for (FieldRecord& f : gaFields)
        if (f.bExistsToggled)
            f.bExistsInHost = !f.bExistsInHost;
    for (SpecificCommandRecord& c : gaSpecificCommands)
        if (c.bExistsToggled)
            c.bExistsInHost = !c.bExistsInHost;
    for (int32_t i : s.has302Set)
        if (size_t(i) < gaFields.size())
            gaFields[size_t(i)].bHas302Row = false;
    forgetToggles();
}

bool gbAbortStore()
{
    if (glAbortTransaction() == kAbortCallFailed)
        return false;
    gRestoreExistsMarks();
    return true;
}

const QString& gsStoreRefusal() { return s.refusal; }

void resetStore() { s = StoreState{}; }
