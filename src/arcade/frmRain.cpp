#include "arcade/frmRain.h"

#include "arcade/startwords.h"
#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/rnd.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"
#include "history/programhistory.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using namespace Arcade;

namespace
{
// The window's geometry in twips, back to front. The umbrellas stand on the landing
// line, and the falling label is one fall step high.
namespace At
{
constexpr int Width = 7125;
constexpr int Height = 6525;

constexpr Twips::Box Image1{15, -15, 1845, 555};
constexpr Twips::Box Image2{1455, -30, 1845, 555};
constexpr Twips::Box Image3{3540, -15, 1845, 555};
constexpr int UmbrellaLeft[Rain::UmbrellaCount] = {315, 2385, 4290};
constexpr Twips::Box umb{0, int(Rain::LandingLine), 1275, 480}; // left from UmbrellaLeft
constexpr Twips::Box imgBoom{2790, 4860, 525, 825};
constexpr int SplashOverUmbrella = 350; // the splash's left, from its umbrella's
constexpr Twips::Box Label2{5580, 975, 1515, 315};
constexpr Twips::Box lblScore{5640, 1305, 1395, 390};
constexpr Twips::Box lblWord{390, 15, 5070, int(Rain::WordHeight)};
constexpr Twips::Box txtWord{840, 5715, 4440, 645};

constexpr Twips::Box pnlStart{4935, 1890, 7095, 6585};
constexpr Twips::Box List1{225, 225, 1740, 1260};
constexpr Twips::Box chkRandom{2295, 255, 1950, 315};
constexpr Twips::Box btnStart{270, 1815, 2040, 735};
constexpr Twips::Box picProf{2445, 1455, 1830, 2250};
constexpr Twips::Box Command4{5565, -15, 1560, 930};

constexpr Twips::Box YourAllWet{Panels::OffLeft, 540, 5460, 5940};
constexpr Twips::Box Image4{630, 510, 3195, 2205};
constexpr Twips::Box Label1{345, 3090, 4560, 645};
constexpr Twips::Box Label4{75, 4695, 5295, 645};

// Point sizes.
constexpr double Label2Points = 9.75;
constexpr double WordPoints = 15.75;
constexpr int WordWeight = 600;
constexpr double TypingPoints = 18;
constexpr double WetPoints = 24;
constexpr double GameOverPoints = 21.75;
} // namespace At

constexpr int DesignInterval = 1200;

const QColor PlayGrey(192, 192, 192);

void fillWith(QWidget *w, const QColor &background, const QColor &text = Qt::black)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, background);
    pal.setColor(QPalette::WindowText, text);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

void textColour(QWidget *w, const QColor &text)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, text);
    w->setPalette(pal);
}

Twips::Box umbrellaAt(int u)
{
    return {At::UmbrellaLeft[u], At::umb.top, At::umb.width, At::umb.height};
}
} // namespace

frmRain::frmRain(AppContext &context, QWidget *parent) : SoundForm(Windows::Rain, parent), m_ctx(context)
{
    setWindowTitle(QStringLiteral("Raining Words"));
    Twips::setClientSize(this, At::Width, At::Height);
    fillWith(this, PlayGrey);

    // Created back to front: pictures and labels first, then the windowed controls in
    // their stacking order (typing box, start panel, "Stop Game", game-over panel).
    Image1 = Ui::picture(this, QStringLiteral("Image1"), QStringLiteral(":/art/cloud.svg"), At::Image1);
    Image1->setAccessibleName(QStringLiteral("Cloud"));
    Image2 = Ui::picture(this, QStringLiteral("Image2"), QStringLiteral(":/art/cloud_puffy.svg"), At::Image2);
    Image2->setAccessibleName(QStringLiteral("Cloud"));
    Image3 = Ui::picture(this, QStringLiteral("Image3"), QStringLiteral(":/art/cloud.svg"), At::Image3);
    Image3->setAccessibleName(QStringLiteral("Cloud"));

    static const char *const umbrellaArt[Rain::UmbrellaCount] = {":/art/umbrella_red.svg", ":/art/umbrella_blue.svg",
                                                                 ":/art/umbrella_green.svg"};
    static const char *const umbrellaWhere[Rain::UmbrellaCount] = {"Left umbrella", "Middle umbrella",
                                                                   "Right umbrella"};
    for (int i = 0; i < Rain::UmbrellaCount; ++i) {
        umb[i] = Ui::picture(this, QStringLiteral("umb%1").arg(i), QString::fromLatin1(umbrellaArt[i]), umbrellaAt(i));
        umb[i]->setAccessibleName(QStringLiteral("Umbrella %1").arg(i + 1));
        umb[i]->setAccessibleDescription(QString::fromLatin1(umbrellaWhere[i]));
    }
    imgBoom = Ui::picture(this, QStringLiteral("imgBoom"), QStringLiteral(":/art/splash.svg"), At::imgBoom);
    imgBoom->hide();

    Label2 = Ui::label(this, QStringLiteral("Label2"), QStringLiteral("Score"), At::Label2);
    Label2->setFont(Fonts::font(QStringLiteral("Wide Latin"), At::Label2Points));
    textColour(Label2, Qt::magenta);
    lblScore = Ui::label(this, QStringLiteral("lblScore"), QStringLiteral("0"), At::lblScore);
    lblScore->setFont(scoreFont());
    lblScore->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblScore->setWordWrap(false);
    lblScore->setAccessibleName(QStringLiteral("Score"));

    lblWord = Ui::label(this, QStringLiteral("lblWord"), QStringLiteral("Label1"), At::lblWord);
    lblWord->setFont(Fonts::font(QStringLiteral("Century Gothic"), At::WordPoints, false, At::WordWeight));
    lblWord->setWordWrap(false);
    textColour(lblWord, QColor(0, 0, 128));
    lblWord->setAccessibleName(QStringLiteral("Falling word"));

    txtWord = Ui::textBox(this, QStringLiteral("txtWord"), At::txtWord);
    txtWord->setFont(Fonts::font(QStringLiteral("Century Gothic"), At::TypingPoints));
    {
        QPalette pal = txtWord->palette();
        pal.setColor(QPalette::Base, Qt::yellow);
        pal.setColor(QPalette::Text, Qt::black);
        txtWord->setPalette(pal);
    }
    txtWord->setAccessibleName(QStringLiteral("Type the falling word"));
    txtWord->installEventFilter(this);
    // Under the start panel the typing box must not be reached with Tab.
    txtWord->setEnabled(false);

    // The start panel, placed as at design and moved into view by Form_Load.
    pnlStart = Ui::panel(this, QStringLiteral("pnlStart"), At::pnlStart);
    fillWith(pnlStart, PlayGrey);
    List1 = Ui::list(pnlStart, QStringLiteral("List1"), At::List1);
    List1->addItems({QStringLiteral("Level 1 - Slow"), QStringLiteral("Level 2"), QStringLiteral("Level 3 - Fast"),
                     QStringLiteral("Level 4"), QStringLiteral("Level 5 - Fastest!")});
    List1->setAccessibleName(QStringLiteral("Level"));
    chkRandom =
        Ui::checkBox(pnlStart, QStringLiteral("chkRandom"), QStringLiteral("Rain Words Randomly"), At::chkRandom);
    chkRandom->setChecked(true);
    btnStart = Ui::pictureButton(pnlStart, QStringLiteral("btnStart"), QStringLiteral("Start Game"),
                                 QStringLiteral(":/art/rain_start.svg"), At::btnStart);
    picProf = Ui::professor(pnlStart, QStringLiteral("picProf"), At::picProf);

    Command4 = Ui::pictureButton(this, QStringLiteral("Command4"), QStringLiteral("Stop Game"),
                                 QStringLiteral(":/art/rain_stop.svg"), At::Command4);
    // Enter in the typing box is the game's own key; it must never stop the game.
    Command4->setAutoDefault(false);

    YourAllWet = Ui::panel(this, QStringLiteral("YourAllWet"), At::YourAllWet);
    fillWith(YourAllWet, PlayGrey);
    Image4 = Ui::picture(YourAllWet, QStringLiteral("Image4"), QStringLiteral(":/art/cloud_wet.svg"), At::Image4);
    Image4->setAccessibleName(QStringLiteral("Rain cloud"));
    Label1 = Ui::label(YourAllWet, QStringLiteral("Label1"), QStringLiteral("You are all wet!"), At::Label1);
    Label1->setFont(Fonts::sized(At::WetPoints, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label4 = Ui::label(YourAllWet, QStringLiteral("Label4"), QStringLiteral("Game Over"), At::Label4);
    Label4->setFont(Fonts::font(QStringLiteral("Wide Latin"), At::GameOverPoints));
    Label4->setAlignment(Qt::AlignCenter);
    Label4->setWordWrap(false);
    fillWith(Label4, Qt::black, Qt::red);
    Panels::hide(YourAllWet);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    // Level 5 ticks every 200 ms: a coarse timer would let the fall drift.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(DesignInterval);
    m_interval = DesignInterval;

    connect(Timer1, &QTimer::timeout, this, &frmRain::Timer1_Timer);
    connect(btnStart, &QPushButton::clicked, this, &frmRain::btnStart_Click);
    connect(Command4, &QPushButton::clicked, this, &frmRain::Command4_Click);
    connect(picProf, &Picture::clicked, this, &frmRain::picProf_Click);

    Ui::centreOnScreen(this);
    Form_Load();
}

frmRain::~frmRain() = default;

void frmRain::Form_Load()
{
    pnlStart->move(0, 0);
    Panels::show(pnlStart);
    // "Stop Game" stays usable in front of the start panel.
    Command4->raise();
    List1->setCurrentRow(0);
    btnStart->setFocus();
}

void frmRain::btnStart_Click()
{
    const HandlerScope running(this);
    // A test without words has nothing to play: the start panel stays.
    if (!startWordsPlayable(m_ctx))
        return;
    GameOver = false;
    m_interval = Rain::levelInterval(List1->currentRow(), m_interval);
    Timer1->setInterval(m_interval);
    Panels::hide(pnlStart, Panels::OffLeft);
    txtWord->setEnabled(true);
    Rnd::randomize();
    CurrentWord.clear();
    NextWord();
}

void frmRain::placeWord()
{
    lblWord->move(lblWord->x(), Twips::px(int(m_wordTop)));
}

void frmRain::setAlignment(int alignment)
{
    m_alignment = alignment;
    Qt::Alignment h = Qt::AlignLeft;
    if (alignment == Rain::AlignRight)
        h = Qt::AlignRight;
    else if (alignment == Rain::AlignCentre)
        h = Qt::AlignHCenter;
    lblWord->setAlignment(h | Qt::AlignVCenter);
}

void frmRain::NextWord()
{
    if (GameOver)
        return;
    m_wordTop = 0;
    placeWord();
    txtWord->clear();

    const std::optional<QString> word =
        order.next(startWindowWords(m_ctx), chkRandom->isChecked(), CurrentWord, programDraw());
    if (!word) {
        // The start window's list has been emptied: nothing more can fall.
        Timer1->stop();
        return;
    }
    CurrentWord = *word;
    setAlignment(Rain::drawAlignment(programDraw()));
    lblWord->setText(CurrentWord);
    lblWord->setAccessibleName(CurrentWord);
    Module1::PlayWave(*MMControl1, m_ctx.TestDir() + CurrentWord + QStringLiteral(".wav"));
    enableTimer();
    txtWord->setFocus();
}

void frmRain::enableTimer()
{
    // A catch disabled the timer inside this tick only in name: enabling it again keeps
    // it running on its beat, so each tick stays a whole interval after the last one.
    if (m_inTick && m_stopAtTickEnd && Timer1->isActive()) {
        m_stopAtTickEnd = false;
        return;
    }
    m_stopAtTickEnd = false;
    Timer1->start(m_interval);
}

void frmRain::Timer1_Timer()
{
    const HandlerScope running(this);
    m_inTick = true;

    m_wordTop = Rain::fall(m_wordTop, m_wordHeight);
    placeWord();

    // A word typed on the tick it would land counts as caught: catch test first.
    if (Rain::isCatch(lblWord->text(), txtWord->text())) {
        m_stopAtTickEnd = true; // disabled; NextWord enables it again
        ++Score;
        lblScore->setText(scoreText(Score));
        lblScore->setAccessibleName(QStringLiteral("Score") + lblScore->text());
        NextWord();
    }
    if (Rain::hasLanded(m_wordTop, m_wordHeight)) {
        // Really stopped: the splash waits in a nested loop, where no tick may come.
        m_stopAtTickEnd = false;
        Timer1->stop();
        if (!Boom())
            return;
        NextWord();
    }
    if (m_stopAtTickEnd) {
        m_stopAtTickEnd = false;
        Timer1->stop();
    }
    m_inTick = false;
}

void frmRain::TxtWord_KeyDown(int KeyCode, int Shift)
{
    Q_UNUSED(Shift)
    if (KeyCode != 13)
        return;
    // Only clears a wrong word; a catch is counted by the next tick, untrimmed.
    if (Rain::enterClears(txtWord->text(), lblWord->text()))
        txtWord->clear();
}

bool frmRain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtWord && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            TxtWord_KeyDown(13, 0); // the shift state is not used
            return true;            // no default button answers this Enter
        }
    }
    return Form::eventFilter(watched, event);
}

bool frmRain::playSplash()
{
    // The splash has its own command sequence, from the program folder, always waiting.
    // "Open" replaces whatever the control still holds (the falling word's recording).
    QString folder = m_ctx.AppDir;
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    MMControl &mm = *MMControl1;
    mm.Notify = false;
    mm.Wait = true;
    mm.Shareable = false;
    mm.DeviceType = QStringLiteral("WaveAudio");
    mm.FileName = folder + QStringLiteral("/splash.wav");
    mm.setCommand(QStringLiteral("Open"));
    if (!sendToEnd(QStringLiteral("play")))
        return false;
    mm.setCommand(QStringLiteral("close"));
    return true;
}

bool frmRain::Boom()
{
    const int u = Rain::umbrellaOfAlignment(m_alignment);
    Twips::place(imgBoom, {At::UmbrellaLeft[u] + At::SplashOverUmbrella, At::imgBoom.top, At::imgBoom.width,
                           At::imgBoom.height});
    if (m_umbrellas.land(u) == Rain::Umbrellas::Landing::KnockedAway) {
        lblWord->hide();
        imgBoom->show();
        // The splash is drawn before it is heard.
        if (!letEventsRun() || !playSplash())
            return false;
        lblWord->show();
        imgBoom->hide();
        umb[u]->hide();
        return true;
    }
    // That umbrella is already gone: the game is lost where the word landed.
    GameOver = true;
    imgBoom->show();
    if (!letEventsRun() || !playSplash())
        return false;
    Timer1->stop();
    Panels::show(YourAllWet);
    return true;
}

void frmRain::Command4_Click()
{
    Timer1->stop();
    leaveTo(Windows::ArcadeSelect);
}

void frmRain::picProf_Click()
{
    Module1::PlayWave(*MMControl1, m_ctx.AppDir + QStringLiteral("raindir.wav"));
}

void frmRain::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    m_ctx.history.recordGame(m_ctx.TestName(), QStringLiteral("Raining Words"), Score);
    // The window is only deleted later: no tick may run on a closed window.
    Timer1->stop();
    // Closed through its frame: like "Stop Game", the chooser comes back.
    leaveTo(Windows::ArcadeSelect);
}
