#pragma once
// The design rows of one form as stable text, for comparing databases and for tests.
//
// The first line is "form " and the form's identity text. Then one line a row, the
// tables in the order qxzrn300, qxzrn315, qxzrn301, qxzrn308, qxzrn302, qxzrn316,
// qxzrn150, each sorted by its own row number; a line is the table code followed by
// "column=value" for every column but the form-identity ones, in the table's column
// order. Numbers are written in decimal; a text is written as it is unless it is
// empty or holds a blank, a double quote, an equals sign or a control character, in
// which case it is enclosed in double quotes with inner double quotes doubled.
#include "form_identity.h"

#include <QString>

#include <functional>

struct sqlite3;

namespace host {

// The dump of form, read in one read transaction: a save another connection commits
// meanwhile is in it wholly or not at all. An empty text and error when the database
// holds no row of it.
QString dumpForm(sqlite3* db, const FormIdentity& form, QString* error = nullptr);

// The same line by line as the rows are read, each line without its break, so that a
// caller writing them never holds the whole text. False (and error) when the database
// holds no row of the form; line is then never called.
bool dumpFormLines(sqlite3* db, const FormIdentity& form, const std::function<void(const QString&)>& line,
                   QString* error = nullptr);

// One value as the dump writes it.
QString dumpValue(const QString& text);

} // namespace host
