// The preview of the item form in single and multi occurrence: a control for every
// present field, rows sharing their top, labels where the records put them, nothing on
// top of anything else, clicks that select nodes, and the main window as it was after
// closing. Pictures of both modes go into the build tree from the tests that check them.
#include "test_main_window_support.h"

#include "frm_Preview.h"

#include <QAbstractScrollArea>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <map>

namespace {

class PreviewTest : public MainWindowTest {
protected:
    // itemsd's grid of field 31 in the multi-occurrence preview: a click on the second
    // column's header selects field 32, a click on a first-column cell field 31.
    void expectGridClicksSelectTheirFields(frm_Preview& p)
    {
        QTableWidget& grid = *p.grid(31);
        QTest::mouseClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(grid.horizontalHeader()->sectionViewportPosition(1) + 4, 4));
        EXPECT_EQ(tree().selectedItem()->key(), gsFieldKey(32));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(grid.model()->index(2, 0)).center());
        EXPECT_EQ(tree().selectedItem()->key(), gsFieldKey(31));
    }
    // Enabled of every menu entry and toolbar button.
    QStringList menuStates()
    {
        QStringList out;
        for (const QString& name : w().actions().menuEntryNames())
            out << name + (w().actions().entryEnabled(name) ? QStringLiteral(" on") : QStringLiteral(" off"));
        for (const QString& key : w().actions().toolbarKeys())
            out << key + (w().actions().buttonEnabled(key) ? QStringLiteral(" button on") : QStringLiteral(" button off"));
        return out;
    }
    // Field and picture nodes with their record index.
    std::vector<std::pair<int32_t, TreeNode*>> fieldNodes()
    {
        std::vector<std::pair<int32_t, TreeNode*>> out;
        for (TreeNode* n = tree().firstRoot(); n; n = NodeTree::nextDepthFirst(n))
            if (gbIsFieldKey(n->key()))
                out.emplace_back(n->keyNumber(), n);
        return out;
    }
    // The widget's place in its page.
    static QRect placeOf(const QWidget* widget, const QWidget* page)
    {
        return QRect(widget->mapTo(page, QPoint()), widget->size());
    }
    static QWidget* pageOf(const frm_Preview& p, const QWidget* widget)
    {
        for (QWidget* page : p.canvases())
            if (page->isAncestorOf(widget))
                return page;
        return nullptr;
    }
    static void saveScreenshots(frm_Preview& p, const QString& name)
    {
        saveScreenshot(p.grab(), QStringLiteral("preview_itemsd_%1.png").arg(name));
        for (int i = 0; i < p.canvases().size(); ++i)
            saveScreenshot(p.canvases()[i]->grab(), QStringLiteral("preview_itemsd_%1_page%2.png").arg(name).arg(i + 1));
    }
};

TEST_F(PreviewTest, SingleOccurrenceShowsEveryPresentFieldInItsPlace)
{
    open(QStringLiteral("itemsd"));
    gaFields[3].bFieldInSingleOcc = false;  // a field not shown in this view
    gaFields[11].lLabelPosition = 2;         // labels above and right of their field
    gaFields[24].lLabelPosition = 3;
    gaFields[33].sIconName = QStringLiteral("nosuchicon");  // a picture the host does not have
    const QStringList before = menuStates();
    w().mnuOPreview_Click();
    ASSERT_NE(previewWindowIfAny(), nullptr);
    frm_Preview& p = *previewWindowIfAny();
    EXPECT_TRUE(gbPreviewOpen && p.isVisible() && !w().tvwGroups->isEnabled());
    EXPECT_EQ(w().SBarPanel1->text(), QStringLiteral("Ready"));

    // One control per present field, none for the others.
    int present = 0;
    for (const auto& [i, node] : fieldNodes()) {
        const bool shown = w().gbFieldIsPresent(i, node, true);
        present += shown ? 1 : 0;
        EXPECT_EQ(p.control(i) != nullptr, shown) << node->key().toStdString();
    }
    EXPECT_TRUE(p.controlCount() == present && !p.control(3));
    ASSERT_TRUE(p.label(11) && p.label(24));
    // Pictures show the icon's picture, or its name where the host has none.
    auto* box = qobject_cast<QLabel*>(p.control(13));
    auto* missing = qobject_cast<QLabel*>(p.control(33));
    ASSERT_TRUE(box && missing);
    EXPECT_TRUE(!box->pixmap().isNull() && missing->pixmap().isNull() && missing->text() == QStringLiteral("nosuchicon"));

    // A tab per top-level group, captioned with its tab text.
    ASSERT_NE(p.tabPages, nullptr);
    QStringList tabs, captions;
    for (int t = 0; t < p.tabPages->count(); ++t)
        tabs << p.tabPages->tabText(t);
    for (const int g : {1, 2, 5, 7, 8})
        captions << gaGroups[size_t(g)].sTabDesc.trimmed();
    EXPECT_EQ(tabs, captions);

    std::vector<std::pair<QWidget*, int32_t>> shown;  // controls and labels with their field
    for (const auto& [i, node] : fieldNodes()) {
        QWidget* c = p.control(i);
        if (!c)
            continue;
        const FieldRecord& f = gaFields[size_t(i)];
        shown.emplace_back(c, i);
        // Labels beside, above or right of their field as the record says, never cut.
        if (QLabel* l = p.label(i)) {
            shown.emplace_back(l, i);
            EXPECT_EQ(l->text(), f.sLabelDescSO.trimmed()) << i;
            const QRect lr = placeOf(l, pageOf(p, l)), cr = placeOf(c, pageOf(p, c));
            const bool sameRow = std::abs(lr.top() - cr.top()) < p.cell().height() / 2;
            switch (f.lLabelPosition) {
            case 2: EXPECT_TRUE(lr.bottom() < cr.top() && lr.left() == cr.left()) << i; break;
            case 3: EXPECT_TRUE(lr.left() > cr.right() && sameRow) << i; break;
            default: EXPECT_TRUE(lr.right() < cr.left() && sameRow) << i; break;
            }
        }
        if (auto* radio = qobject_cast<QRadioButton*>(c)) {
            EXPECT_EQ(radio->text(), f.sLabelDescSO.trimmed()) << i;
        }
    }
    // Nothing on top of anything else but choices inside their option set.
    for (size_t a = 0; a < shown.size(); ++a)
        for (size_t b = a + 1; b < shown.size(); ++b) {
            const auto& [wa, fa] = shown[a];
            const auto& [wb, fb] = shown[b];
            const bool choice = gaFields[size_t(fa)].lControl == ControlKind::OptionSet
                                || gaFields[size_t(fb)].lControl == ControlKind::OptionSet;
            if (pageOf(p, wa) == pageOf(p, wb) && !choice) {
                EXPECT_FALSE(placeOf(wa, pageOf(p, wa)).intersects(placeOf(wb, pageOf(p, wb)))) << fa << " " << fb;
            }
        }
    // Fields of one row share their top, the rows below stand lower.
    int pairs = 0;
    for (const auto& [wa, fa] : shown)
        for (const auto& [wb, fb] : shown) {
            const FieldRecord &a = gaFields[size_t(fa)], &b = gaFields[size_t(fb)];
            if (fa >= fb || wa != p.control(fa) || wb != p.control(fb) || pageOf(p, wa) != pageOf(p, wb)
                || a.lControl == ControlKind::OptionSet || b.lControl == ControlKind::OptionSet
                || a.lControl == ControlKind::NoControl || b.lControl == ControlKind::NoControl)
                continue;
            pairs += a.iFieldYPos == b.iFieldYPos ? 1 : 0;
            EXPECT_EQ(wa->y() == wb->y(), a.iFieldYPos == b.iFieldYPos) << fa << " " << fb;
            EXPECT_EQ(wa->y() < wb->y(), a.iFieldYPos < b.iFieldYPos) << fa << " " << fb;
        }
    EXPECT_GE(pairs, 3);
    saveScreenshots(p, QStringLiteral("single"));

    // A click on a control, a label or a group box (between the controls in it)
    // selects its node.
    for (const auto& [widget, i] : shown) {
        auto* area = qobject_cast<QAbstractScrollArea*>(widget);
        QWidget* target = area ? area->viewport() : widget;
        QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(2, target->height() / 2));
        ASSERT_NE(tree().selectedItem(), nullptr);
        EXPECT_EQ(tree().selectedItem()->key(), gsFieldKey(i));
    }
    const QList<QGroupBox*> boxes = p.findChildren<QGroupBox*>();
    EXPECT_EQ(boxes.size(), 7);  // the framed groups
    int overlaid = 0;  // clicks that land on what lies over the box
    for (QGroupBox* box : boxes) {
        QWidget* page = pageOf(p, box);
        const QPoint at = box->mapTo(page, QPoint(box->width() - 3, box->height() / 2));
        QWidget* target = page->childAt(at);
        ASSERT_NE(target, nullptr);
        overlaid += qobject_cast<QGroupBox*>(target) ? 0 : 1;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(page, at));
        const QString key = tree().selectedItem()->key();
        ASSERT_TRUE(gbIsGroupKey(key));
        EXPECT_EQ(gaGroups[size_t(key.mid(2).toInt())].sFrameDesc.trimmed(), box->title());
    }
    EXPECT_GT(overlaid, 0);

    // Closed, the main window is as before (the root selected again: the same node).
    QString root = gsGroupKey(0);
    w().SetFocusToNode(root);
    p.close();
    EXPECT_TRUE(!gbPreviewOpen && w().tvwGroups->isEnabled() && p.controlCount() == 0);
    EXPECT_EQ(menuStates(), before);
}

// A group's grid fields are the columns of a table in its box, below what else it shows;
// the other fields keep their places and nothing lies on the table.
TEST_F(PreviewTest, MultiOccurrenceShowsEachGroupsGridInItsBox)
{
    open(QStringLiteral("itemsd"));
    // The notes into General data, a group of two columns, and into its grid; a second
    // grid field beside the item text.
    tree().move(node("f_30"), node("f_12"), Relationship::Next);
    gaFields[30].bInGrid = gaFields[31].bInGrid = true;
    gaFields[31].sLabelDescSO = QStringLiteral("Not the header");
    QString root = gsGroupKey(0);
    w().SetFocusToNode(root);
    w().mSetMenuState();
    ASSERT_FALSE(w().actions().entryEnabled(QStringLiteral("mnuEDelete")));
    w().mnuOPreviewMO_Click();
    frm_Preview& p = previewWindow();
    ASSERT_TRUE(!p.tabPages && p.grdOccurrences.size() == 2);
    QWidget* page = p.canvases().front();
    const auto boxOf = [&](const TreeNode* n) {
        while (!gbIsGroupKey(n->key()))
            n = n->parent();
        for (QGroupBox* box : p.findChildren<QGroupBox*>())
            if (box->title() == gaGroups[size_t(n->keyNumber())].sFrameDesc.trimmed())
                return placeOf(box, page);
        return QRect();
    };
    std::map<QTableWidget*, QStringList> headers;
    for (const auto& [i, node] : fieldNodes()) {
        const FieldRecord& f = gaFields[size_t(i)];
        QTableWidget* grid = p.grid(i);
        ASSERT_EQ(grid != nullptr, f.bInGrid) << i;
        if (!grid) {
            ASSERT_NE(p.control(i), nullptr) << i;
            for (QTableWidget* table : p.grdOccurrences)
                EXPECT_FALSE(placeOf(table, page).intersects(placeOf(p.control(i), page))) << i;
            continue;
        }
        headers[grid] << f.sLabelDescMO.trimmed();
        EXPECT_EQ(grid->horizontalHeaderItem(p.gridColumn(i))->text(), headers[grid].last());
        EXPECT_TRUE(boxOf(node).contains(placeOf(grid, page))) << i;
        EXPECT_TRUE(!p.control(i) && grid->rowCount() >= 3) << i;
    }
    EXPECT_EQ(headers.size(), 2u);
    saveScreenshots(p, QStringLiteral("multi"));

    // Header and cells select the column's field.
    expectGridClicksSelectTheirFields(p);
    // Closed, the commands follow the node the click chose.
    p.close();
    EXPECT_TRUE(!gbPreviewOpen && w().actions().entryEnabled(QStringLiteral("mnuEDelete"))
                && w().actions().buttonEnabled(QStringLiteral("mnuEDelete")));
}

// A group that shows nothing but grid fields: its table starts on the row below its
// box's title and the box ends on the row after the table, with no blank row between.
TEST_F(PreviewTest, AGroupOfGridFieldsOnlyHasItsTableRightBelowItsTitle)
{
    open(QStringLiteral("itemsd"));
    for (int32_t i = 14; i <= 17; ++i)  // every field of the stock levels
        gaFields[size_t(i)].bInGrid = true;
    w().mnuOPreviewMO_Click();
    frm_Preview& p = previewWindow();
    QTableWidget* grid = p.grid(14);
    ASSERT_TRUE(grid && p.grid(17) == grid);
    QWidget* page = pageOf(p, grid);
    QGroupBox* box = nullptr;
    for (QGroupBox* b : p.findChildren<QGroupBox*>())
        if (b->title() == gaGroups[3].sFrameDesc.trimmed())
            box = b;
    ASSERT_NE(box, nullptr);
    const QRect table = placeOf(grid, page), frame = placeOf(box, page);
    EXPECT_TRUE(frame.contains(table));
    // The title row lies above the table, the box's last row below it; a blank row
    // would take another cell.
    EXPECT_GT(table.top(), frame.top());
    EXPECT_LT(table.top() - frame.top(), p.cell().height() * 3 / 2);
    EXPECT_LT(frame.bottom() - table.bottom(), p.cell().height() * 3 / 2);
    p.close();
}

// Each grid field is a column of its group's table, headed by its multi-occurrence
// label, the table below every other control of the group.
TEST_F(PreviewTest, MultiOccurrenceShowsTheGridFieldsAsColumnsBelowTheOthers)
{
    open(QStringLiteral("itemsd"));
    gaFields[31].bInGrid = true;  // a second grid field
    gaFields[31].sLabelDescSO = QStringLiteral("Not the header");
    w().mnuOPreviewMO_Click();
    frm_Preview& p = previewWindow();
    ASSERT_TRUE(!p.tabPages && !p.grdOccurrences.isEmpty());
    QWidget* page = p.canvases().front();

    std::map<QTableWidget*, QStringList> expected;
    std::map<QTableWidget*, int32_t> groupOf;
    std::map<int32_t, int> bottom;  // of the other controls, by group
    for (const auto& [i, node] : fieldNodes()) {
        const FieldRecord& f = gaFields[size_t(i)];
        if (f.bInGrid) {
            QTableWidget* grid = p.grid(i);
            ASSERT_NE(grid, nullptr) << i;
            expected[grid] << f.sLabelDescMO.trimmed();
            groupOf[grid] = f.Grpi;
            EXPECT_TRUE(!p.control(i) && p.gridColumn(i) == expected[grid].size() - 1) << i;
        } else {
            ASSERT_NE(p.control(i), nullptr) << i;
            bottom[f.Grpi] = std::max(bottom[f.Grpi], placeOf(p.control(i), page).bottom());
        }
    }
    EXPECT_EQ(expected.size(), size_t(p.grdOccurrences.size()));
    for (const auto& [grid, labels] : expected) {
        QStringList headers;
        for (int c = 0; c < grid->columnCount(); ++c)
            headers << grid->horizontalHeaderItem(c)->text();
        EXPECT_EQ(headers, labels);
        EXPECT_TRUE(grid->rowCount() >= 3 && placeOf(grid, page).y() > bottom[groupOf[grid]]) << headers.join(u'|').toStdString();
    }

    // Header and cells select the column's field.
    expectGridClicksSelectTheirFields(p);
    p.close();
    EXPECT_FALSE(gbPreviewOpen);
}

// The item form as it is stored, in both modes, saved for a look; no page is blank.
TEST_F(PreviewTest, PicturesOfBothModes)
{
    open(QStringLiteral("itemsd"));
    for (const bool single : {true, false}) {
        single ? w().mnuOPreview_Click() : w().mnuOPreviewMO_Click();
        frm_Preview& p = previewWindow();
        saveScreenshots(p, single ? QStringLiteral("stored_single") : QStringLiteral("stored_multi"));
        EXPECT_EQ(p.canvases().size(), single ? 5 : 1);
        for (QWidget* page : p.canvases()) {
            const QImage image = page->grab().toImage();
            EXPECT_GT(colours(image, image.rect(), 2), 8) << page->objectName().toStdString();
        }
        p.close();
    }
}

// After a click chose another node, the commands follow it once the preview closes.
TEST_F(PreviewTest, ClosingAfterAClickSetsTheCommandsOfTheChosenNode)
{
    open(QStringLiteral("itemsd"));
    QString root = gsGroupKey(0);
    w().SetFocusToNode(root);
    w().mSetMenuState();
    ASSERT_FALSE(w().actions().entryEnabled(QStringLiteral("mnuEDelete")));
    w().mnuOPreview_Click();
    QTest::mouseClick(previewWindow().control(2), Qt::LeftButton);
    previewWindow().close();
    EXPECT_TRUE(w().actions().entryEnabled(QStringLiteral("mnuEDelete")) && w().actions().buttonEnabled(QStringLiteral("mnuEDelete")));
}

// A run of fields among the tab pages warns once, only in single occurrence with pages.
TEST_F(PreviewTest, VirtualTabPagesWarnOnce)
{
    struct Case {
        bool pages, single;
        int warnings;
    };
    for (const Case c : {Case{true, true, 1}, Case{false, true, 0}, Case{true, false, 0}}) {
        open(QStringLiteral("itemsd"));
        tree().move(node("f_34"), node("g_1"), Relationship::Previous);
        tree().move(node("f_35"), node("g_8"), Relationship::Next);
        gaGroups[0].bNewPage = c.pages;
        dialogs->clear();
        c.single ? w().mnuOPreview_Click() : w().mnuOPreviewMO_Click();
        const QString warning =
            QStringLiteral("Fields outside a group cannot be shown on a tab page; put them in a group.");
        EXPECT_EQ(dialogs->texts().count(warning), c.warnings) << c.pages << c.single;
        EXPECT_TRUE(gbPreviewOpen && !gbSuspendLinkUpdate);
        EXPECT_TRUE(!c.pages || !c.single || previewWindow().tabPages->count() == 7);
        previewWindow().close();
        restart();
    }
}

} // namespace
