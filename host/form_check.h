#pragma once
// The host's own integrity check of a stored form: every link of the design rows
// points at an existing row, the tree the links make reaches every group and field
// once, order numbers rise in tree order, and group numbers are dense.
#include "form_identity.h"

#include <QStringList>

struct sqlite3;

namespace host {

struct FormCheckReport {
    QStringList problems;  // one line each, in the order found
    int groups = 0;        // group rows, the form's own included
    int fields = 0;        // field rows (fields, label entries and pictures)
    int commands = 0;      // form-command rows

    bool ok() const { return problems.isEmpty(); }
};

// Checks the design rows of form. A form without any row is reported as a problem.
FormCheckReport checkForm(sqlite3* db, const FormIdentity& form);

} // namespace host
