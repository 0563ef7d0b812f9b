#pragma once
#include "authoring/maintpanel.h"

class Picture;

// pnlStart: the authoring window's first panel, a button for each thing an adult
// does here.
class StartPanel final : public MaintPanel
{
    Q_OBJECT
    Q_DISABLE_COPY(StartPanel)
  public:
    StartPanel(SoundForm *window, AuthoringSession *session, QWidget *parent);

    QPushButton *btnMake = nullptr;
    QPushButton *btnEdit = nullptr;
    QPushButton *btnOptions = nullptr;
    QPushButton *btnProgress = nullptr;
    QPushButton *btnExit = nullptr;
    Picture *Image1 = nullptr;

  public Q_SLOTS:
    void btnMake_Click();
    void btnEdit_Click();
    void btnOptions_Click();
    void btnProgress_Click();
    void btnExit_Click();
};
