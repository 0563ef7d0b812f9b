#pragma once
#include "core/run/testrun.h"
#include "core/ui/soundform.h"

#include <optional>

class AppContext;
class Picture;
class PlayChain;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// What a study window is opened on: a test, and the words to study (none given: every
// word of the test, as its folder lists them when the window is made).
struct StudyRequest {
    QString testName;
    QString testDir; // with the trailing "/"
    std::optional<QStringList> words;
};

// Study mode: each word of the selected test is shown and spoken, and the child
// copies it exactly (case counts, outer spaces do not) to move on. After the last
// word the window says so and returns to the activity menu. The session (words,
// position, wrong copies) is a StudySession that this window drives.
class frmReview final : public SoundForm
{
    Q_OBJECT
    Q_DISABLE_COPY(frmReview)
  public:
    frmReview(AppContext &context, const StudyRequest &request, QWidget *parent = nullptr);
    ~frmReview() override;

    QLabel *lblWord = nullptr;
    QLineEdit *txtWord = nullptr;
    QPushButton *btnNext = nullptr;
    QLabel *lblProgress = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *btnSaySlowly = nullptr;
    Picture *Picture1 = nullptr;
    QTimer *Timer1 = nullptr;

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
    void btnSaySlowly_Click();
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
    QString prompt(const char *file) const;
    QString wordPath(const QString &word) const;

    AppContext &m_ctx;
    const StudyRequest m_request;

    StudySession m_session;
    bool m_started = false;
};
