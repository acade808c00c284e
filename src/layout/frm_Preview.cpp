#include "frm_Preview.h"

#include "mod_Enumerate.h"
#include "mod_VrokGlobal.h"
#include "MainWindowInterface.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_TextCaches.h"
#include "gui_Screen.h"
#include "mod_Validation.h"
#include "Fonts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <vector>

bool gbPreviewSingleOcc = true;

namespace {

const char kKeyProperty[] = "previewNodeKey";
const char kStripProperty[] = "previewStrip";
constexpr int32_t kStripRows = 12;  // rows of a strip, at least
constexpr int kGridRows = 5;        // empty rows of an occurrence table
constexpr int32_t kGridSpanRows = kGridRows + 1;  // rows a table takes, its heading included
constexpr int32_t kGridRowHeader = 3;             // columns its row numbers take
constexpr int kFrameIndent = 2;     // columns a group box takes left and right

enum class Kind { Input, Text, CheckBox, Combo, OptionSet, Choice, Picture, LabelOnly };
enum class LabelAt { None, Left, Above, Right };

// Columns and rows, both inclusive, in grid units of one page.
struct Span {
    int32_t col0 = 0, col1 = 0, row0 = 0, row1 = 0;
    void unite(const Span& o)
    {
        col0 = std::min(col0, o.col0);
        col1 = std::max(col1, o.col1);
        row0 = std::min(row0, o.row0);
        row1 = std::max(row1, o.row1);
    }
};

void unite(std::optional<Span>& a, const Span& b)
{
    if (a)
        a->unite(b);
    else
        a = b;
}

struct FieldItem {
    int32_t index = 0;
    QString key;
    int page = 0;
    Kind kind = Kind::Input;
    Span place;
    std::optional<Span> labelPlace;  // a label of its own beside the control
    LabelAt labelAt = LabelAt::None;
    QString text;  // the label's text, or the text of a choice or a label-only field
    int32_t optionSet = 0;  // a choice's option set (field index)
};

struct FrameItem {
    QString key;
    int page = 0;
    int depth = 0;
    Span place;
    QString title;
    std::optional<size_t> parent;  // the frame of the nearest framed group above
};

struct GridItem {
    int32_t index = 0;
    QString key;
    QString header;
    int32_t columns = 0;  // grid columns it takes
};

// The grid fields of one group: a table in the group's box, below what else the group
// shows. Until the rows are laid out, place holds the row it follows (or, when the
// group shows nothing else, the row it starts on) and its columns.
struct GroupGrid {
    std::vector<GridItem> items;
    int page = 0;
    Span place;
    bool ownRow = false;
};

// A band of rows of one page, holding the fields and labels that start in it.
struct Strip {
    int32_t row0 = 0, row1 = 0;
    QWidget* widget = nullptr;
};

struct Page {
    QString caption;
    QString key;  // the group that opens it
};

const FieldRecord* liveField(int32_t index)
{
    if (index < 1 || index > gnFieldCount || size_t(index) >= gaFields.size() || gaFields[size_t(index)].lFieldId == -1)
        return nullptr;
    return &gaFields[size_t(index)];
}

const GroupRecord* liveGroup(int32_t index)
{
    if (index < 0 || size_t(index) >= gaGroups.size() || gaGroups[size_t(index)].Grpi == -1)
        return nullptr;
    return &gaGroups[size_t(index)];
}

Kind kindOf(const FieldRecord& f, bool choice)
{
    if (choice)
        return Kind::Choice;
    switch (f.lControl) {
    case ControlKind::CheckBox: return Kind::CheckBox;
    case ControlKind::ListBox:
    case ControlKind::StringList:
    case ControlKind::StringCombo: return Kind::Combo;
    case ControlKind::OptionSet: return Kind::OptionSet;
    case ControlKind::Picture: return Kind::Picture;
    case ControlKind::NoControl: return Kind::LabelOnly;
    default: return f.iFieldHeight > 1 ? Kind::Text : Kind::Input;
    }
}

const DomainRecord* domainOf(const FieldRecord& f)
{
    if (f.nDomainIndex <= 0 || size_t(f.nDomainIndex) >= gaDomains.size())
        return nullptr;
    return &gaDomains[size_t(f.nDomainIndex)];
}

QString enumDescription(const FieldRecord& f, int16_t value)
{
    const DomainRecord* d = domainOf(f);
    return d && value >= 0 && value < kMaxEnumConstants ? d->aEnumDesc[size_t(value)].trimmed() : QString();
}

bool isDisplayField(const FieldRecord& f)
{
    const QString name = f.lFieldType < gaEnumFieldType.size() ? gaEnumFieldType[f.lFieldType].sName : QString();
    return name == QLatin1String("display") || name == QLatin1String("display.alone");
}

QString groupCaption(const GroupRecord& g, int32_t index)
{
    if (!g.sTabDesc.trimmed().isEmpty())
        return g.sTabDesc.trimmed();
    if (!g.sFrameDesc.trimmed().isEmpty())
        return g.sFrameDesc.trimmed();
    return QString::number(index + 1);
}

} // namespace

// What the preview shows, collected from the main tree in one walk, then made into
// widgets on the character grid.
class PreviewBuilder {
public:
    PreviewBuilder(frm_Preview& window, bool single) : m_window(window), m_single(single) {}

    void build()
    {
        collect();
        loadGridLabels();
        measure();
        if (!m_single)
            compactRows();
        widenFrames();
        makeWidgets();
    }

private:
    // ---- The walk ----

    void collect()
    {
        MainWindowInterface& main = *m_window.m_main;
        TreeNode* root = main.nodes().node(gsGroupKey(0));
        if (!root || !liveGroup(0))
            return;
        const bool rootPages = gaGroups[0].bNewPage;
        bool inRun = false;
        m_openGrids.emplace_back();  // the grid of fields among the groups
        for (TreeNode* n = root->child(); n; n = n->next()) {
            if (gbIsGroupKey(n->key())) {
                inRun = false;
                const int32_t g = n->keyNumber();
                const GroupRecord* group = liveGroup(g);
                if (!group)
                    continue;
                const bool opens = rootPages || group->bNewPage;
                m_hasPages = m_hasPages || opens;
                if (m_pages.empty() || opens)
                    m_pages.push_back({groupCaption(*group, g), n->key()});
            } else if (!inRun) {
                // A run of fields among the groups is a virtual group of its own: on a
                // page of its own, without caption, when the form shows pages.
                inRun = true;
                if (m_pages.empty() || rootPages)
                    m_pages.push_back({QString(), QString()});
            }
            std::optional<Span> ignored;
            visit(main, n, int(m_pages.size()) - 1, 0, ignored);
        }
        std::optional<Span> none;
        closeGrid(none);
        if (m_pages.empty())
            m_pages.push_back({QString(), QString()});
    }

    // Collects node and what lies below it; extent grows by what it shows on the page.
    void visit(MainWindowInterface& main, TreeNode* node, int page, int depth, std::optional<Span>& extent)
    {
        std::optional<Span> inner;
        if (gbIsGroupKey(node->key())) {
            const GroupRecord* group = liveGroup(node->keyNumber());
            if (!group)
                return;
            const size_t firstInner = m_frames.size();
            m_openGrids.emplace_back();
            for (TreeNode* c = node->child(); c; c = c->next())
                visit(main, c, page, depth + 1, inner);
            closeGrid(inner);
            if (inner && group->bShowGroupBox) {
                inner->col0 -= kFrameIndent;
                inner->col1 += kFrameIndent;
                inner->row0 -= 1;
                inner->row1 += 1;
                const size_t me = m_frames.size();
                m_frames.push_back({node->key(), page, depth, *inner, group->sFrameDesc.trimmed(), std::nullopt});
                for (size_t k = firstInner; k < me; ++k)
                    if (!m_frames[k].parent)
                        m_frames[k].parent = me;
            }
        } else if (gbIsFieldKey(node->key())) {
            const int32_t index = node->keyNumber();
            const FieldRecord* f = liveField(index);
            if (!f)
                return;
            const TreeNode* parent = node->parent();
            const FieldRecord* parentField = parent && gbIsFieldKey(parent->key()) ? liveField(parent->keyNumber())
                                                                                    : nullptr;
            const bool choice = parentField && parentField->lControl == ControlKind::OptionSet;
            const bool present = main.gbFieldIsPresent(index, node, m_single);
            std::optional<size_t> mine;
            if (present && !m_single && f->bInGrid) {
                addToGrid(*f, index, node->key(), page);
            } else if (present) {
                mine = m_fields.size();
                m_fields.push_back(fieldItem(*f, index, node->key(), page, choice, parent));
                unite(inner, m_fields.back().place);
                if (m_fields.back().labelPlace)
                    unite(inner, *m_fields.back().labelPlace);
            }
            std::optional<Span> below;
            for (TreeNode* c = node->child(); c; c = c->next())
                visit(main, c, page, depth + 1, below);
            // An option set is as high as its choices reach.
            if (mine && m_fields[*mine].kind == Kind::OptionSet && below)
                m_fields[*mine].place.row1 = std::max(m_fields[*mine].place.row1, below->row1);
            if (below)
                unite(inner, *below);
        }
        if (inner)
            unite(extent, *inner);
    }

    // A grid field joins the grid of the group being visited, which starts where the
    // first of its fields stands.
    void addToGrid(const FieldRecord& f, int32_t index, const QString& key, int page)
    {
        std::optional<size_t>& open = m_openGrids.back();
        const int32_t x = f.nLabelXPos > 0 ? std::min(f.nLabelXPos, f.iFieldXPos) : f.iFieldXPos;
        if (!open) {
            open = m_grids.size();
            m_grids.push_back({{}, page, Span{x, x, f.iFieldYPos, f.iFieldYPos}, false});
        }
        GroupGrid& grid = m_grids[*open];
        GridItem item{index, key, gridHeader(f), 0};
        item.columns = std::max<int32_t>({1, f.iFieldLength, int32_t(item.header.size()) + 2});
        grid.place.col0 = std::min(grid.place.col0, x);
        grid.place.row0 = grid.place.row1 = std::min(grid.place.row0, int32_t(f.iFieldYPos));
        grid.items.push_back(item);
    }

    // The group's grid, when it has one, follows the last row the group shows.
    void closeGrid(std::optional<Span>& inner)
    {
        if (const std::optional<size_t> open = m_openGrids.back()) {
            GroupGrid& grid = m_grids[*open];
            grid.place.col1 = grid.place.col0 + kGridRowHeader - 1;
            for (const GridItem& item : grid.items)
                grid.place.col1 += item.columns;
            grid.ownRow = !inner;
            if (inner)
                grid.place.row0 = grid.place.row1 = inner->row1;
            unite(inner, grid.place);
        }
        m_openGrids.pop_back();
    }

    FieldItem fieldItem(const FieldRecord& f, int32_t index, const QString& key, int page, bool choice,
                        const TreeNode* parent)
    {
        FieldItem item;
        item.index = index;
        item.key = key;
        item.page = page;
        item.kind = kindOf(f, choice);
        item.place = {f.iFieldXPos, std::max(f.iFieldXPos, f.nFieldEndPos), f.iFieldYPos,
                      int32_t(f.iFieldYPos + std::max<int16_t>(1, f.iFieldHeight) - 1)};
        item.text = f.sLabelDescSO.trimmed();
        if (f.iLabelLengthSO > 0 && f.nLabelXPos > 0) {
            const int32_t height = std::max<int16_t>(1, f.iLabelHeightSO);
            item.labelAt = f.lLabelPosition == 2   ? LabelAt::Above
                           : f.lLabelPosition == 3 ? LabelAt::Right
                                                   : LabelAt::Left;
            const int32_t top = item.labelAt == LabelAt::Above ? f.iFieldYPos - height : f.iFieldYPos;
            item.labelPlace = Span{f.nLabelXPos, f.nLabelXPos + f.iLabelLengthSO - 1, top, top + height - 1};
        }
        switch (item.kind) {
        case Kind::Choice:
            // The radio button carries the label: its place takes the label's in.
            item.optionSet = parent->keyNumber();
            if (item.text.isEmpty())
                item.text = enumDescription(gaFields[size_t(item.optionSet)], f.iLinkedConst);
            if (item.labelPlace)
                item.place.unite(*item.labelPlace);
            item.labelPlace.reset();
            break;
        case Kind::LabelOnly:
            if (item.labelPlace)
                item.place = *item.labelPlace;
            item.labelPlace.reset();
            break;
        default:
            if (item.text.isEmpty())
                item.labelPlace.reset();
            break;
        }
        return item;
    }

    // The multi-occurrence labels are fetched when first needed.
    void loadGridLabels()
    {
        const auto missing = [](const GridItem& g) {
            const FieldRecord& f = gaFields[size_t(g.index)];
            return f.sLabelDescMO.trimmed().isEmpty() && !f.sLabelCode.isEmpty() && f.iLabelLengthMO > 0;
        };
        if (std::none_of(m_grids.begin(), m_grids.end(),
                         [&](const GroupGrid& grid) { return std::any_of(grid.items.begin(), grid.items.end(), missing); }))
            return;
        gLoadFieldLabels(1, false);
        for (GroupGrid& grid : m_grids)
            for (GridItem& g : grid.items)
                g.header = gridHeader(gaFields[size_t(g.index)]);
    }

    static QString gridHeader(const FieldRecord& f)
    {
        for (const QString& text : {f.sLabelDescMO, f.sLabelDescSO, f.sFieldName})
            if (!text.trimmed().isEmpty())
                return text.trimmed();
        return QString();
    }

    // ---- The grid ----

    // The column width: the font's average character, wider while a label does not
    // fit its length (at most twice as wide; what still does not fit is elided).
    void measure()
    {
        const QFontMetrics fm(m_window.font());
        int width = std::max(1, fm.averageCharWidth());
        const int widest = width * 2;
        for (const FieldItem& f : m_fields) {
            const FieldRecord& r = gaFields[size_t(f.index)];
            if (f.text.isEmpty() || r.iLabelLengthSO <= 0)
                continue;
            // A label of several rows wraps over them.
            const int rows = std::max<int16_t>(1, r.iLabelHeightSO);
            const int needed = (fm.horizontalAdvance(f.text) / rows + r.iLabelLengthSO - 1) / r.iLabelLengthSO;
            width = std::clamp(needed, width, widest);
        }
        QLineEdit edit;
        QComboBox combo;
        edit.setFont(m_window.font());
        combo.setFont(m_window.font());
        const int line = std::max({edit.sizeHint().height(), combo.sizeHint().height(), fm.height() + 4});
        m_cell = QSize(width, line + 2);
        m_window.m_cell = m_cell;
    }

    // Multi occurrence: rows that hold nothing shown go, pages one below the other.
    void compactRows()
    {
        std::map<std::pair<int, int32_t>, int32_t> rows;
        const auto mark = [&rows](int page, const Span& s) {
            for (int32_t r = s.row0; r <= s.row1; ++r)
                rows.emplace(std::make_pair(page, r), 0);
        };
        for (const FieldItem& f : m_fields) {
            mark(f.page, f.place);
            if (f.labelPlace)
                mark(f.page, *f.labelPlace);
        }
        // A frame takes its first and last row; what lies between is its content's.
        for (const FrameItem& fr : m_frames) {
            mark(fr.page, {fr.place.col0, fr.place.col1, fr.place.row0, fr.place.row0});
            mark(fr.page, {fr.place.col0, fr.place.col1, fr.place.row1, fr.place.row1});
        }
        for (const GroupGrid& g : m_grids)
            mark(g.page, g.place);
        int32_t next = 1;
        for (auto& [at, row] : rows)
            row = next++;
        const auto move = [&rows](int page, Span& s) {
            s.row0 = rows[{page, s.row0}];
            s.row1 = rows[{page, s.row1}];
        };
        for (FieldItem& f : m_fields) {
            move(f.page, f.place);
            if (f.labelPlace)
                move(f.page, *f.labelPlace);
            f.page = 0;
        }
        for (FrameItem& fr : m_frames) {
            move(fr.page, fr.place);
            fr.page = 0;
        }
        for (GroupGrid& g : m_grids) {
            move(g.page, g.place);
            g.page = 0;
        }
        m_pages.resize(1);
        m_hasPages = false;

        // Each table gets rows of its own: what stands below it moves down, the boxes
        // around it grow. The lowest first, so that the ones above move it along.
        std::vector<size_t> order(m_grids.size());
        for (size_t k = 0; k < order.size(); ++k)
            order[k] = k;
        std::sort(order.begin(), order.end(),
                  [this](size_t a, size_t b) { return m_grids[a].place.row0 > m_grids[b].place.row0; });
        for (const size_t k : order) {
            GroupGrid& grid = m_grids[k];
            const int32_t after = grid.place.row0;
            const int32_t added = kGridSpanRows - (grid.ownRow ? 1 : 0);
            const auto shift = [after, added](Span& s) {
                s.row0 += s.row0 > after ? added : 0;
                s.row1 += s.row1 > after ? added : 0;
            };
            for (FieldItem& f : m_fields) {
                shift(f.place);
                if (f.labelPlace)
                    shift(*f.labelPlace);
            }
            for (FrameItem& fr : m_frames)
                shift(fr.place);
            for (GroupGrid& other : m_grids)
                if (&other != &grid)
                    shift(other.place);
            grid.place.row0 = grid.ownRow ? after : after + 1;
            grid.place.row1 = grid.place.row0 + kGridSpanRows - 1;
        }
    }

    // A group box is widened to show its whole title as far as nothing stands in the
    // way on its rows (one blank kept); it always holds the boxes inside it.
    void widenFrames()
    {
        const QFontMetrics fm(m_window.font());
        std::map<std::pair<int, int32_t>, std::vector<int32_t>> starts;  // left columns by row
        const auto add = [&starts](int page, const Span& s) {
            for (int32_t r = s.row0; r <= s.row1; ++r)
                starts[{page, r}].push_back(s.col0);
        };
        for (const FieldItem& f : m_fields) {
            add(f.page, f.place);
            if (f.labelPlace)
                add(f.page, *f.labelPlace);
        }
        for (const FrameItem& fr : m_frames)
            add(fr.page, fr.place);
        for (const GroupGrid& g : m_grids)
            add(g.page, g.place);

        // Inner boxes come first: an outer box wants room for them as they became.
        std::vector<int32_t> wanted(m_frames.size()), original(m_frames.size());
        for (size_t k = 0; k < m_frames.size(); ++k) {
            const FrameItem& fr = m_frames[k];
            original[k] = fr.place.col1;
            const int32_t title = (fm.horizontalAdvance(fr.title) + m_cell.width() - 1) / m_cell.width();
            wanted[k] = std::max(wanted[k], fr.place.col0 + 3 + title);
        }
        for (size_t k = 0; k < m_frames.size(); ++k) {
            FrameItem& fr = m_frames[k];
            int32_t right = std::max(wanted[k], fr.place.col1);
            for (int32_t r = fr.place.row0; r <= fr.place.row1 && right > fr.place.col1; ++r)
                if (const auto it = starts.find({fr.page, r}); it != starts.end())
                    for (const int32_t x : it->second)
                        if (x > fr.place.col1)
                            right = std::min(right, x - 2);
            fr.place.col1 = std::max(fr.place.col1, right);
            if (fr.parent)
                wanted[*fr.parent] = std::max(wanted[*fr.parent], fr.place.col1 + kFrameIndent);
        }
        // An inner box that grew further than its outer box could is cut back.
        for (size_t k = m_frames.size(); k-- > 0;)
            if (const std::optional<size_t> p = m_frames[k].parent)
                m_frames[k].place.col1 =
                    std::max(original[k], std::min(m_frames[k].place.col1, m_frames[*p].place.col1 - kFrameIndent));
    }

    // ---- Widgets ----

    QRect rect(const Span& s) const
    {
        const int w = m_cell.width(), h = m_cell.height();
        return QRect((s.col0 - 1) * w, rowTop(s.row0), (s.col1 - s.col0 + 1) * w, (s.row1 - s.row0 + 1) * h);
    }

    // Rows of fields go into strips of a few rows each, laid over the group boxes: a
    // widget with thousands of children repaints and closes in time growing with their
    // square. A strip ends only where no field or label reaches over into the next row.
    static std::vector<Strip> stripsOf(const std::vector<Span>& spans)
    {
        std::map<int32_t, int32_t> crossing;  // row: how many reach from it into the next, as a running sum
        int32_t first = std::numeric_limits<int32_t>::max(), last = std::numeric_limits<int32_t>::min();
        for (const Span& s : spans) {
            first = std::min(first, s.row0);
            last = std::max(last, s.row1);
            if (s.row1 > s.row0) {
                ++crossing[s.row0];
                --crossing[s.row1];
            }
        }
        std::vector<Strip> strips;
        if (first > last)
            return strips;
        int32_t open = 0, start = first;
        auto it = crossing.begin();
        for (int32_t row = first; row <= last; ++row) {
            for (; it != crossing.end() && it->first <= row; ++it)
                open += it->second;
            if (row == last || (open == 0 && row - start + 1 >= kStripRows)) {
                strips.push_back({start, row, nullptr});
                start = row + 1;
            }
        }
        return strips;
    }

    int rowTop(int32_t row) const { return m_top + (row - 1) * m_cell.height(); }

    void grow(int page, const QRect& r)
    {
        QSize& e = m_extents[size_t(page)];
        e = e.expandedTo(QSize(r.right() + 1, r.bottom() + 1));
    }

    void makeWidgets()
    {
        m_top = m_cell.height() / 2;
        m_extents.assign(m_pages.size(), QSize());
        for (size_t p = 0; p < m_pages.size(); ++p) {
            auto* canvas = new QWidget;
            canvas->setObjectName(QStringLiteral("fraPage%1").arg(p + 1));
            m_canvases.push_back(canvas);
        }
        makeFrames();
        makeStrips();
        makeFields();
        for (const GroupGrid& g : m_grids)
            grow(g.page, makeTable(m_canvases[size_t(g.page)], g)->geometry());
        for (size_t p = 0; p < m_canvases.size(); ++p) {
            m_canvases[p]->setFixedSize(m_extents[p].width() + 2 * m_cell.width(), m_extents[p].height() + m_top);
            for (const Strip& st : m_strips[p])
                st.widget->setGeometry(0, rowTop(st.row0), m_canvases[p]->width(),
                                       rowTop(st.row1 + 1) - rowTop(st.row0));
        }
        m_window.m_canvases = QList<QWidget*>(m_canvases.begin(), m_canvases.end());
        showPages();
    }

    // Group boxes first, each inside the one around it (an outer box comes after its
    // inner ones in the list).
    void makeFrames()
    {
        const QFontMetrics fm(m_window.font());
        std::vector<QGroupBox*> boxes(m_frames.size());
        std::vector<QRect> placed(m_frames.size());
        for (size_t k = m_frames.size(); k-- > 0;) {
            const FrameItem& fr = m_frames[k];
            const QRect r = rect(fr.place);
            // The frame's line runs through the middle of its first and last rows.
            const int half = m_cell.height() / 2;
            placed[k] = r.adjusted(m_cell.width() / 2, std::max(0, half - fm.height() / 2 - 2), -m_cell.width() / 2,
                                   -half + 2);
            QWidget* parent = fr.parent ? static_cast<QWidget*>(boxes[*fr.parent]) : m_canvases[size_t(fr.page)];
            auto* box = new QGroupBox(parent);
            boxes[k] = box;
            box->setGeometry(placed[k].translated(fr.parent ? -placed[*fr.parent].topLeft() : QPoint()));
            box->setTitle(fm.elidedText(fr.title, Qt::ElideRight, std::max(0, box->width() - 3 * m_cell.width())));
            if (box->title() != fr.title)
                box->setToolTip(fr.title);
            m_window.selects(box, fr.key);
            m_window.m_frameBoxes.push_back({box, fr.key, fr.depth});
            grow(fr.page, r);
        }
    }

    void makeStrips()
    {
        std::vector<std::vector<Span>> spans(m_pages.size());
        for (const FieldItem& f : m_fields) {
            spans[size_t(f.page)].push_back(f.place);
            if (f.labelPlace)
                spans[size_t(f.page)].push_back(*f.labelPlace);
        }
        m_strips.resize(m_pages.size());
        for (size_t p = 0; p < m_pages.size(); ++p) {
            m_strips[p] = stripsOf(spans[p]);
            for (Strip& st : m_strips[p]) {
                st.widget = new QWidget(m_canvases[p]);
                st.widget->setProperty(kStripProperty, true);
                st.widget->installEventFilter(&m_window);
            }
        }
    }

    // The strip a field or label starts in, and its top on the page.
    std::pair<QWidget*, int> stripOf(int page, const Span& s) const
    {
        const std::vector<Strip>& list = m_strips[size_t(page)];
        const auto it = std::upper_bound(list.begin(), list.end(), s.row0,
                                         [](int32_t row, const Strip& st) { return row < st.row0; });
        const Strip& st = *std::prev(it);
        return {st.widget, rowTop(st.row0)};
    }

    void makeFields()
    {
        const QFontMetrics fm(m_window.font());
        // Option sets before the rest: their choices lie on them.
        std::map<int32_t, QButtonGroup*> optionGroups;
        for (const FieldItem& f : m_fields) {
            if (f.kind != Kind::OptionSet)
                continue;
            const auto [strip, top] = stripOf(f.page, f.place);
            auto* frame = new QFrame(strip);
            frame->setFrameShape(QFrame::Box);
            frame->setFrameShadow(QFrame::Sunken);
            frame->setGeometry(rect(f.place).adjusted(-2, 0, 2, 0).translated(0, -top));
            optionGroups[f.index] = new QButtonGroup(frame);
            m_window.m_controls.insert(f.index, frame);
            m_window.selects(frame, f.key);
            grow(f.page, frame->geometry().translated(0, top));
        }
        for (const FieldItem& f : m_fields) {
            if (f.labelPlace) {
                const auto [strip, top] = stripOf(f.page, *f.labelPlace);
                const QRect r = rect(*f.labelPlace).translated(0, -top);
                QLabel* label = makeLabel(strip, f.text, r, f.labelAt, fm);
                m_window.m_labels.insert(f.index, label);
                m_window.selects(label, f.key);
                grow(f.page, r.translated(0, top));
            }
            if (f.kind == Kind::OptionSet)
                continue;
            const auto [strip, top] = stripOf(f.page, f.place);
            QWidget* control = makeControl(strip, f, top, fm, optionGroups);
            m_window.m_controls.insert(f.index, control);
            m_window.selects(control, f.key);
            grow(f.page, control->geometry().translated(0, top));
        }
    }

    // Each page in a scroll area; a tab each when the form shows pages.
    void showPages()
    {
        const auto scrolled = [](QWidget* canvas, QWidget* parent) {
            auto* area = new QScrollArea(parent);
            area->setWidget(canvas);
            area->setWidgetResizable(false);
            area->setFrameShape(QFrame::NoFrame);
            return area;
        };
        if (!m_single || !m_hasPages) {
            m_window.m_content = scrolled(m_canvases.front(), &m_window);
            return;
        }
        auto* tabWidget = new QTabWidget(&m_window);
        tabWidget->setObjectName(QStringLiteral("tabPages"));
        for (size_t p = 0; p < m_canvases.size(); ++p)
            tabWidget->addTab(scrolled(m_canvases[p], tabWidget), m_pages[p].caption);
        // A tab stands for the group that opens its page.
        const auto select = [w = &m_window, pages = m_pages](int i) {
            if (i >= 0 && size_t(i) < pages.size() && !pages[size_t(i)].key.isEmpty())
                w->selectNode(pages[size_t(i)].key);
        };
        QObject::connect(tabWidget->tabBar(), &QTabBar::tabBarClicked, &m_window, select);
        m_window.tabPages = tabWidget;
        m_window.m_content = tabWidget;
    }

    QLabel* makeLabel(QWidget* canvas, const QString& text, const QRect& r, LabelAt at, const QFontMetrics& fm)
    {
        auto* label = new QLabel(canvas);
        label->setGeometry(r);
        const bool rows = r.height() > m_cell.height();
        label->setWordWrap(rows);
        label->setText(rows ? text : fm.elidedText(text, Qt::ElideRight, r.width()));
        if (label->text() != text)
            label->setToolTip(text);
        label->setAlignment(Qt::AlignLeft | (at == LabelAt::Above ? Qt::AlignBottom : Qt::AlignVCenter));
        return label;
    }

    // The control of f on canvas, whose top is at top on the page.
    QWidget* makeControl(QWidget* canvas, const FieldItem& f, int top, const QFontMetrics& fm,
                         const std::map<int32_t, QButtonGroup*>& optionGroups)
    {
        const FieldRecord& r = gaFields[size_t(f.index)];
        QRect place = rect(f.place).adjusted(0, 1, 0, -1).translated(0, -top);
        QWidget* w = nullptr;
        switch (f.kind) {
        case Kind::CheckBox: {
            auto* box = new QCheckBox(canvas);
            place.setWidth(std::max(place.width(), box->sizeHint().width()));
            w = box;
            break;
        }
        case Kind::Combo: {
            auto* combo = new QComboBox(canvas);
            // The domain's constants, when they are loaded.
            if (const DomainRecord* d = domainOf(r); d && d->bEnumsLoaded)
                for (size_t v = 1; v < size_t(kMaxEnumConstants); ++v)
                    if (!d->aEnumDesc[v].trimmed().isEmpty())
                        combo->addItem(d->aEnumDesc[v].trimmed());
            w = combo;
            break;
        }
        case Kind::Choice: {
            auto* radio = new QRadioButton(f.text, canvas);
            const int room = place.width() - radio->sizeHint().width() + fm.horizontalAdvance(f.text);
            radio->setText(fm.elidedText(f.text, Qt::ElideRight, std::max(0, room)));
            if (const auto it = optionGroups.find(f.optionSet); it != optionGroups.end())
                it->second->addButton(radio);
            w = radio;
            break;
        }
        case Kind::Picture: {
            // The icon's picture from the host; without one a framed place holding its name.
            const QString icon = r.sIconName.trimmed();
            auto* picture = new QLabel(canvas);
            const QPixmap image = iconPicture(icon);
            if (image.isNull()) {
                picture->setText(icon);
                picture->setFrameShape(QFrame::StyledPanel);
                picture->setFrameShadow(QFrame::Sunken);
                picture->setBackgroundRole(QPalette::Base);
                picture->setAutoFillBackground(true);
            } else {
                picture->setPixmap(image.height() > place.height()
                                       ? image.scaledToHeight(place.height(), Qt::SmoothTransformation)
                                       : image);
            }
            picture->setAlignment(Qt::AlignCenter);
            picture->setToolTip(icon);
            w = picture;
            break;
        }
        case Kind::LabelOnly: {
            return makeLabel(canvas, f.text, rect(f.place).translated(0, -top), LabelAt::Left, fm);
        }
        case Kind::Text: {
            auto* text = new QPlainTextEdit(canvas);
            text->setReadOnly(isDisplayField(r));
            text->viewport()->installEventFilter(&m_window);
            w = text;
            break;
        }
        default: {
            auto* edit = new QLineEdit(canvas);
            edit->setReadOnly(isDisplayField(r));
            if (r.iMaxInpLen > 0) {
                edit->setMaxLength(r.iMaxInpLen);
                gKeepWholeCharacters(edit);
            }
            w = edit;
            break;
        }
        }
        w->setGeometry(place);
        return w;
    }

    // Each icon is fetched once a preview (the files stay cached for the run).
    QPixmap iconPicture(const QString& icon)
    {
        if (icon.isEmpty())
            return {};
        const auto it = m_icons.find(icon);
        if (it != m_icons.end())
            return it->second;
        const QString file = m_window.m_iconFile ? m_window.m_iconFile(icon) : QString();
        return m_icons[icon] = file.isEmpty() ? QPixmap() : QPixmap(file);
    }

    QTableWidget* makeTable(QWidget* canvas, const GroupGrid& grid)
    {
        auto* table = new QTableWidget(kGridRows, int(grid.items.size()), canvas);
        table->setObjectName(QStringLiteral("grdOccurrences"));
        QStringList headers;
        for (size_t c = 0; c < grid.items.size(); ++c) {
            const GridItem& g = grid.items[c];
            headers << g.header;
            table->setColumnWidth(int(c), g.columns * m_cell.width());
            if (gaFields[size_t(g.index)].lControl == ControlKind::CheckBox)
                for (int row = 0; row < kGridRows; ++row) {
                    auto* item = new QTableWidgetItem;
                    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                    item->setCheckState(Qt::Unchecked);
                    table->setItem(row, int(c), item);
                }
            m_window.m_gridColumns.insert(g.index, int(c));
            m_window.m_grids.insert(g.index, table);
        }
        table->setHorizontalHeaderLabels(headers);
        table->verticalHeader()->setFixedWidth(kGridRowHeader * m_cell.width());
        table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        for (int row = 0; row < kGridRows; ++row)
            table->setRowHeight(row, m_cell.height() - 2);
        const int height = table->horizontalHeader()->sizeHint().height() + kGridRows * (m_cell.height() - 2)
                           + 2 * table->frameWidth();
        const QRect r = rect(grid.place);
        table->setGeometry(r.x(), r.y(), r.width() + 2 * table->frameWidth(), std::min(height, r.height()));
        std::vector<QString> keys;
        for (const GridItem& g : grid.items)
            keys.push_back(g.key);
        const auto select = [w = &m_window, keys](int column) {
            if (column >= 0 && size_t(column) < keys.size())
                w->selectNode(keys[size_t(column)]);
        };
        QObject::connect(table, &QTableWidget::cellPressed, &m_window, [select](int, int column) { select(column); });
        QObject::connect(table->horizontalHeader(), &QHeaderView::sectionPressed, &m_window, select);
        m_window.grdOccurrences.append(table);
        return table;
    }

    frm_Preview& m_window;
    const bool m_single;
    bool m_hasPages = false;
    std::vector<Page> m_pages;
    std::vector<FieldItem> m_fields;
    std::vector<FrameItem> m_frames;
    std::vector<GroupGrid> m_grids;
    std::vector<std::optional<size_t>> m_openGrids;  // the grid of each group being visited
    QSize m_cell;
    int m_top = 0;  // the first row's top on a page
    std::vector<QWidget*> m_canvases;  // one per page
    std::vector<QSize> m_extents;      // what each page holds
    std::vector<std::vector<Strip>> m_strips;
    std::map<QString, QPixmap> m_icons;
};

frm_Preview::frm_Preview(MainWindowInterface* main, IconFile iconFile, QWidget* parent)
    : QWidget(parent, Qt::Window), m_main(main), m_iconFile(std::move(iconFile))
{
    setObjectName(QStringLiteral("frm_Preview"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

frm_Preview::~frm_Preview() = default;

QList<QWidget*> frm_Preview::canvases() const { return m_canvases; }

void frm_Preview::clear()
{
    delete m_content;
    m_content = nullptr;
    tabPages = nullptr;
    grdOccurrences.clear();
    m_grids.clear();
    m_controls.clear();
    m_labels.clear();
    m_gridColumns.clear();
    m_canvases.clear();
    m_frameBoxes.clear();
}

void frm_Preview::Form_Load()
{
    clear();
    if (goFonts)
        goFonts->SetDefaultFont(this);
    const bool single = gbPreviewSingleOcc;
    // The caption of the menu entry and the form's description.
    QString title;
    const QString entryName = single ? QStringLiteral("mnuOPreview") : QStringLiteral("mnuOPreviewMO");
    if (m_main)
        title = m_main->menuCaption(entryName).remove(QLatin1Char('&'));
    setWindowTitle(gsHeader.trimmed().isEmpty() ? title : title + QStringLiteral(" - ") + gsHeader.trimmed());
    if (m_main) {
        const TreeNode* selected = m_main->nodes().selectedItem();
        m_selectedAtLoad = selected ? selected->key() : QString();
        PreviewBuilder(*this, single).build();
    }
    if (!m_content)
        m_content = new QWidget(this);
    m_layout->addWidget(m_content);

    // As large as the form, within the screen.
    QSize wanted(320, 200);
    for (QWidget* canvas : m_canvases)
        wanted = wanted.expandedTo(canvas->size());
    if (tabPages)
        wanted += QSize(8, tabPages->tabBar()->sizeHint().height() + 8);
    wanted += QSize(4, 4);
    if (const QScreen* s = screen()) {
        // Cut to the screen, with room for the scroll bar that then shows.
        const QSize room = s->availableGeometry().size() * 9 / 10;
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        if (wanted.width() > room.width())
            wanted.rheight() += bar;
        if (wanted.height() > room.height())
            wanted.rwidth() += bar;
        wanted = wanted.boundedTo(room);
    }
    resize(wanted);
    // A new preview over the main window; one shown again stays where the user put it.
    platform::fitOnScreen(this, isVisible() ? nullptr : parentWidget());
}

void frm_Preview::Form_Unload()
{
    clear();
    if (!gbPreviewOpen)
        return;
    gbPreviewOpen = false;
    if (!m_main)
        return;
    if (m_main->isLocked())
        m_main->mToggleEnablingPLM();
    // A click in the preview may have chosen another node: the commands follow it.
    const TreeNode* selected = m_main->nodes().selectedItem();
    if ((selected ? selected->key() : QString()) != m_selectedAtLoad)
        m_main->mSetMenuState();
}

void frm_Preview::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

void frm_Preview::selects(QWidget* widget, const QString& key)
{
    widget->setProperty(kKeyProperty, key);
    widget->installEventFilter(this);
}

void frm_Preview::selectNode(const QString& key)
{
    if (!m_main)
        return;
    QString k = key;
    m_main->SetFocusToNode(k);
}

bool frm_Preview::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::MouseButtonPress || !widget)
        return QWidget::eventFilter(watched, event);
    // A press a child did not take comes on to its parent: the child chose already.
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (widget->childAt(at))
        return QWidget::eventFilter(watched, event);
    if (widget->property(kStripProperty).isValid()) {
        // Between the controls of a strip: the innermost group box there.
        const QWidget* canvas = widget->parentWidget();
        const QPoint point = widget->mapTo(canvas, at);
        const FrameBox* best = nullptr;
        for (const FrameBox& f : m_frameBoxes)
            if (canvas->isAncestorOf(f.box) && QRect(f.box->mapTo(canvas, QPoint()), f.box->size()).contains(point)
                && (!best || f.depth > best->depth))
                best = &f;
        if (best)
            selectNode(best->key);
        return QWidget::eventFilter(watched, event);
    }
    // A text box's clicks land on its viewport.
    for (QObject* o = watched; o && o != this; o = o->parent()) {
        const QVariant key = o->property(kKeyProperty);
        if (key.isValid()) {
            selectNode(key.toString());
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

