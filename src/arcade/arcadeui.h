#pragma once

#include <QtGlobal>

class QCheckBox;
class QPushButton;
class QWidget;

namespace Arcade
{
// Keeps a window alive while one of its handlers is running, however deeply: a
// handler that waits for a sound or lets pending events run can see the window
// closed meanwhile (its close box, the end of the program). The close goes ahead at
// once, but the window is deleted only after the outermost handler has returned, so
// no handler, and no widget whose signal started one, runs on a deleted window.
class HandlerGuard
{
    Q_DISABLE_COPY(HandlerGuard)
  public:
    explicit HandlerGuard(QWidget *window) : m_window(window) {}
    // Call when the window has accepted a close.
    void closed();

    // One handler running.
    class Scope
    {
        Q_DISABLE_COPY(Scope)
      public:
        explicit Scope(HandlerGuard &guard) : m_guard(guard) { ++m_guard.m_depth; }
        ~Scope();

      private:
        HandlerGuard &m_guard;
    };

  private:
    QWidget *m_window;
    int m_depth = 0;
    bool m_deletePending = false;
};

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
