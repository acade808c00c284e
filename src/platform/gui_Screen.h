#pragma once
// Where a window may stand: wholly on the available area of its screen (the screen
// less task bars and panels), its frame included, however small the screen or large
// its scale.
#include <QMargins>
#include <QRect>

class QWidget;

namespace platform {

// The frame the window system draws around the window: its real one once the window
// has been shown with a frame, else the frame of a shown window of the program, else
// a title bar and borders as window managers draw them.
QMargins windowFrame(const QWidget* window);

// The available area of the window's screen (the primary screen while it has none)
// less the frame: the most the window's inner geometry may take.
QRect roomFor(const QWidget* window);

// The inner geometry wanted, cut to the room and moved into it as little as it takes.
QRect fittedGeometry(const QWidget* window, const QRect& wanted);

// The window cut to the room and moved into it; with over, centred over that window
// first. A window that fits where it stands is left there.
void fitOnScreen(QWidget* window, const QWidget* over = nullptr);

} // namespace platform
