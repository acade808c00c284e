#include "mod_Store.h"

#include <QScopeGuard>
#include <QSet>
#include <cmath>
#include <vector>

#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"
#include "hostlink/mod_Velq.h"
#include "hostlink/mod_VrokGlobal.h"
#include "model/mod_DesignDefinitions.h"
#include "model/mod_Palimor.h"
#include "model/mod_Records.h"
#include "services/mod_Global.h"

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
};

StoreState s;

const QString kTab = QStringLiteral("\t");

void status(int32_t number, const QString& first = QString())
{
    glShowMessage(MessageStatus, number, StatusBarOnly, first);
}

// Opens the object set of table; false (after a log line) when the host gave none.
bool openSet(const char* table, int32_t& set, std::vector<int32_t>& opened)
{
    set = glOpenObjectSet(QLatin1String(table));
    if (set < 1) {
        gWriteLog(QStringLiteral("Object set of ") + QLatin1String(table) + QStringLiteral(" not opened"));
        set = 0;
        return false;
    }
    opened.push_back(set);
    return true;
}

void closeSets(const std::vector<int32_t>& opened)
{
    for (int32_t set : opened)
        glCloseObjectSet(set);
}

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
    FieldRecord& f = gaFields[size_t(i)];
    if (!f.bHas302Row)
        s.has302Set.push_back(i);
    f.bHas302Row = true;
}

void logField(int32_t i)
{
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
    FieldRecord& f = gaFields[size_t(i)];
    f.bExistsToggled = false;
    Action action = Action::Skipped;
    const auto key = [i](const char* table) { return gsFieldKeyText(QLatin1String(table), i); };

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
    if (f.bChanged && action != Action::Skipped)
        gWriteLog(QStringLiteral("********** Field ") + f.sFieldName + QLatin1Char(' ')
                  + QLatin1String(actionText(action)));
    return true;
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

} // namespace

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

bool gbStoreDesignDefinitions()
{
    status(10);
    // Stored or not, the status bar does not go on saying that it saves.
    const auto ready = qScopeGuard([] { status(1); });
    forgetToggles();

    std::vector<int32_t> opened;
    int32_t set315 = 0, set301 = 0, set302 = 0, set308 = 0, set150 = 0, set316 = 0;
    const auto fail = [&] {
        closeSets(opened);
        return false;
    };

    if (!openSet(kTable315, set315, opened))
        return fail();
    gInitVelqSet();
    if (!mbStoreGroupDefinitions(set315))
        return fail();
    if (!openSet(kTable301, set301, opened) || !openSet(kTable302, set302, opened)
        || !openSet(kTable308, set308, opened))
        return fail();
    if (!mbStoreFieldDefinitions(set301, set302, set308))
        return fail();
    const bool docu = mbStoreDocuDeletes(set150);
    if (set150 > 0)
        opened.push_back(set150);
    if (!docu)
        return fail();
    if (!openSet(kTable316, set316, opened))
        return fail();
    if (!mbStoreSpecificCommands(set316))
        return fail();

    bool stored = false;
    if (glCommitVelqSet() != 0) {
        gWriteLog(QStringLiteral("Design Definitions Not Stored. Transaction Aborted"));
    } else {
        markStored();
        gWriteLog(QStringLiteral("Design Definitions Stored"));
        glLoadedFormVersion = glFormVersionLevel;
        stored = true;
    }
    closeSets(opened);
    return stored;
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

void resetStore() { s = StoreState{}; }
