#pragma once
// Synthetic forms of many fields, for benchmarks and load tests.
//
// A generated form lives in the demo package's development version (package "te",
// module "kwy", language "2", version "7.6", release "a3", customer "dev") under the
// first free form code "gen00001d", "gen00002d" and so on, with a form row and a
// session of its own. Its fields stand in nested groups: sections of up to ten
// subsections of up to twenty fields, every fifth field a follow-up of the one before.
// Its rows hold what the editor would store for them, positions included, so that it
// opens unchanged.
#include "form_identity.h"

#include <functional>
#include <optional>

namespace host {

class HostDatabase;

// Field order numbers are 16-bit and renumbered in steps of 10.
inline constexpr int kMaxGeneratedFields = 3200;

struct GenerateOptions {
    int fields = 0;  // 1 to kMaxGeneratedFields
    // Called inside the transaction after each subsection with the number of fields so
    // far; a test may stall here to interrupt the run.
    std::function<void(int)> afterBatch;
};

// Adds the form in one transaction; nothing is left of it when anything fails.
// Returns its identity, or nullopt and error.
std::optional<FormIdentity> generateForm(HostDatabase& db, const GenerateOptions& options,
                                         QString* error = nullptr);

// A generated table takes no more columns than a form takes fields.
inline constexpr int kMaxGeneratedColumns = 3000;

// Adds a table of columns columns (1 to kMaxGeneratedColumns) to the demo package's
// development version under the first free code "tegen001", "tegen002" and so on, in
// one transaction. Column 1 ("c0001") is the table's index; the others take the demo
// domains in turn (numbers, texts, dates, enumerates, a yes/no check box, amounts) and
// every tenth refers to the item groups. Each column has a label of its own. Returns
// the table code, or nullopt and error.
std::optional<QString> generateTable(HostDatabase& db, int columns, QString* error = nullptr);

} // namespace host
