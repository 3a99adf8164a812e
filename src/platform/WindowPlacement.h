#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace kestrion {

// Windows that fit the screen: default and minimum sizes are bounded by the part of the screen
// windows may use (less panels and docks), and a window's frame, title bar included, is placed
// on it. A large scale factor can leave less room than a window asks for.
namespace WindowPlacement {

// The area of the screen the window is on (the primary one before it is shown) that windows
// may use, in device-independent pixels.
QRect availableArea(const QWidget& window);
// The frame the window manager draws around a window's content: the window's own once it has
// been framed, else that of another framed window, else an allowance for a title bar.
QMargins frameMargins(const QWidget& window);
// The largest content size whose frame fits the available area.
QSize contentRoom(const QWidget& window);

// The wanted size, no larger than the room on either side.
QSize fitted(const QSize& wanted, const QSize& room);
// The frame moved onto the area; larger than the area, its top left corner (the title bar and
// the window's menus) stays on it.
QRect placed(const QRect& frame, const QRect& available);

// Sizes a window's content to the wanted size bounded by the room, and centres its frame on
// the available area.
void fitAndCentre(QWidget& window, const QSize& wanted);
// Shrinks a window that is larger than the room (one of fixed size too) and moves its frame onto
// the area; a window that lies on the screen is left as it is.
void keepOnScreen(QWidget& window);
// The same once the window manager has framed the window just shown and its frame is known;
// where none is reported within a moment, with the allowance.
void keepOnScreenOnceFramed(QWidget& window);
// Keeps a window that grows with its content (a sheet gaining a row) on the screen: each time
// it is resized while shown, it is moved back onto the area.
void keepOnScreenWhenResized(QWidget& window);

// Tests stand in a screen of their choosing; none gives each window its own screen's area.
void setAvailableAreaOverride(std::optional<QRect> area);
// And a window manager's frame of their choosing; none takes what the platform reports.
void setFrameMarginsOverride(std::optional<QMargins> margins);

} // namespace WindowPlacement

} // namespace kestrion
