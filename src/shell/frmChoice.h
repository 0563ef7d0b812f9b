#pragma once
#include "core/platform/forms.h"

class AppContext;
class MMControl;
class Picture;
class QLabel;
class QPushButton;

// The activity menu: names the selected test and leads to every activity. Each
// choice closes it, so every return opens a fresh one showing the current test.
class frmChoice final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(frmChoice)
  public:
    explicit frmChoice(AppContext &context, QWidget *parent = nullptr);

  public Q_SLOTS:
    void Command1_Click(); // Take Test
    void Command2_Click(); // Study Words
    void Command3_Click(); // New Test
    void btnArcade_Click();
    void btnPractice_Click(); // Look, Cover, Write, Check
    void Command4_Click();    // Exit
    void picProf_Click();

  protected:
    void closeEvent(QCloseEvent *event) override;

  private:
    AppContext &m_ctx;
    void Form_Load();

    QLabel *Label1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *btnArcade = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *btnPractice = nullptr;
    QLabel *lblSelect = nullptr;
    Picture *picProf = nullptr;
    MMControl *MMControl1 = nullptr;
};
