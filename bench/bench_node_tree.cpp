// The node tree at form sizes: filling it, walking it as the link rebuild does, finding
// every node by key, and moving every field one place. Each runs for 300 and 3,000
// fields, in groups of 20 and in one group that holds them all; every one should grow
// linearly (3,000 within about 12 times 300). The baseline walks a plain array of the
// same keys, the least any walk can cost.
#include <benchmark/benchmark.h>

#include <QString>
#include <vector>

#include "NodeTree.h"

namespace {

// A root, groups of perGroup fields, every fifth field with one follow-up field.
void fill(NodeTree& tree, int fields, int perGroup)
{
    TreeNode* root = tree.add(QStringLiteral("g_0"), QStringLiteral("form"), QStringLiteral("session3"));
    TreeNode* group = nullptr;
    for (int f = 1; f <= fields; ++f) {
        if ((f - 1) % perGroup == 0) {
            const int g = (f - 1) / perGroup + 1;
            group = tree.add(root, Relationship::Child, QStringLiteral("g_%1").arg(g), QStringLiteral("group"),
                             QStringLiteral("group"));
        }
        TreeNode* n = tree.add(group, Relationship::Child, QStringLiteral("f_%1").arg(f), QStringLiteral("field"),
                               QStringLiteral("ntfield"));
        if (f % 5 == 0)
            tree.add(n, Relationship::Child, QStringLiteral("f_%1").arg(fields + f), QStringLiteral("follow-up"));
    }
}

// Recursive, child by child, as the link rebuild walks the form.
int64_t walk(const TreeNode* node)
{
    int64_t sum = 0;
    for (const TreeNode* c = node->child(); c; c = c->next())
        sum += c->key().size() + c->children() + (c->previous() ? 1 : 0) + walk(c);
    return sum;
}

void args(benchmark::internal::Benchmark* b)
{
    for (int fields : {300, 3000})
        for (int perGroup : {20, 3000})
            b->Args({fields, perGroup});
}

void BM_Fill(benchmark::State& state)
{
    for (auto _ : state) {
        NodeTree tree;
        fill(tree, int(state.range(0)), int(state.range(1)));
        benchmark::DoNotOptimize(tree.count());
    }
}
BENCHMARK(BM_Fill)->Apply(args)->Unit(benchmark::kMicrosecond);

void BM_Walk(benchmark::State& state)
{
    NodeTree tree;
    fill(tree, int(state.range(0)), int(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(walk(tree.firstRoot()));
}
BENCHMARK(BM_Walk)->Apply(args)->Unit(benchmark::kMicrosecond);

void BM_WalkBaseline(benchmark::State& state)
{
    NodeTree tree;
    fill(tree, int(state.range(0)), int(state.range(1)));
    std::vector<QString> keys;
    for (const TreeNode* n : tree.nodes())
        keys.push_back(n->key());
    for (auto _ : state) {
        int64_t sum = 0;
        for (const QString& k : keys)
            sum += k.size() + 1;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_WalkBaseline)->Apply(args)->Unit(benchmark::kMicrosecond);

void BM_FindEveryKey(benchmark::State& state)
{
    NodeTree tree;
    fill(tree, int(state.range(0)), int(state.range(1)));
    std::vector<QString> keys;
    for (const TreeNode* n : tree.nodes())
        keys.push_back(n->key());
    for (auto _ : state) {
        for (const QString& k : keys)
            benchmark::DoNotOptimize(tree.node(k));
    }
}
BENCHMARK(BM_FindEveryKey)->Apply(args)->Unit(benchmark::kMicrosecond);

// Every field steps one place down among its siblings, the menu move's primitive.
void BM_MoveEveryFieldDown(benchmark::State& state)
{
    NodeTree tree;
    fill(tree, int(state.range(0)), int(state.range(1)));
    std::vector<TreeNode*> fields;
    for (TreeNode* n : tree.nodes()) {
        if (n->key().startsWith(u"f_") && n->parent() && n->parent()->key().startsWith(u"g_"))
            fields.push_back(n);
    }
    for (auto _ : state) {
        for (TreeNode* n : fields) {
            if (TreeNode* after = n->next())
                tree.move(n, after, Relationship::Next);
        }
    }
}
BENCHMARK(BM_MoveEveryFieldDown)->Apply(args)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
