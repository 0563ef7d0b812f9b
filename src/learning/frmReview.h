#pragma once
#include "core/run/testrun.h"
#include "core/ui/soundform.h"

class Picture;
class PlayChain;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// Study mode: each word of the selected test is shown and spoken, and the child
// copies it exactly (case counts, outer spaces do not) to move on. After the last
// word the window says so and returns to the activity menu. The session (words,
// position, wrong copies) is a StudySession that this window drives.
class frmReview final : public SoundForm
{
    Q_OBJECT
    Q_DISABLE_COPY(frmReview)
  public:
    explicit frmReview(QWidget *parent = nullptr);
    ~frmReview() override;

    QLabel *lblWord = nullptr;
    QLineEdit *txtWord = nullptr;
    QPushButton *btnNext = nullptr;
    QLabel *lblProgress = nullptr;
    QPushButton *Command2 = nullptr;
    Picture *Picture1 = nullptr;
    QTimer *Timer1 = nullptr;

    // The next study window made studies these words (in this order) instead of the
    // selected test's: the words just missed in a test.
    static void studyNext(const QStringList &words);

    // The session of this window.
    const StudySession &session() const { return m_session; }

  Q_SIGNALS:
    // Once per window, when the child leaves it: after the last word, by "End Study
    // Time" or by the close box. The session tells how far the child came.
    void studyFinished(const StudySession &session);

  public Q_SLOTS:
    void Timer1_Timer();
    void btnNext_Click();
    void Command2_Click();
    void Picture1_Click();

  protected:
    void Form_Unload(bool &keepOpen) override;

  private:
    // The sentence and the word again after the word, when it has a sentence.
    PlayChain *m_chain;
    void Form_Load();
    void StartTest();
    // Shows and speaks the word at WordIndex after checking its file.
    void ShowWord();
    void SayWordAgain();
    void showCaption(const QString &text);

    StudySession m_session;
    bool m_started = false;
};
