#include "mod_Records.h"

#include <algorithm>

#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "NodeTree.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "Dialogs.h"
#include "UiHooks.h"
#include "mod_Global.h"

bool gbTableFieldsOpen = false;

namespace {

// The widest group number the host's grpi column holds.
constexpr int32_t kMaxGroupNumber = 9999;

std::vector<DocuDelete> g_docuDeletes;

bool isField(SlotKind kind) { return kind == SlotKind::Field || kind == SlotKind::Picture; }

std::optional<SlotKind> slotKind(const QString& kind)
{
    static const std::pair<QLatin1String, SlotKind> kKinds[] = {
        {QLatin1String("field"), SlotKind::Field},
        {QLatin1String("picture"), SlotKind::Picture},
        {QLatin1String("group"), SlotKind::Group},
        {QLatin1String("specificcommand"), SlotKind::SpecificCommand},
    };
    for (const auto& [text, k] : kKinds)
        if (kind == text)
            return k;
    return std::nullopt;
}

void showOutOfResources()
{
    platform::dialogs().messageBox(gsOutOfResourcesText(), platform::MbOk, platform::applicationTitle());
}

// What running out of slots switches off for the rest of the run.
void switchInsertingOff(bool groupsToo)
{
    gbOutOfResources = true;
    ui::Hooks& h = ui::hooks();
    if (gbTableFieldsOpen && h.cancelTableFieldPicker)
        h.cancelTableFieldPicker();
    if (groupsToo && h.setGroupInsertingEnabled)
        h.setGroupInsertingEnabled(false);
    if (h.setInsertingEnabled)
        h.setInsertingEnabled(false);
}

// Inside a batch of field inserts the free slots and the live count were counted
// before it, and the slots are taken from the lowest on.
struct FieldSearch {
    bool active = false;
    std::vector<int32_t> free;  // rising
    size_t next = 0;
    int32_t live = 0;
};
FieldSearch g_fieldSearch;

int32_t findFreeFieldSlot()
{
    const int32_t last = int32_t(gaFields.size()) - 1;
    int32_t slot = -1;
    bool another = false;
    if (g_fieldSearch.active) {
        if (g_fieldSearch.next < g_fieldSearch.free.size())
            slot = g_fieldSearch.free[g_fieldSearch.next++];
        another = g_fieldSearch.next < g_fieldSearch.free.size();
        Q_ASSERT(slot < 0 || gbIsFreeSlot(slot, SlotKind::Field));
    } else {
        for (int32_t i = 1; i <= last && slot < 0; ++i)
            if (gbIsFreeSlot(i, SlotKind::Field))
                slot = i;
        for (int32_t i = slot + 1; slot > 0 && i <= last && !another; ++i)
            another = gbIsFreeSlot(i, SlotKind::Field);
    }
    if (slot < 0)
        return -1;

    // The new record has no input-property row of its own; a row left by the slot's
    // former field is removed by the next store.
    FieldRecord& f = gaFields[size_t(slot)];
    f.bRemove302 = true;
    f.bInputPropsLoaded = true;
    f.bHas302Row = false;

    if (!another) {
        showOutOfResources();
        switchInsertingOff(false);
    }
    return slot;
}

// Inside a batch of group inserts the search goes on from where it stopped, and the
// counts of free slots and used groups are kept as inserts and deletes go, instead of
// a pass over every group per insert.
struct GroupSearch {
    bool active = false;
    size_t cursor = 1;  // no free slot lies below it
    int32_t free = 0;
    int32_t used = 0;
};
GroupSearch g_search;

void countGroups(int32_t& slot, int32_t& free, int32_t& used)
{
    slot = -1;
    free = 0;
    used = 0;
    for (size_t g = 1; g < gaGroups.size(); ++g) {
        const GroupRecord& group = gaGroups[g];
        if (group.Grpi == -1) {
            if (slot < 0)
                slot = int32_t(g);
            ++free;
        } else if (!group.bVirtualGroup) {
            ++used;
        }
    }
}

int32_t findFreeGroupSlot()
{
    int32_t slot = -1;
    int32_t free = 0;
    int32_t used = 0;
    if (g_search.active) {
        while (g_search.cursor < gaGroups.size() && gaGroups[g_search.cursor].Grpi != -1)
            ++g_search.cursor;
        slot = g_search.cursor < gaGroups.size() ? int32_t(g_search.cursor) : -1;
        free = g_search.free;
        used = g_search.used;
    } else {
        countGroups(slot, free, used);
    }
    if (slot < 0)
        return -1;
    if (free <= used) {
        if (!gbOutOfResources)
            showOutOfResources();
        switchInsertingOff(true);
    }
    if (g_search.active) {
        // The caller fills the slot: the next search starts behind it.
        ++g_search.cursor;
        --g_search.free;
    }
    return slot;
}

} // namespace

GroupSlotBatch::GroupSlotBatch()
{
    int32_t slot = -1;
    countGroups(slot, g_search.free, g_search.used);
    g_search.cursor = slot < 0 ? gaGroups.size() : size_t(slot);
    g_search.active = true;
}

GroupSlotBatch::~GroupSlotBatch() { g_search = GroupSearch{}; }

FieldSlotBatch::FieldSlotBatch(std::vector<int32_t> freeSlots, int32_t live)
{
    Q_ASSERT(std::is_sorted(freeSlots.begin(), freeSlots.end()));
    g_fieldSearch = {true, std::move(freeSlots), 0, live};
}

FieldSlotBatch::~FieldSlotBatch() { g_fieldSearch = FieldSearch{}; }

QString gsOutOfResourcesText() { return QStringLiteral("Out of resources, restart the Palimor!"); }

// ---- Slots ---------------------------------------------------------------------------------

bool gbIsFreeSlot(int32_t index, SlotKind kind)
{
    if (index < 0)
        return false;
    switch (kind) {
    case SlotKind::Field:
    case SlotKind::Picture:
        return size_t(index) < gaFields.size() && (index > gnFieldCount || gaFields[size_t(index)].lFieldId == -1);
    case SlotKind::Group: return size_t(index) < gaGroups.size() && gaGroups[size_t(index)].Grpi == -1;
    case SlotKind::SpecificCommand:
        return size_t(index) < gaSpecificCommands.size() && gaSpecificCommands[size_t(index)].nSpecificCommandId == -1;
    }
    return false;
}

bool gbIsFreeSlot(int32_t index, const QString& kind)
{
    const std::optional<SlotKind> k = slotKind(kind);
    return k && gbIsFreeSlot(index, *k);
}

bool gbEnoughFreeGroups(SlotKind kind, int32_t& used)
{
    used = 0;
    if (kind != SlotKind::Group)
        return false;
    int32_t free = 0;
    for (size_t g = 1; g < gaGroups.size(); ++g) {
        if (gaGroups[g].Grpi == -1)
            ++free;
        else if (!gaGroups[g].bVirtualGroup)
            ++used;
    }
    return free > used;
}

bool gbEnoughFreeGroups(const QString& kind, int32_t& used)
{
    const std::optional<SlotKind> k = slotKind(kind);
    if (k)
        return gbEnoughFreeGroups(*k, used);
    used = 0;
    return false;
}

int32_t glFindFreeSlot(SlotKind kind)
{
    if (isField(kind))
        return findFreeFieldSlot();
    if (kind == SlotKind::Group)
        return findFreeGroupSlot();
    return 0;
}

int32_t glFindFreeSlot(const QString& kind)
{
    const std::optional<SlotKind> k = slotKind(kind);
    return k ? glFindFreeSlot(*k) : 0;
}

int32_t glLiveFieldCount()
{
    int32_t live = 0;
    for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i)
        if (gaFields[size_t(i)].lFieldId != -1)
            ++live;
    return live;
}

bool gbRoomForFields(int32_t count)
{
    return gbRoomForFields(count, g_fieldSearch.active ? g_fieldSearch.live : glLiveFieldCount());
}

bool gbRoomForFields(int32_t count, int32_t live)
{
    if (count <= 0 || live + count <= kMaxFormFields)
        return true;
    gWriteLog(QStringLiteral("Field limit: %1 fields and %2 more would pass %3").arg(live).arg(count).arg(kMaxFormFields));
    glShowMessage(MessageGroup3, 23, platform::MbOk | platform::MbIconExclamation, QString::number(live),
                  QString::number(kMaxFormFields), QString::number(count));
    return false;
}

int32_t glNewItem(const QString& kind, QString& key)
{
    const std::optional<SlotKind> k = slotKind(kind);
    return k ? glNewItem(*k, key) : 0;
}

int32_t glNewItem(SlotKind kind, QString& key)
{
    if (isField(kind)) {
        const bool picture = kind == SlotKind::Picture;
        if (!gbRoomForFields(1))
            return -1;
        const int32_t index = glFindFreeSlot(kind);
        if (index < 0) {
            // The array is not grown while editing: there is no place for the record.
            gWriteLog(QStringLiteral("No free slot for a new ")
                      + (picture ? QStringLiteral("picture") : QStringLiteral("field")));
            showOutOfResources();
            switchInsertingOff(false);
            return -1;
        }
        if (index > gnFieldCount)
            gnFieldCount = int16_t(index);
        if (g_fieldSearch.active)
            ++g_fieldSearch.live;
        key = (picture ? QStringLiteral("p_") : QStringLiteral("f_")) + QString::number(index);
        if (picture)
            gInitPictureRecord(index);
        else
            gInitFieldRecord(index);
        FieldRecord& f = gaFields[size_t(index)];
        f.bChanged = true;
        f.bChanged301 = true;
        f.bChanged302 = false;
        f.bChanged308 = true;
        return index;
    }

    if (kind == SlotKind::Group) {
        int32_t index = 0;
        if (key != QLatin1String("0")) {
            index = glFindFreeSlot(kind);
            if (index < 0) {
                if (int32_t(gaGroups.size()) >= kMaxGroupNumber) {
                    gWriteLog(QStringLiteral("No free slot for a new group"));
                    showOutOfResources();
                    switchInsertingOff(true);
                    return -1;
                }
                gaGroups.emplace_back();
                index = int32_t(gaGroups.size()) - 1;
            }
        } else if (gaGroups.empty()) {
            gaGroups.resize(1);
        }
        key = gsGroupKey(index);
        gInitGroupRecord(index);
        gaGroups[size_t(index)].bChanged = true;
        return index;
    }
    return 0;
}

// ---- Deleting -------------------------------------------------------------------------------

void gDeleteItem(const QString& kind, int32_t index)
{
    // "picture" is no kind a record is deleted as.
    if (const std::optional<SlotKind> k = slotKind(kind); k && *k != SlotKind::Picture)
        gDeleteItem(*k, index);
}

void gDeleteItem(SlotKind kind, int32_t index)
{
    if (index < 0)
        return;
    if (kind == SlotKind::SpecificCommand) {
        if (size_t(index) >= gaSpecificCommands.size())
            return;
        SpecificCommandRecord& c = gaSpecificCommands[size_t(index)];
        // Cutting off a command the host holds would leave its row there for good.
        if (size_t(index) == gaSpecificCommands.size() - 1 && index > 0 && !c.bExistsInHost) {
            gaSpecificCommands.pop_back();
            return;
        }
        c.nSpecificCommandId = -1;
        if (c.bExistsInHost)
            c.lLinkId = -1;  // the store deletes its row
    } else if (kind == SlotKind::Group) {
        if (size_t(index) >= gaGroups.size())
            return;
        GroupRecord& g = gaGroups[size_t(index)];
        if (g_search.active && g.Grpi != -1) {
            g_search.cursor = std::min(g_search.cursor, size_t(index));
            ++g_search.free;
            if (!g.bVirtualGroup)
                --g_search.used;
        }
        g.Grpi = -1;
        g.lAlignmentGroupId = int16_t(-index);
        g.bChanged = false;
    } else if (kind == SlotKind::Field) {
        gDeleteFieldRecord(index);
    }
}

void gDeleteFieldRecord(int32_t index)
{
    if (index < 1 || size_t(index) >= gaFields.size())
        return;
    FieldRecord& f = gaFields[size_t(index)];
    f.lFieldId = -1;
    f.bChanged = f.bChanged301 = f.bChanged302 = f.bChanged308 = false;
    f.bImmediateBehind = false;
    f.bSyncField = false;
    f.nOmod = 0;
    f.nDomainIndex = 0;
    // Only the host's rows of a field can carry documentation that a save removes: for
    // a field the host never held nothing is asked.
    if (!f.bExistsInHost)
        return;

    if (!f.bDocuChecked) {
        f.bDocuAvailable = gbCheckTechDocExists(gsPackage, gsModule, gsFormCode, gsVersion, gsRelease, gsCustomer,
                                                f.sFieldName);
        f.bDocuChecked = true;
    }
    const QString name = f.sFieldName.trimmed();
    for (int32_t j = 1; j <= gnFieldCount && size_t(j) < gaFields.size(); ++j) {
        FieldRecord& other = gaFields[size_t(j)];
        if (j != index && QStringView(other.sFieldName).trimmed() == name) {
            other.bDocuChecked = true;
            other.bDocuAvailable = f.bDocuAvailable;
        }
    }

    if (!f.bDocuAvailable)
        return;
    for (const DocuDelete& d : g_docuDeletes)
        if (d.sFieldName == name)
            return;
    g_docuDeletes.push_back({name, gsFieldRecord150(int16_t(index))});
}

const std::vector<DocuDelete>& gaDocuDeletes() { return g_docuDeletes; }

void gClearDocuDeletes() { g_docuDeletes.clear(); }

// ---- Predicates -------------------------------------------------------------------------------

bool gbFindInFixedList(const QString& key, const QString& buffer, int32_t count, int32_t& position)
{
    constexpr int32_t kEntry = 18;
    for (int32_t i = 0; i < count; ++i) {
        const qsizetype start = qsizetype(i) * kEntry;
        if (start >= buffer.size())
            break;
        if (buffer.mid(start, kEntry).trimmed() == key) {
            position = i + 1;
            return true;
        }
    }
    return false;
}

bool gbFieldHasDomainOrPicture(int32_t index)
{
    const FieldRecord& f = gaFields.at(size_t(index));
    return !f.sDomainPackage.trimmed().isEmpty() || f.lControl == ControlKind::Picture;
}

bool gbIsMainTableField(int32_t index)
{
    return gaFields.at(size_t(index)).sFieldName.startsWith(gsTable);
}

bool gbPreviousIsField(const TreeNode* node)
{
    return node && node->previous() && gbIsFieldKey(node->previous()->key());
}

bool gbFieldHasCommand(int32_t index) { return gaFields.at(size_t(index)).lCommandIndex >= 0; }

void resetRecords()
{
    g_search = GroupSearch{};
    g_fieldSearch = FieldSearch{};
    gbTableFieldsOpen = false;
    g_docuDeletes.clear();
}
