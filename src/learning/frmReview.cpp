#include "learning/frmReview.h"

#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playchain.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/letters.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"
#include "voice/sentences.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <optional>

namespace
{
// The window's geometry in twips.
namespace At
{
constexpr int Width = 6700;
constexpr int Height = 2900;

constexpr Twips::Box Picture1{120, 120, 1830, 2250};
constexpr Twips::Box lblWord{2160, 120, 4400, 720};
constexpr Twips::Box txtWord{2160, 900, 4400, 660};
constexpr Twips::Box lblProgress{2160, 1650, 4400, 330};
constexpr Twips::Box btnNext{2160, 2070, 2120, 540};
constexpr Twips::Box Command2{4440, 2070, 2120, 540};
constexpr Twips::Box btnSaySlowly{120, 2430, 1830, 420};

// The word and its copy are large: bold, in points.
constexpr double WordPoints = 18;
} // namespace At

} // namespace

frmReview::frmReview(AppContext &context, const StudyRequest &request, QWidget *parent)
    : SoundForm(Windows::Review, parent), m_chain(new PlayChain(*MMControl1, this)), m_ctx(context), m_request(request)
{
    setWindowTitle(QStringLiteral("Study Time"));
    const QFont big = Fonts::sized(At::WordPoints, true);

    Picture1 = Ui::professor(this, QStringLiteral("Picture1"), At::Picture1);
    lblWord = Ui::label(this, QStringLiteral("lblWord"), QString(), At::lblWord);
    lblWord->setFont(big);
    lblWord->setWordWrap(false);
    lblWord->setAlignment(Qt::AlignCenter);
    txtWord = Ui::textBox(this, QStringLiteral("txtWord"), At::txtWord);
    txtWord->setAccessibleName(QStringLiteral("Copy the word here"));
    txtWord->setFont(big);
    lblProgress = Ui::label(this, QStringLiteral("lblProgress"), QString(), At::lblProgress);
    lblProgress->setAlignment(Qt::AlignCenter);
    btnNext = Ui::button(this, QStringLiteral("btnNext"), QStringLiteral("Next Word"), At::btnNext,
                         QStringLiteral("Click on me or press Enter for the next word"));
    btnNext->setDefault(true);
    Command2 = Ui::button(this, QStringLiteral("Command2"), QStringLiteral("End Study Time"), At::Command2,
                          QStringLiteral("Click here to end your study time."));

    // Below the professor, the one free place of the window.
    btnSaySlowly = Ui::button(this, QStringLiteral("btnSaySlowly"), QStringLiteral("Say It Slowly"), At::btnSaySlowly);
    // The chosen child's letters for the word and its copy.
    Letters::apply({lblWord, txtWord}, Letters::of(m_ctx.history.child()));

    connect(btnNext, &QPushButton::clicked, this, &frmReview::btnNext_Click);
    connect(btnSaySlowly, &QPushButton::clicked, this, &frmReview::btnSaySlowly_Click);
    connect(Command2, &QPushButton::clicked, this, &frmReview::Command2_Click);
    connect(Picture1, &Picture::clicked, this, &frmReview::Picture1_Click);

    Form_Load();

    Timer1 = Ui::timer(this, QStringLiteral("Timer1"), 1000, true);
    connect(Timer1, &QTimer::timeout, this, &frmReview::Timer1_Timer);
    Timer1->start();
}

frmReview::~frmReview() = default;

void frmReview::Form_Load()
{
    Twips::setClientSize(this, At::Width, At::Height);
    m_session = StudySession(m_request.words ? *m_request.words : TestLibrary::wordsOf(m_request.testDir),
                             m_request.testName, m_request.testDir);
    txtWord->setFocus();
}

void frmReview::Timer1_Timer()
{
    Timer1->stop();
    if (m_started || isLeaving())
        return;
    m_started = true;
    StartTest();
}

QString frmReview::prompt(const char *file) const
{
    return m_ctx.AppDir + QLatin1String(file);
}

QString frmReview::wordPath(const QString &word) const
{
    return m_session.testDir() + word + QStringLiteral(".wav");
}

void frmReview::StartTest()
{
    if (!promptToEnd(prompt("starttest.wav")))
        return;
    m_session.start();
    txtWord->clear();
    ShowWord();
}

void frmReview::showCaption(const QString &text)
{
    lblWord->setText(text);
    lblWord->setAccessibleName(text);
}

void frmReview::ShowWord()
{
    const QString w = m_session.currentWord();
    showCaption(w);
    const QString path = wordPath(w);
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden()) {
        MsgBox(QStringLiteral("Missing Sound File for the word: ") + w);
        return;
    }
    lblProgress->setText(QStringLiteral("Word %1 of %2").arg(m_session.wordIndex() + 1).arg(m_session.wordCount()));
    Module1::PlayWave(*MMControl1, path);
    // Word, sentence, word, when the word has a sentence to play.
    if (const QString sentence = Sentences::playable(m_session.testDir(), w); !sentence.isEmpty())
        m_chain->follow({sentence, path});
    txtWord->setFocus();
}

void frmReview::SayWordAgain()
{
    Module1::PlayWave(*MMControl1, wordPath(m_session.currentWord()));
    txtWord->setFocus();
}

void frmReview::btnNext_Click()
{
    if (isLeaving())
        return;
    switch (m_session.copy(txtWord->text())) {
    case StudySession::Copy::Empty:
        if (promptToEnd(prompt("noword.wav")))
            SayWordAgain();
        return;
    case StudySession::Copy::Wrong:
        // The typed text stays, for the child to correct.
        if (promptToEnd(prompt("spellwrong.wav")))
            SayWordAgain();
        return;
    case StudySession::Copy::Right:
        break;
    }
    txtWord->clear();
    if (!m_session.isComplete()) {
        ShowWord();
        return;
    }
    showCaption(QStringLiteral("Review Complete"));
    if (playToEnd(prompt("reviewcomplete.wav")))
        leaveTo(Windows::Choice, LeaveOrder::CloseFirst);
}

void frmReview::Command2_Click()
{
    leaveTo(Windows::Choice, LeaveOrder::CloseFirst);
}

void frmReview::btnSaySlowly_Click()
{
    if (isLeaving() || m_session.isComplete())
        return;
    const QString w = m_session.currentWord();
    const QString path = wordPath(w);
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden()) {
        MsgBox(QStringLiteral("Missing Sound File for the word: ") + w);
        return;
    }
    // Word, sentence, word, as the word is first said, all slowed.
    QStringList sounds{path};
    if (const QString sentence = Sentences::playable(m_session.testDir(), w); !sentence.isEmpty())
        sounds << sentence << path;
    m_chain->play(sounds, MMControl::SlowSpeed);
    txtWord->setFocus();
}

void frmReview::Picture1_Click()
{
    Module1::PlayWave(*MMControl1, prompt("studytime.wav"));
}

void frmReview::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    if (MMControl1->isPlaying())
        MMControl1->setCommand(QStringLiteral("Close"));
    Q_EMIT studyFinished(m_session);
    // Closed through its frame: back to a fresh activity menu, like "End Study Time".
    leaveTo(Windows::Choice, LeaveOrder::CloseFirst);
}
