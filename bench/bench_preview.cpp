// The preview of generated forms of 300 and 3,000 fields, as Options, Preview runs it:
// the layout, the window built with a control for every field, shown, painted and
// closed; in single and in multi occurrence. Goal: 3,000 fields within 12 times 300
// (no step worse than linear).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench_forms.h"
#include "bench_widgets.h"
#include "bench_window.h"
#include "frm_Preview.h"
#include "frm_Palimor.h"
#include "mod_TextCaches.h"
#include "Fonts.h"

namespace {

int g_loaded = 0;  // the size of the form in the main window

// The main window with the generated form of that size loaded and its tree filled.
bool loadForm(int fields)
{
    if (g_loaded == fields)
        return true;
    g_loaded = 0;
    Setup& s = setup();
    resetMainWindow();
    if (!s.ok || !startEditor(s.forms[fields]))
        return false;
    glLoadedFormVersion = 11;
    if (!gLoadDesignDefinitions() || gnFieldCount != fields)
        return false;
    gLoadEnums();
    gLoadFieldLabels(1, true);
    gLoadGroupLabels();
    if (!goFonts)
        goFonts = std::make_unique<Fonts>();
    frm_Palimor& w = mainWindow();
    fillTreeHidden(w);
    w.actions().mSetOptionMenus();
    g_loaded = fields;
    return true;
}

void runPreview(benchmark::State& state, bool single)
{
    const int fields = int(state.range(0));
    if (!loadForm(fields)) {
        state.SkipWithError("the form did not load");
        return;
    }
    frm_Palimor& w = mainWindow();
    for (auto _ : state) {
        single ? w.mnuOPreview_Click() : w.mnuOPreviewMO_Click();
        QCoreApplication::processEvents();
        frm_Preview& p = previewWindow();
        if (p.controlCount() != fields) {
            state.SkipWithError("the preview misses fields");
            return;
        }
        benchmark::DoNotOptimize(p.grab().size());
        // The user closes it from the event loop.
        QCoreApplication::processEvents();
        p.close();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * fields);
}

void BM_PreviewSingle(benchmark::State& state) { runPreview(state, true); }
void BM_PreviewMulti(benchmark::State& state) { runPreview(state, false); }
BENCHMARK(BM_PreviewSingle)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewMulti)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv, {}, [](const RatioReporter& r) {
        printRatio(r, "preview of 3,000 fields / 300 (single occurrence)", "BM_PreviewSingle/3000",
                   "BM_PreviewSingle/300", 12);
        printRatio(r, "preview of 3,000 fields / 300 (multi occurrence)", "BM_PreviewMulti/3000",
                   "BM_PreviewMulti/300", 12);
    });
}
