#include "frm_Palimor.h"

#include "hostlink/mod_VrokGlobal.h"
#include "hostlink/mod_VrokInterface.h"
#include "model/mod_Palimor.h"
#include "platform/Cursor.h"
#include "platform/Dialogs.h"
#include "platform/Process.h"
#include "services/UiHooks.h"
#include "services/mod_Global.h"
#include "services/mod_Registry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTreeWidget>

#include <memory>

namespace {

const QString kSwitch = QStringLiteral("-tarnsel");
// Install directory used under the switch, where no start record names one.
const QString kFixedInstallDir = QStringLiteral("/opt/vrok");
// Exit status of a start-up that was refused or failed.
constexpr int kStartupFailed = 1;

frm_Palimor* g_mainWindow = nullptr;

QString windowKey() { return gsRegistryKey + QStringLiteral("\\Window"); }

} // namespace

frm_Palimor& mainWindow()
{
    if (!g_mainWindow)
        g_mainWindow = new frm_Palimor;
    return *g_mainWindow;
}

bool mainWindowExists() { return g_mainWindow != nullptr; }

void resetMainWindow()
{
    delete g_mainWindow;
    g_mainWindow = nullptr;
}

frm_Palimor::frm_Palimor(QWidget* parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frm_Palimor"));
    setWindowTitle(QStringLiteral("Palimor"));

    tvwGroups = new QTreeWidget(this);
    tvwGroups->setObjectName(QStringLiteral("tvwGroups"));
    tvwGroups->setHeaderHidden(true);
    setCentralWidget(tvwGroups);

    SBarEditor = new QStatusBar(this);
    SBarEditor->setObjectName(QStringLiteral("SBarEditor"));
    SBarPanel1 = new QLabel(SBarEditor);
    SBarPanel1->setObjectName(QStringLiteral("SBarPanel1"));
    SBarEditor->addWidget(SBarPanel1, 1);
    setStatusBar(SBarEditor);

    installHooks();
}

frm_Palimor::~frm_Palimor()
{
    if (g_mainWindow == this) {
        g_mainWindow = nullptr;
        ui::resetHooks();
    }
}

void frm_Palimor::installHooks()
{
    ui::Hooks& h = ui::hooks();
    h.setStatusText = [this](const QString& text) {
        SBarPanel1->setText(text);
        SBarEditor->repaint();
    };
    h.setWindowsEnabled = [this](bool enabled) { setEnabled(enabled); };
    h.focusMainWindow = [this] { activateWindow(); };
    h.unloadMainWindow = [this] {
        m_exiting = true;
        hide();
    };
}

void frm_Palimor::mInitializePLM()
{
    const QString commandLine = platform::commandLine();
    if (commandLine.size() < kSwitch.size() || (commandLine.size() == kSwitch.size() && commandLine != kSwitch)) {
        platform::dialogs().messageBox(QStringLiteral("This application must be started from within the Urq Palimor"),
                                       platform::MbOk, QString());
        platform::endProgram(kStartupFailed);
    }

    gsBaseDir = commandLine == kSwitch ? kFixedInstallDir
                                       : QDir::cleanPath(platform::programDirectory() + QStringLiteral("/.."));

    if (glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("LOGGING"), QStringLiteral("0")) != 0) {
        gbNewLog = true;
        gbLogging = true;
        gWriteLog(QStringLiteral("Palimor, Version: B%1.%2.%3")
                      .arg(PALIMOR_VERSION_MAJOR)
                      .arg(PALIMOR_VERSION_MINOR)
                      .arg(PALIMOR_VERSION_PATCH));
        gbNewLog = false;
        gWriteLog(QStringLiteral("Log File Opened on ") + QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")));
        if (commandLine != kSwitch)
            gWriteLog(QStringLiteral("Command Line arguments: ") + commandLine);
    } else {
        gbLogging = false;
    }

    gbOutOfResources = false;
    gbRecomputeLinks = false;
    gbMessageBoxOpen = false;
    gsLanguage = QStringLiteral("2");

    platform::setMousePointer(platform::Pointer::Hourglass);
    gInitializeArrays();

    goVrokApp.reset();
    if (!gbConnectVrok())
        platform::endProgram(kStartupFailed);
    platform::setMousePointer(platform::Pointer::Hourglass);
}

void frm_Palimor::Form_Load()
{
    tvwGroups->setEnabled(false);
    mInitializePLM();
    gWriteLog(QStringLiteral("Loading form frm_Palimor"));
    readPlacement();
    gWriteLog(QStringLiteral("Values read from registry"));

    if (gsOpenMode.str() != QStringLiteral("i"))
        show();
    tvwGroups->setEnabled(true);
    platform::setMousePointer(platform::Pointer::Default);
}

// Placement is kept in twips as decimal strings; values are read and written as 32-bit.
void frm_Palimor::readPlacement()
{
    auto read = [](const QString& name, const QString& def) {
        return valueOfText<int32_t>(gsGetRegString(HKEY_LOCAL_MACHINE, windowKey(), name, def));
    };
    const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                       : QRect(0, 0, 1024, 768);
    const int32_t state = read(QStringLiteral("WindowState"), QStringLiteral("0"));
    const int32_t height = read(QStringLiteral("WindowHeight"), QStringLiteral("7110"));
    const int32_t width = read(QStringLiteral("WindowWidth"), QStringLiteral("9555"));
    const int32_t screenH = screen.height() * kTwipsPerPixel;
    const int32_t screenW = screen.width() * kTwipsPerPixel;
    const int32_t top = read(QStringLiteral("WindowTop"), QString::number((screenH - height) / 2));
    const int32_t left = read(QStringLiteral("WindowLeft"), QString::number((screenW - width) / 2));

    setGeometry(screen.x() + left / kTwipsPerPixel, screen.y() + top / kTwipsPerPixel,
                std::max(1, width / kTwipsPerPixel), std::max(1, height / kTwipsPerPixel));
    m_placement = {state == 2 ? 2 : 0, top, left, width, height};
    if (state == 2)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void frm_Palimor::keepPlacement()
{
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) {
        m_placement.state = (windowState() & Qt::WindowMaximized) ? 2 : 0;
        return;
    }
    if (!isVisible())
        return;
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    const QRect g = geometry();
    m_placement = {0, (g.y() - screen.y()) * kTwipsPerPixel, (g.x() - screen.x()) * kTwipsPerPixel,
                   g.width() * kTwipsPerPixel, g.height() * kTwipsPerPixel};
}

void frm_Palimor::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    keepPlacement();
}

void frm_Palimor::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    keepPlacement();
}

void frm_Palimor::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        keepPlacement();
}

void frm_Palimor::mnuFExit_Click()
{
    const QString mode = gsOpenMode.str();
    if (mode != QStringLiteral("a") && mode != QStringLiteral("i")) {
        const QString key = windowKey();
        gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowState"), QString::number(m_placement.state));
        gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowLeft"), QString::number(m_placement.left));
        gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowHeight"), QString::number(m_placement.height));
        gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowTop"), QString::number(m_placement.top));
        gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowWidth"), QString::number(m_placement.width));
    }
    m_exiting = true;
    gCloseVrok(0);
}

void frm_Palimor::closeEvent(QCloseEvent* event)
{
    if (m_exiting) {
        event->accept();
        return;
    }
    event->ignore();
    mnuFExit_Click();
}
