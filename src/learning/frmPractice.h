#pragma once
#include "core/run/practicesession.h"
#include "core/ui/soundform.h"

#include <optional>

class AppContext;
class LetterCompare;
class Picture;
class PlayChain;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

// What a practice window is opened on: a test, and the words to practise (none given:
// every word of the test, as its folder lists them when the window is made).
struct PracticeRequest {
    QString testName;
    QString testDir; // with the trailing "/"
    std::optional<QStringList> words;
};

// Look, cover, write, check: each word is shown and spoken (Look), hidden after a few
// seconds or on Enter (Cover), typed from memory (Write), and the answer is set
// against the word (Check), until it is written right twice in a row; a hint shows
// the next letter in place and asks for one more right write. After the last word a
// summary tells how many tries each word took. The rules are a PracticeSession that
// this window drives.
class frmPractice final : public SoundForm
{
    Q_OBJECT
    Q_DISABLE_COPY(frmPractice)
  public:
    frmPractice(AppContext &context, const PracticeRequest &request, QWidget *parent = nullptr);
    ~frmPractice() override;

    // The steps, in a row at the top; the one the child is at is marked.
    QLabel *lblLook = nullptr;
    QLabel *lblCover = nullptr;
    QLabel *lblWrite = nullptr;
    QLabel *lblCheck = nullptr;
    // The word (Look), its blanks and hinted letters (Write), or the message of the end.
    QLabel *lblWord = nullptr;
    // The word and the answer, one above the other, letter by letter with the
    // mistakes marked (Check).
    LetterCompare *lblCompare = nullptr;
    QLineEdit *txtWord = nullptr;
    // How the word stands: right writes in a row, and what the check found.
    QLabel *lblTally = nullptr;
    QLabel *lblProgress = nullptr;
    QPushButton *btnNext = nullptr; // the default button: cover, check, go on
    QPushButton *btnHint = nullptr;
    QPushButton *btnRepeat = nullptr;
    QPushButton *btnSaySlowly = nullptr;
    QPushButton *Command2 = nullptr; // "End Practice"
    QListWidget *lstSummary = nullptr;
    Picture *Picture1 = nullptr;
    QTimer *Timer1 = nullptr;   // the start, a second after the window is made
    QTimer *tmrCover = nullptr; // covers the word after it has been shown for a while

    enum class Step { Waiting, Look, Write, Check, Summary };
    Step step() const { return m_step; }
    const PracticeSession &session() const { return m_session; }

    // How long a word is shown before it is covered.
    static constexpr int LookMs = 3000;

  Q_SIGNALS:
    // Once per window, when the child leaves it: the session tells how far it came.
    void practiceFinished(const PracticeSession &session);

  public Q_SLOTS:
    void Timer1_Timer();
    void tmrCover_Timer();
    void btnNext_Click();
    void btnHint_Click();
    // The word again, at speed (MMControl::SlowSpeed for "Say It Slowly").
    void btnRepeat_Click(double speed = 1.0);
    void btnSaySlowly_Click();
    void Command2_Click();

  protected:
    void Form_Unload(bool &keepOpen) override;

  private:
    void Look();
    void Cover();
    void Check(PracticeSession::Write verdict, const QString &answer);
    void ShowSummary();
    void setStep(Step step);
    void showWordText(const QString &text);
    void showTally(const QString &text);
    QString wordPath(const QString &word) const;

    PlayChain *m_chain;
    AppContext &m_ctx;
    const PracticeRequest m_request;
    PracticeSession m_session;
    Step m_step = Step::Waiting;
    // The word whose missing sound file has been reported, so it is said once.
    QString m_reportedMissing;
    // The position of the word on screen: the session moves on at a word's last write,
    // while its check is still shown.
    int m_wordAt = 0;
};
