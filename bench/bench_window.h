#pragma once
// The editor's main window on a generated form of the shared benchmark database, as
// its start-up leaves it. For the benchmarks that link the windows.
#include "frm_Palimor.h"
#include "mod_Pointers.h"
#include "mod_TextCaches.h"
#include "Dialogs.h"

#include "bench_forms.h"

namespace {

// Every question answered with its default button (Yes to the delete questions).
class DefaultAnswers : public platform::DialogPort {
public:
    int messageBox(const QString&, int style, const QString&) override { return platform::defaultResult(style); }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
};

// Fills the main window's tree as the start-up does: with the tree hidden.
inline void fillTreeHidden(frm_Palimor& w)
{
    gbTreeVisible = false;
    w.setTreeVisible(false);
    w.mFillTreeAndSelect();
    gbTreeVisible = true;
    w.setTreeVisible(true);
}

// Loads the form into a fresh main window: definitions, enum values, labels, the tree
// filled and the links rebuilt. False when the form could not be loaded.
inline bool openInMainWindow(const host::FormIdentity& form)
{
    resetMainWindow();
    if (!startEditor(form))
        return false;
    gInitializeArrays();
    glLoadedFormVersion = 11;
    if (!gLoadDesignDefinitions())
        return false;
    gLoadEnums();
    frm_Palimor& w = mainWindow();
    w.mFillImageList();
    fillTreeHidden(w);
    gLoadFieldLabels(1, true);
    gRebuildPointers();
    return true;
}

} // namespace
