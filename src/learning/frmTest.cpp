#include "learning/frmTest.h"

#include "core/platform/appstate.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "learning/scoring.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace
{
// Client sizes in twips: the test view is narrow, the results view shows two lists.
constexpr int TestWidth = 6400;
constexpr int ResultsWidth = 8500;
constexpr int WindowHeight = 5400;

QString prompt(const char *file)
{
    return Shared::AppDir + QLatin1String(file);
}
QString wordPath(const QString &word)
{
    return Shared::TestDir + word + QStringLiteral(".wav");
}

QLabel *heading(QWidget *parent, const QString &name, const QString &text, int left, int top, int width)
{
    QLabel *l = Ui::label(parent, name, text, left, top, width, 330);
    l->setFont(Fonts::sized(10, true));
    return l;
}
} // namespace

frmTest::frmTest(QWidget *parent) : Form(Windows::Test, parent)
{
    setWindowTitle(QStringLiteral("Test"));
    const QFont answerFont = Fonts::sized(12, true);

    // Test view.
    pnlTest = Ui::panel(this, QStringLiteral("pnlTest"), 15, 0, TestWidth - 15, WindowHeight);
    Picture2 = Ui::professor(pnlTest, QStringLiteral("Picture2"), 120, 120);
    lblProgress = Ui::label(pnlTest, QStringLiteral("lblProgress"), QStringLiteral("Word 1"), 2160, 150, 4000, 420);
    lblProgress->setFont(Fonts::sized(12, true));
    heading(pnlTest, QStringLiteral("Label1"), QStringLiteral("Type the word here:"), 2160, 700, 4000);
    txtWord = Ui::textBox(pnlTest, QStringLiteral("txtWord"), 2160, 1030, 4000, 480);
    txtWord->setAccessibleName(QStringLiteral("Type the word here"));
    txtWord->setFont(answerFont);
    btnNext = Ui::button(pnlTest, QStringLiteral("btnNext"), QStringLiteral("Next Word"), 2160, 1680, 1950, 480);
    btnNext->setDefault(true);
    btnRepeat = Ui::button(pnlTest, QStringLiteral("btnRepeat"), QStringLiteral("Repeat Word"), 4210, 1680, 1950, 480);
    btnStopTest =
        Ui::button(pnlTest, QStringLiteral("btnStopTest"), QStringLiteral("Stop Test"), 4210, 2250, 1950, 480);
    heading(pnlTest, QStringLiteral("Label2"), QStringLiteral("Words Completed"), 120, 2520, 4000);
    lstTries = Ui::list(pnlTest, QStringLiteral("lstTries"), 120, 2850, 6040, 2400);
    lstTries->setAccessibleName(QStringLiteral("Words Completed"));
    lstTries->setFont(answerFont);

    // Results view, out of sight until the run ends.
    pnlResults = Ui::panel(this, QStringLiteral("pnlResults"), 0, 0, ResultsWidth, WindowHeight);
    picprof_r = Ui::professor(pnlResults, QStringLiteral("picprof_r"), 120, 120);
    lblScore =
        Ui::label(pnlResults, QStringLiteral("lblScore"), QStringLiteral("You scored a 100%"), 2160, 150, 4900, 640);
    lblScore->setFont(Fonts::sized(18, true));
    picSmile =
        Ui::picture(pnlResults, QStringLiteral("picSmile"), QStringLiteral(":/art/smiley.svg"), 7200, 60, 1140, 1140);
    picSmile->setAccessibleName(QStringLiteral("Smiley: a perfect score"));
    picSmile->setVisible(false);
    btnHearMissedWords = Ui::button(pnlResults, QStringLiteral("btnHearMissedWords"),
                                    QStringLiteral("Hear the words you missed"), 2160, 1080, 3400, 480);
    btnExitResults = Ui::button(pnlResults, QStringLiteral("btnExitResults"), QStringLiteral("Exit Test Results"), 2160,
                                1650, 3400, 480);
    heading(pnlResults, QStringLiteral("Label3"), QStringLiteral("Correct Words"), 120, 2520, 4000);
    heading(pnlResults, QStringLiteral("Label4"), QStringLiteral("The Words You Typed"), 4300, 2520, 4080);
    lstCorrect = Ui::list(pnlResults, QStringLiteral("lstCorrect"), 120, 2850, 4000, 2400);
    lstCorrect->setAccessibleName(QStringLiteral("Correct Words"));
    lstCorrect->setFont(answerFont);
    lstYours = Ui::list(pnlResults, QStringLiteral("lstYours"), 4300, 2850, 4080, 2400);
    lstYours->setAccessibleName(QStringLiteral("The Words You Typed"));
    lstYours->setFont(answerFont);
    Panels::hide(pnlResults, -20000);

    MMControl1 = new MMControl(this);

    connect(btnNext, &QPushButton::clicked, this, &frmTest::btnNext_Click);
    connect(btnRepeat, &QPushButton::clicked, this, &frmTest::btnRepeat_Click);
    connect(btnStopTest, &QPushButton::clicked, this, &frmTest::btnStopTest_Click);
    connect(Picture2, &Picture::clicked, this, &frmTest::Picture2_Click);
    connect(btnHearMissedWords, &QPushButton::clicked, this, &frmTest::btnHearMissedWords_Click);
    connect(btnExitResults, &QPushButton::clicked, this, &frmTest::btnExitResults_Click);
    connect(picprof_r, &Picture::clicked, this, &frmTest::picprof_r_Click);

    Form_Load();

    // The run starts once, a second after the window is created.
    Timer1 = Ui::timer(this, QStringLiteral("Timer1"), 1000, true);
    connect(Timer1, &QTimer::timeout, this, &frmTest::Timer1_Timer);
    Timer1->start();
}

frmTest::~frmTest() = default;

void frmTest::Form_Load()
{
    Twips::setClientSize(this, TestWidth, WindowHeight);
    Module1::LoadWordList(lstCorrect);
    pnlTest->move(Twips::px(15), pnlTest->y());
    txtWord->setFocus();
}

bool frmTest::alive() const
{
    return isLoaded() && !Program::isEnding();
}

void frmTest::Timer1_Timer()
{
    Timer1->stop();
    // Never a second start, and none once the child has already stopped the test.
    if (m_started || m_scored)
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
    mm.Wait = true;
    mm.setCommand(QStringLiteral("play"));
    if (!alive())
        return; // closed, or the program ended, during the prompt

    WordIndex = 0;
    txtWord->clear();
    lstTries->clear();
    AskWord();
}

bool frmTest::AskWord()
{
    // An empty word list asks for the empty word, which has no sound file.
    const QString w =
        WordIndex >= 0 && WordIndex < lstCorrect->count() ? lstCorrect->item(WordIndex)->text() : QString();
    const QString path = wordPath(w);
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden()) {
        MsgBox(QStringLiteral("Missing Sound File for the word: ") + w);
        return false;
    }
    lblProgress->setText(QStringLiteral("Word %1 of %2").arg(WordIndex + 1).arg(lstCorrect->count()));
    MMControl &mm = *MMControl1;
    mm.setCommand(QStringLiteral("close")); // cuts off whatever this window is still saying
    mm.FileName = path;
    mm.setCommand(QStringLiteral("open"));
    mm.setCommand(QStringLiteral("Play"));
    txtWord->setFocus();
    return true;
}

void frmTest::btnNext_Click()
{
    if (m_scored)
        return;
    const QString answer = Scoring::trimSpaces(txtWord->text());
    if (answer.isEmpty()) {
        Module1::PlayWave(*MMControl1, prompt("noword.wav"));
        txtWord->setFocus();
        return;
    }
    lstTries->addItem(answer);
    lstTries->scrollToBottom();
    ++WordIndex;
    txtWord->clear();
    if (WordIndex >= lstCorrect->count())
        EndRun(true);
    else
        AskWord();
}

void frmTest::btnRepeat_Click()
{
    if (m_scored)
        return;
    AskWord();
}

void frmTest::btnStopTest_Click()
{
    if (m_scored)
        return;
    EndRun(false);
}

void frmTest::EndRun(bool finishPrompt)
{
    if (m_scored)
        return;
    // Set first: the scoring lets pending events run, and a queued Enter or click
    // must not record another answer or score a second time.
    m_scored = true;
    if (finishPrompt) {
        MMControl &mm = *MMControl1;
        mm.setCommand(QStringLiteral("close"));
        mm.FileName = prompt("finishtest.wav");
        mm.setCommand(QStringLiteral("open"));
        mm.setCommand(QStringLiteral("Play"));
    }
    QPointer<frmTest> self(this);
    Move_List();
    score_test();
    if (!self || !alive())
        return;
    ShowResults();
}

void frmTest::Move_List()
{
    QStringList answers;
    for (int i = 0; i < lstTries->count(); ++i)
        answers << lstTries->item(i)->text();
    lstYours->addItems(Scoring::padAnswers(answers, lstCorrect->count()));
}

void frmTest::score_test()
{
    QStringList answers;
    for (int i = 0; i < lstYours->count(); ++i)
        answers << lstYours->item(i)->text();
    QStringList words;
    for (int i = 0; i < lstCorrect->count(); ++i)
        words << lstCorrect->item(i)->text();

    const Scoring::Result result = Scoring::score(answers, words);
    for (int i = 0; i < result.rows.size(); ++i) {
        if (i < lstYours->count())
            lstYours->item(i)->setText(result.rows.at(i));
        else
            lstYours->addItem(result.rows.at(i));
    }
    m_missed = result.missed;

    QPointer<frmTest> self(this);
    QCoreApplication::processEvents();
    if (!self || !alive())
        return;

    if (!result.percent)
        return; // no words: no score, no sound, no smiley
    const int percent = *result.percent;
    lblScore->setText(QStringLiteral("You scored a ") + QString::number(percent) + QStringLiteral("%"));
    const Scoring::Reaction reaction = Scoring::reaction(percent);
    picSmile->setVisible(reaction.smiley);
    MMControl &mm = *MMControl1;
    mm.setCommand(QStringLiteral("close")); // cuts off the finish prompt
    mm.FileName = Shared::AppDir + reaction.sound;
    mm.setCommand(QStringLiteral("open"));
    mm.setCommand(QStringLiteral("Play"));
}

void frmTest::ShowResults()
{
    Panels::hide(pnlTest, -30000);
    Panels::show(pnlResults);
    Twips::setClientSize(this, ResultsWidth, WindowHeight);
    // The answers list takes the focus: a stray Enter presses nothing here.
    lstYours->setFocus();
}

void frmTest::Picture2_Click()
{
    Module1::PlayWave(*MMControl1, prompt("dirtest.wav"));
}

void frmTest::btnHearMissedWords_Click()
{
    QPointer<frmTest> self(this);
    for (int i = 0; i < lstYours->count() && i < m_missed.size(); ++i) {
        if (!m_missed.at(i) || i >= lstCorrect->count())
            continue;
        Module1::PlayWave(*MMControl1, wordPath(lstCorrect->item(i)->text()), true);
        if (!self || !alive())
            return;
    }
}

void frmTest::btnExitResults_Click()
{
    m_leaving = true;
    Forms::show(Windows::Choice);
    close();
}

void frmTest::picprof_r_Click()
{
    Module1::PlayWave(*MMControl1, prompt("resultsdir.wav"));
}

void frmTest::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    // A closed window says nothing more (and a waiting play ends with it).
    if (MMControl1->isPlaying())
        MMControl1->setCommand(QStringLiteral("Close"));
    // Closed through its frame: back to a fresh activity menu, as "Exit Test Results"
    // does. Leaving through that button has already shown the menu.
    if (!m_leaving) {
        m_leaving = true;
        Forms::show(Windows::Choice);
    }
}
