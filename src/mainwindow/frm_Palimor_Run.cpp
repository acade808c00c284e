// The main window's commands that run the form in the host and start the host's
// sessions on it: Run Single and Multi Occurrence (with the update and save question
// that Exit shares), the Tools menu, the style guide, and the Edit menu's separators.
#include "frm_Palimor.h"

#include "mod_TableFields.h"

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "mod_ZoomRecord.h"
#include "mod_Alignment.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "HelpViewer.h"
#include "mod_Global.h"
#include "mod_Help.h"

#include <QDir>
#include <QScopedValueRollback>

#include <utility>

namespace {

// The style guide is a help folder of its own beside the editor's help.
const QString kStyleGuideFolder = QStringLiteral("HELP/styleguide");

// A host session the Tools menu starts: its start-record target, session and table.
struct ToolSession {
    const char* target;
    const char* session;
    const char* table;
    bool wait;
};

constexpr ToolSession kCommands{"qxzrn300_1", "qxzrn3518m000", "qxzrn300", false};
constexpr ToolSession kMainTable{"qxzrn420", "qxzrn2530m000", "qxzrn420", false};
constexpr ToolSession kFormDefinition{"qxzrn300_1", "qxzrn3100s000", "qxzrn300", true};
constexpr ToolSession kSessionDefinition{"qxzrn200_1", "qxzrn2101s000", "qxzrn200", true};
constexpr ToolSession kSessionProgram{"qxzrn200_1", "qxzrn2530m000", "qxzrn200", false};
constexpr ToolSession kSessions{"qxzrn200_1", "qxzrn2100s000", "qxzrn200", false};
constexpr ToolSession kFormStructure{"qxzrn300_1", "qxzrn3110s000", "qxzrn300", true};
constexpr ToolSession kTechnicalDocumentation{"qxzrn300_1", "vqrst1400m000", "qxzrn300", false};

// Starts the session on a start record. The host's answer in the returned record is
// not used; the form keeps its language whatever the session ends in.
void startToolSessionOn(const ToolSession& s, const QString& startRecord, const QString& language = QString())
{
    QString returned;
    gbStartVrokSession(QLatin1String(s.session), QLatin1String(s.table), startRecord, returned, 0, QString(), s.wait,
                       language);
}

// A start record before its key is written: blanks, as long as one of the table's records.
QString blankRecord(const char* table)
{
    int16_t length = 0;
    gGetRecordLength(QLatin1String(table), length);
    return QString(length, QLatin1Char(' '));
}

// Starts the session on the key of its target object.
void startToolSession(const ToolSession& s, const QString& language = QString())
{
    QString record = blankRecord(s.table);
    mSetKeyInBuf(QLatin1String(s.target), record, false);
    startToolSessionOn(s, record, language);
}

// The form's main table as a table record, keyed in the version the table itself
// exists in (the form's own when the host knows none), not the form's version.
QString mainTableRecord()
{
    // The table's own version, asked once a run (the picker's load asks it too); the
    // form's version stands in while the host does not know the table.
    if (gsCutAtNul(gsTableVersion).isEmpty()) {
        QString v, r, c;
        if (gbGetTableVrc(gsTablePackage, gsTableModule, gsTableNumber, 0, v, r, c)) {
            gsTableVersion = gsCutAtNul(v);
            gsTableRelease = gsCutAtNul(r);
            gsTableCustomer = gsCutAtNul(c);
        }
    }
    const bool known = !gsCutAtNul(gsTableVersion).isEmpty();
    const QString version = known ? gsCutAtNul(gsTableVersion) : QString(gsVersion);
    const QString release = known ? gsCutAtNul(gsTableRelease) : QString(gsRelease);
    const QString customer = known ? gsCutAtNul(gsTableCustomer) : QString(gsCustomer);
    const QString table = QLatin1String(kMainTable.table);
    const std::pair<const char*, QString> keys[] = {{"cpac", gsTablePackage}, {"cmod", gsTableModule},
                                                    {"flno", gsTableNumber},  {"vers", version},
                                                    {"rele", release},        {"cust", customer}};
    QString record = blankRecord(kMainTable.table);
    for (const auto& [field, value] : keys)
        mFillRecBuf(table, QLatin1String(field), 1, record, value, QString(), true);
    return record;
}

} // namespace

void frm_Palimor::registerRunHandlers()
{
    const std::pair<const char*, void (frm_Palimor::*)()> handlers[] = {
        {"mnuOSO", &frm_Palimor::mnuOSO_Click},          {"mnuOMO", &frm_Palimor::mnuOMO_Click},
        {"mnuESep1", &frm_Palimor::mnuESep1_Click},      {"mnuESep2", &frm_Palimor::mnuESep2_Click},
        {"mnu_Tcmd", &frm_Palimor::mnu_Tcmd_Click},      {"mnu_Tdal", &frm_Palimor::mnu_Tdal_Click},
        {"mnu_Tfrm", &frm_Palimor::mnu_Tfrm_Click},      {"mnu_Tind", &frm_Palimor::mnu_Tind_Click},
        {"mnu_Tprs", &frm_Palimor::mnu_Tprs_Click},      {"mnu_Tscr", &frm_Palimor::mnu_Tscr_Click},
        {"mnu_Tses", &frm_Palimor::mnu_Tses_Click},      {"mnu_Tstc", &frm_Palimor::mnu_Tstc_Click},
        {"mnu_Tvtd", &frm_Palimor::mnu_Tvtd_Click},      {"mnuHStyle", &frm_Palimor::mnuHStyle_Click},
    };
    for (const auto& [name, handler] : handlers)
        m_actions->setHandler(QLatin1String(name), [this, method = handler] { (this->*method)(); });
}

// ---- Running the form ------------------------------------------------------------------------

void frm_Palimor::mnuOSO_Click() { mStartFormInHost(false); }

void frm_Palimor::mnuOMO_Click() { mStartFormInHost(true); }

int16_t frm_Palimor::miUpdateAndAskToSave()
{
    if (!m_alignmentDone) {
        platform::setMousePointer(platform::Pointer::Hourglass);
        glShowMessage(MessageStatus, 8, StatusBarOnly);
        gCalculateAlignment();
        gUpdatePointers();
        glShowMessage(MessageStatus, 1, StatusBarOnly);
        platform::setMousePointer(platform::Pointer::Default);
        if (!gbCheckFieldPositions()) {
            gbFormChanged = true;
            return platform::IdCancel;
        }
    }
    if (!gbFormChanged)
        return platform::IdYes;
    const int16_t answer = glShowMessage(MessageQuestion, 3, platform::MbYesNoCancel | platform::MbIconExclamation);
    if (answer == platform::IdNo)
        return platform::IdNo;
    if (answer != platform::IdYes)
        return platform::IdCancel;
    {
        // The positions are up to date: the save does not compute them again.
        const QScopedValueRollback<bool> aligned(m_alignmentDone, true);
        mnuFSave_Click();
    }
    // The save failed, or stopped at its own question.
    return gbFormChanged || m_saveStopped ? platform::IdCancel : platform::IdYes;
}

void frm_Palimor::mStartFormInHost(bool bMultiOcc)
{
    if (gsOpenMode != "r" && miUpdateAndAskToSave() == platform::IdCancel)
        return;

    // The session is the form code without its last character. The host may run it in
    // a version the form's own derives from; the form stays in the version it was
    // loaded in, where its rows are stored.
    const QString session = gsPackage + gsModule + gsFormCode.left(gsFormCode.size() - 1);
    if (!gbCheckRuntimeFormVrc(session, gsVersion, gsRelease, gsCustomer))
        glShowMessage(MessageGroup2, 31, platform::MbIconExclamation);

    QString result;
    gbStartVrokSession(session, QString(), QString(), result, bMultiOcc ? 0 : 1, QString(), false, QString());
}

void frm_Palimor::mnuESep1_Click() {}

void frm_Palimor::mnuESep2_Click() {}

// ---- Tools menu --------------------------------------------------------------------------------

void frm_Palimor::mnu_Tcmd_Click()
{
    startToolSession(kCommands);
    // The commands may have changed in the host: read again when next needed.
    gbLoadCommands = true;
}

void frm_Palimor::mnu_Tdal_Click() { startToolSessionOn(kMainTable, mainTableRecord()); }

void frm_Palimor::mnu_Tfrm_Click() { startToolSession(kFormDefinition); }

void frm_Palimor::mnu_Tind_Click() { startToolSession(kSessionDefinition); }

void frm_Palimor::mnu_Tprs_Click() { startToolSession(kSessionProgram); }

void frm_Palimor::mnu_Tscr_Click()
{
    if (!gExtEditScript())
        gWriteLog(QStringLiteral("The host did not open the program script ") + gsProgramScript);
}

// The sessions window starts in the form's language; the language it may end in is not
// the form's.
void frm_Palimor::mnu_Tses_Click() { startToolSession(kSessions, gsLanguage); }

void frm_Palimor::mnu_Tstc_Click() { startToolSession(kFormStructure); }

void frm_Palimor::mnu_Tvtd_Click() { startToolSession(kTechnicalDocumentation); }

// ---- Help: the style guide ----------------------------------------------------------------------

void frm_Palimor::mnuHStyle_Click()
{
    const QString folder = QDir(gsBaseDir).filePath(kStyleGuideFolder);
    if (gsBaseDir.isEmpty() || !platform::helpFolderExists(folder)) {
        glShowMessage(MessageGroup2, 16, platform::MbIconExclamation);
        return;
    }
    glHelpWnd = platform::helpViewer().showHelp(this, folder, platform::HelpCommand::DisplayContents, QString());
}
