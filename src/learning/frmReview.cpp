#include "learning/frmReview.h"

#include "core/platform/appstate.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "learning/scoring.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace
{
constexpr int WindowWidth = 6700;
constexpr int WindowHeight = 2900;

QString prompt(const char *file)
{
    return Shared::AppDir + QLatin1String(file);
}
QString wordPath(const QString &word)
{
    return Shared::TestDir + word + QStringLiteral(".wav");
}
} // namespace

frmReview::frmReview(QWidget *parent) : Form(Windows::Review, parent)
{
    setWindowTitle(QStringLiteral("Study Time"));
    const QFont big = Fonts::sized(18, true);

    Picture1 = Ui::professor(this, QStringLiteral("Picture1"), 120, 120);
    lblWord = Ui::label(this, QStringLiteral("lblWord"), QString(), 2160, 120, 4400, 720);
    lblWord->setFont(big);
    lblWord->setWordWrap(false);
    lblWord->setAlignment(Qt::AlignCenter);
    txtWord = Ui::textBox(this, QStringLiteral("txtWord"), 2160, 900, 4400, 660);
    txtWord->setAccessibleName(QStringLiteral("Copy the word here"));
    txtWord->setFont(big);
    lblProgress = Ui::label(this, QStringLiteral("lblProgress"), QString(), 2160, 1650, 4400, 330);
    lblProgress->setAlignment(Qt::AlignCenter);
    btnNext = Ui::button(this, QStringLiteral("btnNext"), QStringLiteral("Next Word"), 2160, 2070, 2120, 540,
                         QStringLiteral("Click on me or press Enter for the next word"));
    btnNext->setDefault(true);
    Command2 = Ui::button(this, QStringLiteral("Command2"), QStringLiteral("End Study Time"), 4440, 2070, 2120, 540,
                          QStringLiteral("Click here to end your study time."));
    lstCorrect = Ui::list(this, QStringLiteral("lstCorrect"), 0, 0, 100, 100);
    lstCorrect->setVisible(false);

    MMControl1 = new MMControl(this);

    connect(btnNext, &QPushButton::clicked, this, &frmReview::btnNext_Click);
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
    Twips::setClientSize(this, WindowWidth, WindowHeight);
    Module1::LoadWordList(lstCorrect);
    txtWord->setFocus();
}

bool frmReview::alive() const
{
    return isLoaded() && !Program::isEnding() && !m_leaving;
}

void frmReview::Timer1_Timer()
{
    Timer1->stop();
    if (m_started || m_leaving)
        return;
    m_started = true;
    StartTest();
}

void frmReview::StartTest()
{
    Module1::PlayWave(*MMControl1, prompt("starttest.wav"), true);
    if (!alive())
        return;
    WordIndex = 0;
    txtWord->clear();
    ShowWord();
}

void frmReview::ShowWord()
{
    const QString w =
        WordIndex >= 0 && WordIndex < lstCorrect->count() ? lstCorrect->item(WordIndex)->text() : QString();
    lblWord->setText(w);
    lblWord->setAccessibleName(w);
    const QString path = wordPath(w);
    const QFileInfo file(path);
    if (!file.isFile() || file.isHidden()) {
        MsgBox(QStringLiteral("Missing Sound File for the word: ") + w);
        return;
    }
    lblProgress->setText(QStringLiteral("Word %1 of %2").arg(WordIndex + 1).arg(lstCorrect->count()));
    Module1::PlayWave(*MMControl1, path);
    txtWord->setFocus();
}

void frmReview::SayWordAgain()
{
    Module1::PlayWave(*MMControl1, wordPath(lblWord->text()));
    txtWord->setFocus();
}

void frmReview::btnNext_Click()
{
    if (m_leaving)
        return;
    const QString typed = Scoring::trimSpaces(txtWord->text());
    if (typed.isEmpty()) {
        Module1::PlayWave(*MMControl1, prompt("noword.wav"), true);
        if (alive())
            SayWordAgain();
        return;
    }
    // An exact copy: case and inner spaces count; the typed text stays when wrong.
    if (typed != lblWord->text()) {
        Module1::PlayWave(*MMControl1, prompt("spellwrong.wav"), true);
        if (alive())
            SayWordAgain();
        return;
    }
    ++WordIndex;
    txtWord->clear();
    if (WordIndex < lstCorrect->count()) {
        ShowWord();
        return;
    }
    lblWord->setText(QStringLiteral("Review Complete"));
    lblWord->setAccessibleName(lblWord->text());
    Module1::PlayWave(*MMControl1, prompt("reviewcomplete.wav"), true);
    if (alive())
        Leave();
}

void frmReview::Command2_Click()
{
    if (!m_leaving)
        Leave();
}

void frmReview::Leave()
{
    m_leaving = true;
    close();
    Forms::show(Windows::Choice);
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
    // Closed through its frame: back to a fresh activity menu, like "End Study Time".
    if (!m_leaving) {
        m_leaving = true;
        Forms::show(Windows::Choice);
    }
}
