#pragma once
// View fields of the form's session: the host's list of the session's view fields,
// asked once per run, and the test whether a field is a view field, and why. The main
// window's node texts and the property dialog share both.
#include <QString>
#include <cstdint>
#include <optional>

class TreeNode;

// Reasons of gbIsViewField.
enum : int16_t {
    ViewFieldNone = 0,
    ViewFieldMarked = 1,     // the field record is marked as view field
    ViewFieldListed = 2,     // the host lists the field: it is not one then
    ViewFieldDependent = 3,  // it depends on a field or picture that is one
};

// The host's list: up to 32 records of 18 characters; empty until first asked.
extern QString gsViewFieldList;
// Records of the list the host answered, clamped to 0..32.
extern int32_t glViewFieldCount;

// Whether gaFields(index), standing at node, is a view field. dependent gives the
// field's dependent flag when the caller shows another value than the record's (the
// dialog's check box); the fields it depends on are always judged by their records.
// dependsOn is the index of the field a dependent view field depends on, else 0.
bool gbIsViewField(int32_t index, const TreeNode* node, std::optional<bool> dependent, int16_t& reason,
                   int32_t& dependsOn);

// Forgets the host's list (tests).
void resetViewFields();
