// The link rebuild at form sizes: 300 and 3,000 fields in groups of 20, every fifth
// field with a follow-up and every fourth group holding a subgroup beside its fields
// (so virtual groups are made on every rebuild). The rebuild, and the link update that
// compares every record with its stored copies, should grow linearly: 3,000 fields
// within 12 times 300. The ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <QString>

#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"

#include "bench_ratio.h"

namespace {

constexpr int kPerGroup = 20;

struct Form {
    NodeTree tree;

    explicit Form(int fields)
    {
        resetPalimor();
        // Sized as a load leaves the arrays: the groups with as many more and 100 free
        // group slots, the fields with 200 free slots.
        const int groups = fields / kPerGroup + 1;
        gaGroups.assign(size_t(groups) * 2 + 100, GroupRecord{});
        gaFields.assign(size_t(fields) + 200 + 1, FieldRecord{});
        gaGroups[0].Grpi = 1;
        TreeNode* root = tree.add(QStringLiteral("g_0"), QStringLiteral("form"));
        int nextGroup = 1;
        int nextField = 1;
        TreeNode* group = nullptr;
        // Follow-ups count among the fields.
        for (int f = 0; nextField <= fields; ++f) {
            if (f % kPerGroup == 0) {
                group = addGroup(root, nextGroup++);
                // A subgroup in the middle of every fourth group's fields.
                if ((f / kPerGroup) % 4 == 3)
                    addGroup(group, nextGroup++);
            }
            TreeNode* n = addField(group, nextField++);
            if (f % 5 == 4 && nextField <= fields)
                addField(n, nextField++);
        }
        gsetMainTree(&tree);
        gbLoadCommands = false;
        gRebuildPointers();
        markStored();
    }

    // The form as stored: the update finds nothing to mark.
    static void markStored()
    {
        for (GroupRecord& g : gaGroups) {
            gSetGroupStoredCopies(g);
            g.bChanged = false;
        }
        for (FieldRecord& f : gaFields) {
            gSetFieldStoredCopies(f);
            f.bChanged = f.bChanged301 = f.bChanged308 = false;
        }
    }
    ~Form() { gsetMainTree(nullptr); }

    TreeNode* addGroup(TreeNode* parent, int index)
    {
        GroupRecord& g = gaGroups[size_t(index)];
        g.Grpi = int16_t(index + 1);
        g.iGroupWidth = 1;
        g.lAlignmentGroupId = int16_t(-index);
        return tree.add(parent, Relationship::Child, gsGroupKey(index), QString());
    }
    TreeNode* addField(TreeNode* parent, int index)
    {
        FieldRecord& f = gaFields[size_t(index)];
        f.lFieldId = int16_t(index);
        f.sFieldName = QStringLiteral("tbl.f%1").arg(index);
        gnFieldCount = int16_t(index);
        return tree.add(parent, Relationship::Child, gsFieldKey(index), QString());
    }
};

void BM_RebuildLinks(benchmark::State& state)
{
    Form form(int(state.range(0)));
    for (auto _ : state)
        gRebuildPointers();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RebuildLinks)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);

void BM_RebuildAndUpdateLinks(benchmark::State& state)
{
    Form form(int(state.range(0)));
    for (auto _ : state) {
        gRebuildPointers();
        gUpdatePointers();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RebuildAndUpdateLinks)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    RatioReporter reporter;
    if (!runBenchmarks(argc, argv, reporter))
        return 1;
    printRatio(reporter, "Link rebuild, 3,000 fields against 300", "BM_RebuildLinks/3000", "BM_RebuildLinks/300", 12);
    printRatio(reporter, "Link rebuild and update, 3,000 fields against 300", "BM_RebuildAndUpdateLinks/3000",
               "BM_RebuildAndUpdateLinks/300", 12);
    return 0;
}
