// Opening the property dialog on a field through the main window, and closing it, on
// generated forms of 300 and 3,000 fields. The window is built once and only filled,
// so the opening costs the same on both: goal 3,000 within 2 times 300.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench_forms.h"
#include "bench_widgets.h"
#include "frm_Palimor.h"
#include "NodeTree.h"
#include "mod_TableFields.h"
#include "mod_ViewFields.h"
#include "frm_Properties.h"

namespace {

// The start record the host passes for a generated form.
QString startRecord(const host::FormIdentity& form)
{
    return form.package + QLatin1Char(' ') + form.module + QLatin1Char(' ') + form.formCode.leftJustified(9)
           + QStringLiteral(" 2 2 2 7.6  a3 dev  ") + QString(8, QLatin1Char(' ')) + QStringLiteral("  1w,Benchmark form");
}

// The main window started on the form of that size; the one started last is kept.
bool startMainWindow(int fields)
{
    static int started = 0;
    if (started == fields)
        return true;
    Setup& s = setup();
    if (!s.ok)
        return false;
    resetMainWindow();
    resetPalimor();
    resetViewFields();
    resetTableFields();
    platform::setProgramDirectory(s.dir.filePath(QStringLiteral("bin")));
    platform::setCommandLine(startRecord(s.forms[fields]));
    mainWindow().Form_Load();
    started = fields;
    return gnFieldCount == fields;
}

// The field node in the middle of the tree order.
TreeNode* middleField()
{
    std::vector<TreeNode*> fields;
    NodeTree& tree = mainWindow().nodes();
    for (TreeNode* n = tree.firstRoot(); n; n = NodeTree::nextDepthFirst(n))
        if (n->key().startsWith(QLatin1String("f_")))
            fields.push_back(n);
    return fields.empty() ? nullptr : fields[fields.size() / 2];
}

void BM_OpenPropertiesOnField(benchmark::State& state)
{
    if (!startMainWindow(int(state.range(0)))) {
        state.SkipWithError("the main window did not start");
        return;
    }
    TreeNode* field = middleField();
    if (!field) {
        state.SkipWithError("no field");
        return;
    }
    frm_Palimor& w = mainWindow();
    w.nodes().setSelectedItem(field);
    // The first opening builds the window and reads its captions.
    w.mShowProperties();
    propertiesDialog().cmdCancel_Click();
    for (auto _ : state) {
        w.mShowProperties();
        propertiesDialog().cmdCancel_Click();
    }
    if (propertiesDialog().Tag != kKindField)
        state.SkipWithError("the dialog did not open on the field");
}
BENCHMARK(BM_OpenPropertiesOnField)->Arg(300)->Arg(3000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv, {}, [](const RatioReporter& r) {
        printRatio(r, "opening on 3,000 fields / on 300", "BM_OpenPropertiesOnField/3000",
                   "BM_OpenPropertiesOnField/300", 2);
    });
}
