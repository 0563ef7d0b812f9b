#pragma once
#include <QColor>

class QWidget;

namespace Backdrop
{
// Has the window system fill a plain top-level window with one colour, instead of
// the window painting itself: on X the window's own background pixel is set, and
// the window then never paints (its expose events are taken before Qt paints).
// A full-screen window painted by Qt costs a screen-sized image filled and sent to
// the X server at every show; the server fills its own background for nothing.
// Returns false, and changes nothing, where the window system cannot do it (any
// platform but X, or a window that has children to paint): the window then paints
// its palette as usual.
bool fillByWindowSystem(QWidget *window, const QColor &colour);
} // namespace Backdrop
