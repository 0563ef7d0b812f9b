#pragma once
#include "core/platform/forms.h"

class AppContext;
class MMControl;
class Picture;
class QPushButton;

// The arcade chooser "Arcade Alley": starts Raining Words or Scramble, or goes back
// to the activity menu. It stays loaded, hidden, while a game runs; each game shows
// it again when the child leaves the game.
class frmArcadeSelect : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(frmArcadeSelect)
  public:
    explicit frmArcadeSelect(AppContext &context, QWidget *parent = nullptr);

    QPushButton *btnRain = nullptr;
    QPushButton *btnScramble = nullptr;
    QPushButton *btnExit = nullptr;
    Picture *picProf = nullptr;
    MMControl *MMControl1 = nullptr;

  public Q_SLOTS:
    void btnRain_Click();
    void btnScramble_Click();
    void btnExit_Click();
    void picProf_Click();

  protected:
    // The close box does what "Exit" does: the activity menu comes back.
    void Form_Unload(bool &keepOpen) override;

  private:
    AppContext &m_ctx;
};
