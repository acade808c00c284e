#include "mod_TextCaches.h"

#include <QStringView>
#include <algorithm>
#include <vector>

#include <data_sets.h>

#include "mod_DataSets.h"
#include "mod_Enumerate.h"
#include "mod_External.h"
#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "mod_VrokInterface.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "Dialogs.h"
#include "Latin1List.h"
#include "mod_Global.h"

namespace {

const QString kLabelSet = QStringLiteral("labelset");
const QString kGroupLabelSet = QStringLiteral("grouplabelset");
const QString kTableFieldSet = QStringLiteral("tabelveldset");
const QString kDomainSet = QStringLiteral("domainset");
const QString kEnumSet = QStringLiteral("enum set");
const QString kEnumDescs = QStringLiteral("enum descs");

struct Trees {
    NodeTree* groups = nullptr;
    GroupPropsText groupProps;
    NodeTree* picker = nullptr;
    PickerCommands pickerCommands;
};

Trees g_trees;

int32_t recordLengthOf(const QString& set)
{
    QString language = QStringLiteral("0");
    int16_t labelKind = 0;
    return valueOfText<int32_t>(gsGetDescription(set, 2, language, labelKind));
}

// Text cut or padded with blanks to width.
QString fixed(const QString& text, int32_t width)
{
    return datasets::fixedWidth(text, width);
}

QString blanks(int32_t n) { return QString(std::max(0, n), QLatin1Char(' ')); }

// A number in three digits, as the request records carry it.
QString digits3(int32_t n) { return QStringLiteral("%1").arg(std::clamp(n, 0, 999), 3, 10, QLatin1Char('0')); }

QString field(const QString& set, const char* code, const QString& record, int32_t& next)
{
    return gGetBufferField(set, QLatin1String(code), record, next).value_or(QString());
}

QString fieldAt(const QString& set, const char* code, const QString& buffer, int32_t& position)
{
    return gGetBufferFieldAt(set, QLatin1String(code), buffer, position).value_or(QString());
}

// The batch loop of every loader. Entries first to last that qualify each add their
// request record while the buffer stays within the host's limit (a record that would
// pass it starts the next batch); a batch goes out in one call and, when the call
// succeeded, read gets the answer, the entries asked in order and the batch's first
// index.
// The records a loader goes over: first to last, or only those listed.
class Indexes {
public:
    Indexes(int32_t first, int32_t last) : m_first(first), m_count(std::max(0, last - first + 1)) {}
    explicit Indexes(const std::vector<int32_t>& only) : m_only(&only), m_count(int32_t(only.size())) {}
    int32_t count() const { return m_count; }
    int32_t operator[](int32_t k) const { return m_only ? (*m_only)[size_t(k)] : m_first + k; }

private:
    const std::vector<int32_t>* m_only = nullptr;
    int32_t m_first = 0;
    int32_t m_count = 0;
};

template <typename Qualifies, typename Request, typename Send, typename Read>
void runBatches(const Indexes& over, Qualifies qualifies, Request request, Send send, Read read)
{
    int32_t start = 0;
    while (start < over.count()) {
        QString buffer;
        std::vector<int32_t> entries;
        int32_t k = start;
        for (; k < over.count(); ++k) {
            const int32_t j = over[k];
            if (!qualifies(j))
                continue;
            const QString record = request(j);
            if (!entries.empty() && buffer.size() + record.size() > kHostBufferLimit)
                break;
            buffer += record;
            entries.push_back(j);
        }
        const int32_t batchStart = over[start];
        start = k;
        if (!entries.empty() && send(buffer))
            read(buffer, entries, batchStart);
    }
}

// Answer records whose last field is host text: each begins where the one before ended.
class AnswerRecords {
public:
    AnswerRecords(const QString& buffer, int32_t recordLength) : m_buffer(buffer), m_length(recordLength) {}
    // The next record; end(next) is told where its last field ended.
    QString record() const { return m_buffer.mid(m_position - 1, m_length); }
    void end(int32_t next) { m_position += std::max(1, next) - 1; }

private:
    const QString& m_buffer;
    int32_t m_length;
    int32_t m_position = 1;
};

QString paddedLabelCode(const QString& code) { return fixed(code, glFieldLength(kLabelSet, QStringLiteral("clab"))); }

bool otherFormLanguage() { return gsLanguage != "2"; }

// ---- Readers ----

void mFillPickerLabels(const QString& buffer, const std::vector<int32_t>& entries, int32_t recordLength)
{
    AnswerRecords answers(buffer, recordLength);
    for (const int32_t i : entries) {
        TableFieldRecord& t = gaTableFields[size_t(i)];
        const QString record = answers.record();
        int32_t next = 1;
        t.iLabelLength = valueOfText<int16_t>(field(kLabelSet, "leng", record, next));
        t.iLabelHeight = valueOfText<int16_t>(field(kLabelSet, "lhgt", record, next));
        t.sLabelDesc = field(kLabelSet, "desc", record, next);
        answers.end(next);
        if (t.sLabelDesc.isEmpty()) {
            t.iLabelLength = 0;
            t.iLabelHeight = 1;
        }
        if (g_trees.picker)
            if (TreeNode* node = g_trees.picker->node(t.sNodeKey))
                g_trees.picker->setText(node, node->text() + t.sLabelDesc.trimmed());
    }
}

void mFillFieldLabels(const QString& buffer, const std::vector<int32_t>& entries, int32_t recordLength,
                      bool bSingleOcc)
{
    AnswerRecords answers(buffer, recordLength);
    for (const int32_t i : entries) {
        const QString record = answers.record();
        int32_t next = 1;
        const QString desc = field(kLabelSet, "desc", record, next);
        answers.end(next);
        FieldRecord& f = gaFields[size_t(i)];
        (bSingleOcc ? f.sLabelDescSO : f.sLabelDescMO) = desc;
    }
}

void mFillGroupLabels(const QString& buffer, const std::vector<int32_t>& entries, int32_t batchStart,
                      int32_t recordLength)
{
    AnswerRecords answers(buffer, recordLength);
    size_t taken = 0;
    // From batchStart every group passed gets its node text again, whether it was asked
    // or not; without one (-1) only those asked.
    const bool allPassed = batchStart >= 0;
    for (int32_t i = allPassed ? batchStart : entries.front(); i <= entries.back(); ++i) {
        GroupRecord& g = gaGroups[size_t(i)];
        const bool asked = taken < entries.size() && entries[taken] == i;
        if (asked) {
            ++taken;
            const QString record = answers.record();
            int32_t next = 1;
            g.sTabDesc = field(kGroupLabelSet, "tdsc", record, next);
            g.sFrameDesc = field(kGroupLabelSet, "fdsc", record, next);
            answers.end(next);
        } else if (!allPassed) {
            continue;
        }
        if (g_trees.groups && g_trees.groupProps && !g.sNodeKey.isEmpty() && g.Grpi != -1 && !g.bVirtualGroup) {
            if (TreeNode* node = g_trees.groups->node(g.sNodeKey)) {
                QString text;
                g_trees.groupProps(int16_t(i), text);
                g_trees.groups->setText(node, text);
            }
        }
    }
}

RecordLayout tableFieldLayout()
{
    static const QStringList fields = latin1List({"fldn", "pacd", "cdom", "mand", "pcrf", "nrel", "iniv"});
    return RecordLayout(kTableFieldSet, fields);
}

void mFillTableFieldData(const RecordLayout& layout, const QString& buffer, const std::vector<int32_t>& entries)
{
    enum { Fldn, Pacd, Cdom, Mand, Pcrf, Nrel, Iniv };
    std::vector<QStringView> v;
    int32_t position = 1;  // each record begins where the one before ended
    for (const int32_t i : entries) {
        FieldRecord& f = gaFields[size_t(i)];
        layout.read(buffer, position, v);
        f.bTableFieldChecked = true;
        if (v[Pacd].trimmed().isEmpty()) {
            f.bIsTableField = false;
            continue;
        }
        f.bIsTableField = true;
        f.sDomainPackage = v[Pacd].toString();
        f.sDomainCode = v[Cdom].toString();
        f.bTableMandatory = valueOfText<int32_t>(v[Mand].toString()) == 1;
        f.bTableRef = !v[Pcrf].trimmed().isEmpty();
        f.nTableNrOfElements = valueOfText<int16_t>(v[Nrel].toString());
        f.sTableDefault = v[Iniv].toString();
        f.nDomainIndex = giFindOrAddDomain(f.sDomainPackage + f.sDomainCode);
    }
}

void setMaximumLengths(DomainRecord& d)
{
    d.iMaxDispLen = 0;
    d.iMaxInpLen = 0;
    switch (d.lDataType) {
    case 1:
    case 2:
    case 3:
        d.iMaxDispLen = d.iMaxInpLen = d.nDigb;
        break;
    case 4:
    case 5:
        d.iMaxDispLen = d.nDigb;
        d.iMaxInpLen = d.nDiga;
        break;
    case 6:
    case 9:
    case 11:
    case 12:
        if (d.sDisplayFormat.trimmed().isEmpty()) {
            d.iMaxDispLen = d.iMaxInpLen = d.nLeng;
        } else {
            d.iMaxDispLen = d.iDifl;
            d.iMaxInpLen = d.nLeng;
        }
        break;
    case 7:
    case 8:
        d.iMaxDispLen = d.nLeng;
        break;
    case 10:
        d.iMaxDispLen = 50;
        d.sDisplayFormat.clear();
        break;
    default:
        break;
    }
}

void mFillDomains(const QString& buffer, const std::vector<int32_t>& entries, int32_t recordLength)
{
    for (size_t k = 0; k < entries.size(); ++k) {
        DomainRecord& d = gaDomains[size_t(entries[k])];
        const QString record = buffer.mid(qsizetype(k) * recordLength, recordLength);
        int32_t next = 1;
        d.lDataType = valueOfText<int16_t>(field(kDomainSet, "dtyp", record, next));
        d.bIsCheckBox = valueOfText<int32_t>(field(kDomainSet, "chkb", record, next)) == 1;
        d.sDisplayFormat = field(kDomainSet, "difo", record, next);
        d.nDigb = valueOfText<int16_t>(field(kDomainSet, "digb", record, next));
        d.nDiga = valueOfText<int16_t>(field(kDomainSet, "diga", record, next));
        d.nLeng = valueOfText<int16_t>(field(kDomainSet, "leng", record, next));
        d.iDifl = valueOfText<int16_t>(field(kDomainSet, "difl", record, next));
        d.bSegmented = valueOfText<int32_t>(field(kDomainSet, "segm", record, next)) == 1;
        d.nNrOfConstants =
            int16_t(gMin(valueOfText<int32_t>(field(kDomainSet, "ncns", record, next)), glEnumsPerBuffer));
        if (d.lDataType != -1) {
            const bool known = d.lDataType >= 0 && size_t(d.lDataType) < gaEnumInputKind.size();
            d.sDataTypeDesc = known ? gaEnumInputKind[size_t(d.lDataType)].sDesc : QString();
        } else {
            // Kept at -1, so it is not asked again.
            glShowMessage(MessageGroup3, 11, platform::MbIconExclamation, gsQuote(d.sDomain));
        }
        setMaximumLengths(d);
    }
}

// The characters of a domain's enum request: its head and room for every value.
int32_t enumRequestLength(const DomainRecord& d)
{
    const auto length = [](const char* field) { return glFieldLength(kEnumSet, QLatin1String(field)); };
    const int32_t head = length("cpac") + length("cdom") + length("yesv");
    const int32_t value = length("cnst") + length("ctnm") + length("edes") + 1;
    return head + value * std::max<int32_t>(d.nNrOfConstants, 0);
}

void mFillEnums(const QString& buffer, const std::vector<int32_t>& entries)
{
    int32_t position = 1;
    for (const int32_t i : entries) {
        DomainRecord& d = gaDomains[size_t(i)];
        fieldAt(kEnumSet, "cpac", buffer, position);
        fieldAt(kEnumSet, "cdom", buffer, position);
        d.iYesValue = valueOfText<int16_t>(fieldAt(kEnumSet, "yesv", buffer, position));
        for (int32_t n = 0; n < d.nNrOfConstants; ++n) {
            const int32_t v = valueOfText<int32_t>(fieldAt(kEnumSet, "cnst", buffer, position));
            const QString name = d.sDomain + QLatin1Char('.') + fieldAt(kEnumSet, "ctnm", buffer, position);
            const QString desc = fieldAt(kEnumDescs, "edes", buffer, position);
            if (v < 0 || v >= kMaxEnumConstants) {
                gWriteLog(QStringLiteral("Enum value ") + QString::number(v) + QStringLiteral(" of ") + d.sDomain
                          + QStringLiteral(" has no place and is passed over"));
                continue;
            }
            d.aEnumName[size_t(v)] = name;
            d.aEnumDesc[size_t(v)] = desc.isEmpty() ? name : desc;
        }
        d.bEnumsLoaded = true;
    }
}

int32_t domainDataType(const FieldRecord& f)
{
    if (f.nDomainIndex < 1 || size_t(f.nDomainIndex) >= gaDomains.size())
        return 0;
    return gaDomains[size_t(f.nDomainIndex)].lDataType;
}

} // namespace

// ---- Reading host buffers ---------------------------------------------------------------

RecordLayout::RecordLayout(const QString& set, const QStringList& fields)
{
    for (const QString& f : fields) {
        const int32_t type = goDataSetFields.value(set + QLatin1Char('.') + f + QStringLiteral(".dtyp"), 0);
        m_fields.push_back({glFieldLength(set, f), type == datasets::HostText});
    }
}

// Each field's value as a view into buffer, handed to put in turn.
template <typename Put>
void RecordLayout::forEachValue(const QString& buffer, int32_t& position, Put put) const
{
    for (const Field& f : m_fields) {
        const qsizetype start = qsizetype(position) - 1;
        qsizetype length = f.length;
        position += f.length;
        if (f.hostText) {
            const qsizetype end = start < buffer.size() ? buffer.indexOf(datasets::kEndOfText, start) : -1;
            if (end < 0) {
                position += 1;  // past where its end would stand
                put(QStringView());
                continue;
            }
            length = end - start;
            position = int32_t(end) + 2;
        }
        QStringView text = QStringView(buffer).mid(start, length);
        while (!text.isEmpty() && text.front() == QLatin1Char(' '))
            text = text.sliced(1);
        while (!text.isEmpty() && text.back() == QLatin1Char(' '))
            text.chop(1);
        put(text);
    }
}

void RecordLayout::read(const QString& buffer, int32_t& position, std::vector<QStringView>& values) const
{
    values.clear();
    forEachValue(buffer, position, [&values](QStringView v) { values.push_back(v); });
}

void RecordLayout::read(const QString& buffer, int32_t& position, std::vector<QString>& values) const
{
    values.clear();
    forEachValue(buffer, position, [&values](QStringView v) { values.push_back(v.toString()); });
}

// ---- Trees ----------------------------------------------------------------------------

void gSetGroupsTree(NodeTree* tree, GroupPropsText groupProps)
{
    g_trees.groups = tree;
    g_trees.groupProps = std::move(groupProps);
}

void gSetPickerTree(NodeTree* tree) { g_trees.picker = tree; }

void gSetPickerCommands(PickerCommands commands) { g_trees.pickerCommands = std::move(commands); }

// ---- Loaders --------------------------------------------------------------------------

void gLoadPickerLabels(int16_t number)
{
    const int32_t length = recordLengthOf(kLabelSet);
    const int32_t descBlanks = glFieldLength(kLabelSet, QStringLiteral("desc")) + 1;
    runBatches(
        {1, std::min<int32_t>(gnTableFieldCount, int32_t(gaTableFields.size()) - 1)},
        [](int32_t i) {
            const TableFieldRecord& t = gaTableFields[size_t(i)];
            return !t.sLabelCode.isEmpty() && t.sLabelDesc.isEmpty() && !(t.sRefTable.isEmpty() && t.bCombined);
        },
        [&](int32_t i) {
            return gsPackage + paddedLabelCode(gaTableFields[size_t(i)].sLabelCode) + QStringLiteral("020")
                   + QStringLiteral("001") + blanks(descBlanks);
        },
        [&](QString& buffer) { return gbGetLabelSet(number, buffer); },
        [&](const QString& buffer, const std::vector<int32_t>& entries, int32_t) {
            mFillPickerLabels(buffer, entries, length);
        });
}

int32_t glLabelLengthForRequest(int32_t fieldIndex, bool bSingleOcc)
{
    const FieldRecord& f = gaFields.at(size_t(fieldIndex));
    int32_t length = 0;
    if (bSingleOcc) {
        length = f.iLabelLengthSO;
    } else {
        length = f.iLabelLengthMO;
        if (length == 999 || (length < f.iFieldLength && f.iLabelHeightMO < 2))
            length = f.iFieldLength;
        // A grid column without a label of its own shares the label of its parent.
        if (f.lChildField > 0) {
            const std::optional<int32_t> child = gvIndexOfId(f.lChildField);
            if (child && *child >= 0 && size_t(*child) < gaFields.size()) {
                const FieldRecord& c = gaFields[size_t(*child)];
                if (c.sLabelCode.isEmpty() && c.bInGrid)
                    length += c.iMaxDispLen;
            }
        }
    }
    if (otherFormLanguage())
        length += 10;
    return length;
}

namespace {

int32_t lastFieldIndex() { return std::min<int32_t>(gnFieldCount, int32_t(gaFields.size()) - 1); }

void loadFieldLabels(const Indexes& over, int16_t number, bool bSingleOcc)
{
    const int32_t length = recordLengthOf(kLabelSet);
    const int32_t descBlanks = glFieldLength(kLabelSet, QStringLiteral("desc")) + 1;
    runBatches(
        over,
        [&](int32_t i) {
            const FieldRecord& f = gaFields[size_t(i)];
            if (f.sLabelCode.isEmpty())
                return false;
            return bSingleOcc ? f.sLabelDescSO.isEmpty() && f.iLabelLengthSO > 0
                              : f.sLabelDescMO.isEmpty() && f.iLabelLengthMO > 0;
        },
        [&](int32_t i) {
            const FieldRecord& f = gaFields[size_t(i)];
            const int16_t height = bSingleOcc ? f.iLabelHeightSO : f.iLabelHeightMO;
            return gsPackage + paddedLabelCode(f.sLabelCode) + digits3(glLabelLengthForRequest(i, bSingleOcc))
                   + digits3(height) + blanks(descBlanks);
        },
        [&](QString& buffer) { return gbGetLabelSet(number, buffer); },
        [&](const QString& buffer, const std::vector<int32_t>& entries, int32_t) {
            mFillFieldLabels(buffer, entries, length, bSingleOcc);
        });
}

// allPassed: every group from a batch's start to its last entry gets its node text
// again, else only those asked.
void loadGroupLabels(const Indexes& over, bool allPassed)
{
    const int32_t length = recordLengthOf(kGroupLabelSet);
    const int32_t textBlanks = 2 * glFieldLength(kGroupLabelSet, QStringLiteral("tdsc")) + 2;
    const int32_t codeWidth = glFieldLength(kGroupLabelSet, QStringLiteral("clab"));
    runBatches(
        over,
        [](int32_t i) {
            const GroupRecord& g = gaGroups[size_t(i)];
            return !g.sLabelCode.isEmpty() && g.sTabDesc.isEmpty();
        },
        [&](int32_t i) { return gsPackage + fixed(gaGroups[size_t(i)].sLabelCode, codeWidth) + blanks(textBlanks); },
        [](QString& buffer) { return gbGetGroupLabelsSet(buffer); },
        [&](const QString& buffer, const std::vector<int32_t>& entries, int32_t batchStart) {
            mFillGroupLabels(buffer, entries, allPassed ? batchStart : -1, length);
        });
}

void loadTableFieldData(const Indexes& over)
{
    const int32_t length = recordLengthOf(kTableFieldSet);
    const QString package = gsCutAtNul(gsTablePackage);
    const QString module = gsCutAtNul(gsTableModule);
    const QString number = gsCutAtNul(gsTableNumber);
    const RecordLayout layout = tableFieldLayout();
    runBatches(
        over,
        [](int32_t i) {
            const FieldRecord& f = gaFields[size_t(i)];
            return !f.bTableFieldChecked && f.lFieldId > 0;
        },
        [&](int32_t i) {
            // "tttttttt.name": the table code and the name, without the point.
            const QStringView name = gaFields[size_t(i)].sFieldName;
            QString request;
            request.reserve(std::max(0, length));
            request.append(name.left(8));
            if (name.size() > 9)
                request.append(name.sliced(9));
            request.resize(std::max(0, length), QLatin1Char(' '));
            return request;
        },
        [&](QString& buffer) { return gbGetTableFieldSet(package, module, number, buffer); },
        [&](const QString& buffer, const std::vector<int32_t>& entries, int32_t) {
            mFillTableFieldData(layout, buffer, entries);
        });
}

void loadDomains(const Indexes& fields)
{
    const int32_t length = recordLengthOf(kDomainSet);
    runBatches(
        {1, std::min<int32_t>(gnDomainCount, int32_t(gaDomains.size()) - 1)},
        [](int32_t i) { return gaDomains[size_t(i)].lDataType == 0; },
        [&](int32_t i) { return fixed(gaDomains[size_t(i)].sDomain, length); },
        [](QString& buffer) { return gbGetDomains(buffer); },
        [&](const QString& buffer, const std::vector<int32_t>& entries, int32_t) {
            mFillDomains(buffer, entries, length);
        });

    for (int32_t k = 0; k < fields.count(); ++k) {
        const int32_t i = fields[k];
        if (!gaFields[size_t(i)].sDomainPackage.isEmpty())
            gaFields[size_t(i)].iFieldLength = giDomainDisplayLength(int16_t(i));
    }
}

} // namespace

void gLoadFieldLabels(int16_t number, bool bSingleOcc) { loadFieldLabels({1, lastFieldIndex()}, number, bSingleOcc); }

void gLoadFieldLabels(int16_t number, bool bSingleOcc, const std::vector<int32_t>& fields)
{
    loadFieldLabels(Indexes(fields), number, bSingleOcc);
}

void gLoadGroupLabels() { loadGroupLabels({1, int32_t(gaGroups.size()) - 1}, true); }

void gLoadGroupLabels(const std::vector<int32_t>& groups) { loadGroupLabels(Indexes(groups), false); }

void gLoadTableFieldData() { loadTableFieldData({1, lastFieldIndex()}); }

void gLoadTableFieldData(const std::vector<int32_t>& fields) { loadTableFieldData(Indexes(fields)); }

void gLoadDomains() { loadDomains({1, lastFieldIndex()}); }

void gLoadDomains(const std::vector<int32_t>& fields) { loadDomains(Indexes(fields)); }

void gLoadEnums()
{
    runBatches(
        {1, std::min<int32_t>(gnDomainCount, int32_t(gaDomains.size()) - 1)},
        [](int32_t i) {
            const DomainRecord& d = gaDomains[size_t(i)];
            return !d.sDomain.isEmpty() && d.lDataType == 7 && !d.bEnumsLoaded;
        },
        [](int32_t i) {
            const DomainRecord& d = gaDomains[size_t(i)];
            return fixed(d.sDomain, enumRequestLength(d));
        },
        [](QString& buffer) { return gbGetEnumSet(buffer); },
        [](const QString& buffer, const std::vector<int32_t>& entries, int32_t) { mFillEnums(buffer, entries); });
}

int16_t giDisplayLength(int32_t dataType, int32_t maxDisplay, int32_t maxInput, const QString& displayFormat,
                        bool formatLinked, int32_t domainDifl)
{
    const bool amount = dataType == 4 || dataType == 5;
    int32_t length = maxDisplay;
    if (length == 0 && amount)
        length = 1;
    if (maxInput != 0 && amount)
        length += maxInput + 1;

    QString format = displayFormat;
    while (format.startsWith(QLatin1Char(' ')))
        format.remove(0, 1);
    if (!format.isEmpty()) {
        format = format.trimmed();
        if (formatLinked) {
            static const std::vector<int32_t> formatted = {1, 2, 3, 4, 5, 9, 12};
            static const std::vector<int32_t> ownLength = {6, 7, 11};
            if (std::find(formatted.begin(), formatted.end(), dataType) != formatted.end())
                length = glVrokFormat(dataType, format, 0, 0);
            else if (std::find(ownLength.begin(), ownLength.end(), dataType) != ownLength.end())
                length = domainDifl;
        } else {
            length = glVrokFormat(dataType, format, maxDisplay, maxInput);
        }
    }
    return int16_t(std::clamp<int32_t>(length, INT16_MIN, INT16_MAX));
}

QString gsDomainTypeText(int16_t& index)
{
    if (index < 0 || size_t(index) >= gaDomains.size())
        return QString();
    const DomainRecord& d = gaDomains[size_t(index)];
    switch (d.lDataType) {
    case 2:
    case 3:
        return QStringLiteral("%1 (%2)").arg(d.sDataTypeDesc).arg(d.nDigb);
    case 4:
    case 5:
        return QStringLiteral("%1 (%2,%3)").arg(d.sDataTypeDesc).arg(d.nDigb).arg(d.nDiga);
    case 6:
    case 11:
        return QStringLiteral("%1 (%2)").arg(d.sDataTypeDesc).arg(d.nLeng);
    default:
        return d.sDataTypeDesc;
    }
}

int16_t giDomainDisplayLength(int16_t index)
{
    const FieldRecord& f = gaFields.at(size_t(index));
    if (f.lControl == ControlKind::Picture)
        return 20;
    const int32_t dt = domainDataType(f);
    const int32_t difl = dt != 0 ? gaDomains[size_t(f.nDomainIndex)].iDifl : 0;
    return giDisplayLength(dt, f.iMaxDispLen, f.iMaxInpLen, f.sDisplayFormat, f.bLinkDisplFormatToDomain, difl);
}

// ---- The description field of a reference ----------------------------------------------

namespace {

bool isReferenceImage(const QString& image)
{
    return image == QLatin1String("reffield") || image == QLatin1String("reffieldbutton");
}

// The description field of a referenced table, else its first text or enumerate field
// that is no check box.
TreeNode* descriptionChild(const TreeNode* reference)
{
    TreeNode* fallback = nullptr;
    for (TreeNode* c = reference->child(); c; c = c->next()) {
        const int32_t t = c->keyNumber();
        if (t < 1 || size_t(t) >= gaTableFields.size())
            continue;
        TableFieldRecord& e = gaTableFields[size_t(t)];
        const QString name = e.sFieldName.trimmed();
        if (name == QLatin1String("desc") || name == QLatin1String("dsca"))
            return c;
        if (fallback)
            continue;
        e.nDomainIndex = giFindOrAddDomain(e.sDomainPackage + e.sDomainCode);
        gLoadDomains();
        const DomainRecord& d = gaDomains[size_t(e.nDomainIndex)];
        if ((d.lDataType == 6 || d.lDataType == 7 || d.lDataType == 11) && !d.bIsCheckBox)
            fallback = c;
    }
    return fallback;
}

} // namespace

void gAddRefDescField()
{
    NodeTree* form = g_trees.groups;
    NodeTree* picker = g_trees.picker;
    const PickerCommands& commands = g_trees.pickerCommands;
    TreeNode* selected = form ? form->selectedItem() : nullptr;
    if (!selected || !picker || !commands.expand || !commands.apply || !gbIsFieldKey(selected->key())
        || !isReferenceImage(selected->image()))
        return;
    const int32_t index = selected->keyNumber();
    if (index < 1 || size_t(index) >= gaFields.size())
        return;
    const int32_t entry = gaFields[size_t(index)].iTableFieldIndex;
    if (entry < 1 || entry > gnTableFieldCount || size_t(entry) >= gaTableFields.size())
        return;
    // The entry the field was made from is expanded, whatever the picker has selected.
    TreeNode* reference = picker->node(gaTableFields[size_t(entry)].sNodeKey);
    if (!reference)
        return;
    picker->setSelectedItem(reference);
    commands.expand();
    TreeNode* chosen = picker->owns(reference) ? descriptionChild(reference) : nullptr;
    if (!chosen)
        return;
    form->setDropHighlight(form->selectedItem());
    picker->setSelectedItem(chosen);
    commands.apply();
}

void resetTextCaches() { g_trees = Trees{}; }
