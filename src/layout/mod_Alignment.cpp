#include "mod_Alignment.h"

#include <algorithm>
#include <limits>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"

namespace {

constexpr int32_t kFormLeft = 2;
constexpr int32_t kFirstRow = 1;
constexpr int32_t kFrameIndent = 2;  // the frame's line and one blank
constexpr int32_t kGap = 1;          // between a label and its field, and between fields of a row
constexpr int32_t kColumnGap = 2;
constexpr int32_t kGroupGap = 2;
constexpr int32_t kMaxX = kMaxFieldXPos;

// A line is a top-level field of a group with its follow-ups, in rows: the first row
// starts with the field, each further row with a follow-up that goes below its field.
struct Line;
struct Item {
    int32_t field = 0;
    std::vector<Line> choices;  // an option set's choices
};
struct Row {
    std::vector<Item> items;
};
struct Line {
    std::vector<Row> rows;
};

enum class LabelAt { None, Left, Above, Right };

LabelAt labelAt(const FieldRecord& f)
{
    if (f.iLabelLengthSO <= 0)
        return LabelAt::None;
    switch (f.lLabelPosition) {
    case 2: return LabelAt::Above;
    case 3: return LabelAt::Right;
    default: return LabelAt::Left;
    }
}

int32_t fieldWidth(const FieldRecord& f) { return std::max<int32_t>(1, f.iFieldLength); }
int32_t fieldHeight(const FieldRecord& f) { return std::max<int32_t>(1, f.iFieldHeight); }
int32_t labelHeight(const FieldRecord& f) { return std::max<int32_t>(1, f.iLabelHeightSO); }

int32_t columnsOf(const GroupRecord& g)
{
    const int32_t w = g.iGroupWidth > 100 ? g.iGroupWidth - 100 : g.iGroupWidth;
    return std::max<int32_t>(1, w);
}

int16_t toInt16(int64_t v)
{
    return int16_t(std::clamp<int64_t>(v, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

// Where a field was put: x and labelX structural (before groups beside others are
// moved right), y relative to its group's top until the shifts are applied.
struct Pos {
    int64_t x = 0, y = 0, labelX = 0, end = 0;
    int32_t column = 0;
    bool set = false;
};

// What a run of rows took: its last column, its rows and the rightmost field start.
struct Extent {
    int32_t right = 0;
    int32_t height = 0;
    int32_t reach = 0;
};

struct GroupPlan {
    int32_t index = 0;  // gaGroups index
    std::optional<size_t> parent;
    std::vector<size_t> children;
    std::vector<Line> lines;
    size_t grid = 0;
    int32_t columns = 1;
    int32_t left = 0;  // structural left edge
    int32_t contentLeft = 0;
    bool framed = false;
    // The block, in the group's own rows and structural columns.
    int32_t height = 0;
    int32_t right = 0;
    int32_t reach = 0;
    int32_t dx = 0, dy = 0;  // where the block stands in its parent's block
    std::vector<int32_t> placed;
};

struct Grid {
    std::vector<size_t> members;  // plans with lines, in walk order
    int32_t base = 0;
    int32_t columns = 1;
    std::vector<int32_t> start;       // left of each column (its label column)
    std::vector<int32_t> labelWidth;  // widest left label of the column's first fields
    int32_t fieldStart(size_t j) const { return start[j] + (labelWidth[j] > 0 ? labelWidth[j] + kGap : 0); }
};

class Layout {
public:
    void run()
    {
        if (gaGroups.empty() || gaGroups[0].Grpi == -1)
            return;
        m_takenField.assign(gaFields.size(), false);
        m_takenGroup.assign(gaGroups.size(), false);
        m_pos.assign(gaFields.size(), Pos{});
        m_takenGroup[0] = true;
        m_planOf.assign(gaGroups.size(), std::nullopt);
        addPlan(0, std::nullopt, kFormLeft);
        assignGrids();
        for (Grid& grid : m_grids)
            sizeGrid(grid);
        layOut(0);
        shift(0, 0, kFirstRow);
        write();
    }

private:
    // ---- The plan: groups, their grids and their lines ----

    std::optional<int32_t> liveField(int16_t nOmod) const
    {
        if (nOmod == 0)
            return std::nullopt;
        const std::optional<int32_t> i = m_ids(nOmod);
        if (!i || *i < 1 || *i > gnFieldCount || size_t(*i) >= gaFields.size() || m_takenField[size_t(*i)]
            || gaFields[size_t(*i)].lFieldId <= 0)
            return std::nullopt;
        return i;
    }

    // The field and everything that follows it up, into row r of line: an option set's
    // follow-ups are its choices; other follow-ups stand behind the field on its row when
    // it has bImmediateBehind, else each on a row of its own below.
    void addItem(Line& line, size_t r, int32_t index)
    {
        m_takenField[size_t(index)] = true;
        const FieldRecord& f = gaFields[size_t(index)];
        line.rows[r].items.push_back(Item{index, {}});
        const size_t at = line.rows[r].items.size() - 1;
        for (std::optional<int32_t> c = liveField(f.lChildField); c; c = liveField(gaFields[size_t(*c)].lNextField)) {
            if (f.lControl == ControlKind::OptionSet) {
                Line choice = lineOf(*c);
                line.rows[r].items[at].choices.push_back(std::move(choice));
            } else if (f.bImmediateBehind) {
                addItem(line, r, *c);
            } else {
                line.rows.emplace_back();
                addItem(line, line.rows.size() - 1, *c);
            }
        }
    }

    Line lineOf(int32_t index)
    {
        Line line;
        line.rows.emplace_back();
        addItem(line, 0, index);
        return line;
    }

    std::vector<Line> linesOf(const GroupRecord& g)
    {
        std::vector<Line> lines;
        for (std::optional<int32_t> i = liveField(g.lFirstField); i; i = liveField(gaFields[size_t(*i)].lNextField))
            lines.push_back(lineOf(*i));
        return lines;
    }

    // One grid for each set of groups joined by their alignment: 0 joins the parent's
    // grid, 1 or more the grid of the group with that index; the form keeps its own.
    void assignGrids()
    {
        std::vector<size_t> up(m_plans.size());
        for (size_t p = 0; p < up.size(); ++p)
            up[p] = p;
        const auto find = [&up](size_t p) {
            while (up[p] != p)
                p = up[p] = up[up[p]];
            return p;
        };
        for (size_t p = 1; p < m_plans.size(); ++p) {
            const int32_t index = m_plans[p].index;
            const int16_t id = gaGroups[size_t(index)].lAlignmentGroupId;
            std::optional<size_t> other;
            if (id == 0)
                other = m_plans[p].parent;
            else if (id > 0 && id != index && size_t(id) < m_planOf.size())
                other = m_planOf[size_t(id)];
            if (other)
                up[find(p)] = find(*other);
        }
        std::map<size_t, size_t> gridOf;
        for (size_t p = 0; p < m_plans.size(); ++p) {
            const auto [it, added] = gridOf.emplace(find(p), m_grids.size());
            if (added)
                m_grids.emplace_back();
            GroupPlan& plan = m_plans[p];
            plan.grid = it->second;
            if (!plan.lines.empty()) {
                Grid& grid = m_grids[plan.grid];
                grid.members.push_back(p);
                grid.base = std::max(grid.base, plan.contentLeft);
            }
        }
    }

    size_t addPlan(int32_t index, std::optional<size_t> parent, int32_t left)
    {
        const GroupRecord& g = gaGroups[size_t(index)];
        const size_t me = m_plans.size();
        m_plans.emplace_back();
        m_planOf[size_t(index)] = me;
        {
            GroupPlan& p = m_plans[me];
            p.index = index;
            p.parent = parent;
            p.columns = columnsOf(g);
            p.left = left;
            p.framed = g.bShowGroupBox;
            p.contentLeft = left + (p.framed ? kFrameIndent : 0);
        }
        m_plans[me].lines = linesOf(g);
        for (int16_t c = g.lChildGroup; c > 0 && size_t(c) <= gaGroups.size(); c = gaGroups[size_t(c - 1)].lNextGroup) {
            const size_t child = size_t(c - 1);
            if (m_takenGroup[child] || gaGroups[child].Grpi == -1)
                break;
            m_takenGroup[child] = true;
            const size_t plan = addPlan(int32_t(child), me, m_plans[me].contentLeft);
            m_plans[me].children.push_back(plan);
        }
        return me;
    }

    // ---- Rows of fields ----

    // The rows of a line one below the other, each starting at fieldStart (its first
    // left label at outsideLabelX unless that is negative); sink null measures only.
    Extent placeLine(const Line& line, int32_t fieldStart, int32_t outsideLabelX, int32_t top, int32_t column,
                     std::vector<int32_t>* sink)
    {
        Extent e{fieldStart - 1, 0, 0};
        for (const Row& row : line.rows) {
            const Extent r = placeItems(row.items, fieldStart, outsideLabelX, top + e.height, column, sink);
            e.right = std::max(e.right, r.right);
            e.reach = std::max(e.reach, r.reach);
            e.height += r.height;
        }
        return e;
    }

    // Choices of an option set from x down, their labels inside the set.
    Extent placeChoices(const std::vector<Line>& choices, int32_t x, int32_t top, int32_t column,
                        std::vector<int32_t>* sink)
    {
        Extent e{x - 1, 0, 0};
        for (const Line& choice : choices) {
            const Extent c = placeLine(choice, x, -1, top + e.height, column, sink);
            e.right = std::max(e.right, c.right);
            e.reach = std::max(e.reach, c.reach);
            e.height += c.height;
        }
        return e;
    }

    struct Spot {
        const Item* item;
        int32_t x, labelX, end, right, above, body, reach;
    };

    Spot spotAt(const Item& item, int32_t start, int32_t outsideLabelX, int32_t column)
    {
        const FieldRecord& f = gaFields[size_t(item.field)];
        const LabelAt at = labelAt(f);
        const int32_t length = f.iLabelLengthSO;
        const bool outside = at == LabelAt::Left && outsideLabelX >= 0;
        const int32_t x = at == LabelAt::Left && !outside ? start + length + kGap : start;
        int32_t width = fieldWidth(f);
        int32_t height = fieldHeight(f);
        int32_t reach = x;
        if (!item.choices.empty()) {
            const Extent c = placeChoices(item.choices, x, 0, column, nullptr);
            width = std::max(width, c.right - x + 1);
            height = std::max(height, c.height);
            reach = std::max(reach, c.reach);
        }
        Spot s{&item, x, 0, x + width - 1, x + width - 1, 0, height, reach};
        switch (at) {
        case LabelAt::None: break;
        case LabelAt::Left:
            s.labelX = outside ? outsideLabelX : start;
            s.body = std::max(height, labelHeight(f));
            break;
        case LabelAt::Above:
            s.labelX = x;
            s.right = std::max(s.right, x + length - 1);
            s.above = labelHeight(f);
            break;
        case LabelAt::Right:
            s.labelX = s.end + 1 + kGap;
            s.right = s.labelX + length - 1;
            s.body = std::max(height, labelHeight(f));
            break;
        }
        return s;
    }

    // Items from fieldStart to the right on rows from top; a field that would start
    // beyond the limit opens the next row at fieldStart. The first item's left label
    // stands at outsideLabelX (its column's label column) unless that is negative.
    Extent placeItems(const std::vector<Item>& items, int32_t fieldStart, int32_t outsideLabelX, int32_t top,
                      int32_t column, std::vector<int32_t>* sink)
    {
        Extent e{fieldStart - 1, 0, 0};
        std::vector<Spot> row;
        int32_t rowTop = top;
        const auto closeRow = [&] {
            int32_t band = 0;
            int32_t body = 1;
            for (const Spot& s : row) {
                band = std::max(band, s.above);
                body = std::max(body, s.body);
            }
            if (sink) {
                for (const Spot& s : row) {
                    const int32_t y = rowTop + band;
                    m_pos[size_t(s.item->field)] = Pos{s.x, y, s.labelX, s.end, column, true};
                    sink->push_back(s.item->field);
                    placeChoices(s.item->choices, s.x, y, column, sink);
                }
            }
            rowTop += band + body;
            row.clear();
        };
        int32_t next = fieldStart;
        for (size_t n = 0; n < items.size(); ++n) {
            const int32_t outside = n == 0 ? outsideLabelX : -1;
            Spot s = spotAt(items[n], next, outside, column);
            if (!row.empty() && s.x > kMaxX) {
                closeRow();
                s = spotAt(items[n], fieldStart, outside, column);
            }
            row.push_back(s);
            e.right = std::max(e.right, s.right);
            e.reach = std::max(e.reach, s.reach);
            next = s.right + 1 + kGap;
        }
        if (!row.empty())
            closeRow();
        e.height = rowTop - top;
        return e;
    }

    // ---- Grids ----

    // Label columns and starts for the given number of columns. Returns how many
    // columns start their fields within the limit: all of them when the grid fits.
    int32_t tryColumns(Grid& grid, int32_t columns)
    {
        grid.columns = columns;
        grid.start.assign(size_t(columns), 0);
        grid.labelWidth.assign(size_t(columns), 0);
        std::vector<std::vector<const Line*>> byColumn(static_cast<size_t>(columns));
        for (const size_t m : grid.members) {
            const std::vector<Line>& lines = m_plans[m].lines;
            const size_t own = size_t(std::min(m_plans[m].columns, columns));
            for (size_t k = 0; k < lines.size(); ++k) {
                const size_t j = k % own;
                byColumn[j].push_back(&lines[k]);
                for (const Row& row : lines[k].rows) {
                    const FieldRecord& f = gaFields[size_t(row.items.front().field)];
                    if (labelAt(f) == LabelAt::Left)
                        grid.labelWidth[j] = std::max<int32_t>(grid.labelWidth[j], f.iLabelLengthSO);
                }
            }
        }
        for (size_t j = 0; j < size_t(columns); ++j) {
            if (j == 0) {
                grid.start[j] = grid.base;
            } else {
                int32_t right = grid.fieldStart(j - 1) - 1;
                for (const Line* line : byColumn[j - 1])
                    right = std::max(
                        right, placeLine(*line, grid.fieldStart(j - 1), grid.start[j - 1], 0, 0, nullptr).right);
                grid.start[j] = right + 1 + kColumnGap;
            }
            if (grid.fieldStart(j) > kMaxX) {
                if (columns > 1)
                    return int32_t(j);
                grid.labelWidth[j] = std::max(0, kMaxX - grid.start[j] - kGap);
            }
        }
        return columns;
    }

    // The most columns its groups ask for (no more than the lines of the longest
    // member, which changes nothing), fewer while the last column starts too far right.
    void sizeGrid(Grid& grid)
    {
        int32_t wanted = 1;
        for (const size_t m : grid.members)
            wanted = std::max(wanted, std::min(m_plans[m].columns, int32_t(m_plans[m].lines.size())));
        for (;;) {
            const int32_t fit = tryColumns(grid, wanted);
            if (fit == wanted)
                return;
            wanted = std::max(1, std::min(wanted - 1, fit));
        }
    }

    // ---- Blocks ----

    void layOut(size_t me)
    {
        for (const size_t child : m_plans[me].children)
            layOut(child);
        GroupPlan& p = m_plans[me];
        const int32_t contentTop = p.framed ? 1 : 0;
        int32_t right = p.contentLeft - 1;
        int32_t reach = 0;
        int32_t bottom = contentTop;

        // Subgroups, in rows of groups placed beside each other.
        int32_t bandTop = contentTop, bandHeight = 0, inBand = 0, nextX = 0;
        for (const size_t c : p.children) {
            GroupPlan& child = m_plans[c];
            const GroupRecord& g = gaGroups[size_t(child.index)];
            const bool page = p.index == 0 && (gaGroups[0].bNewPage || g.bNewPage);
            int32_t dx = nextX - child.left;
            bool beside = g.bPlaceBeside && inBand > 0 && inBand < p.columns && !page;
            if (beside && child.reach > 0 && child.reach + dx > kMaxX)
                beside = false;
            if (!beside) {
                bandTop = page ? contentTop : bandTop + bandHeight;
                bandHeight = inBand = dx = 0;
            }
            child.dx = dx;
            child.dy = bandTop;
            bandHeight = std::max(bandHeight, child.height);
            ++inBand;
            nextX = child.right + dx + 1 + kGroupGap;
            bottom = std::max(bottom, bandTop + bandHeight);
            right = std::max(right, child.right + dx);
            if (child.reach > 0)
                reach = std::max(reach, child.reach + dx);
        }

        // The group's own lines, row by row of its grid.
        if (!p.lines.empty()) {
            const Grid& grid = m_grids[p.grid];
            const int32_t columns = std::min(p.columns, grid.columns);
            int32_t y = bottom;
            for (size_t k = 0; k < p.lines.size(); k += size_t(columns)) {
                int32_t rowHeight = 0;
                for (size_t j = 0; j < size_t(columns) && k + j < p.lines.size(); ++j) {
                    const Extent e = placeLine(p.lines[k + j], grid.fieldStart(j), grid.start[j], y, int32_t(j) + 1,
                                               &p.placed);
                    rowHeight = std::max(rowHeight, e.height);
                    right = std::max(right, e.right);
                    reach = std::max(reach, e.reach);
                }
                y += rowHeight;
            }
            bottom = y;
        }

        p.height = bottom + (p.framed ? 1 : 0);
        p.right = p.framed ? std::max(right, p.contentLeft - 1) + kFrameIndent : right;
        p.reach = reach;
    }

    void shift(size_t me, int64_t dx, int64_t dy)
    {
        const GroupPlan& p = m_plans[me];
        dx += p.dx;
        dy += p.dy;
        for (const int32_t f : p.placed) {
            Pos& pos = m_pos[size_t(f)];
            pos.x += dx;
            pos.end += dx;
            pos.y += dy;
            if (pos.labelX > 0)
                pos.labelX += dx;
        }
        for (const size_t c : p.children)
            shift(c, dx, dy);
    }

    void write() const
    {
        for (size_t i = 1; i < m_pos.size(); ++i) {
            Pos pos = m_pos[i];
            if (!pos.set)
                continue;
            // Nested deeper than the columns allow: moved left onto the limit.
            if (pos.x > kMaxX) {
                const int64_t over = pos.x - kMaxX;
                pos.x -= over;
                pos.end -= over;
                if (pos.labelX > 0)
                    pos.labelX = std::max<int64_t>(1, pos.labelX - over);
            }
            FieldRecord& f = gaFields[i];
            f.iFieldXPos = toInt16(pos.x);
            f.iFieldYPos = toInt16(pos.y);
            f.nLabelXPos = toInt16(pos.labelX);
            f.nFieldEndPos = toInt16(pos.end);
            f.iColumnId = toInt16(pos.column);
        }
    }

    const IdIndex m_ids;  // the layout changes nothing of the id map
    std::vector<GroupPlan> m_plans;
    std::vector<Grid> m_grids;
    std::vector<std::optional<size_t>> m_planOf;  // by gaGroups index
    std::vector<bool> m_takenField;
    std::vector<bool> m_takenGroup;
    std::vector<Pos> m_pos;
};

} // namespace

void gCalculateAlignment()
{
    gRebuildPointers();
    Layout().run();
}
