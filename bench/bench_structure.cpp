// The structure commands of the main window on generated forms of 300 and 3,000 fields:
// inserting a field, deleting it, moving a field up and down, pasting a copied field
// and dragging a field onto another, each whole (records, tree and its view, node
// texts, questions, the clipboard text) and followed by the link rebuild that the next
// save or preview runs. Goals: each on 3,000 fields within 12 times 300, and within 3
// times one link rebuild of the same form. The ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <QString>

#include "frm_Palimor.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Pointers.h"
#include "mod_TextCaches.h"
#include "Clipboard.h"
#include "Dialogs.h"

#include "bench_widgets.h"
#include "bench_window.h"

namespace {

// The main window on the generated form of that size, as the start-up leaves it, and
// the key of the field node the commands work on: a field right below a group, with a
// field before it, in the middle of the form. The commands of each benchmark leave the
// form as they found it, so the window stays open from one benchmark to the next.
struct OpenForm {
    int fields = 0;
    QString key;
    // The field before it, on which the drag drops it.
    QString previousKey;
};

bool openForm(int fields, OpenForm& open)
{
    static OpenForm current;
    if (current.fields == fields) {
        open = current;
        return true;
    }
    current = {};
    Setup& s = setup();
    if (!s.ok || !openInMainWindow(s.forms[fields]))
        return false;
    frm_Palimor& w = mainWindow();

    std::vector<const TreeNode*> candidates;
    for (const TreeNode* n = w.nodes().firstRoot(); n; n = NodeTree::nextDepthFirst(n))
        if (gbIsFieldKey(n->key()) && n->previous() && gbIsFieldKey(n->previous()->key()) && n->parent()
            && gbIsGroupKey(n->parent()->key()))
            candidates.push_back(n);
    if (candidates.empty())
        return false;
    const TreeNode* chosen = candidates[candidates.size() / 2];
    current = {fields, chosen->key(), chosen->previous()->key()};
    open = current;
    return true;
}

void select(const OpenForm& open)
{
    NodeTree& tree = mainWindow().nodes();
    tree.setSelectedItem(tree.node(open.key));
}

// One command whole: the command, then the link rebuild.
template <typename Command>
void whole(Command command)
{
    command(mainWindow());
    gRebuildPointers();
}

void insertField(frm_Palimor& w) { w.mnuEInsertField_Click(); }
// Pastes the copied field after the selected one; the pasted node is selected after.
void pasteField(frm_Palimor& w) { w.mnuEPaste_Click(); }
void deleteSelected(frm_Palimor& w) { w.mnuEDelete_Click(); }
void moveUp(frm_Palimor& w) { w.mnuMUp_Click(); }
void moveDown(frm_Palimor& w) { w.mnuMDown_Click(); }

// Times the command; its inverse, untimed, puts the form back.
void timeWithInverse(benchmark::State& state, void (*command)(frm_Palimor&), void (*inverse)(frm_Palimor&),
                     bool inverseFirst)
{
    OpenForm open;
    if (!openForm(int(state.range(0)), open)) {
        state.SkipWithError("the form could not be opened");
        return;
    }
    const int32_t nodes = mainWindow().nodes().count();
    for (auto _ : state) {
        if (inverseFirst) {
            state.PauseTiming();
            select(open);
            whole(inverse);
            state.ResumeTiming();
            whole(command);
        } else {
            select(open);
            whole(command);
            state.PauseTiming();
            whole(inverse);
            state.ResumeTiming();
        }
    }
    if (mainWindow().nodes().count() != nodes)
        state.SkipWithError("the commands did not put the form back");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// A field pasted after the field of the form (the selection stays on it) and the pasted
// one deleted again untimed; the copy is taken once, before the timing.
void BM_PasteField(benchmark::State& state)
{
    OpenForm open;
    if (!openForm(int(state.range(0)), open)) {
        state.SkipWithError("the form could not be opened");
        return;
    }
    select(open);
    mainWindow().mnuECopy_Click();
    if (platform::clipboard().text().isEmpty()) {
        state.SkipWithError("nothing was copied");
        return;
    }
    const int32_t nodes = mainWindow().nodes().count();
    for (auto _ : state) {
        select(open);
        whole(pasteField);
        state.PauseTiming();
        if (mainWindow().nodes().count() != nodes + 1) {
            state.SkipWithError("nothing was pasted");
            return;
        }
        NodeTree& tree = mainWindow().nodes();
        tree.setSelectedItem(tree.node(open.key)->next());
        whole(deleteSelected);
        state.ResumeTiming();
    }
    if (mainWindow().nodes().count() != nodes)
        state.SkipWithError("the commands did not put the form back");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The field before the form's field dragged onto it, which puts the two the other way
// round; dragging the form's field onto the other puts them back, untimed.
void drag(const QString& key, const QString& targetKey)
{
    frm_Palimor& w = mainWindow();
    NodeTree& tree = w.nodes();
    TreeNode* node = tree.node(key);
    tree.setSelectedItem(node);
    w.tvwGroups_MouseMove(Qt::LeftButton, node);
    tree.setDropHighlight(tree.node(targetKey));
    w.tvwGroups_DragDrop(QStringLiteral("tvwGroups"), key);
    gRebuildPointers();
}

void BM_DragField(benchmark::State& state)
{
    OpenForm open;
    if (!openForm(int(state.range(0)), open)) {
        state.SkipWithError("the form could not be opened");
        return;
    }
    NodeTree& tree = mainWindow().nodes();
    for (auto _ : state) {
        drag(open.previousKey, open.key);
        state.PauseTiming();
        if (tree.node(open.previousKey)->previous() != tree.node(open.key)) {
            state.SkipWithError("the drop did not land after its target");
            return;
        }
        drag(open.key, open.previousKey);
        state.ResumeTiming();
    }
    if (tree.node(open.key)->previous() != tree.node(open.previousKey))
        state.SkipWithError("the drags did not put the form back");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RebuildLinks(benchmark::State& state)
{
    OpenForm open;
    if (!openForm(int(state.range(0)), open)) {
        state.SkipWithError("the form could not be opened");
        return;
    }
    for (auto _ : state)
        gRebuildPointers();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_InsertField(benchmark::State& state) { timeWithInverse(state, insertField, deleteSelected, false); }
void BM_DeleteField(benchmark::State& state) { timeWithInverse(state, deleteSelected, insertField, true); }
void BM_MoveFieldUp(benchmark::State& state) { timeWithInverse(state, moveUp, moveDown, false); }
void BM_MoveFieldDown(benchmark::State& state) { timeWithInverse(state, moveDown, moveUp, true); }

BENCHMARK(BM_RebuildLinks)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InsertField)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DeleteField)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveFieldUp)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveFieldDown)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PasteField)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DragField)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    const auto answers = [] {
        platform::setDialogs(std::make_shared<DefaultAnswers>());
        platform::installScriptedClipboard();
    };
    return runWidgetBenchmarks(argc, argv, answers, [](const RatioReporter& r) {
        for (const char* command :
             {"InsertField", "DeleteField", "MoveFieldUp", "MoveFieldDown", "PasteField", "DragField"}) {
            const std::string name = std::string("BM_") + command;
            printRatio(r, std::string(command) + ", 3,000 fields against 300", name + "/3000", name + "/300", 12);
            printRatio(r, std::string(command) + ", 3,000 fields against one link rebuild", name + "/3000",
                       "BM_RebuildLinks/3000", 3);
        }
    });
}
