#include "mod_StructureChecks.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <vector>

#include "mod_Enumerate.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_ModelessErrors.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Versions.h"
#include "mod_Global.h"

namespace {

const QString kRootKey = QStringLiteral("g_0");

// Form versions that know the occurrence views of single fields.
constexpr int32_t kFeatureOccurrenceViews = 64;

constexpr int32_t kLabelAbove = 2;

bool isLiveGroup(int32_t i) { return i >= 0 && size_t(i) < gaGroups.size() && gaGroups[size_t(i)].Grpi != -1; }
bool isLiveField(int32_t i)
{
    return i >= 1 && i <= gnFieldCount && size_t(i) < gaFields.size() && gaFields[size_t(i)].lFieldId > 0;
}

// The record index of a node whose key has the prefix kind ('g' or 'f', pictures
// counting as fields) and names a record in use; -1 otherwise.
int32_t indexOf(const TreeNode* node, char kind)
{
    if (!node)
        return -1;
    const QString& key = node->key();
    const bool isKind = kind == 'g' ? gbIsGroupKey(key) : gbIsFieldKey(key);
    if (!isKind)
        return -1;
    bool ok = false;
    const int32_t i = key.mid(2).toInt(&ok);
    if (!ok)
        return -1;
    return (kind == 'g' ? isLiveGroup(i) : isLiveField(i)) ? i : -1;
}

// nOmod -> gaFields index as gvIndexOfId answers it (the first map entry from 1 up),
// read once for a whole pass; a number without an entry gives 0.
class FieldIds {
public:
    FieldIds()
    {
        m_index.reserve(qsizetype(gaIdMap.size()));
        for (size_t i = 1; i < gaIdMap.size(); ++i)
            if (!m_index.contains(gaIdMap[i].nOmod))
                m_index.insert(gaIdMap[i].nOmod, gaIdMap[i].lIndex);
    }
    int32_t operator()(int16_t nOmod) const { return m_index.value(nOmod, 0); }

private:
    QHash<int16_t, int32_t> m_index;
};

QString groupText(const GroupRecord& g) { return g.sFrameDesc.isEmpty() ? QString::number(g.Grpi) : g.sFrameDesc; }

void list(const char* code, const QString& a1, const QString& a2, const QString& key)
{
    gbShowModelessMessage(QLatin1String(code), a1, a2, QString(), key);
}

size_t listed() { return gModelessErrors().size(); }

void resetStaleMarks(const TreeNode* node, const FieldIds& ids)
{
    for (const TreeNode* c = node->child(); c; c = c->next()) {
        if (c->children() > 0)
            resetStaleMarks(c, ids);
        const int32_t fi = indexOf(c, 'f');
        if (fi < 0)
            continue;
        FieldRecord& f = gaFields[size_t(fi)];
        bool changed = false;
        if (f.iLinkedConst != 0) {
            const int32_t parent = ids(f.lParentField);
            const bool underOptionSet = parent > 0 && size_t(parent) < gaFields.size()
                                        && gaFields[size_t(parent)].lControl == ControlKind::OptionSet;
            if (!underOptionSet) {
                f.iLinkedConst = 0;
                changed = true;
            }
        }
        if (f.bDependent && f.lParentField == 0 && f.nFieldLevel == 0) {
            f.bDependent = false;
            changed = true;
        }
        if (changed) {
            f.bChanged308 = true;
            f.bChanged = true;
            gbFormChanged = true;
        }
    }
}

// The group that gbCheckRepeatingGroups refused, walked as it walks them; -1 for none.
int32_t refusedRepeatingGroup()
{
    const NodeTree* tree = gMainTree();
    if (!tree)
        return -1;
    for (int32_t i = 1; i < int32_t(gaGroups.size()); ++i) {
        const GroupRecord& g = gaGroups[size_t(i)];
        if (g.bVirtualGroup || g.Grpi <= -1 || !g.bRepeatingGroup)
            continue;
        const TreeNode* node = tree->node(gsGroupKey(i));
        QString text;
        int16_t reason = 0;
        if (node && !gbRepeatingGroupAllowed(node, text, reason))
            return i;
    }
    return -1;
}

bool isInputField(const FieldRecord& f)
{
    if (f.sDomainCode.isEmpty())
        return false;
    const QString type =
        f.lFieldType < gaEnumFieldType.size() ? gaEnumFieldType[f.lFieldType].sName : QString();
    return type != QLatin1String("display") && type != QLatin1String("display.alone");
}

// Occurrence views as bits of the mark kept per field key.
enum : uint8_t { InSingleOcc = 1, InMultiOcc = 2 };

// The double-input walk: groups along their links, each group with a collection of
// its own for its fields. Each record is visited once, so links that run in a circle
// end the walk instead of looping.
class DoubleInputWalk {
public:
    DoubleInputWalk() : m_groupSeen(gaGroups.size(), 0), m_fieldSeen(gaFields.size(), 0) {}
    bool found() const { return m_found; }

    using Seen = QHash<QString, uint8_t>;

    // mCheckDoubleInputFieldsRecursive for a group and the groups after it.
    void groups(int32_t index, bool singleOcc, bool multiOcc)
    {
        for (int32_t i = index; isLiveGroup(i) && !m_groupSeen[size_t(i)];) {
            m_groupSeen[size_t(i)] = 1;
            const GroupRecord& g = gaGroups[size_t(i)];
            const bool so = singleOcc && g.bGroupInSingleOcc;
            const bool mo = multiOcc && g.bGroupInMultiOcc;
            if (g.lChildGroup > 0)
                groups(g.lChildGroup - 1, so, mo);
            if (g.lFirstField > 0) {
                Seen seen;
                fields(m_ids(g.lFirstField), seen, so, mo);
            }
            if (g.lNextGroup < 1)
                break;
            i = g.lNextGroup - 1;
        }
    }

    // The same for a field, its follow-up fields and the fields after it in its group.
    void fields(int32_t index, Seen& seen, bool singleOcc, bool multiOcc)
    {
        for (int32_t k = index; isLiveField(k) && !m_fieldSeen[size_t(k)];) {
            m_fieldSeen[size_t(k)] = 1;
            const FieldRecord& f = gaFields[size_t(k)];
            if (isInputField(f))
                count(k, seen, singleOcc, multiOcc);
            if (f.lChildField > 0)
                fields(m_ids(f.lChildField), seen, singleOcc, multiOcc);
            if (f.lNextField == 0)
                break;
            const int32_t next = m_ids(f.lNextField);
            if (!isLiveField(next) || gaFields[size_t(next)].Grpi != f.Grpi)
                break;
            k = next;
        }
    }

private:
    void count(int32_t k, Seen& seen, bool singleOcc, bool multiOcc)
    {
        const FieldRecord& f = gaFields[size_t(k)];
        const uint8_t mark = uint8_t((singleOcc && f.bFieldInSingleOcc ? InSingleOcc : 0)
                                     | (multiOcc && f.bFieldInMultiOcc ? InMultiOcc : 0));
        // A separator, so that a name ending in digits cannot meet another element.
        const QString key = f.sFieldName + u'\x1f' + QString::number(f.iElement);
        const auto it = seen.find(key);
        if (it == seen.end()) {
            seen.insert(key, mark);
            return;
        }
        if (*it & mark) {
            list("plqx0150", f.sFieldName, numberWithSign(f.Grpi), gsFieldKey(k));
            m_found = true;
        }
        *it = uint8_t(*it | mark);
    }

    FieldIds m_ids;
    std::vector<char> m_groupSeen;
    std::vector<char> m_fieldSeen;
    bool m_found = false;
};

bool optionValuesUnique(int32_t fieldIndex, const TreeNode* node, const FieldIds& ids)
{
    if (!node || node->children() < 2 || !isLiveField(fieldIndex))
        return true;
    // Any 16-bit value is compared, not only 0 to 127.
    QSet<int16_t> values;
    int32_t steps = 0;
    for (int32_t k = ids(gaFields[size_t(fieldIndex)].lChildField); isLiveField(k) && steps <= gnFieldCount;
         k = ids(gaFields[size_t(k)].lNextField), ++steps) {
        const int16_t v = gaFields[size_t(k)].iLinkedConst;
        if (values.contains(v))
            return false;
        values.insert(v);
    }
    return true;
}

// mCheckGroupsRecursive without its own id look-up.
void checkGroups(const TreeNode* node, const FieldIds& ids, bool& ok)
{
    const int32_t parentGroup = indexOf(node, 'g');
    for (const TreeNode* c = node->child(); c; c = c->next()) {
        if (c->children() > 0) {
            bool childOk = true;
            checkGroups(c, ids, childOk);
            ok = ok && childOk;
        }
        if (const int32_t gi = indexOf(c, 'g'); gi >= 0) {
            const GroupRecord& g = gaGroups[size_t(gi)];
            if (parentGroup >= 0 && gaGroups[size_t(parentGroup)].iGroupWidth > 1 && g.bPlaceBeside
                && g.lChildGroup != 0) {
                list("plqx0145", groupText(g), QString(), c->key());
                ok = false;
            }
            continue;
        }
        const int32_t fi = indexOf(c, 'f');
        if (fi < 0 || gaFields[size_t(fi)].lControl != ControlKind::OptionSet)
            continue;
        const QString& name = gaFields[size_t(fi)].sFieldName;
        if (!optionValuesUnique(fi, c, ids)) {
            list("plqx0136", name, QString(), c->key());
            ok = false;
        }
        if (!mbOptionChildrenSimple(c)) {
            list("plqx0137", name, QString(), c->key());
            ok = false;
        }
    }
}

} // namespace

void mResetStaleFieldMarks(const TreeNode* node)
{
    if (!node)
        return;
    const FieldIds ids;
    resetStaleMarks(node, ids);
}

void mCheckStructure(const TreeNode* node, bool& ok)
{
    const size_t before = listed();
    if (!gbCheckRepeatingGroups() && listed() == before) {
        // Refused for a cause the check does not report (nested repeating groups):
        // the list must still say which group is in the way.
        const int32_t g = refusedRepeatingGroup();
        list("plqx0138", g >= 0 ? groupText(gaGroups[size_t(g)]) : QString(), QString(),
             g >= 0 ? gsGroupKey(g) : (node ? node->key() : kRootKey));
    }
    gbCheckSelectionGroups();
    bool checked = true;
    if (node) {
        mCheckGroupsRecursive(node, checked);
        if (node->key() == kRootKey)
            mCheckTabPages(checked);
    }
    mCheckDoubleInputFields(checked);
    ok = listed() == before;
}

void mCheckTabPages(bool& ok)
{
    if (gaGroups.empty() || !gaGroups[0].bNewPage)
        return;
    const FieldIds ids;
    bool virtualListed = false;
    std::vector<char> seen(gaGroups.size(), 0);
    for (int32_t i = gaGroups[0].lChildGroup - 1; i >= 1 && isLiveGroup(i) && !seen[size_t(i)];
         i = gaGroups[size_t(i)].lNextGroup - 1) {
        seen[size_t(i)] = 1;
        const GroupRecord& g = gaGroups[size_t(i)];
        if (g.bVirtualGroup) {
            if (virtualListed)
                continue;
            virtualListed = true;
            const int32_t fi = ids(g.lFirstField);
            // A run of fields has no node of its own: its first field stands for it.
            const bool hasField = isLiveField(fi);
            list("plqx0143", hasField ? gaFields[size_t(fi)].sFieldName : QString(), QString(),
                 hasField ? gsFieldKey(fi) : kRootKey);
            ok = false;
        } else if (g.sLabelCode.isEmpty() && !g.bRepeatingGroup && g.bGroupInSingleOcc) {
            list("plqx0142", numberWithSign(g.Grpi), QString(), gsGroupKey(i));
            ok = false;
        }
    }
}

void mCheckGroupsRecursive(const TreeNode* node, bool& ok)
{
    if (!node)
        return;
    const FieldIds ids;
    checkGroups(node, ids, ok);
}

bool mbOptionValuesUnique(int32_t fieldIndex, const TreeNode* node)
{
    const FieldIds ids;
    return optionValuesUnique(fieldIndex, node, ids);
}

bool mbOptionChildrenSimple(const TreeNode* node)
{
    if (!node)
        return true;
    for (const TreeNode* c = node->child(); c; c = c->next()) {
        for (const TreeNode* n = c; n; n = n->child()) {
            if (n->children() > 1)
                return false;
            if (const int32_t fi = indexOf(n, 'f'); fi >= 0) {
                const FieldRecord& f = gaFields[size_t(fi)];
                if (f.lLabelPosition == kLabelAbove || f.iFieldHeight > 1 || f.lControl == ControlKind::Picture)
                    return false;
            }
        }
    }
    return true;
}

void mCheckDoubleInputFields(bool& ok)
{
    if (!gbFormVersionSupports(kFeatureOccurrenceViews) || gaGroups.empty())
        return;
    DoubleInputWalk walk;
    walk.groups(0, gaGroups[0].bGroupInSingleOcc, gaGroups[0].bGroupInMultiOcc);
    ok = ok && !walk.found();
}
