#pragma once
#include "core/platform/forms.h"

#include <QList>

class MMControl;
class Picture;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

// The spelling test: each word is spoken, the child types it, and after the last
// word (or "Stop Test") the answers are marked and the same window switches in place
// to its results view. Marking rules live in Scoring; this class only drives the
// controls and the sounds.
class frmTest final : public Form
{
    Q_OBJECT
    Q_DISABLE_COPY(frmTest)
  public:
    explicit frmTest(QWidget *parent = nullptr);
    ~frmTest() override;

    // Test view
    QWidget *pnlTest = nullptr;
    QLineEdit *txtWord = nullptr;
    QPushButton *btnNext = nullptr;
    QPushButton *btnRepeat = nullptr;
    QPushButton *btnStopTest = nullptr;
    QListWidget *lstTries = nullptr;
    QLabel *lblProgress = nullptr;
    Picture *Picture2 = nullptr;

    // Results view
    QWidget *pnlResults = nullptr;
    QListWidget *lstCorrect = nullptr;
    QListWidget *lstYours = nullptr;
    QLabel *lblScore = nullptr;
    Picture *picSmile = nullptr;
    QPushButton *btnHearMissedWords = nullptr;
    QPushButton *btnExitResults = nullptr;
    Picture *picprof_r = nullptr;

    QTimer *Timer1 = nullptr;
    MMControl *MMControl1 = nullptr;

    // 0-based position of the word being asked.
    int WordIndex = 0;

    // True once the answers have been scored and the results view is shown.
    bool resultsShown() const { return m_scored; }

  public Q_SLOTS:
    void Timer1_Timer();
    void btnNext_Click();
    void btnRepeat_Click();
    void btnStopTest_Click();
    void Picture2_Click();
    void btnHearMissedWords_Click();
    void btnExitResults_Click();
    void picprof_r_Click();

  protected:
    void Form_Unload(bool &keepOpen) override;

  private:
    void Form_Load();
    void StartTest();
    // Speaks the word at WordIndex after checking its file; false when it is missing.
    bool AskWord();
    void EndRun(bool finishPrompt);
    void Move_List();
    void score_test();
    void ShowResults();
    // False once the window has been closed or the program is ending (after a wait).
    bool alive() const;

    QList<bool> m_missed; // rows of lstYours marked wrong by score_test
    bool m_started = false;
    bool m_scored = false;
    bool m_leaving = false;
};
