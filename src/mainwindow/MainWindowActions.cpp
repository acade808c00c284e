#include "MainWindowActions.h"

#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "MainWindowImages.h"
#include "MainWindowInterface.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Global.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <iterator>

namespace {

QString label(const QString& code)
{
    int16_t kind = 11;
    return gsGetLabel(code, kind);
}

bool isMode(const char* mode) { return gsOpenMode == mode; }

// A caption as a tip shows it: the mnemonic marks taken out, "&&" a plain "&".
QString withoutMnemonics(const QString& caption)
{
    QString tip;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && ++i == caption.size())
            break;
        tip += caption[i];
    }
    return tip;
}

// A menu entry of the window's design: its parent ("" for the menu bar), the host
// label code of its caption and the caption shown until the labels are read.
struct MenuDef {
    const char* name;
    const char* parent;
    const char* tag;
    const char* caption;
    bool submenu = false;
    bool separator = false;
};

// clang-format off
constexpr MenuDef kMenus[] = {
    {"mnuFile", "", "pzmnu.File", "&File", true},
    {"mnuFSave", "mnuFile", "pzmnu.FSave", "&Save"},
    {"mnuOPreview", "mnuFile", "pzmnu.OPreview", "&Preview"},
    {"mnuOPreviewMO", "mnuFile", "pzmnu.OPreviewMO", "Preview &Multi Occurrence"},
    {"mnuOSO", "mnuFile", "pzmnu.OSO", "Run S&ingle Occurrence"},
    {"mnuOMO", "mnuFile", "pzmnu.OMO", "Run M&ulti Occurrence"},
    {"mnuFSep1", "mnuFile", "", "-", false, true},
    {"mnuFSaveExit", "mnuFile", "pzmnu.FSaveExit", "Save and E&xit"},
    {"mnuFExit", "mnuFile", "pzmnu.FExit", "&Exit"},
    {"mnuEdit", "", "pzmnu.Edit", "&Edit", true},
    {"mnuECut", "mnuEdit", "pzmnu.ECut", "Cu&t"},
    {"mnuECopy", "mnuEdit", "pzmnu.ECopy", "&Copy"},
    {"mnuEPaste", "mnuEdit", "pzmnu.EPaste", "&Paste"},
    {"mnuESep1", "mnuEdit", "", "-", false, true},
    {"mnuEDelete", "mnuEdit", "pzmnu.EDelete", "&Delete"},
    {"mnuESep2", "mnuEdit", "", "-", false, true},
    {"mnuEProperties", "mnuEdit", "pzmnu.EProps", "P&roperties..."},
    {"mnuMove", "mnuEdit", "pzmnu.Move", "&Move", true},
    {"mnuMUp", "mnuMove", "pzmnu.MUp", "&Up"},
    {"mnuMDown", "mnuMove", "pzmnu.MDown", "&Down"},
    {"mnuMLeft", "mnuMove", "pzmnu.MLeft", "&Left"},
    {"mnuMRight", "mnuMove", "pzmnu.MRight", "&Right"},
    {"mnuInsert", "", "pzmnu.Insert", "&Insert", true},
    {"mnuEInsertGroup", "mnuInsert", "pzmnu.InsGroup", "&Group"},
    {"mnuEInsertField", "mnuInsert", "pzmnu.InsField", "&Field"},
    {"mnuISep1", "mnuInsert", "", "-", false, true},
    {"mnuOGenerateForm", "mnuInsert", "pzmnu.GenForm", "Generate F&orm..."},
    {"mnuOOneTableField", "mnuInsert", "pzmnu.OneTblFld", "One &Table Field..."},
    {"mnuOptions", "", "pzmnu.Options", "&Options", true},
    {"mnuView", "mnuOptions", "pzmnu.View", "&View", true},
    {"mnuVDefault", "mnuView", "pzmnu.VDefault", "Field &Labels"},
    {"mnuVGeneral", "mnuView", "pzmnu.VGeneral", "&General Properties"},
    {"mnuVLabel", "mnuView", "pzmnu.VLabel", "La&bel Properties"},
    {"mnuVPosition", "mnuView", "pzmnu.VPosition", "&Occurrence and Position"},
    {"mnuVDisplay", "mnuView", "pzmnu.VDisplay", "&Display Properties"},
    {"mnuVMiscellaneous", "mnuView", "pzmnu.VMisc", "&Miscellaneous Properties"},
    {"mnuVZoom", "mnuView", "pzmnu.VZoom", "&Zoom Properties"},
    {"mnuVEnums", "mnuView", "pzmnu.VEnums", "&Control Properties"},
    {"mnuVSep1", "mnuView", "", "-", false, true},
    {"mnuVDefGrpProps", "mnuView", "pzmnu.VDefGrp", "Group La&bels"},
    {"mnuVExtGrpProps", "mnuView", "pzmnu.VExtGrp", "Group P&roperties"},
    {"mnuTools", "", "pzmnu.Tools", "&Tools", true},
    {"mnu_Tcmd", "mnuTools", "pzmnu.TCmd", "Form &Commands"},
    {"mnu_Tdal", "mnuTools", "pzmnu.TDal", "&Main Table"},
    {"mnu_Tfrm", "mnuTools", "pzmnu.TFrm", "&Form Definition"},
    {"mnu_Tind", "mnuTools", "pzmnu.TInd", "Session &Definition"},
    {"mnu_Tprs", "mnuTools", "pzmnu.TPrs", "Session &Program"},
    {"mnu_Tscr", "mnuTools", "pzmnu.TScr", "Edit Program &Script"},
    {"mnu_Tses", "mnuTools", "pzmnu.TSes", "S&essions"},
    {"mnu_Tstc", "mnuTools", "pzmnu.TStc", "Form S&tructure"},
    {"mnu_Tvtd", "mnuTools", "pzmnu.TVtd", "&Technical Documentation"},
    {"mnuHelp", "", "pzmnu.Help", "&Help", true},
    {"mnuHContents", "mnuHelp", "pzmnu.HContents", "&Contents"},
    {"mnuHGlossary", "mnuHelp", "pzmnu.HGlossary", "&Index"},
    {"mnuHSearch", "mnuHelp", "pzmnu.HSearch", "&Search"},
    {"mnuHStyle", "mnuHelp", "pzmnu.HStyle", "S&tyle Guide"},
    {"mnuHSep1", "mnuHelp", "", "-", false, true},
    {"mnuHAbout", "mnuHelp", "pzmnu.HAbout", "&About Palimor"},
};
// clang-format on

// The toolbar's buttons in their order: key (a menu entry's name) and image key.
struct ButtonDef {
    const char* key;
    const char* image;
    bool separatorBefore = false;
};
constexpr ButtonDef kButtons[] = {
    {"mnuFSaveExit", "saveexit"},        {"mnuFSave", "save"},       {"mnuEInsertGroup", "group", true},
    {"mnuEInsertField", "insert"},       {"mnuEDelete", "delete"},   {"mnuEProperties", "props"},
    {"mnuMUp", "up", true},              {"mnuMDown", "down"},       {"mnuMLeft", "left"},
    {"mnuMRight", "right"},              {"mnuHContents", "help", true},
};

// Label code prefixes whose captions come from the host.
bool isTranslatedTag(const QString& tag)
{
    const QString p = tag.left(2);
    return p == QLatin1String("pz") || p == QLatin1String("qx") || p == QLatin1String("FS")
           || p == QLatin1String("zr");
}

// The entries the dialog lock saves and restores, in their order.
constexpr const char* kLockedEntries[] = {
    "mnuFSave",        "mnuEDelete",        "mnuOPreview",      "mnuOSO",       "mnuOMO",   "mnuFSaveExit",
    "mnuEInsertGroup", "mnuEInsertField",   "mnuOOneTableField", "mnuOGenerateForm", "mnuHContents", "mnuTools",
};

// The top-level menus the lock switches as a whole.
const std::array<const char*, 5> kLockedMenus = {"mnuHelp", "mnuInsert", "mnuOptions", "mnuFile", "mnuEdit"};

} // namespace

MainWindowActions::MainWindowActions(QMainWindow& window, NodeTree& tree, QWidget& treeView,
                                     const std::function<void(const QString& key)>& buttonClick)
    : QObject(&window), m_tree(tree), m_treeView(treeView)
{
    createMenus(window);
    createToolbar(window, buttonClick);
}

void MainWindowActions::createMenus(QMainWindow& window)
{
    for (const MenuDef& d : kMenus) {
        const QString name = QLatin1String(d.name);
        const QString parentName = QLatin1String(d.parent);
        QMenu* parentMenu = parentName.isEmpty() ? nullptr : m_menus.value(parentName);
        QAction* entry = nullptr;
        if (d.submenu) {
            QMenu* m = parentMenu ? parentMenu->addMenu(QString::fromUtf8(d.caption))
                                  : window.menuBar()->addMenu(QString::fromUtf8(d.caption));
            m->setObjectName(name);
            m_menus.insert(name, m);
            entry = m->menuAction();
        } else if (d.separator) {
            entry = parentMenu->addSeparator();
        } else {
            entry = parentMenu->addAction(QString::fromUtf8(d.caption));
        }
        entry->setObjectName(name);
        m_entries.insert(name, entry);
        m_tags.insert(name, QLatin1String(d.tag));
        m_entryOrder.append(name);
        if (!d.submenu && !d.separator)
            connect(entry, &QAction::triggered, this, [this, name] { runEntry(name); });
    }

    // The entries of the View menu are marks of the view shown. A click toggles the mark
    // before it is seen: put it back, then let the command decide from the mark the
    // entry had.
    for (const MenuDef& d : kMenus) {
        if (QLatin1String(d.parent) != QLatin1String("mnuView") || d.separator)
            continue;
        const QString name = QLatin1String(d.name);
        QAction* a = m_entries.value(name);
        a->setCheckable(true);
        disconnect(a, &QAction::triggered, this, nullptr);
        connect(a, &QAction::triggered, this, [this, a, name](bool checked) {
            a->setChecked(!checked);
            runEntry(name);
        });
    }
}

void MainWindowActions::createToolbar(QMainWindow& window, const std::function<void(const QString&)>& buttonClick)
{
    Toolbar1 = window.addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setMovable(false);
    Toolbar1->setIconSize(QSize(16, 16));
    const ImageList images = designTimeImageList();
    for (const ButtonDef& b : kButtons) {
        const QString key = QLatin1String(b.key);
        if (b.separatorBefore)
            Toolbar1->addSeparator();
        auto* button = new QToolButton(Toolbar1);
        button->setObjectName(key);
        button->setIcon(QIcon(images.picture(QLatin1String(b.image))));
        button->setAutoRaise(true);
        Toolbar1->addWidget(button);
        connect(button, &QToolButton::clicked, this, [buttonClick, key] { buttonClick(key); });
        m_buttons.insert(key, button);
        m_buttonOrder.append(key);
    }
}

// ---- Look-ups and commands ---------------------------------------------------------------

QString MainWindowActions::menuCaption(const QString& name) const
{
    const QAction* entry = m_entries.value(name);
    return entry ? entry->text() : QString();
}

void MainWindowActions::setEntryEnabled(const QString& name, bool enabled)
{
    if (QAction* a = m_entries.value(name))
        a->setEnabled(enabled);
}

void MainWindowActions::setButtonEnabled(const QString& key, bool enabled)
{
    if (QToolButton* b = m_buttons.value(key))
        b->setEnabled(enabled);
}

bool MainWindowActions::entryEnabled(const QString& name) const
{
    const QAction* a = m_entries.value(name);
    return a && a->isEnabled();
}

bool MainWindowActions::buttonEnabled(const QString& key) const
{
    // The button's own state, whatever the toolbar's.
    const QToolButton* b = m_buttons.value(key);
    return b && !b->testAttribute(Qt::WA_ForceDisabled);
}

void MainWindowActions::setHandler(const QString& name, std::function<void()> handler)
{
    m_handlers.emplace(name, std::move(handler));
}

void MainWindowActions::runEntry(const QString& name)
{
    // Commands that come with later work have no handler yet and do nothing.
    if (const auto it = m_handlers.constFind(name); it != m_handlers.cend())
        it.value()();
}

// ---- Captions from host labels -------------------------------------------------------------

bool MainWindowActions::mbHasAccelerator(const QString& text)
{
    return text.size() > 1 && text.left(text.size() - 1).contains(QLatin1Char('&'));
}

void MainWindowActions::mInitializeLablesPLM()
{
    gWriteLog(QStringLiteral("mInitializeLablesPLM"));
    for (const QString& name : m_entryOrder) {
        const QString tag = m_tags.value(name);
        if (!isTranslatedTag(tag))
            continue;
        QString text = label(tag);
        if (!mbHasAccelerator(text))
            text = QLatin1Char('&') + text;
        m_entries.value(name)->setText(text);
    }
    auto caption = [this](const char* name) { return m_entries.value(QLatin1String(name))->text(); };
    for (const QString& key : m_buttonOrder) {
        QString tip;
        if (key == QLatin1String("mnuFSaveExit"))
            tip = isMode("r") ? caption("mnuFExit") : caption("mnuFSaveExit");
        else if (key == QLatin1String("mnuEInsertGroup") || key == QLatin1String("mnuEInsertField"))
            tip = caption("mnuInsert") + QLatin1Char(' ') + m_entries.value(key)->text();
        else if (key == QLatin1String("mnuHContents"))
            tip = caption("mnuHelp");
        else
            tip = m_entries.value(key)->text();
        m_buttons.value(key)->setToolTip(withoutMnemonics(tip));
    }
    gWriteLog(QStringLiteral("mInitializeLablesPLM Finished"));
}

void MainWindowActions::EasterEgg()
{
    static const QHash<QString, QString> credits = {
        {QStringLiteral("mnuFSaveExit"), QStringLiteral("Tree and start-up: the form editor team")},
        {QStringLiteral("mnuFSave"), QStringLiteral("Saving: one transaction, every time")},
        {QStringLiteral("mnuEInsertGroup"), QStringLiteral("Groups nested twenty deep, no further")},
        {QStringLiteral("mnuEInsertField"), QStringLiteral("Fields by the thousand")},
        {QStringLiteral("mnuEDelete"), QStringLiteral("Deleted, never forgotten: free slots")},
        {QStringLiteral("mnuEProperties"), QStringLiteral("Seven pages of properties")},
        {QStringLiteral("mnuMUp"), QStringLiteral("Up")},
        {QStringLiteral("mnuMDown"), QStringLiteral("Down")},
        {QStringLiteral("mnuMLeft"), QStringLiteral("Left")},
        {QStringLiteral("mnuMRight"), QStringLiteral("Right, and thanks for reading")},
        {QStringLiteral("mnuHContents"), QStringLiteral("Thanks to everyone who tested the editor")},
    };
    for (const QString& key : m_buttonOrder)
        if (const auto it = credits.constFind(key); it != credits.cend())
            m_buttons.value(key)->setToolTip(it.value());
}

// ---- Enabling ------------------------------------------------------------------------------

void MainWindowActions::mSetMenuState()
{
    if (isMode("r"))
        return;
    const TreeNode* node = m_tree.selectedItem();
    const QString k = node ? node->key() : QString();
    const QString rootKey = gsGroupKey(0);
    static const char* const kMoves[] = {"mnuMUp", "mnuMDown", "mnuMLeft", "mnuMRight"};

    auto levelOf = [](const QString& key) -> int16_t {
        const int32_t g = key.mid(2).toInt();
        // Every group node of the tree has its record.
        Q_ASSERT(g >= 0 && size_t(g) < gaGroups.size());
        return g >= 0 && size_t(g) < gaGroups.size() ? gaGroups[size_t(g)].lGroupLevel : int16_t(0);
    };

    if (gbIsGroupKey(k)) {
        if (k == rootKey) {
            setEntryEnabled(QStringLiteral("mnuEDelete"), false);
            setButtonEnabled(QStringLiteral("mnuEDelete"), false);
            setEntryEnabled(QStringLiteral("mnuMove"), false);
            for (const char* m : kMoves)
                setButtonEnabled(QLatin1String(m), false);
        } else {
            setEntryEnabled(QStringLiteral("mnuEDelete"), true);
            setButtonEnabled(QStringLiteral("mnuEDelete"), true);
            setEntryEnabled(QStringLiteral("mnuMove"), true);
            for (const char* m : kMoves) {
                setButtonEnabled(QLatin1String(m), true);
                setEntryEnabled(QLatin1String(m), true);
            }
        }
        if (levelOf(k) >= kMaxGroupLevel) {
            setEntryEnabled(QStringLiteral("mnuEInsertGroup"), false);
            setButtonEnabled(QStringLiteral("mnuEInsertGroup"), false);
        } else if (!gbOutOfResources) {
            setEntryEnabled(QStringLiteral("mnuEInsertGroup"), true);
            setButtonEnabled(QStringLiteral("mnuEInsertGroup"), true);
        }
    } else if (gbIsFieldKey(k)) {
        const TreeNode* group = groupNodeOf(node);
        const bool allowed = !group || levelOf(group->key()) < kMaxGroupLevel;
        setEntryEnabled(QStringLiteral("mnuEInsertGroup"), allowed);
        setButtonEnabled(QStringLiteral("mnuEInsertGroup"), allowed);
        setEntryEnabled(QStringLiteral("mnuEDelete"), true);
        setButtonEnabled(QStringLiteral("mnuEDelete"), true);
        setEntryEnabled(QStringLiteral("mnuMove"), true);
        for (const char* m : kMoves) {
            setEntryEnabled(QLatin1String(m), true);
            setButtonEnabled(QLatin1String(m), true);
        }
    }

    auto off = [this](const char* name) {
        setEntryEnabled(QLatin1String(name), false);
        setButtonEnabled(QLatin1String(name), false);
    };
    const TreeNode* parent = node ? node->parent() : nullptr;
    if (!parent || parent->key() == rootKey)
        off("mnuMLeft");
    if (!node)
        return;

    if (gbIsFieldKey(k)) {
        if (!node->previous()) {
            off("mnuMRight");
            if (parent && !parent->previous())
                off("mnuMUp");
        }
        if (!node->next() && parent && !parent->next())
            off("mnuMDown");
    } else {
        if (!node->previous()) {
            off("mnuMRight");
            if (!parent || !parent->previous() || gbIsFieldKey(parent->previous()->key()))
                off("mnuMUp");
        } else if (gbIsFieldKey(node->previous()->key())) {
            off("mnuMRight");
        }
        if (!node->next() && parent && (!parent->next() || gbIsFieldKey(parent->next()->key())))
            off("mnuMDown");
    }
}

void MainWindowActions::mDisableEditing()
{
    auto off = [this](const char* name, bool button) {
        setEntryEnabled(QLatin1String(name), false);
        if (button)
            setButtonEnabled(QLatin1String(name), false);
    };
    off("mnuEDelete", true);
    off("mnuEInsertField", true);
    off("mnuEInsertGroup", true);
    off("mnuMove", false);
    for (const char* m : {"mnuMUp", "mnuMDown", "mnuMLeft", "mnuMRight"})
        setButtonEnabled(QLatin1String(m), false);
    off("mnuFSave", true);
    off("mnuFSaveExit", false);
    off("mnuOGenerateForm", false);
    off("mnuOOneTableField", false);
}

void MainWindowActions::mSetOptionMenus()
{
    const GroupRecord* root = gaGroups.empty() ? nullptr : &gaGroups[0];
    const bool multi = root && root->bGroupInMultiOcc;
    const bool single = root && root->bGroupInSingleOcc;
    setEntryEnabled(QStringLiteral("mnuOMO"), multi);
    setEntryEnabled(QStringLiteral("mnuOSO"), single);
    setEntryEnabled(QStringLiteral("mnuOPreviewMO"), multi);
    setEntryEnabled(QStringLiteral("mnuOPreview"), single);
    const bool session = !gsSessionModule.trimmed().isEmpty();
    const bool table = !gsTableModule.trimmed().isEmpty();
    setEntryEnabled(QStringLiteral("mnu_Tscr"), session);
    setEntryEnabled(QStringLiteral("mnu_Tprs"), session);
    setEntryEnabled(QStringLiteral("mnu_Tdal"), table);
    setEntryEnabled(QStringLiteral("mnu_Tind"), table);
    setEntryEnabled(QStringLiteral("mnu_Tfrm"), !gbFormTypeChecked);
    menuEntry(QStringLiteral("mnu_Tfrm"))->setVisible(!gbFormTypeChecked);
}

void MainWindowActions::setStartupMenusEnabled(bool enabled)
{
    for (const char* m : {"mnuHelp", "mnuInsert", "mnuOptions", "mnuFile", "mnuEdit", "mnuTools"})
        setMenuEnabled(QLatin1String(m), enabled);
    Toolbar1->setEnabled(enabled);
}

void MainWindowActions::lock()
{
    static_assert(std::size(kLockedEntries) == kLockedEntryCount);
    for (size_t i = 0; i < kLockedEntryCount; ++i)
        m_savedMenuState[i] = entryEnabled(QLatin1String(kLockedEntries[i]));
    m_treeView.setEnabled(false);
    for (const char* m : kLockedMenus)
        setMenuEnabled(QLatin1String(m), false);
    Toolbar1->setEnabled(false);
    for (const char* e : kLockedEntries)
        setEntryEnabled(QLatin1String(e), false);
}

void MainWindowActions::unlock()
{
    m_treeView.setEnabled(true);
    for (const char* m : kLockedMenus)
        setMenuEnabled(QLatin1String(m), true);
    Toolbar1->setEnabled(true);
    for (size_t i = 0; i < kLockedEntryCount; ++i)
        setEntryEnabled(QLatin1String(kLockedEntries[i]), m_savedMenuState[i]);
    mSetOptionMenus();
}

void MainWindowActions::setInsertingEnabled(bool enabled)
{
    for (const char* name : {"mnuEInsertField", "mnuOGenerateForm", "mnuOOneTableField"})
        setEntryEnabled(QLatin1String(name), enabled);
    setButtonEnabled(QStringLiteral("mnuEInsertField"), enabled);
}

void MainWindowActions::setGroupInsertingEnabled(bool enabled)
{
    setEntryEnabled(QStringLiteral("mnuEInsertGroup"), enabled);
    setButtonEnabled(QStringLiteral("mnuEInsertGroup"), enabled);
}

TreeNode* groupNodeOf(const TreeNode* node)
{
    TreeNode* n = node ? node->parent() : nullptr;
    while (n && gbIsFieldKey(n->key()))
        n = n->parent();
    return n;
}
