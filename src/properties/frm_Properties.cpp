// The property dialog's window: building it, opening it for a node, its sizes, pages
// and buttons, and the walk to the neighbouring node.
#include "frm_Properties.h"
#include "frm_Properties_Helpers.h"
#include "mod_Validation.h"

#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "NodeTreeWidget.h"
#include "MainWindowInterface.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_ModelessErrors.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_TextCaches.h"
#include "mod_Versions.h"
#include "Cursor.h"
#include "gui_HelpViewer.h"
#include "gui_Screen.h"
#include "Fonts.h"
#include "mod_Global.h"
#include "mod_Help.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QStyle>
#include <QTabBar>

#include <utility>

namespace {

// The window's inner width; its heights come from the kind.
constexpr int kClientWidth = 560;
// What a window height in twips counts besides the inner height: title bar and borders.
constexpr int kWindowFrameTwips = 450;
// Where the page of the kind stands, in twips.
constexpr int kPageLeftTwips = 120;
constexpr int kPageTopTwips = 90;
// Rows of the grids that hold the columns box on the group page and on the form page.
constexpr int kGroupColsRowOnGroupPage = 5;
constexpr int kGroupColsRowOnFormPage = 2;
// The field page that shows whether the field has documentation.
constexpr int16_t kDocumentationPage = 5;

int pixels(int twips) { return twips / kTwipsPerPixel; }

using properties::label;

// A focus that leaves for another window or a menu leaves no input: only the user's
// moves within the dialog are checked.
bool leavesInput(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::MouseFocusReason
           || reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason;
}

// Controls that only some form versions have: the feature bit, the controls hidden
// without it, and those of them whose captions are then left as they are.
struct VersionControls {
    int32_t feature;
    std::array<const char*, 4> hidden;        // unused places are nullptr
    std::array<const char*, 2> untranslated;
};
const VersionControls kVersionControls[] = {
    {1, {"chkRichView"}, {"chkRichView"}},
    {2, {"chkDashboard"}, {"chkDashboard"}},
    {4, {"lblCommand", "lblCommandLabel"}, {"lblCommand", "lblCommandLabel"}},
    {16, {"lblFieldIdLabel", "lblFieldId"}, {"lblFieldIdLabel"}},
    {32, {"chkInitHidden"}, {"chkInitHidden"}},
    {128, {"chkSelection", "txtParentTable", "cmdParentTableZoom", "lblParentTable"}, {"chkSelection", "txtParentTable"}},
};

// The caption prefixes of host label codes.
bool isLabelCode(const QString& caption)
{
    static const char* const kPrefixes[] = {"qx", "pz", "FF", "do", "te"};
    for (const char* p : kPrefixes)
        if (caption.startsWith(QLatin1String(p)))
            return true;
    return false;
}

bool isInput(const QWidget* w)
{
    return qobject_cast<const QCheckBox*>(w) || qobject_cast<const QLineEdit*>(w)
           || qobject_cast<const QRadioButton*>(w) || qobject_cast<const QPushButton*>(w)
           || qobject_cast<const QComboBox*>(w);
}

// The page number of a field page, "fraProperties_3"; 0 for any other widget.
int16_t pageNumber(const QWidget* w)
{
    static const QString kPrefix = QStringLiteral("fraProperties_");
    if (!w || !w->objectName().startsWith(kPrefix))
        return 0;
    return int16_t(w->objectName().mid(kPrefix.size()).toInt());
}

} // namespace

// ---- The window --------------------------------------------------------------------

frm_Properties::frm_Properties(MainWindowInterface* main, QWidget* parent) : QDialog(parent), m_main(main)
{
    setupUi(this);
    setModal(false);
    // The pages stand in an area that scrolls when the screen is lower than the kind's
    // window; the buttons stay below it. Moved within the window, the inputs keep
    // their tab order.
    auto* pages = new QWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    for (QWidget* page : std::initializer_list<QWidget*>{tabProperties, fraForm, fraGroups, fraPictures})
        page->setParent(pages);
    m_pageArea = new QScrollArea(this);
    m_pageArea->setObjectName(QStringLiteral("pageArea"));
    m_pageArea->setFrameShape(QFrame::NoFrame);
    // A click on a page, on the tab bar too, would give the area the focus and leave
    // an input without the check that the tab bar runs.
    m_pageArea->setFocusPolicy(Qt::NoFocus);
    m_pageArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pageArea->setWidget(pages);
    m_pageArea->lower();
    // An input that gets the focus, from the keys or from a refusal, is scrolled into view.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now && m_pageArea->widget()->isAncestorOf(now))
            m_pageArea->ensureWidgetVisible(now);
    });
    fraProperties = {nullptr,         fraProperties_1, fraProperties_2, fraProperties_3,
                     fraProperties_4, fraProperties_5, fraProperties_6, fraProperties_7};
    lblFieldNameText = {nullptr,           lblFieldNameText_1, lblFieldNameText_2, lblFieldNameText_3,
                        lblFieldNameText_4, lblFieldNameText_5, lblFieldNameText_6};
    lblElementText = {nullptr,         lblElementText_1, lblElementText_2, lblElementText_3,
                      lblElementText_4, lblElementText_5, lblElementText_6};

    connect(tabProperties, &QTabWidget::currentChanged, this, [this] { tabProperties_Click(); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { cmdOk_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdHelp, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { cmdNext_Click(); });
    connect(cmdPrev, &QPushButton::clicked, this, [this] { cmdPrev_Click(); });
    connectHandlers();
    setControlCheck(&gbValidateControl);

    // What the window's load does once.
    gInitializeHelpTopics();
    if (goFonts)
        goFonts->SetDefaultFontOfControls(this);
    platform::installContextHelp(this, &gbPropertiesContextHelp);
    mSetDialogLabels();
    mFillCombos();
    mHideAllPages();
    mSizeForFieldDlg();
    gInstallKeyFilters(*this);
    for (QLineEdit* box : findChildren<QLineEdit*>())
        box->installEventFilter(this);
    tabProperties->tabBar()->installEventFilter(this);
}

void frm_Properties::connectHandlers()
{
    const auto onClick = [this](QAbstractButton* button, void (frm_Properties::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, handler);
    };
    onClick(chkNoControl, &frm_Properties::chkNoControl_Click);
    onClick(chkDefault, &frm_Properties::chkDefault_Click);
    for (QCheckBox* link : {chkLinkMaxDisplLenToDomain, chkLinkDisplFormatToDomain, chkLinkMaxInpLenToDomain})
        onClick(link, &frm_Properties::chkLinkToDomain_Click);
    onClick(chkLinkLabLenToDispLen, &frm_Properties::chkLinkLabLenToDispLen_Click);
    onClick(chkMultiCurrency, &frm_Properties::chkMultiCurrency_Click);
    onClick(chkFieldInMultiOcc, &frm_Properties::chkFieldInMultiOcc_Click);
    onClick(chkShowGroupBox, &frm_Properties::chkShowGroupBox_Click);
    onClick(chkSelection, &frm_Properties::chkSelection_Click);
    onClick(chkSingleOcc, &frm_Properties::chkSingleOcc_Click);
    onClick(chkMultiOcc, &frm_Properties::chkMultiOcc_Click);
    connect(optCheckbox, &QRadioButton::clicked, this, [this] { optEnumControl_Click(ControlKind::CheckBox); });
    connect(optListbox, &QRadioButton::clicked, this, [this] { optEnumControl_Click(ControlKind::ListBox); });
    connect(optOptionset, &QRadioButton::clicked, this, [this] { optEnumControl_Click(ControlKind::OptionSet); });
    connect(cboFieldType, &QComboBox::activated, this, [this] { cboFieldType_Click(); });
    connect(cboDefaultValue, &QComboBox::activated, this, [this] { cboDefaultValue_Click(); });
    connectZooms();
}

bool frm_Properties::eventFilter(QObject* watched, QEvent* event)
{
    // Another page is left only by an input that passes its check; the tab bar takes
    // no focus of its own that would run it.
    if (watched == tabProperties->tabBar() && event->type() == QEvent::MouseButtonPress) {
        auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        if (focused && focused->window() == this && !checkOnLeaving(focused))
            return true;
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::KeyPress)
        m_refusedOnLeave = false;
    if (box && event->type() == QEvent::FocusIn)
        txt_GotFocus(box, static_cast<QFocusEvent*>(event)->reason());
    if (box && event->type() == QEvent::MouseButtonRelease && box == m_selectOnRelease) {
        m_selectOnRelease = nullptr;
        // A middle button pastes here, and a text dragged over is the user's choice.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && !box->hasSelectedText())
            gSelectAllText(*box);
    }
    if (box && event->type() == QEvent::FocusOut && box == m_selectOnRelease)
        m_selectOnRelease = nullptr;
    // The opening disables boxes before their previous values are kept.
    if (box && event->type() == QEvent::EnabledChange && box->testAttribute(Qt::WA_Disabled) && !m_opening)
        gDropUnfitNumber(box);
    if (box && event->type() == QEvent::FocusOut && isVisible()
        && leavesInput(static_cast<QFocusEvent*>(event)->reason()) && !checkOnLeaving(box) && box->hasFocus()) {
        // Refused, the box has the focus back: to the line edit it never lost it, and it
        // keeps the selection and the cursor it got again.
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

frm_Properties::~frm_Properties() = default;

void frm_Properties::txt_GotFocus(QLineEdit* box, Qt::FocusReason reason)
{
    // The line edit of the editable combo is no text box of the dialog.
    if (qobject_cast<QComboBox*>(box->parentWidget()))
        return;
    if (box == m_selectOnFocus) {
        m_selectOnFocus = nullptr;
        gSelectAllText(*box);
        return;
    }
    switch (reason) {
    case Qt::MouseFocusReason:
        m_selectOnRelease = box;
        break;
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
        gSelectAllText(*box);
        break;
    default:
        // The window activated again, or a menu closed: the box is not entered anew,
        // its cursor stays where the user left it.
        break;
    }
}

void frm_Properties::mFocusInput(QWidget* control)
{
    auto* box = qobject_cast<QLineEdit*>(control);
    if (box && box->hasFocus()) {
        gSelectAllText(*box);
        return;
    }
    // In an inactive window the focus comes when the window is activated again.
    m_selectOnFocus = box;
    control->setFocus();
}

TreeNode* frm_Properties::selectedNode() const
{
    NodeTree* tree = gMainTree();
    return tree ? tree->selectedItem() : nullptr;
}

QList<QWidget*> frm_Properties::inputs() const
{
    QList<QWidget*> list;
    for (QWidget* w : findChildren<QWidget*>())
        if (isInput(w))
            list << w;
    return list;
}

QList<QWidget*> frm_Properties::inputsInFrames() const
{
    QList<QWidget*> list;
    for (QWidget* w : inputs())
        if (w->parentWidget() && w->parentWidget()->objectName().startsWith(QLatin1String("fra")))
            list << w;
    return list;
}

void frm_Properties::setInputsEnabled(const QList<QWidget*>& controls, bool enabled)
{
    for (QWidget* w : controls)
        w->setEnabled(enabled);
}

bool frm_Properties::hasFieldRecord(int32_t index) { return index >= 1 && size_t(index) < gaFields.size(); }

// ---- Opening for a node ------------------------------------------------------------

void frm_Properties::hideUnsupportedControls()
{
    for (const VersionControls& v : kVersionControls) {
        if (gbFormVersionSupports(v.feature))
            continue;
        for (const char* name : v.hidden)
            if (QWidget* w = name ? findChild<QWidget*>(QLatin1String(name)) : nullptr)
                w->setVisible(false);
    }
}

void frm_Properties::loadNewDomains()
{
    // Each domain is asked of the host once; a domain the host does not know stays
    // unloaded and is not asked again at every opening.
    if (gnDomainCount <= m_domainsAsked)
        return;
    m_domainsAsked = gnDomainCount;
    gLoadDomains();
    gLoadEnums();
}

void frm_Properties::mLoad(bool bKeepPages)
{
    const QScopedValueRollback<bool> opening(m_opening, true);
    platform::setMousePointer(platform::Pointer::Hourglass);
    hideUnsupportedControls();
    loadNewDomains();

    const TreeNode* node = selectedNode();
    if (!node) {
        platform::setMousePointer(platform::Pointer::Default);
        return;
    }
    lRecordIndex = node->key().mid(2).toInt();
    sNodeKind = node->image();
    sOldNodeKind = sNodeKind;

    // The table flags belong to fields and pictures: the index of the form or a group
    // names no field record.
    bIsTableField = bTableRef = bTableMandatory = false;
    if (gbIsFieldKey(node->key()) && hasFieldRecord(lRecordIndex)) {
        if (!gaFields[size_t(lRecordIndex)].bTableFieldChecked)
            gLoadTableFieldData();
        const FieldRecord& f = gaFields[size_t(lRecordIndex)];
        bTableRef = f.bTableRef;
        bIsTableField = f.bIsTableField;
        bTableMandatory = f.bTableMandatory;
        bPendingTableRef = f.bTableRef;
        bPendingTableMandatory = f.bTableMandatory;
        sTableDefault = f.sTableDefault;
        nTableNrOfElements = f.nTableNrOfElements;
    }
    bSkipValidation = m_refusedOnLeave = false;
    bLabelSearched = bPictLabelSearched = bGroupLabelSearched = false;

    if (!bKeepPages)
        mHideAllPages();
    mSetupForNode();
    mFillProperties();

    if (Tag == kKindField) {
        mSizeForFieldDlg();
        setWindowTitle(label(QStringLiteral("pzfrm.PropField")));
        tabProperties->move(pixels(kPageLeftTwips), pixels(kPageTopTwips));
        tabProperties->setVisible(true);
        if (!bTabsInitialised) {
            lLastTab = 1;
            tabProperties->setCurrentIndex(0);
            fraProperties[1]->setVisible(true);
            bTabsInitialised = true;
        }
        tabProperties_Click();
    } else if (Tag == kKindForm) {
        mSizeForFormDlg();
        setWindowTitle(label(QStringLiteral("pzfrm.PropForm")));
        showPage(fraForm);
    } else if (Tag == kKindGroup) {
        mSizeForGroupDlg();
        setWindowTitle(label(QStringLiteral("pzfrm.PropGroup")));
        showPage(fraGroups);
    } else if (Tag == kKindPicture) {
        mSizeForFieldDlg();
        setWindowTitle(label(QStringLiteral("pzfrm.PropPict")));
        showPage(fraPictures);
    }

    if (gsOpenMode == "r") {
        setInputsEnabled(inputsInFrames(), false);
        for (QPushButton* b : {cmdLabelsZoom, cmdLabelsZoomPict, cmdGroupLabelsZoom})
            b->setEnabled(true);
        mShowDocumentation(false);
    }

    gbPropertiesOpen = true;
    // Over the main window when it opens; Next and Previous leave it where it is.
    platform::fitOnScreen(this, isVisible() ? nullptr : parentWidget());
    show();
    activateWindow();
    cmdOk->setFocus();
    platform::setMousePointer(platform::Pointer::Default);
}

void frm_Properties::mSetupForNode()
{
    setInputsEnabled(inputs(), true);
    const TreeNode* node = selectedNode();
    if (!node)
        return;
    const QString key = node->key();
    const QString prefix = key.left(2);
    const bool isForm = prefix == QLatin1String("g_") && key.mid(2) == QLatin1String("0");
    if (prefix != QLatin1String("g_") && prefix != QLatin1String("f_") && prefix != QLatin1String("p_"))
        return;
    const bool mainTable = !gbNoSessionTable();

    if (isForm) {
        Tag = kKindForm;
        cmdPrev->setEnabled(false);
        cmdNext->setEnabled(false);
        chkSingleOcc->setEnabled(mainTable);
        chkMultiOcc->setEnabled(mainTable);
        placeGroupCols(true);
        return;
    }

    Tag = prefix == QLatin1String("g_") ? kKindGroup : prefix == QLatin1String("p_") ? kKindPicture : kKindField;
    const TreeNode* root = gMainTree() ? gMainTree()->node(gsGroupKey(0)) : nullptr;
    cmdNext->setEnabled(oFindFollowField(root, node, prefix) != nullptr);
    cmdPrev->setEnabled(oFindPreviousField(root, node, prefix) != nullptr);

    if (Tag == kKindGroup) {
        placeGroupCols(false);
        QString reasonText;
        int16_t reason = 0;
        chkRepeatingGroup->setEnabled(gbRepeatingGroupAllowed(node, reasonText, reason));
        bool fieldChild = false;
        for (const TreeNode* c = node->child(); c && !fieldChild; c = c->next())
            fieldChild = gbIsFieldKey(c->key());
        for (QRadioButton* o : {optGroupAlignmentSpec, optGroupAlignmentDef, optGroupAlignmentEqu})
            o->setEnabled(fieldChild);
        chkGroupInSingleOcc->setEnabled(mainTable);
        chkGroupInMultiOcc->setEnabled(mainTable);
        const TreeNode* parent = node->parent();
        const int32_t p = parent ? parent->key().mid(2).toInt() : -1;
        chkGrpBeside->setEnabled(p >= 0 && size_t(p) < gaGroups.size() && gaGroups[size_t(p)].iGroupWidth > 1);
        for (QWidget* w : std::initializer_list<QWidget*>{chkSelection, txtParentTable, cmdParentTableZoom})
            w->setEnabled(!mainTable);
        return;
    }

    if (Tag == kKindPicture) {
        chkSingleOccPict->setEnabled(mainTable);
        chkMultiOccPict->setEnabled(mainTable);
        chkImmediateBehindPict->setEnabled(node->children() > 0);
        return;
    }

    // A field.
    if (!mainTable)
        for (QWidget* w : std::initializer_list<QWidget*>{chkLinkLabLenToDispLen, txtLabelLengthMO, txtLabelHeightMO,
                                                          chkFieldInMultiOcc, chkFieldInSingleOcc, cmdFieldNameZoom})
            w->setEnabled(false);
    cboLinkedValue->setEnabled(false);
    cboLinkedValue->clear();
    const FieldRecord* f = hasFieldRecord(lRecordIndex) ? &gaFields[size_t(lRecordIndex)] : nullptr;
    chkAutoEnable->setEnabled(node->children() > 0 && f && f->lControl == ControlKind::OptionSet);
    const TreeNode* parent = node->parent();
    if (parent && gbIsFieldKey(parent->key())) {
        const int32_t p = parent->key().mid(2).toInt();
        if (hasFieldRecord(p) && gaFields[size_t(p)].lControl == ControlKind::OptionSet) {
            cboLinkedValue->setEnabled(true);
            mFillLinkedValue(gaFields[size_t(p)].nDomainIndex);
            msSetEnum(cboLinkedValue, f ? f->iLinkedConst : 0);
        }
        chkDependent->setEnabled(true);
    } else {
        chkDependent->setEnabled(gbPreviousIsField(node));
    }
    // The default shows as text; an enumerate's fill shows its list instead.
    cboDefaultValue->setVisible(false);
    txtDefaultValue->setVisible(true);
    // The default value is shown, not typed: an enumerate's comes from its list.
    txtDefaultValue->setReadOnly(true);
    bool bHasCommand = false;
    for (const SpecificCommandRecord& c : gaSpecificCommands)
        if (c.lFieldId == lRecordIndex && c.nSpecificCommandId > -1) {
            bHasCommand = true;
            break;
        }
    txtSearchDesc->setEnabled(bIsTableField && bTableRef);
    cmdZoomSearchDesc->setEnabled(txtSearchDesc->isEnabled());
    chkImmediateBehind->setEnabled(node->children() > 0 || bHasCommand);

    for (int16_t i = 1; i <= 7; ++i)
        fraProperties[size_t(i)]->setVisible(false);
    const int16_t selected = int16_t(tabProperties->currentIndex() + 1);
    fraProperties[size_t(selected)]->setVisible(true);
    mSetFrameEnabled(selected, true);
    lLastTab = selected;
}

void frm_Properties::placeGroupCols(bool onForm)
{
    QGridLayout* to = onForm ? layForm : layGroups;
    if (txtGroupCols->parentWidget() == to->parentWidget())
        return;
    QGridLayout* from = onForm ? layGroups : layForm;
    const int row = onForm ? kGroupColsRowOnFormPage : kGroupColsRowOnGroupPage;
    from->removeWidget(lblGroupCols);
    from->removeWidget(txtGroupCols);
    to->addWidget(lblGroupCols, row, 0);
    to->addWidget(txtGroupCols, row, 1, Qt::AlignLeft);
    lblGroupCols->setVisible(true);
    txtGroupCols->setVisible(true);
}

void frm_Properties::setWindowHeight(int heightTwips) { m_kindHeight = pixels(heightTwips - kWindowFrameTwips); }

void frm_Properties::placeButtons(int topTwips)
{
    m_buttonsTop = pixels(topTwips);
    fitKindOnScreen();
}

void frm_Properties::fitKindOnScreen()
{
    // The kind's window when the screen has room for it; else as high as the screen
    // allows, its pages scrolling above the buttons, which keep their place at its foot.
    const int height = std::min(m_kindHeight, platform::roomFor(this).height());
    const int width = kClientWidth + (height < m_kindHeight ? style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0);
    const int buttonStrip = m_kindHeight - m_buttonsTop;
    setFixedSize(width, height);
    m_pageArea->setGeometry(0, 0, width, height - buttonStrip);
    m_pageArea->widget()->setFixedSize(kClientWidth, m_buttonsTop);
    for (QPushButton* b : {cmdPrev, cmdNext, cmdOk, cmdCancel, cmdHelp})
        b->move(b->x(), height - buttonStrip);
}

void frm_Properties::showPage(QWidget* page)
{
    const int left = pixels(kPageLeftTwips);
    const int top = pixels(kPageTopTwips);
    page->setGeometry(left, top, kClientWidth - 2 * left, m_buttonsTop - top - top);
    page->setVisible(true);
}

void frm_Properties::mSizeForFormDlg()
{
    setWindowHeight(3300);
    placeButtons(2300);
}

void frm_Properties::mSizeForGroupDlg()
{
    setWindowHeight(8100);
    placeButtons(7100);
}

void frm_Properties::mSizeForFieldDlg()
{
    setWindowHeight(6800);
    placeButtons(5870);
    tabProperties->resize(kClientWidth - 2 * pixels(kPageLeftTwips), pixels(5700));
}

void frm_Properties::mSetFrameEnabled(int16_t index, bool enabled)
{
    if (index >= 1 && index <= 7)
        fraProperties[size_t(index)]->setEnabled(enabled);
}

void frm_Properties::mSetDialogLabels()
{
    QSet<QString> untranslated;
    for (const VersionControls& v : kVersionControls)
        if (!gbFormVersionSupports(v.feature))
            for (const char* name : v.untranslated)
                if (name)
                    untranslated.insert(QLatin1String(name));
    for (QWidget* w : findChildren<QWidget*>()) {
        if (untranslated.contains(w->objectName()))
            continue;
        if (auto* l = qobject_cast<QLabel*>(w); l && isLabelCode(l->text()))
            l->setText(label(l->text()));
        else if (auto* b = qobject_cast<QAbstractButton*>(w); b && isLabelCode(b->text()))
            b->setText(label(b->text()));
        else if (auto* g = qobject_cast<QGroupBox*>(w); g && isLabelCode(g->title()))
            g->setTitle(label(g->title()));
    }
    for (int i = 0; i < tabProperties->count(); ++i)
        tabProperties->setTabText(i, label(tabProperties->tabText(i)));
}

int32_t frm_Properties::mlGetAlignmentGroupId() const
{
    const TreeNode* node = selectedNode();
    const int32_t g = node ? node->key().mid(2).toInt() : 0;
    if (optGroupAlignmentDef->isChecked())
        return -g;
    if (optGroupAlignmentSpec->isChecked())
        return g;
    return 0;
}

bool frm_Properties::checkOnLeaving(QLineEdit* box)
{
    // The focus that a refusal gives back, and a message box that takes it, make
    // other inputs lose it while the check runs: those are no leaving. So no later
    // check needs to be skipped either.
    if (m_checking)
        return true;
    const QScopedValueRollback<bool> checking(m_checking, true);
    if (mbValidate_OnLostFocus(box, 2, QString()))
        return true;
    bSkipValidation = false;
    return false;
}

bool frm_Properties::mbValidate_OnLostFocus(QWidget* control, int16_t flags, const QString& value)
{
    // Leaving an input for Cancel checks nothing.
    if (focusWidget() == cmdCancel || QApplication::focusWidget() == cmdCancel)
        return true;
    if (bSkipValidation) {
        bSkipValidation = false;
        m_refusedOnLeave = false;
        return true;
    }
    if (!m_controlCheck || m_controlCheck(control, flags, value)) {
        m_refusedOnLeave = false;
        return true;
    }
    bSkipValidation = true;
    m_refusedOnLeave = true;
    mShowRefusedControl(control);
    return false;
}

void frm_Properties::mShowRefusedControl(QWidget* control)
{
    // The page the control stands on, also inside a frame of the page.
    int16_t page = 0;
    for (const QWidget* container = control->parentWidget(); container && !page; container = container->parentWidget())
        page = pageNumber(container);
    if (page)
        tabProperties->setCurrentIndex(page - 1);
    if (control->isVisible() && control->isEnabled())
        mFocusInput(control);
    else if (txtFieldName->isVisible())
        mFocusInput(txtFieldName);
}

// ---- Pages ---------------------------------------------------------------------------

void frm_Properties::mHideAllPages()
{
    tabProperties->setVisible(false);
    for (QWidget* w : std::initializer_list<QWidget*>{fraGroups, fraForm, fraPictures})
        w->setVisible(false);
    for (int i = 1; i <= 7; ++i)
        fraProperties[size_t(i)]->setVisible(false);
}

void frm_Properties::tabProperties_Click()
{
    const int16_t index = int16_t(tabProperties->currentIndex() + 1);
    if (index < 1 || index > 7)
        return;
    fraProperties[size_t(index)]->setVisible(true);
    lLastTab = index;
    if (index == kDocumentationPage)
        mShowDocumentation(true);
}

// ---- Buttons -------------------------------------------------------------------------

bool frm_Properties::leavePage()
{
    // The click took the focus from an input whose check refused it: the user sees
    // the message and the input, and the page stays.
    if (std::exchange(m_refusedOnLeave, false))
        return false;
    return mbAssignProperties();
}

void frm_Properties::cmdOk_Click()
{
    if (!gbPropertiesOpen || !leavePage())
        return;
    closeDialog();
}

void frm_Properties::cmdCancel_Click()
{
    if (!gbPropertiesOpen)
        return;
    // The domain checks set the record's domain before OK.
    if (Tag == kKindField && hasFieldRecord(lRecordIndex))
        gaFields[size_t(lRecordIndex)].nDomainIndex = nSavedDomainIndex;
    closeDialog();
}

void frm_Properties::closeDialog()
{
    gbPropertiesOpen = false;
    hide();
    if (m_main) {
        m_main->mToggleEnablingPLM();
        m_main->focusTree();
    }
}

void frm_Properties::cmdHelp_Click()
{
    QString topic;
    if (Tag == kKindForm)
        topic = kTopicFormProperties;
    else if (Tag == kKindGroup)
        topic = kTopicGroupProperties;
    else if (Tag == kKindField)
        topic = gsGetPageHelpTopic(int16_t(tabProperties->currentIndex() + 1));
    else
        topic = gsGetPageHelpTopic(1);
    glShowHelp(this, topic);
}

void frm_Properties::goToNeighbour(bool next)
{
    NodeTree* tree = gMainTree();
    const TreeNode* node = selectedNode();
    if (!tree || !node)
        return;
    const TreeNode* root = tree->node(gsGroupKey(0));
    const QString prefix = node->key().left(2);
    TreeNode* target = next ? oFindFollowField(root, node, prefix) : oFindPreviousField(root, node, prefix);
    if (!target)
        return;
    tree->setSelectedItem(target);
    tree->setDropHighlight(target);
    tree->ensureVisible(target);
    mLoad(true);
}

void frm_Properties::cmdNext_Click()
{
    if (leavePage())
        goToNeighbour(true);
}

void frm_Properties::cmdPrev_Click()
{
    if (leavePage())
        goToNeighbour(false);
}

void frm_Properties::closeEvent(QCloseEvent* event)
{
    // The window is built once: its close box is Cancel.
    if (isVisible()) {
        event->ignore();
        cmdCancel_Click();
        return;
    }
    event->accept();
}

void frm_Properties::reject() { cmdCancel_Click(); }

// ---- The walk in tree order ---------------------------------------------------------

TreeNode* oFindFollowField(const TreeNode* root, const TreeNode* current, const QString& prefix)
{
    for (TreeNode* n = NodeTree::nextDepthFirst(current, root); n; n = NodeTree::nextDepthFirst(n, root))
        if (n->key().startsWith(prefix))
            return n;
    return nullptr;
}

TreeNode* oFindPreviousField(const TreeNode* root, const TreeNode* current, const QString& prefix)
{
    for (TreeNode* n = NodeTree::previousDepthFirst(current, root); n && n != root;
         n = NodeTree::previousDepthFirst(n, root))
        if (n->key().startsWith(prefix))
            return n;
    return nullptr;
}
