#include "learning/frmPractice.h"

#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playchain.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/lettercompare.h"
#include "core/ui/letters.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"
#include "voice/dictionary.h"
#include "voice/sentences.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace
{
// The window's geometry in twips: the professor at the left; at the right the row of
// steps, the word (or the check), the box, the tally and two rows of buttons.
namespace At
{
constexpr int Width = 7350;
constexpr int Height = 4200;

constexpr Twips::Box Picture1{120, 120, 1830, 2250};
constexpr Twips::Box lblProgress{120, 2460, 1830, 330};
constexpr int StepTop = 120;
constexpr int StepWidth = 1260;
constexpr Twips::Box lblLook{2160, StepTop, StepWidth, 360};
constexpr Twips::Box lblCover{2160 + StepWidth, StepTop, StepWidth, 360};
constexpr Twips::Box lblWrite{2160 + 2 * StepWidth, StepTop, StepWidth, 360};
constexpr Twips::Box lblCheck{2160 + 3 * StepWidth, StepTop, StepWidth, 360};
constexpr Twips::Box lblWord{2160, 600, 5040, 1020};
constexpr Twips::Box lblCompare{2160, 600, 5040, 1020};
constexpr Twips::Box txtWord{2160, 1740, 5040, 600};
constexpr Twips::Box lblTally{2160, 2370, 5040, 480}; // two lines
constexpr Twips::Box lstSummary{2160, 600, 5040, 2150};
constexpr int ButtonWidth = 1620;
constexpr int ButtonHeight = 540;
constexpr Twips::Box btnNext{2160, 2880, ButtonWidth, ButtonHeight};
constexpr Twips::Box btnHint{3870, 2880, ButtonWidth, ButtonHeight};
constexpr Twips::Box Command2{5580, 2880, ButtonWidth, ButtonHeight};
constexpr Twips::Box btnRepeat{2160, 3510, ButtonWidth, ButtonHeight};
constexpr Twips::Box btnSaySlowly{3870, 3510, ButtonWidth, ButtonHeight};

// The word, its blanks, the check and the child's box are large: bold, in points.
constexpr double WordPoints = 18;
constexpr double StepPoints = 11;
constexpr double TallyPoints = 10;
} // namespace At

QString tries(int n)
{
    return n == 1 ? QStringLiteral("1 try") : QStringLiteral("%1 tries").arg(n);
}
} // namespace

frmPractice::frmPractice(AppContext &context, const PracticeRequest &request, QWidget *parent)
    : SoundForm(Windows::Practice, parent), m_chain(new PlayChain(*MMControl1, this)), m_ctx(context),
      m_request(request)
{
    setWindowTitle(QStringLiteral("Practice"));
    Twips::setClientSize(this, At::Width, At::Height);
    const QFont big = Fonts::sized(At::WordPoints, true);

    Picture1 = Ui::professor(this, QStringLiteral("Picture1"), At::Picture1);
    lblProgress = Ui::label(this, QStringLiteral("lblProgress"), QString(), At::lblProgress);
    lblProgress->setAlignment(Qt::AlignCenter);
    const auto stepLabel = [this](const QString &name, const QString &caption, const Twips::Box &at) {
        QLabel *l = Ui::label(this, name, caption, at);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    lblLook = stepLabel(QStringLiteral("lblLook"), QStringLiteral("Look"), At::lblLook);
    lblCover = stepLabel(QStringLiteral("lblCover"), QStringLiteral("Cover"), At::lblCover);
    lblWrite = stepLabel(QStringLiteral("lblWrite"), QStringLiteral("Write"), At::lblWrite);
    lblCheck = stepLabel(QStringLiteral("lblCheck"), QStringLiteral("Check"), At::lblCheck);

    lblWord = Ui::label(this, QStringLiteral("lblWord"), QString(), At::lblWord);
    lblWord->setFont(big);
    lblWord->setWordWrap(false);
    lblWord->setAlignment(Qt::AlignCenter);
    lblCompare = new LetterCompare(this);
    lblCompare->setObjectName(QStringLiteral("lblCompare"));
    lblCompare->setFont(big);
    Twips::place(lblCompare, At::lblCompare);
    lblCompare->hide();
    txtWord = Ui::textBox(this, QStringLiteral("txtWord"), At::txtWord);
    txtWord->setAccessibleName(QStringLiteral("Write the word here"));
    txtWord->setFont(big);
    txtWord->setEnabled(false);
    // The letters the child reads in, where the word is shown and written.
    Letters::apply({lblWord, lblCompare, txtWord}, Letters::of(m_ctx.history.child()));
    lblTally = Ui::label(this, QStringLiteral("lblTally"), QString(), At::lblTally);
    lblTally->setAlignment(Qt::AlignCenter);
    lblTally->setWordWrap(true);
    lblTally->setFont(Fonts::sized(At::TallyPoints, true));
    lstSummary = Ui::list(this, QStringLiteral("lstSummary"), At::lstSummary);
    lstSummary->setAccessibleName(QStringLiteral("Your practice"));
    lstSummary->setFont(Fonts::sized(At::StepPoints, true));
    lstSummary->hide();

    btnNext = Ui::button(this, QStringLiteral("btnNext"), QStringLiteral("Cover"), At::btnNext,
                         QStringLiteral("Click on me or press Enter to go on"));
    btnNext->setDefault(true);
    btnNext->setEnabled(false);
    btnHint = Ui::button(this, QStringLiteral("btnHint"), QStringLiteral("Give Me a Hint"), At::btnHint,
                         QStringLiteral("Shows the next letter of the word"));
    btnHint->setEnabled(false);
    Command2 = Ui::button(this, QStringLiteral("Command2"), QStringLiteral("End Practice"), At::Command2,
                          QStringLiteral("Click here to end your practice."));
    btnRepeat = Ui::button(this, QStringLiteral("btnRepeat"), QStringLiteral("Repeat Word"), At::btnRepeat,
                           QStringLiteral("Click here to hear the word again"));
    btnRepeat->setEnabled(false);
    btnSaySlowly = Ui::button(this, QStringLiteral("btnSaySlowly"), QStringLiteral("Say It Slowly"), At::btnSaySlowly,
                              QStringLiteral("Click here to hear the word slowly"));
    btnSaySlowly->setEnabled(false);

    connect(btnNext, &QPushButton::clicked, this, &frmPractice::btnNext_Click);
    connect(btnHint, &QPushButton::clicked, this, &frmPractice::btnHint_Click);
    connect(btnRepeat, &QPushButton::clicked, this, [this] { btnRepeat_Click(); });
    connect(btnSaySlowly, &QPushButton::clicked, this, &frmPractice::btnSaySlowly_Click);
    connect(Command2, &QPushButton::clicked, this, &frmPractice::Command2_Click);
    setTabOrder(txtWord, btnNext);
    setTabOrder(btnNext, btnHint);
    setTabOrder(btnHint, Command2);
    setTabOrder(Command2, btnRepeat);
    setTabOrder(btnRepeat, btnSaySlowly);

    tmrCover = Ui::timer(this, QStringLiteral("tmrCover"), LookMs, true);
    connect(tmrCover, &QTimer::timeout, this, &frmPractice::tmrCover_Timer);

    m_session = PracticeSession(m_request.words ? *m_request.words : TestLibrary::wordsOf(m_request.testDir),
                                m_request.testName, m_request.testDir);
    setStep(Step::Waiting);

    Timer1 = Ui::timer(this, QStringLiteral("Timer1"), 1000, true);
    connect(Timer1, &QTimer::timeout, this, &frmPractice::Timer1_Timer);
    Timer1->start();
}

frmPractice::~frmPractice() = default;

QString frmPractice::wordPath(const QString &word) const
{
    return m_session.testDir() + word + QStringLiteral(".wav");
}

void frmPractice::setStep(Step step)
{
    m_step = step;
    // The step the child is at is bold and underlined, never told by colour alone.
    const auto mark = [](QLabel *l, bool now) {
        QFont f = Fonts::sized(At::StepPoints, now);
        f.setUnderline(now);
        l->setFont(f);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, now ? QColor(0, 0, 160) : QColor(96, 96, 96));
        l->setPalette(p);
        l->setAccessibleDescription(now ? QStringLiteral("You are here") : QString());
    };
    mark(lblLook, step == Step::Look);
    mark(lblCover, step == Step::Write);
    mark(lblWrite, step == Step::Write);
    mark(lblCheck, step == Step::Check);

    const bool word = step == Step::Look || step == Step::Write || step == Step::Check;
    lblWord->setVisible(step != Step::Check);
    lblCompare->setVisible(step == Step::Check);
    txtWord->setVisible(step != Step::Summary);
    txtWord->setEnabled(step == Step::Write);
    lstSummary->setVisible(step == Step::Summary);
    btnNext->setVisible(step != Step::Summary);
    btnNext->setEnabled(word);
    btnHint->setEnabled(step == Step::Write && m_session.canHint());
    btnRepeat->setEnabled(word);
    btnSaySlowly->setEnabled(word);
    if (step != Step::Look)
        tmrCover->stop();
}

void frmPractice::showWordText(const QString &text)
{
    lblWord->setText(text);
    lblWord->setAccessibleName(text);
}

void frmPractice::showTally(const QString &text)
{
    lblTally->setText(text);
    lblTally->setAccessibleName(text);
}

void frmPractice::Timer1_Timer()
{
    Timer1->stop();
    if (m_session.isStarted() || isLeaving())
        return;
    if (m_session.wordCount() == 0) {
        showWordText(QStringLiteral("This test has no words yet."));
        return;
    }
    m_session.start();
    Look();
}

// Look: the word is shown and spoken, and covered after a while or on Enter.
void frmPractice::Look()
{
    const QString w = m_session.currentWord();
    m_wordAt = m_session.wordIndex();
    const PracticeSession::Word &progress = m_session.words().at(m_wordAt);
    m_session.cover();
    txtWord->clear();
    setStep(Step::Look);
    showWordText(w);
    lblProgress->setText(QStringLiteral("Word %1 of %2").arg(m_session.wordIndex() + 1).arg(m_session.wordCount()));
    showTally(QStringLiteral("Right in a row: %1 of %2").arg(progress.rightInARow).arg(progress.needed()));
    btnNext->setText(QStringLiteral("Cover"));
    btnNext->setFocus();
    const QString path = wordPath(w);
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden()) {
        // Said once per word; the word is still shown, so the child can go on.
        if (m_reportedMissing != w) {
            m_reportedMissing = w;
            if (!waitFor([&] { MsgBox(QStringLiteral("Missing Sound File for the word: ") + w); }))
                return;
        }
    } else {
        Module1::PlayWave(*MMControl1, path);
        if (const QString sentence = Sentences::playable(m_session.testDir(), w); !sentence.isEmpty())
            m_chain->follow({sentence, path});
    }
    tmrCover->start();
}

void frmPractice::tmrCover_Timer()
{
    tmrCover->stop();
    if (m_step == Step::Look)
        Cover();
}

// Cover and write: the word gives way to its blanks, and the child writes it.
void frmPractice::Cover()
{
    setStep(Step::Write);
    showWordText(m_session.hintPattern());
    btnNext->setText(QStringLiteral("Check"));
    txtWord->setFocus();
}

void frmPractice::btnHint_Click()
{
    if (m_step != Step::Write || !m_session.hint())
        return;
    showWordText(m_session.hintPattern());
    const PracticeSession::Word &progress = m_session.words().at(m_session.wordIndex());
    showTally(QStringLiteral("Right in a row: %1 of %2").arg(progress.rightInARow).arg(progress.needed()));
    btnHint->setEnabled(m_session.canHint());
    txtWord->setFocus();
}

void frmPractice::btnNext_Click()
{
    switch (m_step) {
    case Step::Look:
        Cover();
        return;
    case Step::Write: {
        const QString answer = txtWord->text();
        const PracticeSession::Write verdict = m_session.write(answer);
        if (verdict == PracticeSession::Write::Empty) {
            if (promptToEnd(m_ctx.AppDir + QStringLiteral("noword.wav")))
                txtWord->setFocus();
            return;
        }
        Check(verdict, answer);
        return;
    }
    case Step::Check:
        if (m_session.isComplete())
            ShowSummary();
        else
            Look();
        return;
    case Step::Waiting:
    case Step::Summary:
        return;
    }
}

// Check: the answer is set against the word, and the tally tells what it counts for.
void frmPractice::Check(PracticeSession::Write verdict, const QString &answer)
{
    const PracticeSession::Word &w = m_session.words().at(m_wordAt);
    setStep(Step::Check);
    lblCompare->setWordAndAnswer(w.word, answer, Dictionaries::forWindows());
    // The letters are drawn from the left of the widget: margins put them in the middle.
    const QSize room = lblCompare->size(), letters = lblCompare->sizeHint();
    const int side = std::max(0, (room.width() - letters.width()) / 2);
    const int top = std::max(0, (room.height() - letters.height()) / 2);
    lblCompare->setContentsMargins(side, top, side, top);
    switch (verdict) {
    case PracticeSession::Write::Done:
        showTally(QStringLiteral("Right %1 times in a row: well done!").arg(w.needed()));
        btnNext->setText(m_session.isComplete() ? QStringLiteral("Finish") : QStringLiteral("Next Word"));
        break;
    case PracticeSession::Write::Right:
        showTally(QStringLiteral("Right! %1 of %2 in a row.").arg(w.rightInARow).arg(w.needed()));
        btnNext->setText(QStringLiteral("Again"));
        break;
    case PracticeSession::Write::Wrong:
    case PracticeSession::Write::Empty: {
        // What went wrong in words, where it fits ("You wrote becuase: the a and the u
        // are swapped."); a long answer leaves it to the letters.
        QString said = lblCompare->comparison().description();
        said = said.left(1).toUpper() + said.mid(1) + QStringLiteral(". Look at the word again.");
        const QRect room = lblTally->contentsRect();
        const QRect needs = lblTally->fontMetrics().boundingRect(room, Qt::TextWordWrap | Qt::AlignCenter, said);
        if (needs.height() > room.height() || needs.width() > room.width())
            said = QStringLiteral("Not yet. Look at the word again.");
        showTally(said);
        btnNext->setText(QStringLiteral("Look Again"));
        break;
    }
    }
    btnNext->setFocus();
}

void frmPractice::ShowSummary()
{
    setStep(Step::Summary);
    showWordText(QString());
    lstSummary->clear();
    for (const PracticeSession::Word &w : m_session.words()) {
        QString row = w.word + QStringLiteral(": ") + tries(w.tries);
        if (w.hints > 0)
            row += w.hints == 1 ? QStringLiteral(", 1 hint") : QStringLiteral(", %1 hints").arg(w.hints);
        lstSummary->addItem(row);
    }
    lblProgress->clear();
    showTally(QStringLiteral("Practice Complete"));
    Command2->setDefault(true);
    Command2->setFocus();
    Module1::PlayWave(*MMControl1, m_ctx.AppDir + QStringLiteral("reviewcomplete.wav"));
}

void frmPractice::btnRepeat_Click(double speed)
{
    if (m_step != Step::Look && m_step != Step::Write && m_step != Step::Check)
        return;
    Module1::PlayWave(*MMControl1, wordPath(m_session.words().at(m_wordAt).word), false, speed);
    if (m_step == Step::Write)
        txtWord->setFocus();
}

void frmPractice::btnSaySlowly_Click()
{
    btnRepeat_Click(MMControl::SlowSpeed);
}

void frmPractice::Command2_Click()
{
    leaveTo(Windows::Choice, LeaveOrder::CloseFirst);
}

void frmPractice::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    tmrCover->stop();
    if (MMControl1->isPlaying())
        MMControl1->setCommand(QStringLiteral("Close"));
    Q_EMIT practiceFinished(m_session);
    // Closed through its frame: back to a fresh activity menu, like "End Practice".
    leaveTo(Windows::Choice, LeaveOrder::CloseFirst);
}
