// The main window's commands on the fields of the main table: the table-field picker
// (Insert, One Table Field) and the insert of its entries, generating a whole form from
// the main table (Insert, Generate Form) with its form-code dialog, appending the picked
// fields missing from the form, and copying the fields shown only in single occurrence.
#include "frm_Palimor.h"

#include "mod_Clipboard.h"
#include "mod_Enumerate.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "NodeTreeWidget.h"
#include "frm_TableFields.h"
#include "frm_Type4.h"
#include "NodeTree.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_TableFields.h"
#include "mod_TextCaches.h"
#include "mod_Versions.h"
#include "Clipboard.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "UiHooks.h"
#include "mod_Global.h"

#include <QHash>

#include <algorithm>
#include <vector>

namespace {

// The index-field list of the host: 32 records of 18 characters.
constexpr int32_t kIndexFieldBlanks = 576;
constexpr int32_t kMaxIndexFields = 32;
// Form version feature of hidden table fields.
constexpr int32_t kHiddenTableFields = 32;

const QString kRootKey = QStringLiteral("g_0");

bool editingRefused(const frm_Palimor& w) { return gsOpenMode == "r" || w.isLocked(); }

// The entry of a picker node; nullptr for a key that names none.
const TableFieldRecord* entryOf(const TreeNode* node)
{
    const int32_t i = node ? node->keyNumber() : -1;
    if (i < 1 || i > gnTableFieldCount || size_t(i) >= gaTableFields.size())
        return nullptr;
    return &gaTableFields[size_t(i)];
}

// The data type of the entry's domain, loaded when it was not yet; 0 for an entry
// without a domain (a combined field).
int16_t entryDataType(const TableFieldRecord& e)
{
    int16_t d = e.nDomainIndex;
    if (d <= 0 || size_t(d) >= gaDomains.size()) {
        const QString domain = (e.sDomainPackage + e.sDomainCode).trimmed();
        if (domain.isEmpty())
            return 0;
        d = giFindOrAddDomain(domain);
    }
    if (gaDomains[size_t(d)].lDataType == 0)
        gLoadDomains();
    return gaDomains[size_t(d)].lDataType;
}

// Where a field goes as the last of a group (or field) node: its last child's next
// place, or the node itself as parent.
struct Place {
    QString key;
    int16_t relationship = int16_t(Relationship::Child);
};

Place lastOf(const TreeNode* node)
{
    if (!node->lastChild())
        return {node->key(), int16_t(Relationship::Child)};
    return {node->lastChild()->key(), int16_t(Relationship::Next)};
}

// A field of the occurrence collection: shown in single and in multi occurrence, the
// key of its first node, and when it was last added (updating it moves it last).
struct Occurrence {
    bool single = false;
    bool multi = false;
    QString key;
    int64_t order = 0;
};
using OccurrenceCollection = QHash<QString, Occurrence>;

} // namespace

void frm_Palimor::registerGenerateHandlers()
{
    m_actions->setHandler(QStringLiteral("mnuOOneTableField"), [this] { mnuOOneTableField_Click(); });
    m_actions->setHandler(QStringLiteral("mnuOGenerateForm"), [this] { mnuOGenerateForm_Click(); });
    ui::hooks().cancelTableFieldPicker = [] {
        if (tableFieldsWindowExists())
            tableFieldsWindow().cmdCancel_Click();
    };
}

// ---- The picker ------------------------------------------------------------------------

void frm_Palimor::mnuOOneTableField_Click()
{
    if (editingRefused(*this))
        return;
    frm_TableFields& picker = tableFieldsWindow();
    gbTableFieldsLoaded = true;
    gbTableFieldsOpen = true;
    picker.show();
    picker.raise();
    picker.activateWindow();
}

void frm_Palimor::mShowTableFieldsWithWindow()
{
    if (!gbTableFieldsLoaded || !tableFieldsWindowExists())
        return;
    frm_TableFields& picker = tableFieldsWindow();
    if (windowState() & Qt::WindowMinimized) {
        if (picker.isVisible()) {
            gbTableFieldsOpen = true;
            picker.hide();
        }
    } else if (isVisible()) {
        picker.setVisible(gbTableFieldsOpen);
    }
}

void frm_Palimor::mMoveTableField(const QString& sKey)
{
    gWriteLog(QStringLiteral("----- mMoveTableField ------"));
    if (editingRefused(*this) || !tableFieldsWindowExists())
        return;
    NodeTree& picker = tableFieldsWindow().tvwFields->nodes();
    if (TreeNode* node = picker.node(sKey))
        picker.setSelectedItem(node);
    const TreeNode* target = m_tree->dropHighlight();
    if (!target)
        return;
    // A command around this one (the generation) keeps its own pointer.
    const platform::Pointer pointer = platform::mousePointer();
    platform::setMousePointer(platform::Pointer::Hourglass);
    {
        TreeHiddenScope hidden(*this);
        mDropFromTableFields(target->key());
    }
    platform::setMousePointer(pointer);
}

void frm_Palimor::mDropFromTableFields(const QString& targetKey)
{
    gWriteLog(QStringLiteral("----- mDropFromTableFields ------"));
    if (!tableFieldsWindowExists())
        return;
    const TreeNode* picked = tableFieldsWindow().tvwFields->nodes().selectedItem();
    const TableFieldRecord* entry = entryOf(picked);
    const TreeNode* target = m_tree->node(targetKey);
    if (!entry || !target)
        return;
    int16_t relationship = int16_t(Relationship::Next);
    // Into a group; a field of a referenced table follows up the reference field it came from.
    if (gbIsGroupKey(targetKey)
        || (entry->iParentEntry > 0
            && gbSameTableField(QStringLiteral("t_") + QString::number(entry->iParentEntry), targetKey))) {
        relationship = int16_t(Relationship::Child);
    } else if (!bIsFollowUpPlaceAllowed(target)) {
        if (target->children() > 0) {
            glShowMessage(MessageGroup2, 9, platform::MbIconExclamation);
            return;
        }
        relationship = int16_t(Relationship::Child);
    }
    if (mbInsertTableField(relationship, targetKey, picked->key(), picked->text(), picked->image(), false, false, true,
                           false))
        gbFormChanged = true;
    mScrollInView();
}

// ---- Generating a form ------------------------------------------------------------------

void frm_Palimor::mnuOGenerateForm_Click()
{
    if (editingRefused(*this))
        return;
    // Only Yes replaces the form; a question that could not be shown answers Cancel.
    if (m_tree->count() > 1
        && glShowMessage(MessageQuestion, 8, platform::MbYesNo | platform::MbIconExclamation) != platform::IdYes)
        return;
    if (gbNoSessionTable()) {
        bTableCodeOk = false;
        frm_Type4 dialog(this, bNoSeparateLabels, bTableCodeOk);
        dialog.exec();
        if (!bTableCodeOk)
            return;
        gsTablePackage = gsTable.mid(0, 2);
        gsTableModule = gsTable.mid(2, 3);
        gsTableNumber = gsTable.mid(5, 3);
    }
    // The picker lists the fields the form is generated from.
    if (!gbTableFieldsLoaded || !tableFieldsWindowExists()) {
        tableFieldsWindow();
        gbTableFieldsLoaded = true;
    }
    mGenerateForm();
    mRefreshNodeTexts(true, true);
    if (TreeNode* root = m_tree->node(kRootKey)) {
        m_tree->setSelectedItem(root);
        m_tree->setDropHighlight(root);
    }
    mSetMenuState();
}

void frm_Palimor::mGenerateForm()
{
    if (editingRefused(*this) || !tableFieldsWindowExists())
        return;
    NodeTree& picker = tableFieldsWindow().tvwFields->nodes();
    TreeNode* root = m_tree->node(kRootKey);
    if (!root)
        return;
    gLoadDomains();

    // Start mode 4 gives every multi-line text a yes/no check box, of the package's
    // own domain "yeno".
    if (gbIsStartMode4()) {
        for (const TreeNode* p = picker.firstRoot(); p; p = p->next()) {
            const TableFieldRecord* e = entryOf(p);
            if (!e || entryDataType(*e) != 10)
                continue;
            QString version, release, customer, description;
            if (!gbGetDomainVrc(gsPackage, QStringLiteral("yeno"), 1, version, release, customer, description)) {
                glShowMessage(MessageGroup2, 39, platform::MbIconExclamation, gsPackage + QStringLiteral("yeno"));
                return;
            }
            break;
        }
    }
    // Nothing to generate from: the form stays as it is.
    if (!picker.firstRoot()) {
        glShowMessage(MessageGroup3, 16, platform::MbIconExclamation, gsTable);
        return;
    }

    platform::setMousePointer(platform::Pointer::Hourglass);
    TreeHiddenScope hidden(*this);
    const bool noSessionTable = gbNoSessionTable();

    // Emptying. The form commands of the freed groups and fields go to the form itself;
    // they are loaded first, so that none keeps the number of a group made anew.
    if (m_tree->count() >= 2) {
        if (gbLoadCommands)
            gLoadSpecificCommands();
        for (int32_t g = 1; size_t(g) < gaGroups.size(); ++g)
            if (gaGroups[size_t(g)].Grpi != -1)
                gDeleteItem(SlotKind::Group, g);
        GroupRecord& form = gaGroups[0];
        form.iNrOfSubGroups = 0;
        form.iGroupWidth = 1;
        form.lChildGroup = 0;
        form.lFirstField = 0;
        for (int32_t f = 1; f <= gnFieldCount && size_t(f) < gaFields.size(); ++f)
            if (gaFields[size_t(f)].lFieldId != -1)
                gDeleteItem(SlotKind::Field, f);
        const uint8_t session = uint8_t(glFindByKey(gaEnumCommandType, QStringLiteral("session")));
        for (size_t c = 1; c < gaSpecificCommands.size(); ++c) {
            SpecificCommandRecord& command = gaSpecificCommands[c];
            // A command marked for deletion stays deleted.
            if (command.nSpecificCommandId == -1 || command.lLinkId == -1)
                continue;
            command.lLinkId = 0;
            command.Grpi = 0;
            command.lFieldId = 0;
            command.nCommandType = session;
        }
        goLastNode = nullptr;
        while (TreeNode* child = root->child())
            m_tree->remove(child);
        m_tree->setSelectedItem(root);
        m_tree->setDropHighlight(root);
    }

    QString indexFields(kIndexFieldBlanks, QLatin1Char(' '));
    const int32_t n =
        std::clamp(giGetIndexFields(gsTablePackage, gsTableModule, gsTableNumber, gsCutAtNul(gsTableVersion),
                                    gsCutAtNul(gsTableRelease), gsCutAtNul(gsTableCustomer), indexFields),
                   0, kMaxIndexFields);

    // A group record made anew in its slot; the change mark makes the store write it
    // also when the slot's row already exists in the host.
    auto newGroup = [](int32_t g) -> GroupRecord& {
        if (gaGroups.size() < size_t(g) + 1)
            gaGroups.resize(size_t(g) + 1);
        gInitGroupRecord(g);
        gaGroups[size_t(g)].bChanged = true;
        return gaGroups[size_t(g)];
    };
    // Adds the node of a group record beside group 1, or under the form.
    auto groupNode = [this, root](int32_t g) -> TreeNode* {
        TreeNode* first = m_tree->node(gsGroupKey(1));
        m_tree->setSelectedItem(first && gaGroups[1].Grpi != -1 ? first : root);
        int32_t index = g;
        return mbInsertGroup(index) ? m_tree->node(gsGroupKey(g)) : nullptr;
    };

    TreeNode* group1 = nullptr;
    TreeNode* group2 = nullptr;
    if (n >= 1) {
        GroupRecord& g = newGroup(1);
        if (noSessionTable) {
            g.sLabelCode = gsPackage + QStringLiteral("gen.select");
            g.bShowGroupBox = true;
            g.bGroupInMultiOcc = false;
        } else {
            g.sLabelCode.clear();
            g.bRepeatingGroup = true;
        }
        group1 = groupNode(1);
    } else {
        if (gaGroups.size() < 2)
            gaGroups.resize(2);
        gDeleteItem(SlotKind::Group, 1);
    }
    if (!noSessionTable) {
        GroupRecord& g = newGroup(2);
        g.sLabelCode.clear();
        g.bRepeatingGroup = false;
        group2 = groupNode(2);
        // A group without label cannot be a tab page: the generated form shows none.
        if (gaGroups[0].bNewPage) {
            gaGroups[0].bNewPage = false;
            gaGroups[0].bChanged = true;
        }
    }

    const QString fieldPrefix = gsTable + QLatin1Char('.');
    auto insert = [this](const Place& at, const QString& key, const QString& text, const QString& kind,
                         bool fromField, bool textField = false) -> QString {
        int16_t relationship = at.relationship;
        if (!mbInsertTableField(relationship, at.key, key, text, kind, fromField, textField, false, false,
                                bNoSeparateLabels))
            return QString();
        return m_tree->selectedItem() ? m_tree->selectedItem()->key() : QString();
    };

    for (const TreeNode* p = picker.firstRoot(); p && !gbOutOfResources; p = p->next()) {
        const TableFieldRecord* e = entryOf(p);
        if (!e)
            continue;
        const QString key = p->key();
        const QString text = p->text();
        const QString image = p->image();
        if (!e->bCombined) {
            int32_t position = 0;
            const bool index = n > 0 && gbFindInFixedList(fieldPrefix + e->sFieldName, indexFields, n, position);
            TreeNode* group = index ? group1 : group2;
            if (group && (index || !noSessionTable)) {
                Place at = lastOf(group);
                if (noSessionTable) {
                    if (!group->child() && bNoSeparateLabels) {
                        // The common headings "From" and "To" above the ranges.
                        const QString from = insert(at, QString(), QString(), QStringLiteral("label"), true);
                        if (!from.isEmpty())
                            insert({from, int16_t(Relationship::Child)}, QString(), QString(), QStringLiteral("label"),
                                   false);
                        at = lastOf(group);
                    }
                    // A range: the "from" and "to" fields under a label of their own, or
                    // the "to" field under the "from" field below the common headings.
                    QString label;
                    if (!bNoSeparateLabels) {
                        label = insert(at, key, QString(), QStringLiteral("label"), true);
                        if (label.isEmpty())
                            continue;
                        at = {label, int16_t(Relationship::Child)};
                    }
                    const QString from = insert(at, key, text, QStringLiteral("ntfield"), true);
                    if (from.isEmpty())
                        continue;
                    insert({bNoSeparateLabels ? from : label, int16_t(Relationship::Child)}, key, text,
                           QStringLiteral("ntfield"), false);
                } else if (!insert(at, key, text, image, true).isEmpty()) {
                    gAddRefDescField();
                }
            }
        }
        // Start mode 4: a yes/no check box for every multi-line text, in a group of its own.
        if (gbIsStartMode4() && entryDataType(*e) == 10) {
            if (!group2) {
                GroupRecord& g = newGroup(2);
                g.bRepeatingGroup = false;
                g.bShowGroupBox = true;
                g.sLabelCode = gsPackage + QStringLiteral("gen.attachments");
                group2 = groupNode(2);
                if (!group2)
                    continue;
            }
            insert(lastOf(group2), key, text, QStringLiteral("ntfield"), false, true);
        }
    }

    if (n > 1 && group1)
        mSortGeneratedFieldNode(group1, indexFields, int16_t(n), bNoSeparateLabels);

    gLoadFieldLabels(1, true);
    gLoadGroupLabels();
    gLoadDomains();
    gbFormChanged = true;
    mScrollInView();
    gRebuildPointers();
    platform::setMousePointer(platform::Pointer::Default);
}

// ---- Appending picked fields --------------------------------------------------------------

void frm_Palimor::mInsertPickedTableFields()
{
    if (gbNoSessionTable() || editingRefused(*this) || !gbFormVersionSupports(kHiddenTableFields))
        return;
    TreeNode* root = m_tree->node(kRootKey);
    if (!root)
        return;
    NodeTree& picker = tableFieldsWindow().tvwFields->nodes();
    gbTableFieldsLoaded = true;
    gLoadDomains();
    QString firstKey;
    {
        TreeHiddenScope hidden(*this);
        for (const TreeNode* p = picker.firstRoot(); p && !gbOutOfResources; p = p->next()) {
            const TableFieldRecord* e = entryOf(p);
            if (!e || e->bCombined)
                continue;
            // Each element of an array field is a field of its own.
            const QString name = e->sTableCode + QLatin1Char('.') + e->sFieldName;
            bool present = false;
            for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size() && !present; ++i) {
                const FieldRecord& f = gaFields[size_t(i)];
                present = f.lFieldId != -1 && f.sFieldName == name && f.iElement == e->iElement;
            }
            if (present)
                continue;
            const Place at = lastOf(root);
            int16_t relationship = at.relationship;
            if (!mbInsertTableField(relationship, at.key, p->key(), p->text(), p->image(), true, false, true, true))
                continue;
            if (firstKey.isEmpty() && m_tree->selectedItem())
                firstKey = m_tree->selectedItem()->key();
            gAddRefDescField();
        }
    }
    mShowAppendedFields(firstKey);
}

void frm_Palimor::mShowAppendedFields(const QString& firstKey)
{
    mRefreshNodeTexts(true, true);
    gbFormChanged = true;
    if (TreeNode* first = m_tree->node(firstKey))
        m_tree->setSelectedItem(first);
    if (TreeNode* s = m_tree->selectedItem()) {
        m_tree->ensureVisible(s);
        m_tree->setDropHighlight(s);
    }
    gRebuildPointers();
}

// ---- Copying single-occurrence fields -------------------------------------------------------

namespace {

// Adds the fields below a group or field record to the collection; a field seen again
// takes the views of this occurrence too and moves last. Siblings are walked in turn,
// children in depth; every record is visited once, whatever its links say.
void mCollectOccurrenceFields(bool isGroup, int32_t index, OccurrenceCollection& collection, bool single, bool multi,
                        std::vector<bool>& seenGroups, std::vector<bool>& seenFields, int64_t& order)
{
    while (true) {
        if (isGroup) {
            if (index < 0 || size_t(index) >= gaGroups.size() || seenGroups[size_t(index)])
                return;
            seenGroups[size_t(index)] = true;
            const GroupRecord& g = gaGroups[size_t(index)];
            const bool s = single && g.bGroupInSingleOcc;
            const bool m = multi && g.bGroupInMultiOcc;
            if (g.lChildGroup > 0)
                mCollectOccurrenceFields(true, g.lChildGroup - 1, collection, s, m, seenGroups, seenFields, order);
            if (g.lFirstField > 0)
                if (const std::optional<int32_t> f = gvIndexOfId(g.lFirstField))
                    mCollectOccurrenceFields(false, *f, collection, s, m, seenGroups, seenFields, order);
            if (g.lNextGroup <= 0)
                return;
            index = g.lNextGroup - 1;
        } else {
            if (index < 1 || size_t(index) >= gaFields.size() || seenFields[size_t(index)])
                return;
            seenFields[size_t(index)] = true;
            const FieldRecord& f = gaFields[size_t(index)];
            const bool s = single && f.bFieldInSingleOcc;
            const bool m = multi && f.bFieldInMultiOcc;
            auto it = collection.find(f.sFieldName);
            if (it == collection.end()) {
                collection.insert(f.sFieldName, Occurrence{s, m, gsFieldKey(index), ++order});
            } else {
                it->single = it->single || s;
                it->multi = it->multi || m;
                it->order = ++order;
            }
            if (f.lChildField > 0)
                if (const std::optional<int32_t> c = gvIndexOfId(f.lChildField))
                    mCollectOccurrenceFields(false, *c, collection, single, multi, seenGroups, seenFields, order);
            if (f.lNextField <= 0)
                return;
            const std::optional<int32_t> next = gvIndexOfId(f.lNextField);
            if (!next)
                return;
            index = *next;
        }
    }
}

} // namespace

void frm_Palimor::mCopyOneViewFields()
{
    if (gbNoSessionTable() || editingRefused(*this) || !gbFormVersionSupports(kHiddenTableFields) || gaGroups.empty()
        || !gaGroups[0].bGroupInSingleOcc || !gaGroups[0].bGroupInMultiOcc)
        return;
    TreeNode* root = m_tree->node(kRootKey);
    if (!root)
        return;
    gLoadDomains();
    // The links must say what the tree says before they are walked.
    gRebuildPointers();
    OccurrenceCollection collection;
    std::vector<bool> seenGroups(gaGroups.size(), false);
    std::vector<bool> seenFields(gaFields.size(), false);
    int64_t order = 0;
    mCollectOccurrenceFields(true, 0, collection, true, true, seenGroups, seenFields, order);
    std::vector<const Occurrence*> singleOnly;
    for (const Occurrence& o : std::as_const(collection))
        if (o.single && !o.multi)
            singleOnly.push_back(&o);
    std::sort(singleOnly.begin(), singleOnly.end(),
              [](const Occurrence* a, const Occurrence* b) { return a->order < b->order; });

    QString firstKey;
    {
        TreeHiddenScope hidden(*this);
        // The copies go through the clipboard; the user's text is put back afterwards.
        const QString clipboardText = platform::clipboard().text();
        for (const Occurrence* o : singleOnly) {
            if (firstKey.isEmpty())
                m_tree->setSelectedItem(root);
            const TreeNode* node = m_tree->node(o->key);
            if (!node || !gCopyStructure(node, true) || !gPasteStructure(m_tree->selectedItem()))
                continue;
            if (firstKey.isEmpty() && root->lastChild())
                firstKey = root->lastChild()->key();
        }
        platform::clipboard().setText(clipboardText);
    }
    mShowAppendedFields(firstKey);
}
