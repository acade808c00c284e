// Palimor: started by the host client with one start record naming the form to edit.
#include "frm_Palimor.h"
#include "CoreHooks.h"
#include "Process.h"
#include "SettingsStore.h"
#include "gui_Ports.h"
#include "mod_Global.h"

#include <VrokApplication.h>

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("palimor"));
    // No display name: the platform would add it to every title, which names the
    // program already.
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(PALIMOR_VERSION_MAJOR)
                                            .arg(PALIMOR_VERSION_MINOR)
                                            .arg(PALIMOR_VERSION_PATCH));

    installCoreHooks();
    // The bytes themselves: the application's own list has already turned those that
    // are no text into U+FFFD. Its options are gone from argv.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    platform::setCommandLineFromArguments(arguments);
    platform::installWidgetPorts();
    platform::setSettingsWarningLog(gWriteLog);
    host::installSessionWindows();
    host::setCallLogKept(false);

    mainWindow().setPaintBeforeLoad(true);
    mainWindow().Form_Load();
    return QApplication::exec();
}
