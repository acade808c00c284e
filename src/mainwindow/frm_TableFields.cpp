#include "frm_TableFields.h"

#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "MainWindowImages.h"
#include "NodeTreeWidget.h"
#include "MainWindowInterface.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Records.h"
#include "mod_TableFields.h"
#include "mod_TextCaches.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "gui_Screen.h"
#include "Fonts.h"
#include "mod_Global.h"
#include "mod_Help.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

const QString kCaptionCode = QStringLiteral("pzfrm.TableFlds");

// The window's first size, in pixels; the user may resize it.
constexpr int kStartWidth = 420;
constexpr int kStartHeight = 480;

QString label(const QString& code)
{
    int16_t kind = 11;
    return gsGetLabel(code, kind);
}

// The entry of a picker node; nullptr for a key that names none.
TableFieldRecord* entryOf(const TreeNode* node)
{
    const int32_t i = node ? node->keyNumber() : -1;
    if (i < 1 || i > gnTableFieldCount || size_t(i) >= gaTableFields.size())
        return nullptr;
    return &gaTableFields[size_t(i)];
}

QString pickerKey(int32_t entry) { return QStringLiteral("t_") + QString::number(entry); }

// The main window refuses structure edits: read-only, or locked by the property dialog
// or the preview, whose records and selection must stay as they are.
bool formRefusesEdits(const MainWindowInterface* main)
{
    return !main || gsOpenMode == "r" || main->isLocked();
}

} // namespace

frm_TableFields::frm_TableFields(MainWindowInterface* main, QWidget* parent) : QDialog(parent, Qt::Tool), m_main(main)
{
    setModal(false);
    setObjectName(QStringLiteral("frm_TableFields"));
    setWindowTitle(kCaptionCode);

    tvwFields = new NodeTreeWidget(this);
    tvwFields->setObjectName(QStringLiteral("tvwFields"));
    tvwFields->setImageList(designTimeImageList().icons());
    // A reference shows that it can be opened before its fields are loaded.
    tvwFields->setExpandableImages({QStringLiteral("reffield")});
    tvwFields->installEventFilter(this);
    registerDragHandler();
    cmdApply = new QPushButton(QStringLiteral("pzcmd.Apply"), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("pzcmd.Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdHelp = new QPushButton(QStringLiteral("pzcmd.Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));

    // The tree takes the window; the buttons stand in one row under it, to the right.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdHelp);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 10, 10);
    layout->addWidget(tvwFields, 1);
    layout->addLayout(buttons);

    connect(cmdApply, &QPushButton::clicked, this, [this] { cmdApply_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdHelp, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });
    connect(tvwFields, &NodeTreeWidget::nodeClicked, this, [this](TreeNode* node) { tvwFields_NodeClick(node); });
    connect(tvwFields, &NodeTreeWidget::nodeDoubleClicked, this, [this](TreeNode*) { tvwFields_DblClick(); });
    connect(tvwFields, &NodeTreeWidget::nodeExpanded, this, [this](TreeNode* node) {
        if (node->children() > 0)
            return;
        tvwFields->nodes().setSelectedItem(node);
        tvwFields_DblClick();
    });

    gSetPickerTree(&tvwFields->nodes());
    gSetPickerCommands({[this] { tvwFields_DblClick(); }, [this] { cmdApply_Click(); }});
}

frm_TableFields::~frm_TableFields()
{
    gSetPickerTree(nullptr);
    gSetPickerCommands({});
}

void frm_TableFields::Form_Load()
{
    if (goFonts)
        goFonts->SetDefaultFontOfControls(this);
    glShowMessage(MessageStatus, 6, StatusBarOnly);
    platform::setMousePointer(platform::Pointer::Hourglass);
    setWindowTitle(label(kCaptionCode));
    resize(kStartWidth, kStartHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    platform::fitOnScreen(this);
    mLocalizeCaptions();
    mLoadTableFields();
    platform::setMousePointer(platform::Pointer::Default);
    glShowMessage(MessageStatus, 1, StatusBarOnly);
    hide();
}

void frm_TableFields::mLocalizeCaptions()
{
    for (QPushButton* b : {cmdApply, cmdCancel, cmdHelp}) {
        const QString prefix = b->text().left(2);
        if (prefix == QLatin1String("qx") || prefix == QLatin1String("pz"))
            b->setText(label(b->text()));
    }
}

// ---- Loading ----------------------------------------------------------------------------

void frm_TableFields::mLoadTableFields()
{
    int32_t next = 1;
    mLoadTableFieldsFields(gsTable, false, 0, next);
    gnTableFieldCount = int16_t(next - 1);
    gbTableFieldsLoaded = true;
    gLoadPickerLabels(-1);
}

void frm_TableFields::mLoadTableFieldsFields(const QString& tableCode, bool expanding, int32_t parentEntry,
                                             int32_t& nextEntry)
{
    // Labels the form already shows are copied, not asked of the host.
    m_formLabels.clear();
    for (int32_t i = gnFieldCount; i >= 1; --i) {
        if (size_t(i) >= gaFields.size())
            continue;
        const FieldRecord& f = gaFields[size_t(i)];
        if (!f.sLabelCode.isEmpty() && !f.sLabelDescSO.isEmpty())
            m_formLabels.insert(f.sLabelCode, i);
    }
    m_loading = true;
    const int32_t added = glLoadTableFieldsFields(tableCode, expanding, parentEntry, nextEntry,
                                                  [&](int32_t entry) { mFillFieldsTree(entry, expanding, parentEntry); });
    m_loading = false;
    m_formLabels.clear();
    // A reference whose table offers nothing can no longer be expanded.
    if (expanding && added == 0) {
        NodeTree& tree = tvwFields->nodes();
        if (TreeNode* parent = tree.node(pickerKey(parentEntry)))
            tree.setImage(parent, QStringLiteral("tablefield"));
    }
}

void frm_TableFields::mFillFieldsTree(int32_t entry, bool expanding, int32_t parentEntry)
{
    TableFieldRecord& e = gaTableFields[size_t(entry)];
    NodeTree& tree = tvwFields->nodes();
    const QString element = e.nNrOfElements > 0 ? QStringLiteral("(%1)").arg(e.iElement) : QString();
    const QString text =
        e.sTableCode + QLatin1Char('.') + e.sFieldName + element + QStringLiteral(" - ") + e.sLabelDesc.trimmed();
    const bool reference = !e.sRefTable.isEmpty();
    const QString key = pickerKey(entry);
    TreeNode* node = nullptr;
    if (expanding) {
        TreeNode* parent = tree.node(pickerKey(parentEntry));
        node = parent ? tree.add(parent, Relationship::Child, key, text,
                                 reference ? QStringLiteral("reffield") : QStringLiteral("tablefield"))
                      : nullptr;
        if (parent)
            tree.setExpanded(parent, true);
    } else if (reference || !e.bCombined) {
        // A combined field without a reference is never shown.
        node = tree.add(key, text, reference ? QStringLiteral("reffield") : QStringLiteral("tablefield"));
    }
    if (!node)
        return;
    e.sNodeKey = key;
    if (!(e.bCombined && !reference) && !e.sLabelCode.isEmpty())
        mGetLabel(e.sLabelCode, e.sLabelDesc, e.iLabelLength, e.iLabelHeight, node);
}

bool frm_TableFields::mGetLabel(const QString& labelCode, QString& labelText, int16_t& length, int16_t& height,
                                TreeNode* node)
{
    int32_t found = 0;
    if (m_loading) {
        found = m_formLabels.value(labelCode, 0);
    } else {
        for (int32_t i = 1; i <= gnFieldCount && size_t(i) < gaFields.size() && found == 0; ++i)
            if (gaFields[size_t(i)].sLabelCode == labelCode && !gaFields[size_t(i)].sLabelDescSO.isEmpty())
                found = i;
    }
    if (found == 0)
        return false;
    const FieldRecord& f = gaFields[size_t(found)];
    labelText = f.sLabelDescSO;
    length = f.iLabelLengthSO;
    height = f.iLabelHeightSO;
    NodeTree& tree = tvwFields->nodes();
    if (node && tree.owns(node))
        tree.setText(node, node->text() + labelText);
    return true;
}

// ---- Commands ---------------------------------------------------------------------------

void frm_TableFields::cmdApply_Click()
{
    NodeTree& tree = tvwFields->nodes();
    TreeNode* selected = tree.selectedItem();
    const TableFieldRecord* entry = entryOf(selected);
    if (tree.isEmpty() || !entry || formRefusesEdits(m_main))
        return;
    const int32_t index = selected->keyNumber();
    if (entry->bCombined) {
        glShowMessage(MessageGroup2, 13, platform::MbIconExclamation);
    } else {
        m_main->mMoveTableField(selected->key());
        NodeTree& form = m_main->nodes();
        if (form.dropHighlight())
            form.setSelectedItem(form.dropHighlight());
        TreeNode* applied = tree.node(pickerKey(index));
        TreeNode* next = applied ? nextAfterApply(applied) : nullptr;
        if (next) {
            tree.setSelectedItem(next);
            if (!next->parent()) {
                // Past an expanded reference: the next field goes after the reference
                // field, not among its follow-ups.
                TreeNode* before = next->previous();
                TreeNode* mainSelected = form.selectedItem();
                TreeNode* mainParent = mainSelected ? mainSelected->parent() : nullptr;
                if (before && mainParent && gbIsFieldKey(mainParent->key())
                    && gbSameTableField(before->key(), mainParent->key())) {
                    form.setSelectedItem(mainParent);
                    form.setDropHighlight(mainParent);
                }
            } else {
                tvwFields_NodeClick(next);
            }
        }
    }
    tree.setDropHighlight(tree.selectedItem());
    if (isVisible())
        tvwFields->setFocus();
}

TreeNode* frm_TableFields::nextAfterApply(TreeNode* node) const
{
    if (node->child())
        return node->child();
    if (node->next())
        return node->next();
    if (!node->parent())
        return node;
    for (TreeNode* a = node->parent(); a; a = a->parent())
        if (a->next())
            return a->next();
    return node->root();
}

void frm_TableFields::cmdCancel_Click()
{
    gbTableFieldsOpen = false;
    hide();
}

void frm_TableFields::cmdHelp_Click() { glShowHelp(this, kTopicCreatingAForm); }

void frm_TableFields::tvwFields_DblClick()
{
    NodeTree& tree = tvwFields->nodes();
    TreeNode* selected = tree.selectedItem();
    const TableFieldRecord* entry = entryOf(selected);
    if (!entry || selected->children() > 0 || entry->sRefTable.isEmpty())
        return;
    const platform::Pointer pointer = platform::mousePointer();
    platform::setMousePointer(platform::Pointer::Hourglass);
    int32_t next = gnTableFieldCount + 1;
    const QString table = entry->sRefTable;
    mLoadTableFieldsFields(table, true, selected->keyNumber(), next);
    gnTableFieldCount = int16_t(next - 1);
    gLoadPickerLabels(-1);
    platform::setMousePointer(pointer);
    if (tree.owns(selected) && selected->children() == 0)
        glShowMessage(MessageGroup3, 16, platform::MbIconExclamation, selected->text().trimmed());
}

void frm_TableFields::tvwFields_NodeClick(TreeNode* node)
{
    NodeTree& tree = tvwFields->nodes();
    if (!tree.owns(node))
        return;
    tree.setDropHighlight(node);
    const TableFieldRecord* parentEntry = entryOf(node->parent());
    if (parentEntry && !parentEntry->bCombined)
        mSelectParentFormField(node->parent());
}

void frm_TableFields::mSelectParentFormField(TreeNode* pickerNode)
{
    const TableFieldRecord* entry = entryOf(pickerNode);
    if (!entry || formRefusesEdits(m_main))
        return;
    NodeTree& form = m_main->nodes();
    const TreeNode* group = form.selectedItem();
    while (group && gbIsFieldKey(group->key()))
        group = group->parent();
    // The form field made from the entry has its table and column for name.
    const QString name = entry->sTableCode + QLatin1Char('.') + entry->sFieldName;
    for (TreeNode* n : form.nodes()) {
        const int32_t f = n->keyNumber();
        if (n->keyLetter() == u'g' || f < 1 || size_t(f) >= gaFields.size() || gaFields[size_t(f)].sFieldName != name)
            continue;
        form.setSelectedItem(n);
        form.setDropHighlight(n);
        if (n->parent() == group)
            break;
    }
}

// ---- Window events ----------------------------------------------------------------------

void frm_TableFields::closeEvent(QCloseEvent* event)
{
    // The window lives as long as the program; the close box hides it as Cancel does,
    // so that it does not come back when the main window is restored.
    event->ignore();
    cmdCancel_Click();
}

// Esc, as Cancel.
void frm_TableFields::reject() { cmdCancel_Click(); }

bool frm_TableFields::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tvwFields && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Right && key->modifiers() == Qt::AltModifier) {
            tvwFields_DblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
