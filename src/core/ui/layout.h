#pragma once
#include <QFont>
#include <QRect>
#include <QString>

class QWidget;

// Sizes and positions given in twips (1/1440 inch) at 96 dpi: 15 twips a pixel.
// Qt's high-DPI scaling does the rest.
namespace Twips
{
constexpr int px(int twips)
{
    return twips >= 0 ? (twips + 7) / 15 : -((-twips + 7) / 15);
}
constexpr int toTwips(int pixels)
{
    return pixels * 15;
}
inline QRect rect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}
// A control's place in twips inside its parent: the rows of each window's geometry
// table.
struct Box {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
inline QRect rect(const Box &b)
{
    return rect(b.left, b.top, b.width, b.height);
}
// Places a control at (left, top, width, height) twips inside its parent.
void place(QWidget *w, int left, int top, int width, int height);
void place(QWidget *w, const Box &b);
// Gives a window a fixed client area of width x height twips.
void setClientSize(QWidget *window, int width, int height);
} // namespace Twips

// Views stacked at one place inside a window. A shown panel sits at left 0; a hidden
// one is moved out of the window and also hidden, so it takes no input at all:
// no click, no Enter, no access key, no typing. Every window uses these two.
namespace Panels
{
// Where hidden panels go: far out of the window, or (where a window says so) nearer.
inline constexpr int OffLeft = -30000;
inline constexpr int OffLeftNear = -20000;
void show(QWidget *panel);
void hide(QWidget *panel, int leftTwips = OffLeft);
bool isShown(const QWidget *panel);
} // namespace Panels

// The fonts the windows ask for, mapped to free fonts of the same character.
namespace Fonts
{
// The point size of the program's own text (MS Sans Serif 8.25).
inline constexpr double DefaultPoints = 8.25;
// family: "Times New Roman", "Century Gothic", "Wide Latin" or "MS Sans Serif".
QFont font(const QString &family, double points, bool bold = false, int weight = -1);
// Size and weight only, in the window's default family.
QFont sized(double points, bool bold = false);
} // namespace Fonts
