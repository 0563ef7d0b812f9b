#pragma once
#include "core/run/testrun.h"
#include "core/ui/soundform.h"

class AppContext;
class LetterCompare;
class Picture;
class PlayChain;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QTimer;
class RunList;

// The spelling test: each word is spoken, the child types it, and after the last
// word (or "Stop Test") the answers are marked and the same window switches in place
// to its results view. The run itself (words, answers, position, marks) is a TestRun
// that this window drives and its three lists show; this class only drives the
// controls and the sounds.
class frmTest final : public SoundForm
{
    Q_OBJECT
    Q_DISABLE_COPY(frmTest)
  public:
    explicit frmTest(AppContext &context, QWidget *parent = nullptr);
    ~frmTest() override;

    // Test view
    QWidget *pnlTest = nullptr;
    QLineEdit *txtWord = nullptr;
    QPushButton *btnNext = nullptr;
    QPushButton *btnRepeat = nullptr;
    QPushButton *btnSaySlowly = nullptr;
    QPushButton *btnStopTest = nullptr;
    QListView *lstTries = nullptr; // the run's answers
    QLabel *lblProgress = nullptr;
    Picture *Picture2 = nullptr;

    // Results view
    QWidget *pnlResults = nullptr;
    QListView *lstCorrect = nullptr; // the run's words
    QListView *lstYours = nullptr;   // the run's scored rows
    QLabel *lblScore = nullptr;
    Picture *picSmile = nullptr;
    QPushButton *btnHearMissedWords = nullptr;
    QPushButton *btnPractiseMissed = nullptr;
    QPushButton *btnExitResults = nullptr;
    Picture *picprof_r = nullptr;
    // Under the lists: the word and the answer of the wrong row selected, letter by
    // letter; hidden while no wrong row is selected.
    LetterCompare *lblCompare = nullptr;

    QTimer *Timer1 = nullptr;

    // The run of this window: being answered, then scored.
    const TestRun &run() const { return m_run; }
    // True once the answers have been scored and the results view is shown.
    bool resultsShown() const { return m_run.isScored(); }

  Q_SIGNALS:
    // Once per window, as soon as the run has been scored: after the last answer or
    // after "Stop Test". A test without words has no run to tell.
    void runFinished(const TestRun &run);

  public Q_SLOTS:
    void Timer1_Timer();
    void btnNext_Click();
    void btnRepeat_Click();
    void btnSaySlowly_Click();
    void btnStopTest_Click();
    void Picture2_Click();
    void btnHearMissedWords_Click();
    void btnPractiseMissed_Click();
    void btnExitResults_Click();
    void picprof_r_Click();
    // A row of either results list became the current one.
    void showCompare(int row);

  protected:
    void Form_Unload(bool &keepOpen) override;

  private:
    // The sentence and the word again after the word, when it has a sentence.
    PlayChain *m_chain;
    void Form_Load();
    void StartTest();
    // Speaks the word at WordIndex after checking its file, at `speed` of its pace;
    // false when it is missing.
    bool AskWord(double speed = 1.0);
    void EndRun(bool finishPrompt);
    // Shows the score and plays its reaction; false when the window was closed while
    // its pending events ran.
    bool score_test();
    void ShowResults();
    void refreshLists();
    QString prompt(const char *file) const;
    QString wordPath(const QString &word) const;

    AppContext &m_ctx;

    TestRun m_run;
    RunList *m_words = nullptr;
    RunList *m_answers = nullptr;
    RunList *m_rows = nullptr;
    bool m_started = false;
};
