#pragma once
#include <cstdint>

// The control kind of a field (FieldRecord::lControl). The host keeps these numbers.
enum class ControlKind : int32_t {
    Input = 0,
    CheckBox = 1,
    ListBox = 2,
    OptionSet = 3,
    Picture = 4,
    NoControl = 5,  // a label-only entry
    StringNormal = 6,
    StringList = 7,
    StringCombo = 8,
};
