#pragma once
#include "arcade/gamerules.h"
#include "core/ui/soundform.h"

class AppContext;
class Picture;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Scramble: each word of the test is shown with its letters shuffled and the child
// types it in order; the typed text is checked on every change. Three helps (first
// letter, hear the word, solve it) and a running score; "End Game" (or the close box)
// brings the arcade chooser back and discards the window.
class frmScramble : public SoundForm
{
    Q_OBJECT
    Q_DISABLE_COPY(frmScramble)
  public:
    explicit frmScramble(AppContext &context, QWidget *parent = nullptr);
    ~frmScramble() override;

    // Window state, fresh with every window.
    QString CurrentWord;
    bool Helped = false;
    qint32 Score = 0;
    Arcade::WordOrder order; // its SequencePos is the window's

    QWidget *pnlStart = nullptr;
    QCheckBox *chkRandom = nullptr;
    QPushButton *btnStart = nullptr;
    Picture *picProf = nullptr;
    QLabel *lblWord = nullptr;
    QLineEdit *txtWord = nullptr;
    QPushButton *btnFirstLetter = nullptr;
    QPushButton *btnHearHint = nullptr;
    QPushButton *btnSolveIt = nullptr;
    QPushButton *btnExit = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblScore = nullptr;
    QLabel *Label1 = nullptr;

  public Q_SLOTS:
    void Form_Load();
    void btnStart_Click();
    void txtWord_Change();
    void btnFirstLetter_Click();
    void btnHearHint_Click();
    void btnSolveIt_Click();
    void btnExit_Click();
    void picProf_Click();

  public:
    void NextWord();
    void ScrambleIt();

  protected:
    // The close box does what "End Game" does.
    void Form_Unload(bool &keepOpen) override;

  private:
    AppContext &m_ctx;
};
