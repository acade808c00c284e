// The table-field picker and the form generation on main tables of 100 and of 1,000
// columns: the picker made and loaded (the table's fields with their labels), then the
// form replaced by one generated from it (groups, fields, the description field of
// every reference, labels, domains, links). Goal: 1,000 columns within 12 times 100.
// The ratio is printed at the end.
#include <benchmark/benchmark.h>

#include <QString>

#include "mod_VrokGlobal.h"
#include "frm_TableFields.h"
#include "mod_Records.h"
#include "mod_TableFields.h"

#include "bench_widgets.h"
#include "bench_window.h"

namespace {

// The form generated into has room for the largest table's fields and descriptions.
constexpr int kFormFields = 2000;

// The generated tables, by their number of columns.
const std::map<int, QString>& tables()
{
    static std::map<int, QString> codes;
    static bool made = false;
    if (made)
        return codes;
    made = true;
    QString why;
    std::unique_ptr<host::HostDatabase> db = host::HostDatabase::open(setup().database, &why);
    for (const int columns : {100, 1000}) {
        const std::optional<QString> code = db ? host::generateTable(*db, columns, &why) : std::nullopt;
        if (!code) {
            std::fprintf(stderr, "cannot generate a table: %s\n", qPrintable(why));
            return codes;
        }
        codes[columns] = *code;
    }
    return codes;
}

// The picker closed and its list forgotten, as before the first use in a run.
void forgetPicker()
{
    resetTableFieldsWindow();
    gaTableFields.assign(1, TableFieldRecord{});
    gnTableFieldCount = 0;
    gbTableFieldsLoaded = false;
    resetTableFields();
}

void BM_PickerAndGenerate(benchmark::State& state)
{
    const int columns = int(state.range(0));
    Setup& s = setup();
    const auto table = tables().find(columns);
    if (!s.ok || table == tables().end() || !openInMainWindow(s.forms[kFormFields])) {
        state.SkipWithError("the form or the table could not be made");
        return;
    }
    // The form's session runs on the table.
    gsTable = table->second;
    gsTablePackage = gsTable.mid(0, 2);
    gsTableModule = gsTable.mid(2, 3);
    gsTableNumber = gsTable.mid(5, 3);
    giStartMode = 1;
    frm_Palimor& w = mainWindow();
    // The first generation replaces the loaded form; the timed ones a form of their size.
    forgetPicker();
    tableFieldsWindow();
    w.mGenerateForm();
    for (auto _ : state) {
        state.PauseTiming();
        forgetPicker();
        state.ResumeTiming();
        tableFieldsWindow();
        w.mGenerateForm();
    }
    state.counters["fields"] = double(glLiveFieldCount());
    state.counters["entries"] = double(gnTableFieldCount);
    if (glLiveFieldCount() < columns || gbOutOfResources)
        state.SkipWithError("the form was not generated whole");
    state.SetItemsProcessed(state.iterations() * columns);
}

BENCHMARK(BM_PickerAndGenerate)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const auto answers = [] { platform::setDialogs(std::make_shared<DefaultAnswers>()); };
    return runWidgetBenchmarks(argc, argv, answers, [](const RatioReporter& r) {
        printRatio(r, "Picker and generation, 1,000 columns against 100", "BM_PickerAndGenerate/1000",
                   "BM_PickerAndGenerate/100", 12);
    });
}
