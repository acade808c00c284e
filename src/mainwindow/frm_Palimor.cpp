#include "frm_Palimor.h"

#include "mod_Clipboard.h"
#include "mod_DataSets.h"
#include "mod_Enumerate.h"
#include "mod_External.h"
#include "mod_FormChoice.h"
#include "mod_Texts.h"
#include "mod_Velq.h"
#include "mod_VrokGlobal.h"
#include "mod_VrokInterface.h"
#include "mod_Alignment.h"
#include "NodeTreeWidget.h"
#include "mod_StructureChecks.h"
#include "NodeTree.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_ModelessErrors.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Store.h"
#include "mod_TextCaches.h"
#include "mod_Upgrade.h"
#include "mod_Versions.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "Process.h"
#include "TickClock.h"
#include "gui_Screen.h"
#include "frm_ModelessErrors.h"
#include "frm_Properties.h"
#include "Fonts.h"
#include "UiHooks.h"
#include "frm_About.h"
#include "mod_Global.h"
#include "mod_Help.h"
#include "mod_Registry.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QWindow>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QAction>
#include <QMouseEvent>
#include <QScreen>
#include <QSessionManager>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <cstdio>

bool gbTreeVisible = true;
bool gbPropertiesOpen = false;
bool gbPreviewOpen = false;
int16_t giFieldView = 0;
int16_t giGroupView = 0;
TreeNode* goLastNode = nullptr;

namespace {

// Clears goLastNode before its node, or the tree, goes.
class LastNodeWatch : public NodeTreeObserver {
public:
    void nodeAboutToBeRemoved(TreeNode* node) override
    {
        if (goLastNode && goLastNode->isInSubtreeOf(node))
            goLastNode = nullptr;
    }
    void cleared() override { goLastNode = nullptr; }
    void treeDestroyed(NodeTree* tree) override
    {
        if (tree->owns(goLastNode))
            goLastNode = nullptr;
    }
};

} // namespace

void watchLastNode(NodeTree& tree)
{
    // Observers are kept for the tree's life: one watch serves every tree.
    static LastNodeWatch watch;
    tree.addObserver(&watch);
}

namespace {

const QString kSwitch = QStringLiteral("-tarnsel");
// Install directory used under the switch, where no start record names one.
const QString kFixedInstallDir = QStringLiteral("/opt/vrok");
// Smallest normal window, in twips.
constexpr int32_t kMinWidthTwips = 5000;
constexpr int32_t kMinHeightTwips = 3000;

frm_Palimor* g_mainWindow = nullptr;

QString windowKey() { return gsRegistryKey + QStringLiteral("\\Window"); }

QString label(const QString& code)
{
    int16_t kind = 11;
    return gsGetLabel(code, kind);
}

bool isMode(const char* mode) { return gsOpenMode == mode; }

// The add and insert runs of the host: save and exit without the user.
bool isUnattended() { return isMode("a") || isMode("i"); }

// Writes a text the user should see to standard error as well: a start-up refused or a
// box not shown has no window to show it in.
void printToStandardError(const QString& text)
{
    std::fprintf(stderr, "palimor: %s\n", qPrintable(text));
    std::fflush(stderr);
}

// Message port of a run without a visible window (open mode "i"): every box is logged,
// written to standard error and answered without anyone: a message with its default
// button, a question with the answer that changes nothing.
class UnattendedDialogs : public platform::DialogPort {
public:
    int messageBox(const QString& text, int style, const QString&) override
    {
        gWriteLog(QStringLiteral("Not shown (no window): ") + text);
        printToStandardError(text);
        return platform::unattendedResult(style);
    }
    std::optional<QString> inputBox(const QString& prompt, const QString&, const QString&) override
    {
        gWriteLog(QStringLiteral("Not asked (no window): ") + prompt);
        printToStandardError(prompt);
        return std::nullopt;
    }
};

// The widget of another window of the editor, found by its name.
QWidget* topLevelWindow(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name))
            return w;
    return nullptr;
}

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
    resetModelessErrorsWindow();
    delete g_mainWindow;
    g_mainWindow = nullptr;
    gbTreeVisible = true;
    gbPropertiesOpen = false;
    gbPreviewOpen = false;
    giFieldView = 0;
    giGroupView = 0;
    goLastNode = nullptr;
    platform::setWindowlessDialogs(nullptr, {});
}

frm_Palimor::frm_Palimor(QWidget* parent)
    : QMainWindow(parent), m_tree(std::make_unique<NodeTree>())
{
    setObjectName(QStringLiteral("frm_Palimor"));
    setWindowTitle(QStringLiteral("Palimor"));
    setMinimumSize(kMinWidthTwips / kTwipsPerPixel, kMinHeightTwips / kTwipsPerPixel);

    watchLastNode(*m_tree);
    tvwGroups = new NodeTreeWidget(*m_tree, this);
    tvwGroups->setObjectName(QStringLiteral("tvwGroups"));
    setCentralWidget(tvwGroups);

    m_actions = new MainWindowActions(*this, *m_tree, *tvwGroups,
                                      [this](const QString& key) { Toolbar1_ButtonClick(key); });
    Toolbar1 = m_actions->Toolbar1;
    registerMenuHandlers();

    SBarEditor = new QStatusBar(this);
    SBarEditor->setObjectName(QStringLiteral("SBarEditor"));
    SBarPanel1 = new QLabel(SBarEditor);
    SBarPanel1->setObjectName(QStringLiteral("SBarPanel1"));
    SBarEditor->addWidget(SBarPanel1, 1);
    setStatusBar(SBarEditor);

    imglstTreeView = designTimeImageList();
    tvwGroups->setImageList(imglstTreeView.icons());

    // The user's selection in the tree decides what the commands act on.
    registerMouseHandlers();
    installKeyPreview();
    connect(tvwGroups, &NodeTreeWidget::nodeDoubleClicked, this, [this](TreeNode* node) {
        if (m_locked)
            return;
        m_tree->setSelectedItem(node);
        mnuEProperties_Click();
    });
    connect(tvwGroups, &QTreeWidget::currentItemChanged, this, [this] {
        if (m_treeShown && !m_locked && tvwGroups->hasFocus())
            mSetMenuState();
    });
    tvwGroups->installEventFilter(this);

#ifndef QT_NO_SESSIONMANAGER
    // The session ending while the editor runs is refused.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            int16_t cancel = 0;
            Form_QueryUnload(cancel, 2);
            if (cancel != 0)
                manager.cancel();
        });
#endif

    gsetMainTree(m_tree.get());
    gSetGroupsTree(m_tree.get(), [this](int16_t index, QString& text) { text = msGroupProps(index); });
    installHooks();
}

frm_Palimor::~frm_Palimor()
{
    if (g_mainWindow == this) {
        g_mainWindow = nullptr;
        ui::resetHooks();
        gSetPasteTarget({});
    }
    if (gMainTree() == m_tree.get())
        gsetMainTree(nullptr);
    gSetGroupsTree(nullptr, {});
    goLastNode = nullptr;
    // The view lets go of the nodes before they go.
    delete tvwGroups;
    tvwGroups = nullptr;
}

void frm_Palimor::registerMenuHandlers()
{
    m_actions->setHandler(QStringLiteral("mnuFSave"), [this] { mnuFSave_Click(); });
    m_actions->setHandler(QStringLiteral("mnuFSaveExit"), [this] { mnuFSaveExit_Click(); });
    m_actions->setHandler(QStringLiteral("mnuFExit"), [this] { mnuFExit_Click(); });
    m_actions->setHandler(QStringLiteral("mnuOPreview"), [this] { mnuOPreview_Click(); });
    m_actions->setHandler(QStringLiteral("mnuOPreviewMO"), [this] { mnuOPreviewMO_Click(); });
    m_actions->setHandler(QStringLiteral("mnuEProperties"), [this] { mnuEProperties_Click(); });
    m_actions->setHandler(QStringLiteral("mnuHContents"), [this] { mnuHContents_Click(); });
    m_actions->setHandler(QStringLiteral("mnuHGlossary"), [this] { mnuHGlossary_Click(); });
    m_actions->setHandler(QStringLiteral("mnuHSearch"), [this] { mnuHSearch_Click(); });
    m_actions->setHandler(QStringLiteral("mnuHAbout"), [this] { mnuHAbout_Click(); });
    m_actions->setHandler(QStringLiteral("mnuEInsertField"), [this] { mnuEInsertField_Click(); });
    m_actions->setHandler(QStringLiteral("mnuEInsertGroup"), [this] { mnuEInsertGroup_Click(); });
    m_actions->setHandler(QStringLiteral("mnuEDelete"), [this] { mnuEDelete_Click(); });
    m_actions->setHandler(QStringLiteral("mnuMUp"), [this] { mnuMUp_Click(); });
    m_actions->setHandler(QStringLiteral("mnuMDown"), [this] { mnuMDown_Click(); });
    m_actions->setHandler(QStringLiteral("mnuMLeft"), [this] { mnuMLeft_Click(); });
    m_actions->setHandler(QStringLiteral("mnuMRight"), [this] { mnuMRight_Click(); });

    struct ViewEntry {
        const char* name;
        bool field;
        int16_t view;
    };
    static constexpr ViewEntry kViews[] = {
        {"mnuVDefault", true, 0},       {"mnuVGeneral", true, 1},   {"mnuVLabel", true, 2},
        {"mnuVPosition", true, 3},      {"mnuVDisplay", true, 4},   {"mnuVMiscellaneous", true, 5},
        {"mnuVZoom", true, 6},          {"mnuVEnums", true, 7},     {"mnuVDefGrpProps", false, 0},
        {"mnuVExtGrpProps", false, 1},
    };
    for (const ViewEntry& v : kViews) {
        const QString name = QLatin1String(v.name);
        m_actions->setHandler(name,
                              [this, name, field = v.field, view = v.view] { viewEntryClicked(name, field, view); });
    }
    registerRunHandlers();
    registerExchangeHandlers();
    registerGenerateHandlers();
}

void frm_Palimor::installHooks()
{
    ui::Hooks& h = ui::hooks();
    h.setStatusText = [this](const QString& text) {
        SBarPanel1->setText(text);
        SBarPanel1->repaint();  // the panel alone: nothing else on the bar changed
    };
    h.setWindowsEnabled = [this](bool enabled) { setEnabled(enabled); };
    h.focusMainWindow = [this] {
        activateWindow();
        Form_GotFocus();
    };
    h.unloadMainWindow = [this] {
        m_exiting = true;
        hide();
    };

    PasteTarget paste;
    paste.mPasteGroups = [this](int32_t lGroup) { mPasteGroups(lGroup); };
    paste.mPasteFields = [this](int32_t lField, bool bHidden) { mPasteFields(lField, bHidden); };
    paste.bIsFollowUpPlaceAllowed = [this](const TreeNode* node) { return bIsFollowUpPlaceAllowed(node); };
    paste.showTree = [this](bool visible) {
        const bool was = gbTreeVisible;
        gbTreeVisible = visible;
        setTreeVisible(visible);
        return was;
    };
    paste.maxGroupLevel = kMaxGroupLevel;
    gSetPasteTarget(std::move(paste));

    // Running out of record slots switches the insert commands off.
    h.setInsertingEnabled = [this](bool enabled) { m_actions->setInsertingEnabled(enabled); };
    h.setGroupInsertingEnabled = [this](bool enabled) { m_actions->setGroupInsertingEnabled(enabled); };
}

QString frm_Palimor::menuCaption(const QString& name) const { return m_actions->menuCaption(name); }

// ---- Start-up ------------------------------------------------------------------------------

void frm_Palimor::mInitializePLM()
{
    const QString commandLine = platform::commandLine();
    if (commandLine.size() < kSwitch.size() || (commandLine.size() == kSwitch.size() && commandLine != kSwitch)) {
        const QString refusal = QStringLiteral("This application must be started from within the Urq Palimor");
        printToStandardError(refusal);
        platform::dialogs().messageBox(refusal, platform::MbOk, QString());
        m_exiting = true;
        hide();
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
        gbXslWritten = false;
        gWriteLog(QStringLiteral("Log File Opened on ") + QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy")));
        if (commandLine != kSwitch)
            gWriteLog(QStringLiteral("Command Line arguments: ") + commandLine);
    } else {
        gbLogging = false;
    }

    // The views are 0 to 7 and 0 or 1; anything else stored shows the plain view.
    const int32_t fieldView =
        glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWPROP"), QStringLiteral("0"));
    const int32_t groupView =
        glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWGRPPROP"), QStringLiteral("0"));
    giFieldView = int16_t(fieldView >= 0 && fieldView <= 7 ? fieldView : 0);
    giGroupView = int16_t(groupView == 1 ? 1 : 0);

    gbOutOfResources = false;
    gbRecomputeLinks = false;
    gbPropertiesOpen = false;
    gbPreviewOpen = false;
    gbMessageBoxOpen = false;
    gsLanguage = QStringLiteral("2");
    gbTreeVisible = true;

    platform::setMousePointer(platform::Pointer::Hourglass);
    gInitializeArrays();

    goVrokApp.reset();
    if (!gbConnectVrok() || !goVrokApp) {
        m_exiting = true;
        hide();
        platform::endProgram(kStartupFailed);
    }
    platform::setMousePointer(platform::Pointer::Hourglass);

    if (gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("Mode"), QStringLiteral("0"))
            == QLatin1String("Hidden")
        && gbIsDevVrc(gsPackage, gsVersion, gsRelease, gsCustomer))
        gsOpenMode = "w";
}

void frm_Palimor::endStartup()
{
    platform::setMousePointer(platform::Pointer::Default);
    gCloseVrokAndUnload(kStartupFailed);
    // The link could not be shut down: the program ends all the same.
    m_exiting = true;
    hide();
    platform::endProgram(kStartupFailed);
}

// The load runs before the event loop does: without this the window would stay blank
// until it ended, and its progress in the status bar would never be seen. Only the
// window's own events are taken here, no input.
void frm_Palimor::paintBeforeLoad()
{
    if (!m_paintBeforeLoad || !isVisible())
        return;
    QElapsedTimer waited;
    waited.start();
    do
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < 500);
}

void frm_Palimor::Form_Load()
{
    tvwGroups->setEnabled(false);
    m_actions->setStartupMenusEnabled(false);

    const uint32_t start = platform::tickCount();
    installModelessErrorsWindow(this);
    // Open mode "i" never shows its window: from the moment the start record is read no
    // box may wait for an answer.
    platform::setWindowlessDialogs(std::make_shared<UnattendedDialogs>(), [] { return isMode("i"); });

    goFonts = std::make_unique<Fonts>();
    goFonts->SetDefaultFontOfControls(this);

    mInitializePLM();
    gWriteLog(QStringLiteral("Loading form frm_Palimor"));
    readPlacement();
    gWriteLog(QStringLiteral("Values read from registry"));
    platform::setMousePointer(platform::Pointer::Hourglass);

    if (!gbCheckVersion())
        endStartup();

    glObjectSet301 = glOpenObjectSet(QLatin1String(kTable301));
    if (glObjectSet301 == 0)
        endStartup();
    gWriteLog(QStringLiteral("Object set opened"));

    gInitFormDataSets();
    gSelectForm();
    gInitFormVersion();
    gbFormChanged = false;
    gInitDataSets();
    gClearHelpState();

    if (!gsTable.trimmed().isEmpty()) {
        gsTablePackage = gsTable.mid(0, 2);
        gsTableModule = gsTable.mid(2, 3);
        gsTableNumber = gsTable.mid(5, 3);
    } else {
        m_actions->setEntryEnabled(QStringLiteral("mnuOOneTableField"), false);
    }
    if (gbNoSessionTable()) {
        m_actions->setEntryEnabled(QStringLiteral("mnuOOneTableField"), false);
        m_actions->setEntryEnabled(QStringLiteral("mnuOMO"), false);
    }

    m_actions->mInitializeLablesPLM();
    setVisible(!isMode("i"));
    paintBeforeLoad();

    gENUM_FillEnums();
    glLoadedFormVersion = 11;
    if (!gLoadDesignDefinitions())
        endStartup();
    if (glLoadedFormVersion > 11) {
        gWriteLog(QStringLiteral("The form was stored by a newer version of the editor (level ")
                  + QString::number(glLoadedFormVersion) + QStringLiteral("); a newer editor is needed"));
        glShowMessage(MessageGroup2, 35, platform::MbIconExclamation);
        endStartup();
    }
    gLoadEnums();
    gRunUpgradePasses();

    m_labelFieldName = QStringLiteral("label.only");
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + gsHeader);

    mFillImageList();
    platform::setMousePointer(platform::Pointer::Default);

    if (isUnattended()) {
        {
            TreeHiddenScope hidden(*this);
            mFillTreeAndSelect();
        }
        runUnattended();
    }

    gLoadFieldLabels(1, true);
    glShowMessage(MessageStatus, 5, StatusBarOnly, QStringLiteral("95%"));
    platform::setMousePointer(platform::Pointer::Hourglass);
    gLoadGroupLabels();

    {
        // Outside any command here: the flag is true again at the end.
        Q_ASSERT(gbTreeVisible);
        TreeHiddenScope hidden(*this);
        mFillTreeAndSelect();
        Toolbar1->update();
    }

    mRefreshNodeTexts(true, true);
    mRefreshNodeTexts(false, false);

    m_actions->menuEntry(QStringLiteral("mnuHStyle"))->setVisible(false);
    m_actions->mSetOptionMenus();
    if (gbFormTypeChecked)
        m_actions->menuEntry(QStringLiteral("mnu_Tfrm"))->setVisible(false);

    tvwGroups->setEnabled(true);
    m_actions->setStartupMenusEnabled(true);
    tvwGroups->setFocus();

    mResetControlPositions();

    if (!isMode("i") && !isMode("r") && !isMode("a") && glLoadedFormVersion < 4) {
        if (glShowMessage(MessageQuestion, 10, platform::MbYesNo | platform::MbIconExclamation) == platform::IdNo)
            gsOpenMode = "r";
    }
    if (isMode("r")) {
        m_actions->mDisableEditing();
        m_actions->mInitializeLablesPLM();
        setWindowTitle(windowTitle() + QLatin1Char(' ') + label(QStringLiteral("pzfrm.readonly")));
    }

    mSetHelpFile();
    glShowMessage(MessageStatus, 1, StatusBarOnly);
    platform::setMousePointer(platform::Pointer::Default);
    gWriteLog(QStringLiteral("Load Time: ")
              + QString::number(double(platform::tickCount() - start) / 1000.0, 'f', 3));
}

void frm_Palimor::Form_GotFocus()
{
    if (gbPropertiesOpen && !gbMessageBoxOpen) {
        QWidget* properties = topLevelWindow("frm_Properties");
        if (properties && properties->isVisible())
            properties->activateWindow();
    }
    if (gbPreviewOpen) {
        if (QWidget* preview = topLevelWindow("frm_Preview"))
            preview->activateWindow();
    }
}

bool frm_Palimor::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_GotFocus();
    return QMainWindow::event(event);
}

bool frm_Palimor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tvwGroups && event->type() == QEvent::FocusIn && !m_locked)
        tvwGroups_GotFocus();
    if ((event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)
        && watched == tvwGroups->viewport() && tvwGroups->isEnabled()) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (event->type() == QEvent::MouseButtonPress)
            tvwGroups_MouseDown(mouse->button(), mouse->modifiers(), mouse->position().toPoint());
        else
            tvwGroups_MouseUp(mouse->button(), mouse->modifiers(), mouse->globalPosition().toPoint());
    }
    return QMainWindow::eventFilter(watched, event);
}

bool frm_Palimor::mbFileExists(const QString& path)
{
    const QFileInfo info(path);
    if (info.isFile())
        return info.isReadable();
    // The help "file" is a folder of pages.
    return gbHelpFileExists(path);
}

void frm_Palimor::mSetHelpFile()
{
    if (platform::commandLine() == kSwitch) {
        gsHelpFile = QDir(kFixedInstallDir).filePath(QStringLiteral("Vrok Windows/help/") + gsHelpFileName(QStringLiteral("2")));
        return;
    }
    QString language = gsUserLanguage;
    if (language == QLatin1String("j")) {
        gsHelpFile = QDir(gsBaseDir).filePath(QStringLiteral("HELP/") + gsHelpFileName(language));
        if (!mbFileExists(gsHelpFile))
            language = QStringLiteral("2");
    } else {
        language = QStringLiteral("2");
    }
    if (language == QLatin1String("2")) {
        gsHelpFile = QDir(gsBaseDir).filePath(QStringLiteral("HELP/") + gsHelpFileName(language));
        gWriteLog(QStringLiteral("Path to help file: '") + gsHelpFile + QLatin1Char('\''));
        if (!mbFileExists(gsHelpFile)) {
            gWriteLog(QStringLiteral("Help file doesn't exist"));
            gsHelpFile.clear();
        }
    }
}

// ---- Placement -----------------------------------------------------------------------------

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
    // 64-bit: a stored size far out of range must not overflow the centring default.
    const int64_t screenH = int64_t(screen.height()) * kTwipsPerPixel;
    const int64_t screenW = int64_t(screen.width()) * kTwipsPerPixel;
    const int32_t top = read(QStringLiteral("WindowTop"), QString::number((screenH - height) / 2));
    const int32_t left = read(QStringLiteral("WindowLeft"), QString::number((screenW - width) / 2));

    // A placement kept on a larger screen, or at another scale, is cut to this one.
    const QRect kept(screen.x() + left / kTwipsPerPixel, screen.y() + top / kTwipsPerPixel,
                     std::max(1, width / kTwipsPerPixel), std::max(1, height / kTwipsPerPixel));
    setGeometry(platform::fittedGeometry(this, kept));
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
    m_placement.state = 0;
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
    if (isVisible())
        mResetControlPositions();
}

void frm_Palimor::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    keepPlacement();
}

void frm_Palimor::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        keepPlacement();
        mShowTableFieldsWithWindow();
    }
}

// ---- Save, save-and-exit and exit ---------------------------------------------------------

void frm_Palimor::mnuFSave_Click()
{
    m_saveCancelled = false;
    m_saveStopped = false;
    gbSuspendLinkUpdate = false;
    const TreeNode* root = m_tree->node(gsGroupKey(0));

    if (!m_alignmentDone) {
        glShowMessage(MessageStatus, 8, StatusBarOnly);
        gCalculateAlignment();
        if (root)
            mResetStaleFieldMarks(root);
        gUpdatePointers();
        glShowMessage(MessageStatus, 1, StatusBarOnly);
    }

    // Unattended runs have no one to answer the question.
    if (!isUnattended() && root) {
        if (frm_ModelessErrors* list = modelessErrorsWindow())
            list->mClear();
        else
            gClearModelessErrors();
        bool ok = true;
        mCheckStructure(root, ok);
        if (!ok) {
            m_errorsShown = true;
            focusModelessErrorsWindow();
            const int16_t answer =
                glShowMessage(MessageQuestion, 11, platform::MbYesNoCancel | platform::MbIconExclamation);
            if (answer != platform::IdYes) {
                m_saveStopped = true;
                // A question without text answers Cancel.
                m_saveCancelled = answer != platform::IdNo;
                return;
            }
        } else {
            m_errorsShown = false;
            unloadModelessErrorsWindow();
        }
    }

    platform::setMousePointer(platform::Pointer::Hourglass);
    if (gbCheckFieldPositions()) {
        bool stored = true;
        if (gbFormChanged && !gbStoreDesignDefinitions()) {
            stored = false;
            // The marks go back only when the host carried the abort out.
            if (!gbAbortStore())
                gWriteLog(QStringLiteral("Abort of the store's transaction failed"));
            if (gsStoreRefusal().isEmpty())
                glShowMessage(MessageGroup3, 15, platform::MbIconExclamation);
            else
                glShowMessage(MessageGroup3, 28, platform::MbIconExclamation, gsStoreRefusal());
        }
        if (stored) {
            if (!isMode("i") && platform::commandLine() != kSwitch) {
                glShowMessage(MessageStatus, 11, StatusBarOnly);
                if (!gExtDumpForm())
                    glShowMessage(MessageGroup3, 4, platform::MbIconCritical);
            }
            gbFormChanged = false;
        }
    }
    glShowMessage(MessageStatus, 1, StatusBarOnly);
    platform::setMousePointer(platform::Pointer::Default);
}

void frm_Palimor::mnuFSaveExit_Click()
{
    m_alignmentDone = false;
    mnuFSave_Click();
    // No at the error question keeps the window as Cancel does, also when nothing
    // had changed.
    if (gbFormChanged || m_saveCancelled || m_saveStopped)
        return;
    m_alignmentDone = true;
    mnuFExit_Click();
    m_alignmentDone = false;
}

void frm_Palimor::mnuFExit_Click()
{
    if (!isMode("r")) {
        const int16_t answer = miUpdateAndAskToSave();
        if (answer == platform::IdCancel)
            return;
        if (answer == platform::IdNo)
            gbFormChanged = false;
    }
    exitProgram(0);
}

void frm_Palimor::exitProgram(int status)
{
    mRemoveTempFiles();
    if (glObjectSet301 != 0) {
        glCloseObjectSet(glObjectSet301);
        glObjectSet301 = 0;
    }
    for (const char* name : {"frm_TableFields", "frm_Properties"})
        if (QWidget* w = topLevelWindow(name))
            w->close();
    // The list gives the window its width back before the placement is taken.
    unloadModelessErrorsWindow();
    if (!isUnattended())
        writePlacement();
    m_exiting = true;
    hide();
    Form_Unload(status);
}

void frm_Palimor::writePlacement()
{
    keepPlacement();
    const QString key = windowKey();
    gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowState"), QString::number(m_placement.state));
    gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowLeft"), QString::number(m_placement.left));
    gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowHeight"), QString::number(m_placement.height));
    gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowTop"), QString::number(m_placement.top));
    gbSaveRegString(HKEY_LOCAL_MACHINE, key, QStringLiteral("WindowWidth"), QString::number(m_placement.width));
}

void frm_Palimor::mRemoveTempFiles()
{
    // Entry 0 of the icon cache is never used.
    for (size_t i = 1; i < gaIconCache.size(); ++i) {
        const IconCacheEntry& e = gaIconCache[i];
        // The name comes from the host: only a plain file name in the cache's folder goes.
        if (e.sFileName.isEmpty() || QFileInfo(e.sFileName).fileName() != e.sFileName
            || e.sFileName == QLatin1String("..") || e.sFileName == QLatin1String("."))
            continue;
        QFile::remove(QDir(e.sLocalFile).filePath(e.sFileName));
        // The server knows the picture by its name without the extension.
        glRemoveFileFromServer(QStringLiteral(" "), e.sFileName.left(e.sFileName.size() - 4));
    }
    gRemoveDebugFiles();
}

void frm_Palimor::Form_QueryUnload(int16_t& cancel, int16_t unloadMode)
{
    switch (unloadMode) {
    case 0:
        mnuFExit_Click();
        break;
    case 1:
        cancel = 0;
        break;
    case 2:
        glShowMessage(MessageGroup2, 7, platform::MbIconExclamation);
        cancel = 1;
        break;
    default:
        cancel = 1;
        break;
    }
    if (!isMode("r") && gbFormChanged)
        cancel = 1;
}

void frm_Palimor::Form_Unload(int status)
{
    gCloseVrok(status);
    // Still here: the link could not be shut down, or there was none.
    platform::endProgram(goVrokApp ? std::max(status, kStartupFailed) : status);
}

void frm_Palimor::runUnattended()
{
    mnuFSaveExit_Click();
    // Still here: the save failed or left changes; the host learns it from the status.
    gWriteLog(QStringLiteral("Unattended save failed; the form was not stored"));
    exitProgram(kUnattendedSaveFailed);
}

void frm_Palimor::closeEvent(QCloseEvent* event)
{
    if (m_exiting) {
        event->accept();
        return;
    }
    // Exit ends the program when it goes through; here the window stays.
    event->ignore();
    int16_t cancel = 0;
    Form_QueryUnload(cancel, 0);
}

// ---- Captions from host labels -------------------------------------------------------------

// ---- Menu and toolbar state ----------------------------------------------------------------

void frm_Palimor::mSetMenuState() { m_actions->mSetMenuState(); }

// ---- Window layout and the dialog lock ------------------------------------------------------

void frm_Palimor::mResetControlPositions()
{
    // The window's layout puts the toolbar on top and the status bar at the bottom;
    // the tree takes the space between them.
    if (QLayout* l = layout())
        l->activate();
    if (QWidget* client = centralWidget(); client && client != tvwGroups)
        tvwGroups->setGeometry(client->rect());
}

void frm_Palimor::mToggleEnablingPLM()
{
    m_locked = !m_locked;
    if (m_locked)
        m_actions->lock();
    else
        m_actions->unlock();
}

void frm_Palimor::mShowProperties()
{
    if (!m_tree->selectedItem())
        return;
    mToggleEnablingPLM();
    propertiesDialog().mLoad(false);
}

void frm_Palimor::mnuEProperties_Click() { mShowProperties(); }

void frm_Palimor::focusTree()
{
    // Not every window system gives the activation back to the owner of a hidden
    // window; without it the tree's focus would take no key.
    activateWindow();
    tvwGroups->setFocus();
}

void frm_Palimor::mScrollInView()
{
    if (TreeNode* n = m_tree->dropHighlight())
        m_tree->ensureVisible(n);
}

void frm_Palimor::setTreeVisible(bool visible)
{
    if (visible == m_treeShown)
        return;
    m_treeShown = visible;
    if (visible) {
        tvwGroups->resume();
        tvwGroups->setVisible(true);
        if (TreeNode* n = m_tree->selectedItem())
            m_tree->ensureVisible(n);
        // Hiding passed the focus on to the toolbar; the next key is the tree's again.
        if (m_treeHadFocus)
            tvwGroups->setFocus();
    } else {
        m_treeHadFocus = focusWidget() == tvwGroups;
        tvwGroups->setVisible(false);
        tvwGroups->suspend();
    }
}

TreeHiddenScope::TreeHiddenScope(frm_Palimor& window, bool hideNow) : m_window(window), m_was(gbTreeVisible)
{
    gbTreeVisible = false;
    if (hideNow)
        m_window.setTreeVisible(false);
}

TreeHiddenScope::~TreeHiddenScope()
{
    gbTreeVisible = m_was;
    m_window.setTreeVisible(m_was);
}

TreeViewHiddenScope::TreeViewHiddenScope(frm_Palimor& window, std::optional<bool> visibleAfter)
    : m_window(window), m_visibleAfter(visibleAfter)
{
    m_window.setTreeVisible(false);
}

TreeViewHiddenScope::~TreeViewHiddenScope() { m_window.setTreeVisible(m_visibleAfter.value_or(gbTreeVisible)); }

// ---- Toolbar and help -------------------------------------------------------------------------

void frm_Palimor::Toolbar1_ButtonClick(const QString& key)
{
    if (key == QLatin1String("mnuFSaveExit")) {
        // Read-only, the button is Exit.
        if (isMode("r"))
            mnuFExit_Click();
        else
            mnuFSaveExit_Click();
    } else if (key == QLatin1String("mnuFExit")) {
        mnuFExit_Click();
    } else if (m_actions->hasButton(key)) {
        m_actions->runEntry(key);
    }
    if (key != QLatin1String("mnuEProperties"))
        tvwGroups->setFocus();
}

void frm_Palimor::mnuHContents_Click() { glShowHelp(this, kTopicUsingTheEditor, platform::HelpCommand::DisplayTopic); }

void frm_Palimor::mnuHGlossary_Click() { glShowHelp(this, QString(), platform::HelpCommand::DisplayIndex); }

void frm_Palimor::mnuHSearch_Click() { glShowHelp(this, QString(), platform::HelpCommand::DisplayContents); }

void frm_Palimor::mnuHAbout_Click()
{
    gShowAboutBox(this, [this] { m_actions->EasterEgg(); });
}

// ---- View menu ---------------------------------------------------------------------------------

void frm_Palimor::viewEntryClicked(const QString& name, bool bField, int16_t view)
{
    if (m_actions->menuEntry(name)->isChecked()) {
        QApplication::beep();
        return;
    }
    mSetPropertyView(bField, view);
}

void frm_Palimor::mnuVDefault_Click() { viewEntryClicked(QStringLiteral("mnuVDefault"), true, 0); }
void frm_Palimor::mnuVGeneral_Click() { viewEntryClicked(QStringLiteral("mnuVGeneral"), true, 1); }
void frm_Palimor::mnuVLabel_Click() { viewEntryClicked(QStringLiteral("mnuVLabel"), true, 2); }
void frm_Palimor::mnuVPosition_Click() { viewEntryClicked(QStringLiteral("mnuVPosition"), true, 3); }
void frm_Palimor::mnuVDisplay_Click() { viewEntryClicked(QStringLiteral("mnuVDisplay"), true, 4); }
void frm_Palimor::mnuVMiscellaneous_Click() { viewEntryClicked(QStringLiteral("mnuVMiscellaneous"), true, 5); }
void frm_Palimor::mnuVZoom_Click() { viewEntryClicked(QStringLiteral("mnuVZoom"), true, 6); }
void frm_Palimor::mnuVEnums_Click() { viewEntryClicked(QStringLiteral("mnuVEnums"), true, 7); }
void frm_Palimor::mnuVDefGrpProps_Click() { viewEntryClicked(QStringLiteral("mnuVDefGrpProps"), false, 0); }
void frm_Palimor::mnuVExtGrpProps_Click() { viewEntryClicked(QStringLiteral("mnuVExtGrpProps"), false, 1); }
