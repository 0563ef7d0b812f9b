#include "arcade/frmScramble.h"

#include "arcade/startwords.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/letters.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Arcade;

namespace
{
// The window's geometry in twips.
namespace At
{
constexpr int Width = 6645;
constexpr int Height = 3630;

constexpr Twips::Box lblWord{585, 285, 3945, 705};
constexpr Twips::Box Label2{75, 2385, 4890, 315};
constexpr Twips::Box lblScore{1710, 2790, 1395, 390};
constexpr Twips::Box Label1{75, 3210, 4890, 315};
constexpr Twips::Box txtWord{555, 1155, 3975, 450};
constexpr Twips::Box btnFirstLetter{5070, 15, 1350, 825};
constexpr Twips::Box btnHearHint{5070, 840, 1350, 825};
constexpr Twips::Box btnSolveIt{5070, 1665, 1350, 825};
constexpr Twips::Box btnExit{5085, 2490, 1350, 825};

constexpr Twips::Box pnlStart{Panels::OffLeftNear, -15, 6570, 3480};
constexpr Twips::Box chkRandom{120, 1605, 1950, 435};
constexpr Twips::Box btnStart{100, 795, 1935, 735};
constexpr Twips::Box picProf{2505, 225, 1830, 2250};

// Point sizes.
constexpr double WordPoints = 18;
constexpr double TypingPoints = 15.75;
constexpr int TypingWeight = 600;
} // namespace At

QLabel *scoreLine(QWidget *parent, const QString &name, const QString &text, const Twips::Box &at)
{
    QLabel *l = Ui::label(parent, name, text, at);
    l->setFont(scoreFont());
    l->setWordWrap(false);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::magenta);
    l->setPalette(pal);
    return l;
}
} // namespace

frmScramble::frmScramble(AppContext &context, QWidget *parent) : SoundForm(Windows::Scramble, parent), m_ctx(context)
{
    setWindowTitle(QStringLiteral("Scramble"));
    Twips::setClientSize(this, At::Width, At::Height);

    lblWord = Ui::label(this, QStringLiteral("lblWord"), QString(), At::lblWord);
    lblWord->setFont(Fonts::font(QStringLiteral("Century Gothic"), At::WordPoints));
    lblWord->setWordWrap(false);
    lblWord->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lblWord->setAccessibleName(QStringLiteral("Scrambled word"));

    Label2 = scoreLine(this, QStringLiteral("Label2"), QStringLiteral("You have solved"), At::Label2);
    Label2->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    lblScore = scoreLine(this, QStringLiteral("lblScore"), QStringLiteral("0"), At::lblScore);
    lblScore->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblScore->setPalette(palette());
    lblScore->setAccessibleName(QStringLiteral("Words solved"));
    Label1 = scoreLine(this, QStringLiteral("Label1"), QStringLiteral("WORDS!"), At::Label1);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    txtWord = Ui::textBox(this, QStringLiteral("txtWord"), At::txtWord);
    txtWord->setFont(Fonts::font(QStringLiteral("Century Gothic"), At::TypingPoints, false, At::TypingWeight));
    {
        QPalette pal = txtWord->palette();
        pal.setColor(QPalette::Base, Qt::yellow);
        pal.setColor(QPalette::Text, Qt::black);
        txtWord->setPalette(pal);
    }
    txtWord->setAccessibleName(QStringLiteral("Type the word"));
    // The chosen child's letters for the scrambled word and the typing.
    Letters::apply({lblWord, txtWord}, Letters::of(m_ctx.history.child()));

    btnFirstLetter = Ui::pictureButton(this, QStringLiteral("btnFirstLetter"), QStringLiteral("First Letter"),
                                       QStringLiteral(":/art/scramble_firstletter.svg"), At::btnFirstLetter);
    btnHearHint = Ui::pictureButton(this, QStringLiteral("btnHearHint"), QStringLiteral("Hear Hint"),
                                    QStringLiteral(":/art/scramble_hint.svg"), At::btnHearHint);
    btnSolveIt = Ui::pictureButton(this, QStringLiteral("btnSolveIt"), QStringLiteral("Solve It!"),
                                   QStringLiteral(":/art/scramble_solve.svg"), At::btnSolveIt);
    btnExit = Ui::pictureButton(this, QStringLiteral("btnExit"), QStringLiteral("End Game"),
                                QStringLiteral(":/art/scramble_end.svg"), At::btnExit);
    for (QPushButton *b : {btnFirstLetter, btnHearHint, btnSolveIt, btnExit}) {
        // Enter belongs to the typing box: it must never press a help or end the game.
        b->setAutoDefault(false);
    }

    // The start panel is the front-most control: until the game starts only its own
    // controls can be used.
    pnlStart = Ui::panel(this, QStringLiteral("pnlStart"), At::pnlStart);
    pnlStart->setAutoFillBackground(true);
    chkRandom = Ui::checkBox(pnlStart, QStringLiteral("chkRandom"), QStringLiteral("Show the Spelling Words Randomly"),
                             At::chkRandom);
    chkRandom->setChecked(true);
    btnStart =
        Ui::captionButton(pnlStart, QStringLiteral("btnStart"), QStringLiteral("ELBMARCS    Start Game"), At::btnStart);
    picProf = Ui::professor(pnlStart, QStringLiteral("picProf"), At::picProf);

    connect(btnStart, &QPushButton::clicked, this, &frmScramble::btnStart_Click);
    // Every change of the text, the child's or the window's own, is a solution test.
    connect(txtWord, &QLineEdit::textChanged, this, &frmScramble::txtWord_Change);
    connect(btnFirstLetter, &QPushButton::clicked, this, &frmScramble::btnFirstLetter_Click);
    connect(btnHearHint, &QPushButton::clicked, this, &frmScramble::btnHearHint_Click);
    connect(btnSolveIt, &QPushButton::clicked, this, &frmScramble::btnSolveIt_Click);
    connect(btnExit, &QPushButton::clicked, this, &frmScramble::btnExit_Click);
    connect(picProf, &Picture::clicked, this, &frmScramble::picProf_Click);

    Form_Load();
}

frmScramble::~frmScramble() = default;

void frmScramble::Form_Load()
{
    Ui::centreOnScreen(this);
    Panels::show(pnlStart);
    Score = 0;
    btnStart->setFocus();
}

void frmScramble::btnStart_Click()
{
    const HandlerScope running(this);
    // A test without words has nothing to play: the start panel stays.
    if (!startWordsPlayable(m_ctx))
        return;
    Panels::hide(pnlStart, Panels::OffLeftNear);
    NextWord();
}

void frmScramble::NextWord()
{
    Helped = false;
    const std::optional<QString> word =
        order.next(startWindowWords(m_ctx), chkRandom->isChecked(), CurrentWord, programDraw());
    if (!word)
        return; // the start window's list has been emptied: the puzzle stays as it is
    CurrentWord = *word;
    ScrambleIt();
    txtWord->clear();
    txtWord->setFocus();
}

void frmScramble::ScrambleIt()
{
    lblWord->setText(Scramble::ScrambleIt(CurrentWord, programDraw()));
    lblWord->setAccessibleName(QStringLiteral("Scrambled word ") + lblWord->text());
}

void frmScramble::txtWord_Change()
{
    const HandlerScope running(this);
    // Re-entered from NextWord and the helps: always the word of this moment.
    if (txtWord->text() != CurrentWord)
        return;
    if (!playToEnd(m_ctx.AppDir + (Helped ? QStringLiteral("Correct.wav") : QStringLiteral("figureout.wav"))))
        return;
    ++Score;
    lblScore->setText(scoreText(Score));
    lblScore->setAccessibleName(QStringLiteral("Words solved") + lblScore->text());
    if (!letEventsRun()) // the new score is drawn before anything else
        return;
    if (Scramble::earnsPraise(Score) && !playToEnd(m_ctx.AppDir + QStringLiteral("great.wav")))
        return;
    NextWord();
}

void frmScramble::btnFirstLetter_Click()
{
    const HandlerScope running(this);
    // May solve a one-letter word at once and put the next word into play...
    if (!waitFor([this] { txtWord->setText(Scramble::firstLetter(CurrentWord)); }))
        return;
    txtWord->setFocus();
    txtWord->end(false);
    // ...which is then the word marked as helped.
    Helped = true;
}

void frmScramble::btnHearHint_Click()
{
    const HandlerScope running(this);
    Helped = true;
    const QString path = m_ctx.TestDir() + CurrentWord + QStringLiteral(".wav");
    if (!QFileInfo(path).isFile()) {
        MsgBox(QStringLiteral("Missing Sound File for the word: ") + CurrentWord);
        return;
    }
    Module1::PlayWave(*MMControl1, path);
    txtWord->setFocus();
}

void frmScramble::btnSolveIt_Click()
{
    const HandlerScope running(this);
    if (!playToEnd(m_ctx.AppDir + QStringLiteral("wordis.wav")))
        return;
    // The leading blank keeps the answer from counting as solved.
    txtWord->setText(QLatin1Char(' ') + CurrentWord);
    if (!letEventsRun() || !playToEnd(m_ctx.TestDir() + CurrentWord + QStringLiteral(".wav")))
        return;
    NextWord();
}

void frmScramble::btnExit_Click()
{
    leaveTo(Windows::ArcadeSelect);
}

void frmScramble::picProf_Click()
{
    Module1::PlayWave(*MMControl1, m_ctx.AppDir + QStringLiteral("scrambledir.wav"));
}

void frmScramble::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    m_ctx.history.recordGame(m_ctx.TestName(), QStringLiteral("Scramble"), Score);
    // Closed through its frame: like "End Game", the chooser comes back.
    leaveTo(Windows::ArcadeSelect);
}
