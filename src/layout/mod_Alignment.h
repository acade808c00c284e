#pragma once
// The layout of the form: the row and column of every label and field, computed from
// the group tree before the form is saved, started or previewed. It writes, for every
// field reached from the root group, iFieldXPos and iFieldYPos (where the field
// starts), nLabelXPos (where its label starts; 0 when it has none), nFieldEndPos (the
// last column of the field) and iColumnId (the grid column, from 1). Nothing else is
// written: lengths, heights, label positions, alignment ids and group widths are the
// user's and are only read. The link update that follows compares what was written
// with the stored copies, so a form laid out as it was stored stays unchanged.
//
// Positions are those of the single-occurrence view, in characters: columns from the
// form's left margin (column 2), rows from 1. Every group and field is placed, whatever
// view it shows in. A field is max(1, iFieldLength) wide and max(1, iFieldHeight) high.
// A label counts only when iLabelLengthSO is above 0; it is iLabelLengthSO wide and
// max(1, iLabelHeightSO) high, and stands by lLabelPosition: 2 above the field (in a
// band of rows over the field's row; the label starts where the field starts), 3 right
// of it (one blank after the field), any other value left of it.
//
// Rules:
// - Links: when the main tree is set, the links are first rebuilt from it. Groups are
//   walked from the root by lChildGroup and lNextGroup, a group's fields from
//   lFirstField by lNextField, follow-up fields by lChildField. A link to a free slot
//   or to a record already placed ends its chain; records not reached keep their
//   positions.
// - Lines: every field of a group starts a line. Its follow-ups (lChildField, then
//   lNextField) go by the field's bImmediateBehind: set, they stand on the field's own
//   row right behind it, left to right, one blank between (a code and its description
//   on one line); not set, each starts a row of its own below, where the line's fields
//   start (its left label in the column's label column). The same holds for their own
//   follow-ups, depth first. A left label inside a row stands just before its
//   field with one blank between.
// - Option sets: the follow-ups of an option set (ControlKind::OptionSet) are its choices. They
//   stand one below the other from the option set's row, at the column where the
//   option set starts, their labels inside it, each with its own follow-ups as above;
//   the option set is as wide and as high as that block (at least its own length and
//   height).
// - Rows: the fields of a row stand on one row under a band as high as the tallest
//   label above any of them; the row is as high as its tallest field or side label.
// - Grid: a group's lines fill the columns of its grid row by row (line k goes to
//   column k mod n, n = the group's column count). The left labels of the rows of a
//   column's lines share one label column starting at the column's left; the fields
//   start after it (after the widest such label and one blank). A column is as wide as
//   its widest line; two blanks separate columns. A grid row is as high as its highest
//   line. iColumnId is the column of the field's line, from 1, for every placed field.
//   The tree fill at load takes a field without domain and with iColumnId 0 for no
//   first field of its group when it places subgroups among the fields of a group that
//   holds both; the link rebuild above turns every such group into virtual groups, so
//   the ids written here never decide a tree that was saved.
// - Column count: iGroupWidth, less 100 when above 100, at least 1.
// - Alignment groups: lAlignmentGroupId below 0 gives the group a grid of its own; 0
//   puts it into the grid of its parent group (the form itself always has its own); 1
//   or more names a group by its index, and the group takes part in that group's grid,
//   the named group with it (a group that names itself, as the dialog's own alignment
//   does, keeps a grid that others may name). Grids joined so are one. Groups of one
//   grid share its label columns, column starts and widths; the grid starts at the
//   innermost left edge among them, so their labels and fields stand in the same
//   columns down the form. A name of a group not placed counts as none.
// - Groups: a group with bShowGroupBox takes a row above and a row below its contents
//   and indents them by two columns. Subgroups stand one below the other; one with
//   bPlaceBeside stands right of the one before it (two blanks between) while fewer
//   than the parent's column count stand in that row. Subgroups come first, then the
//   group's own lines below them (after the link rebuild a group holds one or the
//   other). A top-level group starts again at the first row when the form shows tab
//   pages (the root's bNewPage) or when it has bNewPage itself: it opens a page.
// - Limit: no field starts right of column 255. A grid whose next column would start
//   its fields beyond it keeps only the columns before that one and is laid out again
//   (a one-column grid narrows its label column instead); a field of a row that would
//   start beyond it opens a further row below, starting where the row starts; a group
//   goes beside the one before only when all its fields stay within it, else it starts
//   a new row. What is still beyond (a form nested deeper than the columns allow) is
//   moved left onto 255, its label and end with it.
// - The layout depends on the records alone and reads none of the members it writes:
//   run twice, it writes the same positions again.
#include <cstdint>

// The rightmost column a field may start in (checked before saving).
inline constexpr int16_t kMaxFieldXPos = 255;

// Lays the form out as above.
void gCalculateAlignment();
