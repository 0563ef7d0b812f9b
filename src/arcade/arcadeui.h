#pragma once

#include <QtGlobal>

class QCheckBox;
class QPushButton;
class QWidget;

namespace Arcade
{

// Small presentation helpers the arcade windows share.
// Draws a button's picture above its caption, and wraps a long caption over several
// lines, as the game buttons show them; the button keeps its text and icon, so its
// caption, accessible name and access key are unchanged.
void stackPictureAboveCaption(QPushButton *button);
// A caption-only button whose caption wraps over several lines when it is too wide.
void wrapCaption(QPushButton *button);
// A check box whose caption wraps over several lines when it is too wide.
void wrapCheckBoxCaption(QCheckBox *box);
// Places a window in the middle of the screen.
void centreOnScreen(QWidget *window);
} // namespace Arcade
