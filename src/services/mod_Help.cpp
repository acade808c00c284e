#include "mod_Help.h"

#include "Dialogs.h"
#include "mod_Global.h"

#include <array>
#include <string_view>

QString gsHelpFile;
bool gbHelpTopicsLoaded = false;
int32_t glHelpWnd = 0;
QHash<QString, QString> goHelpTopics;

namespace {

constexpr int16_t kNoHelpFileStyle = platform::MbOk | platform::MbIconExclamation;

// Once per run, whatever gbHelpTopicsLoaded says later.
bool g_topicsInitialized = false;

constexpr std::string_view kGeneral = "/plm/plm/general_properties.htm";
constexpr std::string_view kLabel = "/plm/plm/label.htm";
constexpr std::string_view kPosition = "/plm/plm/position.htm";
constexpr std::string_view kDisplay = "/plm/plm/display.htm";
constexpr std::string_view kMiscellaneous = "/plm/plm/miscellaneous.htm";
constexpr std::string_view kZoom = "/plm/plm/zoom.htm";
constexpr std::string_view kAppearance = "/plm/plm/appearance.htm";
constexpr std::string_view kGroup = "/plm/plm/group_properties.htm";
constexpr std::string_view kNone = "";

// Topics of the field dialog's pages 1 to 7.
constexpr std::array<std::string_view, 7> kPageTopics = {kGeneral,       kLabel, kPosition,  kDisplay,
                                                         kMiscellaneous, kZoom,  kAppearance};

struct ControlTopic {
    std::string_view control;
    std::string_view topic;
};

// The property dialog's input controls and their topics, in table order.
constexpr ControlTopic kControlTopics[] = {
    {"txtFieldName", kGeneral}, {"txtElement", kGeneral}, {"cboFieldType", kGeneral},
    {"chkNoControl", kGeneral}, {"txtDomainCode", kGeneral}, {"txtDefaultValue", kGeneral},
    {"chkDefault", kGeneral}, {"lblTableDefaultVal", kGeneral}, {"chkMandatoryInput", kGeneral},
    {"lblCommand", kGeneral}, {"lblFieldId", kGeneral},

    {"txtLabelCode", kLabel}, {"txtLabelLengthSO", kLabel}, {"txtLabelHeightSO", kLabel},
    {"txtLabelLengthMO", kLabel}, {"txtLabelHeightMO", kLabel}, {"cboLabelPosition", kLabel},
    {"chkLinkLabLenToDispLen", kLabel}, {"txtLabelSearchString", kLabel},

    {"chkFieldInSingleOcc", kPosition}, {"chkFieldInMultiOcc", kPosition}, {"chkDependent", kPosition},
    {"chkImmediateBehind", kPosition}, {"cboLinkedValue", kPosition}, {"chkViewField", kPosition},
    {"chkGrid", kPosition}, {"chkInitHidden", kPosition},

    {"txtMinInpLength", kDisplay}, {"chkLinkDisplFormatToDomain", kDisplay}, {"txtDisplayFormat", kDisplay},
    {"chkLinkMaxDisplLenToDomain", kDisplay}, {"txtMaxDispLen", kDisplay}, {"chkLinkMaxInpLenToDomain", kDisplay},
    {"txtMaxInpLen", kDisplay}, {"cboDataAli", kDisplay}, {"txtDispHeight", kDisplay},

    {"txtLangUnitExpr", kMiscellaneous}, {"txtInpRefExpr", kMiscellaneous}, {"txtStartPosOfString", kMiscellaneous},
    {"txtMessage", kMiscellaneous}, {"chkEchoField", kMiscellaneous}, {"chkMultiCurrency", kMiscellaneous},
    {"chkSyncField", kMiscellaneous}, {"chkDocu", kMiscellaneous},

    {"cboFieldZoom", kZoom}, {"txtFieldZoomTo", kZoom}, {"txtZoomReturnField", kZoom},
    {"txtZoomInd", kZoom}, {"txtSearchDesc", kZoom},

    {"optCheckbox", kAppearance}, {"optListbox", kAppearance}, {"chkAutoEnable", kAppearance},
    {"cboYesValue", kAppearance}, {"optOptionset", kAppearance}, {"optStrCombo", kAppearance},
    {"optStrList", kAppearance}, {"optStrNormal", kAppearance}, {"chkSegmented", kAppearance},

    // The picture page has no topic of its own.
    {"txtFieldNamePict", kNone}, {"txtLabelCodePict", kNone}, {"txtLabelLenPict", kNone},
    {"txtLabelHghtPict", kNone}, {"cboLabelPosPict", kNone}, {"chkSingleOccPict", kNone},
    {"chkMultiOccPict", kNone}, {"chkImmediateBehindPict", kNone}, {"txtLabelSearchPict", kNone},
    {"txtIcon", kNone},

    {"txtGroupLabelCode", kGroup}, {"optGroupAlignmentDef", kGroup}, {"optGroupAlignmentEqu", kGroup},
    {"chkGroupInSingleOcc", kGroup}, {"chkGroupInMultiOcc", kGroup}, {"chkRepeatingGroup", kGroup},
    {"chkShowGroupBox", kGroup}, {"optGroupAlignmentSpec", kGroup}, {"txtGroupCols", kGroup},
    {"txtLabelSearchGroups", kGroup}, {"txtFormNr", kGroup}, {"lblGroupFrameDescText", kGroup},
    {"chkCheckOnBox", kGroup}, {"chkGrpBeside", kGroup}, {"lblGroupTabDescText", kGroup},
    {"chkDashboard", kGroup}, {"chkSelection", kGroup}, {"txtParentTable", kGroup},
    {"chkSingleOcc", kGroup}, {"chkMultiOcc", kGroup}, {"chkNewPage", kGroup},
    {"chkNewPageMO", kGroup}, {"chkRichView", kGroup},
};

// Controls that show the topic and anchor of another.
constexpr ControlTopic kBorrowedAnchors[] = {
    {"cboDefaultValue", "chkDefault"},
    {"txtDefaultValue", "chkDefault"},
    {"txtDomainPackage", "txtDomainCode"},
};

QString text(std::string_view s) { return QString::fromLatin1(s.data(), qsizetype(s.size())); }

QString anchorControl(const QString& controlName)
{
    for (const ControlTopic& b : kBorrowedAnchors)
        if (controlName == QLatin1String(b.control.data(), qsizetype(b.control.size())))
            return text(b.topic);
    return controlName;
}

} // namespace

QString gsHelpFileName(const QString& userLanguage)
{
    return userLanguage == QLatin1String("j") ? QStringLiteral("hlpplmj0.chm") : QStringLiteral("hlpplm20.chm");
}

bool gbHelpFileExists(const QString& path) { return platform::helpFolderExists(path); }

QString gsGetPageHelpTopic(int16_t page)
{
    if (page < 1 || page > int16_t(kPageTopics.size()))
        return {};
    return text(kPageTopics[size_t(page - 1)]);
}

void gInitializeHelpTopics()
{
    if (g_topicsInitialized)
        return;
    g_topicsInitialized = true;
    if (gbHelpTopicsLoaded)
        return;
    for (const ControlTopic& c : kControlTopics)
        goHelpTopics.insert(text(c.control), text(c.topic));
    gbHelpTopicsLoaded = true;
}

int32_t glShowHelp(QObject* caller, const QString& topic, platform::HelpCommand command)
{
    if (gsHelpFile.isEmpty()) {
        glShowMessage(MessageGroup2, 16, kNoHelpFileStyle);
        return 0;
    }
    glHelpWnd = platform::helpViewer().showHelp(caller, gsHelpFile, command, topic);
    return glHelpWnd;
}

int32_t glShowContextHelp(QObject* caller, const QString& controlName)
{
    const QString name = anchorControl(controlName);
    const auto it = goHelpTopics.constFind(name);
    if (it == goHelpTopics.cend())
        return 0;
    const QString path = it.value() + QLatin1Char('#') + name;
    if (gsHelpFile.isEmpty()) {
        glShowMessage(MessageGroup2, 16, kNoHelpFileStyle);
        return 0;
    }
    return platform::helpViewer().showHelp(caller, gsHelpFile, platform::HelpCommand::DisplayTopic, path);
}

bool gbPropertiesContextHelp(QObject* dialog, const QString& controlName, platform::ContextHelpRequest request,
                             bool controlEnabled)
{
    switch (request) {
    case platform::ContextHelpRequest::HelpKey:
        glHelpWnd = glShowContextHelp(dialog, controlName);
        return true;
    case platform::ContextHelpRequest::Click:
        if (!controlEnabled)
            glHelpWnd = glShowContextHelp(dialog, controlName);
        return false;
    }
    return false;
}

QStringList gHelpTopicPaths()
{
    QStringList paths{kTopicFormProperties, kTopicGroupProperties, kTopicUsingTheEditor, kTopicCreatingAForm};
    for (std::string_view t : kPageTopics)
        paths << text(t);
    for (const ControlTopic& c : kControlTopics)
        if (!c.topic.empty())
            paths << text(c.topic);
    paths.removeDuplicates();
    return paths;
}

void gClearHelpState()
{
    gbHelpTopicsLoaded = false;
    glHelpWnd = 0;
}

void resetHelp()
{
    gsHelpFile.clear();
    gbHelpTopicsLoaded = false;
    glHelpWnd = 0;
    goHelpTopics.clear();
    g_topicsInitialized = false;
}
