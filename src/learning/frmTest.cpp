#include "learning/frmTest.h"

#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/run/runlist.h"
#include "core/run/scoring.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playchain.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/lettercompare.h"
#include "core/ui/letters.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"
#include "learning/frmPractice.h"
#include "learning/frmReview.h"
#include "learning/register.h"
#include "voice/dictionary.h"
#include "voice/sentences.h"

#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

namespace
{
// The window's geometry in twips. The test view is narrow; the results view, as wide
// as the window becomes for it, shows two lists side by side.
namespace At
{
constexpr int TestWidth = 6400;
constexpr int ResultsWidth = 8500;
constexpr int Height = 5400;
// The results view is taller by the line under its lists.
constexpr int ResultsHeight = 6150;

constexpr Twips::Box pnlTest{15, 0, TestWidth - 15, Height};
constexpr Twips::Box Picture2{120, 120, 1830, 2250};
constexpr Twips::Box lblProgress{2160, 150, 4000, 420};
constexpr Twips::Box Label1{2160, 700, 4000, 330};
constexpr Twips::Box txtWord{2160, 1030, 4000, 480};
constexpr Twips::Box btnNext{2160, 1680, 1950, 480};
constexpr Twips::Box btnRepeat{4210, 1680, 1950, 480};
constexpr Twips::Box btnStopTest{4210, 2250, 1950, 480};
constexpr Twips::Box btnSaySlowly{2160, 2250, 1950, 480};
constexpr Twips::Box Label2{120, 2520, 4000, 330};
constexpr Twips::Box lstTries{120, 2850, 6040, 2400};

constexpr Twips::Box pnlResults{0, 0, ResultsWidth, ResultsHeight};
constexpr Twips::Box picprof_r{120, 120, 1830, 2250};
constexpr Twips::Box lblScore{2160, 150, 4900, 640};
constexpr Twips::Box picSmile{7200, 60, 1140, 1140};
constexpr Twips::Box btnHearMissedWords{2160, 1080, 3400, 480};
constexpr Twips::Box btnExitResults{2160, 1650, 3400, 480};
constexpr Twips::Box btnPractiseMissed{5660, 1650, 2720, 480};
constexpr Twips::Box Label3{120, 2520, 4000, 330};
constexpr Twips::Box Label4{4300, 2520, 4080, 330};
constexpr Twips::Box lstCorrect{120, 2850, 4000, 2400};
constexpr Twips::Box lstYours{4300, 2850, 4080, 2400};
constexpr Twips::Box lblCompare{120, 5340, 8260, 720};

// Bold point sizes: list headings, the answers (box, lists, progress), the score.
constexpr double HeadingPoints = 10;
constexpr double AnswerPoints = 12;
constexpr double ScorePoints = 18;
} // namespace At

QLabel *heading(QWidget *parent, const QString &name, const QString &text, const Twips::Box &at)
{
    QLabel *l = Ui::label(parent, name, text, at);
    l->setFont(Fonts::sized(At::HeadingPoints, true));
    return l;
}

QListView *runView(QWidget *parent, const QString &name, RunList *model, const Twips::Box &at, const QString &caption)
{
    QListView *v = Ui::listView(parent, name, model, at);
    v->setAccessibleName(caption);
    v->setFont(Fonts::sized(At::AnswerPoints, true));
    return v;
}
} // namespace

frmTest::frmTest(AppContext &context, QWidget *parent)
    : SoundForm(Windows::Test, parent), m_chain(new PlayChain(*MMControl1, this)), m_ctx(context)
{
    setWindowTitle(QStringLiteral("Test"));
    m_words = new RunList(m_run, RunList::Shows::Words, this);
    m_answers = new RunList(m_run, RunList::Shows::Answers, this);
    m_rows = new RunList(m_run, RunList::Shows::Rows, this);

    // Test view.
    pnlTest = Ui::panel(this, QStringLiteral("pnlTest"), At::pnlTest);
    Picture2 = Ui::professor(pnlTest, QStringLiteral("Picture2"), At::Picture2);
    lblProgress = Ui::label(pnlTest, QStringLiteral("lblProgress"), QStringLiteral("Word 1"), At::lblProgress);
    lblProgress->setFont(Fonts::sized(At::AnswerPoints, true));
    heading(pnlTest, QStringLiteral("Label1"), QStringLiteral("Type the word here:"), At::Label1);
    txtWord = Ui::textBox(pnlTest, QStringLiteral("txtWord"), At::txtWord);
    txtWord->setAccessibleName(QStringLiteral("Type the word here"));
    txtWord->setFont(Fonts::sized(At::AnswerPoints, true));
    btnNext = Ui::button(pnlTest, QStringLiteral("btnNext"), QStringLiteral("Next Word"), At::btnNext);
    btnNext->setDefault(true);
    btnRepeat = Ui::button(pnlTest, QStringLiteral("btnRepeat"), QStringLiteral("Repeat Word"), At::btnRepeat);
    btnStopTest = Ui::button(pnlTest, QStringLiteral("btnStopTest"), QStringLiteral("Stop Test"), At::btnStopTest);
    heading(pnlTest, QStringLiteral("Label2"), QStringLiteral("Words Completed"), At::Label2);
    lstTries = runView(pnlTest, QStringLiteral("lstTries"), m_answers, At::lstTries, QStringLiteral("Words Completed"));
    // In the free place below "Next Word", over the empty end of the heading's line.
    btnSaySlowly =
        Ui::button(pnlTest, QStringLiteral("btnSaySlowly"), QStringLiteral("Say It Slowly"), At::btnSaySlowly);
    btnSaySlowly->raise();
    setTabOrder(btnRepeat, btnSaySlowly);
    setTabOrder(btnSaySlowly, btnStopTest);

    // Results view, out of sight until the run ends.
    pnlResults = Ui::panel(this, QStringLiteral("pnlResults"), At::pnlResults);
    picprof_r = Ui::professor(pnlResults, QStringLiteral("picprof_r"), At::picprof_r);
    lblScore = Ui::label(pnlResults, QStringLiteral("lblScore"), QStringLiteral("You scored a 100%"), At::lblScore);
    lblScore->setFont(Fonts::sized(At::ScorePoints, true));
    picSmile = Ui::picture(pnlResults, QStringLiteral("picSmile"), QStringLiteral(":/art/smiley.svg"), At::picSmile);
    picSmile->setAccessibleName(QStringLiteral("Smiley: a perfect score"));
    picSmile->setVisible(false);
    btnHearMissedWords = Ui::button(pnlResults, QStringLiteral("btnHearMissedWords"),
                                    QStringLiteral("Hear the words you missed"), At::btnHearMissedWords);
    btnPractiseMissed = Ui::button(pnlResults, QStringLiteral("btnPractiseMissed"),
                                   QStringLiteral("Practise the Missed Words"), At::btnPractiseMissed);
    btnExitResults = Ui::button(pnlResults, QStringLiteral("btnExitResults"), QStringLiteral("Exit Test Results"),
                                At::btnExitResults);
    heading(pnlResults, QStringLiteral("Label3"), QStringLiteral("Correct Words"), At::Label3);
    heading(pnlResults, QStringLiteral("Label4"), QStringLiteral("The Words You Typed"), At::Label4);
    lstCorrect =
        runView(pnlResults, QStringLiteral("lstCorrect"), m_words, At::lstCorrect, QStringLiteral("Correct Words"));
    lstYours =
        runView(pnlResults, QStringLiteral("lstYours"), m_rows, At::lstYours, QStringLiteral("The Words You Typed"));
    lblCompare = new LetterCompare(pnlResults);
    lblCompare->setObjectName(QStringLiteral("lblCompare"));
    lblCompare->setFont(Fonts::sized(At::AnswerPoints, true));
    Twips::place(lblCompare, At::lblCompare);
    lblCompare->setVisible(false);
    Panels::hide(pnlResults, Panels::OffLeftNear);
    // The chosen child's letters where they type and where their words are shown.
    Letters::apply({txtWord, lstTries, lstCorrect, lstYours, lblCompare}, Letters::of(m_ctx.history.child()));

    connect(btnNext, &QPushButton::clicked, this, &frmTest::btnNext_Click);
    connect(btnRepeat, &QPushButton::clicked, this, &frmTest::btnRepeat_Click);
    connect(btnSaySlowly, &QPushButton::clicked, this, &frmTest::btnSaySlowly_Click);
    connect(btnStopTest, &QPushButton::clicked, this, &frmTest::btnStopTest_Click);
    connect(Picture2, &Picture::clicked, this, &frmTest::Picture2_Click);
    connect(btnHearMissedWords, &QPushButton::clicked, this, &frmTest::btnHearMissedWords_Click);
    connect(btnPractiseMissed, &QPushButton::clicked, this, &frmTest::btnPractiseMissed_Click);
    connect(btnExitResults, &QPushButton::clicked, this, &frmTest::btnExitResults_Click);
    connect(picprof_r, &Picture::clicked, this, &frmTest::picprof_r_Click);
    for (QListView *list : {lstCorrect, lstYours})
        connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this](const QModelIndex &current) { showCompare(current.row()); });

    Form_Load();

    // The run starts once, a second after the window is created.
    Timer1 = Ui::timer(this, QStringLiteral("Timer1"), 1000, true);
    connect(Timer1, &QTimer::timeout, this, &frmTest::Timer1_Timer);
    Timer1->start();
}

frmTest::~frmTest() = default;

void frmTest::Form_Load()
{
    Twips::setClientSize(this, At::TestWidth, At::Height);
    // The run carries the chosen test's name and folder: whatever is chosen later, its
    // words are played and its results recorded for this test.
    m_run = TestRun(TestLibrary::wordsOf(m_ctx.TestDir()), m_ctx.TestName(), m_ctx.TestDir());
    refreshLists();
    pnlTest->move(Twips::px(At::pnlTest.left), pnlTest->y());
    txtWord->setFocus();
}

QString frmTest::prompt(const char *file) const
{
    return m_ctx.AppDir + QLatin1String(file);
}

QString frmTest::wordPath(const QString &word) const
{
    return m_run.testDir() + word + QStringLiteral(".wav");
}

void frmTest::refreshLists()
{
    m_words->refresh();
    m_answers->refresh();
    m_rows->refresh();
}

void frmTest::Timer1_Timer()
{
    Timer1->stop();
    // Never a second start, and none once the child has already stopped the test.
    if (m_started || m_run.isScored())
        return;
    m_started = true;
    StartTest();
}

void frmTest::StartTest()
{
    MMControl &mm = *MMControl1;
    mm.Notify = false;
    mm.Wait = true;
    mm.Shareable = false;
    mm.DeviceType = QStringLiteral("WaveAudio");
    mm.FileName = prompt("starttest.wav");
    mm.setCommand(QStringLiteral("Open"));
    if (!sendPromptToEnd(QStringLiteral("play")))
        return; // closed, or the program ended, during the prompt

    m_run.restart();
    txtWord->clear();
    refreshLists();
    AskWord();
}

bool frmTest::AskWord(double speed)
{
    // An empty word list asks for the empty word, which has no sound file.
    const QString w = m_run.currentWord();
    const QString path = wordPath(w);
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden()) {
        MsgBox(QStringLiteral("Missing Sound File for the word: ") + w);
        return false;
    }
    lblProgress->setText(QStringLiteral("Word %1 of %2").arg(m_run.wordIndex() + 1).arg(m_run.wordCount()));
    MMControl &mm = *MMControl1;
    mm.setCommand(QStringLiteral("close")); // cuts off whatever this window is still saying
    mm.FileName = path;
    mm.setCommand(QStringLiteral("open"));
    mm.Speed = speed;
    mm.setCommand(QStringLiteral("Play"));
    // Word, sentence, word, when the word has a sentence to play.
    if (const QString sentence = Sentences::playable(m_run.testDir(), w); !sentence.isEmpty())
        m_chain->follow({sentence, path}, speed);
    txtWord->setFocus();
    return true;
}

void frmTest::btnNext_Click()
{
    if (m_run.isScored())
        return;
    if (!m_run.answer(txtWord->text())) {
        Module1::PlayWave(*MMControl1, prompt("noword.wav"));
        txtWord->setFocus();
        return;
    }
    m_answers->refresh();
    lstTries->scrollToBottom();
    txtWord->clear();
    if (m_run.allAnswered())
        EndRun(true);
    else
        AskWord();
}

void frmTest::btnRepeat_Click()
{
    if (m_run.isScored())
        return;
    AskWord();
}

void frmTest::btnSaySlowly_Click()
{
    if (m_run.isScored())
        return;
    AskWord(MMControl::SlowSpeed);
}

void frmTest::btnStopTest_Click()
{
    if (m_run.isScored())
        return;
    EndRun(false);
}

void frmTest::EndRun(bool finishPrompt)
{
    if (m_run.isScored())
        return;
    if (finishPrompt) {
        MMControl &mm = *MMControl1;
        mm.setCommand(QStringLiteral("close"));
        mm.FileName = prompt("finishtest.wav");
        mm.setCommand(QStringLiteral("open"));
        mm.setCommand(QStringLiteral("Play"));
    }
    // Scored before any pending event runs: a queued Enter or click finds the run
    // over and records nothing more.
    m_run.score();
    refreshLists();
    if (m_run.wordCount() > 0)
        Q_EMIT runFinished(m_run);
    if (score_test())
        ShowResults();
}

bool frmTest::score_test()
{
    if (!letEventsRun())
        return false;
    const std::optional<int> percent = m_run.percent();
    if (!percent) {
        // No words: nothing was asked, so no score, no sound, no smiley.
        lblScore->setText(QStringLiteral("This test has no words yet."));
        return true;
    }
    lblScore->setText(QStringLiteral("You scored a ") + QString::number(*percent) + QStringLiteral("%"));
    const Scoring::Reaction reaction = Scoring::reaction(*percent);
    picSmile->setVisible(reaction.smiley);
    MMControl &mm = *MMControl1;
    mm.setCommand(QStringLiteral("close")); // cuts off the finish prompt
    mm.FileName = m_ctx.AppDir + reaction.sound;
    mm.setCommand(QStringLiteral("open"));
    mm.setCommand(QStringLiteral("Play"));
    return true;
}

void frmTest::ShowResults()
{
    btnPractiseMissed->setEnabled(!m_run.missedWords().isEmpty());
    Panels::hide(pnlTest, Panels::OffLeft);
    Panels::show(pnlResults);
    Twips::setClientSize(this, At::ResultsWidth, At::ResultsHeight);
    // The answers list takes the focus: a stray Enter presses nothing here.
    lstYours->setFocus();
}

void frmTest::Picture2_Click()
{
    Module1::PlayWave(*MMControl1, prompt("dirtest.wav"));
}

void frmTest::btnHearMissedWords_Click()
{
    for (const QString &word : m_run.missedWords())
        if (!playToEnd(wordPath(word)))
            return;
}

void frmTest::btnPractiseMissed_Click()
{
    const QStringList missed = m_run.missedWords();
    if (missed.isEmpty() || isLeaving())
        return;
    // The practice window is made on the missed words of this run, then shown as usual.
    Learning::loadPractice(m_ctx, {m_run.testName(), m_run.testDir(), missed});
    leaveTo(Windows::Practice);
}

void frmTest::btnExitResults_Click()
{
    leaveTo(Windows::Choice);
}

void frmTest::picprof_r_Click()
{
    Module1::PlayWave(*MMControl1, prompt("resultsdir.wav"));
}

void frmTest::showCompare(int row)
{
    if (!m_run.isScored() || row < 0 || !m_run.isMissed(row)) {
        lblCompare->setComparison({});
        lblCompare->setVisible(false);
        return;
    }
    lblCompare->setWordAndAnswer(m_run.words().value(row), m_run.answers().value(row), Dictionaries::forWindows());
    lblCompare->setVisible(true);
}

void frmTest::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    // A closed window says nothing more (and a waiting play ends with it).
    if (MMControl1->isPlaying())
        MMControl1->setCommand(QStringLiteral("Close"));
    // Closed through its frame: back to a fresh activity menu, as "Exit Test Results"
    // does (which has shown it already).
    leaveTo(Windows::Choice);
}
