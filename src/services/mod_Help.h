#pragma once
// Help: the help file chosen at start, the topics of the property dialog and its
// context help. The help file is a folder of HTML topics shown by the help viewer
// port; a topic is a path inside it, "/plm/plm/label.htm", with an optional anchor.
#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "HelpViewer.h"

class QObject;

// The help folder, "" when none was found at start.
extern QString gsHelpFile;
// True once goHelpTopics is filled.
extern bool gbHelpTopicsLoaded;
// Handle of the viewer window of the last help call, 0 when nothing was shown.
extern int32_t glHelpWnd;
// Property dialog control name -> topic ("" for controls without a topic).
extern QHash<QString, QString> goHelpTopics;

// Topics the windows open.
inline const QString kTopicFormProperties = QStringLiteral("/plm/plm/session_properties.htm");
inline const QString kTopicGroupProperties = QStringLiteral("/plm/plm/group_properties.htm");
inline const QString kTopicUsingTheEditor = QStringLiteral("/plm/onlinemanual/to_use_the_palimor.htm");
inline const QString kTopicCreatingAForm = QStringLiteral("/plm/onlinemanual/to_manually_create_a_palimor.htm");

// The help folder's name under gsBaseDir + "/HELP" for a user language.
QString gsHelpFileName(const QString& userLanguage);
// True when path names an existing help folder; the existence test of the help file.
bool gbHelpFileExists(const QString& path);

// Topic of a page of the field dialog (1 to 7); "" for any other page.
QString gsGetPageHelpTopic(int16_t page);

// Fills goHelpTopics once per run.
void gInitializeHelpTopics();

// Opens a topic of the help file (or its contents or index page), above caller's
// window. Without a help file shows message kind 2, number 16 and returns 0;
// otherwise returns the viewer's handle and keeps it in glHelpWnd.
int32_t glShowHelp(QObject* caller, const QString& topic,
                   platform::HelpCommand command = platform::HelpCommand::DisplayTopic);

// Opens the topic of a property dialog control at the control's anchor. A control
// without an entry shows nothing and returns 0; no help file gives message kind 2,
// number 16 and 0.
int32_t glShowContextHelp(QObject* caller, const QString& controlName);

// Context help of the property dialog's input controls: the help key on a control
// opens its topic and is used up (true); a click on a disabled control opens it too
// and the event goes on (false). The result of the help call goes to glHelpWnd.
bool gbPropertiesContextHelp(QObject* dialog, const QString& controlName, platform::ContextHelpRequest request,
                             bool controlEnabled);

// Every topic the editor opens, the page topics and the table's topics included.
QStringList gHelpTopicPaths();

// Start-up's clearing of the help state (gbHelpTopicsLoaded, glHelpWnd).
void gClearHelpState();

// Everything back to the start of a run (tests).
void resetHelp();
