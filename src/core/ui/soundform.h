#pragma once
#include "core/platform/forms.h"

class MMControl;

// A window whose sounds may play to their end: it owns the multimedia control
// MMControl1 through which every sound of the window plays, and it is the one place
// where a handler plays a sound with waiting and learns whether the window survived
// the wait (it may be closed, or the program ended, while the sound plays).
class SoundForm : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(SoundForm)
  public:
    explicit SoundForm(Windows::Id id, QWidget *parent = nullptr);
    ~SoundForm() override;

    MMControl *const MMControl1;

    // Public, like Form::waitFor, for the parts of a window.
    // Plays a wave file from its start on MMControl1 to its end (PlayWave with
    // waiting); false when the window was closed or the program ended meanwhile.
    bool playToEnd(const QString &path);
    // Sends the waiting step of a window's own command sequence: command with the wait
    // flag set. False when the window was closed or the program ended meanwhile.
    bool sendToEnd(const QString &command);
    // The same for a spoken direction: what the child types while it plays is discarded.
    bool promptToEnd(const QString &path);
    bool sendPromptToEnd(const QString &command);
};
