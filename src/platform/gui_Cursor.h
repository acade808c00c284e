#pragma once
// The mouse pointer on the screen: the hook that shows the pointer state.
#include "Cursor.h"

namespace platform {

// Shows the state with at most one override cursor of our own: the hourglass as the
// wait cursor, the default as none. Does nothing without a GUI application.
void showMousePointer(Pointer p);

// While a modal box is up the pointer over it is the arrow, even during an hourglass;
// the hourglass comes back when the last box closes.
class ArrowWhileModal {
public:
    ArrowWhileModal();
    ~ArrowWhileModal();
    ArrowWhileModal(const ArrowWhileModal&) = delete;
    ArrowWhileModal& operator=(const ArrowWhileModal&) = delete;
};

} // namespace platform
