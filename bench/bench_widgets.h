#pragma once
// The main of a benchmark program that needs widgets: the offscreen platform unless
// one is chosen, the benchmarks the command line selects, then the ratios the program
// prints, and the main window gone before the application.
#include "bench_ratio.h"

#include "frm_Palimor.h"

#include <QApplication>

#include <functional>

namespace {

inline int runWidgetBenchmarks(int argc, char** argv, const std::function<void()>& setUp,
                               const std::function<void(const RatioReporter&)>& printRatios)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (setUp)
        setUp();
    RatioReporter reporter;
    if (!runBenchmarks(argc, argv, reporter))
        return 1;
    resetMainWindow();
    printRatios(reporter);
    return 0;
}

} // namespace
