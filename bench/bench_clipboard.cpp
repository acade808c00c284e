// Copy then paste of a group of 100 and of 1,000 fields at the root of the generated
// form of 2,000 fields, through the main window's tree: the text written and read
// back, the records taken, the labels and domains fetched, the nodes added and the
// links rebuilt. The group is made by moving subsections (20 fields each) or sections
// (200 each) of the generated form into a new group. Each run starts from the same
// form: the pasted group is taken out again outside the timing. The copy and paste of
// 1,000 fields should take at most 12 times that of 100.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "mod_Clipboard.h"
#include "mod_Enumerate.h"
#include "frm_Palimor.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_TextCaches.h"
#include "Clipboard.h"

#include "bench_forms.h"
#include "bench_widgets.h"
#include "bench_window.h"

namespace {

constexpr int kFormFields = 2000;
// Free slots beyond the load's head room, so that the form can take a pasted copy of
// its largest group.
constexpr size_t kExtraFieldSlots = 1200;
constexpr size_t kExtraGroupSlots = 300;

struct Form {
    bool ok = false;
    // The group node of 100 and of 1,000 fields.
    QString group100;
    QString group1000;
    // The records as loaded, to start every run from.
    std::vector<GroupRecord> groups;
    std::vector<FieldRecord> fields;
    std::vector<IdMapEntry> idMap;
    int16_t fieldCount = 0;
};

int32_t fieldNodes(const TreeNode* top)
{
    int32_t n = 0;
    for (const TreeNode* x = top; x; x = NodeTree::nextDepthFirst(x, top))
        n += x->keyLetter() != u'g' ? 1 : 0;
    return n;
}

// A new group at the end of the root holding the given groups.
QString wrap(frm_Palimor& w, const std::vector<int>& members)
{
    NodeTree& tree = w.nodes();
    tree.setSelectedItem(tree.node(gsGroupKey(0)));
    QString key;
    int32_t index = glNewItem(QStringLiteral("group"), key);
    if (index < 1 || !w.mbInsertGroup(index))
        return {};
    TreeNode* group = tree.node(key);
    for (const int m : members)
        tree.move(tree.node(gsGroupKey(m)), group, Relationship::Child);
    return key;
}

Form& form()
{
    static Form f;
    static bool made = false;
    if (made)
        return f;
    made = true;
    Setup& s = setup();
    if (!s.ok || !startEditor(s.forms[kFormFields]))
        return f;
    glLoadedFormVersion = 11;
    if (!gLoadDesignDefinitions())
        return f;
    gLoadEnums();
    gLoadFieldLabels(1, true);
    gLoadGroupLabels();
    gaFields.resize(gaFields.size() + kExtraFieldSlots);
    gaGroups.resize(gaGroups.size() + kExtraGroupSlots);

    frm_Palimor& w = mainWindow();
    fillTreeHidden(w);

    // Sections are groups 1, 12, 23, ...; the subsections of the first are 2 to 11.
    f.group100 = wrap(w, {2, 3, 4, 5, 6});
    f.group1000 = wrap(w, {12, 23, 34, 45, 56});
    gRebuildPointers();
    NodeTree& tree = w.nodes();
    if (fieldNodes(tree.node(f.group100)) != 100 || fieldNodes(tree.node(f.group1000)) != 1000)
        return f;
    f.groups = gaGroups;
    f.fields = gaFields;
    f.idMap = gaIdMap;
    f.fieldCount = gnFieldCount;
    f.ok = true;
    return f;
}

void BM_CopyAndPasteGroup(benchmark::State& state)
{
    Form& f = form();
    if (!f.ok) {
        state.SkipWithError("no form");
        return;
    }
    NodeTree& tree = mainWindow().nodes();
    const QString key = state.range(0) == 100 ? f.group100 : f.group1000;
    for (auto _ : state) {
        if (!gCopyStructure(tree.node(key), true) || !gPasteStructure(tree.node(gsGroupKey(0)))) {
            state.SkipWithError("the copy or the paste failed");
            return;
        }
        state.PauseTiming();
        tree.remove(tree.node(gsGroupKey(0))->lastChild());
        gaGroups = f.groups;
        gaFields = f.fields;
        gaIdMap = f.idMap;
        gnFieldCount = f.fieldCount;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CopyAndPasteGroup)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv, [] { platform::installScriptedClipboard(); },
                               [](const RatioReporter& r) {
                                   printRatio(r, "Copy and paste, a group of 1,000 fields against 100",
                                              "BM_CopyAndPasteGroup/1000", "BM_CopyAndPasteGroup/100", 12);
                               });
}
