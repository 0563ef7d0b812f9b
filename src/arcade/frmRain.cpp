#include "arcade/frmRain.h"

#include "arcade/startwords.h"
#include "core/platform/appstate.h"
#include "core/platform/dialogs.h"
#include "core/platform/rnd.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/playwave.h"
#include "core/ui/layout.h"
#include "core/ui/widgets.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace Arcade;

namespace
{
// Left edges of the three umbrellas, in twips; they share one top.
constexpr int UmbrellaLeft[Rain::UmbrellaCount] = {315, 2385, 4290};
constexpr int UmbrellaTop = 5235;
constexpr int BoomTop = 4860;
constexpr int WordLeft = 390;
constexpr int WordWidth = 5070;
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
} // namespace

frmRain::frmRain(QWidget *parent) : Form(Windows::Rain, parent)
{
    setWindowTitle(QStringLiteral("Raining Words"));
    Twips::setClientSize(this, 7125, 6525);
    fillWith(this, PlayGrey);

    // Created back to front: pictures and labels first, then the windowed controls in
    // their stacking order (typing box, start panel, "Stop Game", game-over panel).
    Image1 = Ui::picture(this, QStringLiteral("Image1"), QStringLiteral(":/art/cloud.svg"), 15, -15, 1845, 555);
    Image1->setAccessibleName(QStringLiteral("Cloud"));
    Image2 = Ui::picture(this, QStringLiteral("Image2"), QStringLiteral(":/art/cloud_puffy.svg"), 1455, -30, 1845, 555);
    Image2->setAccessibleName(QStringLiteral("Cloud"));
    Image3 = Ui::picture(this, QStringLiteral("Image3"), QStringLiteral(":/art/cloud.svg"), 3540, -15, 1845, 555);
    Image3->setAccessibleName(QStringLiteral("Cloud"));

    static const char *const umbrellaArt[Rain::UmbrellaCount] = {":/art/umbrella_red.svg", ":/art/umbrella_blue.svg",
                                                                 ":/art/umbrella_green.svg"};
    static const char *const umbrellaWhere[Rain::UmbrellaCount] = {"Left umbrella", "Middle umbrella",
                                                                   "Right umbrella"};
    for (int i = 0; i < Rain::UmbrellaCount; ++i) {
        umb[i] = Ui::picture(this, QStringLiteral("umb%1").arg(i), QString::fromLatin1(umbrellaArt[i]), UmbrellaLeft[i],
                             UmbrellaTop, 1275, 480);
        umb[i]->setAccessibleName(QStringLiteral("Umbrella %1").arg(i + 1));
        umb[i]->setAccessibleDescription(QString::fromLatin1(umbrellaWhere[i]));
    }
    imgBoom = Ui::picture(this, QStringLiteral("imgBoom"), QStringLiteral(":/art/splash.svg"), 2790, BoomTop, 525, 825);
    imgBoom->hide();

    Label2 = Ui::label(this, QStringLiteral("Label2"), QStringLiteral("Score"), 5580, 975, 1515, 315);
    Label2->setFont(Fonts::font(QStringLiteral("Wide Latin"), 9.75));
    textColour(Label2, Qt::magenta);
    lblScore = Ui::label(this, QStringLiteral("lblScore"), QStringLiteral("0"), 5640, 1305, 1395, 390);
    lblScore->setFont(Fonts::font(QStringLiteral("Wide Latin"), 14.25));
    lblScore->setAlignment(Qt::AlignRight | Qt::AlignTop);
    lblScore->setWordWrap(false);
    lblScore->setAccessibleName(QStringLiteral("Score"));

    lblWord = Ui::label(this, QStringLiteral("lblWord"), QStringLiteral("Label1"), WordLeft, 15, WordWidth, 420);
    lblWord->setFont(Fonts::font(QStringLiteral("Century Gothic"), 15.75, false, 600));
    lblWord->setWordWrap(false);
    textColour(lblWord, QColor(0, 0, 128));
    lblWord->setAccessibleName(QStringLiteral("Falling word"));

    txtWord = Ui::textBox(this, QStringLiteral("txtWord"), 840, 5715, 4440, 645);
    txtWord->setFont(Fonts::font(QStringLiteral("Century Gothic"), 18));
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
    pnlStart = Ui::panel(this, QStringLiteral("pnlStart"), 4935, 1890, 7095, 6585);
    fillWith(pnlStart, PlayGrey);
    List1 = Ui::list(pnlStart, QStringLiteral("List1"), 225, 225, 1740, 1260);
    List1->addItems({QStringLiteral("Level 1 - Slow"), QStringLiteral("Level 2"), QStringLiteral("Level 3 - Fast"),
                     QStringLiteral("Level 4"), QStringLiteral("Level 5 - Fastest!")});
    List1->setAccessibleName(QStringLiteral("Level"));
    chkRandom = Ui::checkBox(pnlStart, QStringLiteral("chkRandom"), QStringLiteral("Rain Words Randomly"), 2295, 255,
                             1950, 315);
    chkRandom->setChecked(true);
    btnStart = Ui::pictureButton(pnlStart, QStringLiteral("btnStart"), QStringLiteral("Start Game"),
                                 QStringLiteral(":/art/rain_start.svg"), 270, 1815, 2040, 735);
    picProf = Ui::professor(pnlStart, QStringLiteral("picProf"), 2445, 1455);

    Command4 = Ui::pictureButton(this, QStringLiteral("Command4"), QStringLiteral("Stop Game"),
                                 QStringLiteral(":/art/rain_stop.svg"), 5565, -15, 1560, 930);
    // Enter in the typing box is the game's own key; it must never stop the game.
    Command4->setAutoDefault(false);

    YourAllWet = Ui::panel(this, QStringLiteral("YourAllWet"), -30000, 540, 5460, 5940);
    fillWith(YourAllWet, PlayGrey);
    Image4 =
        Ui::picture(YourAllWet, QStringLiteral("Image4"), QStringLiteral(":/art/cloud_wet.svg"), 630, 510, 3195, 2205);
    Image4->setAccessibleName(QStringLiteral("Rain cloud"));
    Label1 = Ui::label(YourAllWet, QStringLiteral("Label1"), QStringLiteral("You are all wet!"), 345, 3090, 4560, 645);
    Label1->setFont(Fonts::sized(24, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label4 = Ui::label(YourAllWet, QStringLiteral("Label4"), QStringLiteral("Game Over"), 75, 4695, 5295, 645);
    Label4->setFont(Fonts::font(QStringLiteral("Wide Latin"), 21.75));
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

    MMControl1 = new MMControl(this);

    connect(Timer1, &QTimer::timeout, this, &frmRain::Timer1_Timer);
    connect(btnStart, &QPushButton::clicked, this, &frmRain::btnStart_Click);
    connect(Command4, &QPushButton::clicked, this, &frmRain::Command4_Click);
    connect(picProf, &Picture::clicked, this, &frmRain::picProf_Click);

    Ui::centreOnScreen(this);
    Form_Load();
}

frmRain::~frmRain() = default;

bool frmRain::alive() const
{
    return isLoaded() && !Program::isEnding();
}

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
    if (!startWordsPlayable())
        return;
    GameOver = false;
    m_interval = Rain::levelInterval(List1->currentRow(), m_interval);
    Timer1->setInterval(m_interval);
    Panels::hide(pnlStart, -30000);
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
        order.next(startWindowWords(), chkRandom->isChecked(), CurrentWord, programDraw());
    if (!word) {
        // The start window's list has been emptied: nothing more can fall.
        Timer1->stop();
        return;
    }
    CurrentWord = *word;
    setAlignment(Rain::drawAlignment(programDraw()));
    lblWord->setText(CurrentWord);
    lblWord->setAccessibleName(CurrentWord);
    Module1::PlayWave(*MMControl1, Shared::TestDir + CurrentWord + QStringLiteral(".wav"));
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
    const QPointer<frmRain> self(this);

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
    if (Rain::hasLanded(m_wordTop, m_wordHeight, float(UmbrellaTop))) {
        // Really stopped: the splash waits in a nested loop, where no tick may come.
        m_stopAtTickEnd = false;
        Timer1->stop();
        Boom();
        if (!self || !alive())
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
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            int shift = 0;
            if (key->modifiers() & Qt::ShiftModifier)
                shift |= 1;
            if (key->modifiers() & Qt::ControlModifier)
                shift |= 2;
            if (key->modifiers() & Qt::AltModifier)
                shift |= 4;
            TxtWord_KeyDown(13, shift);
            return true; // no default button answers this Enter
        }
    }
    return Form::eventFilter(watched, event);
}

void frmRain::playSplash()
{
    // The splash has its own command sequence, from the program folder, always waiting.
    // "Open" replaces whatever the control still holds (the falling word's recording).
    QString folder = Shared::AppDir;
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    MMControl &mm = *MMControl1;
    mm.Notify = false;
    mm.Wait = true;
    mm.Shareable = false;
    mm.DeviceType = QStringLiteral("WaveAudio");
    mm.FileName = folder + QStringLiteral("/splash.wav");
    mm.setCommand(QStringLiteral("Open"));
    mm.Wait = true;
    const QPointer<frmRain> self(this);
    mm.setCommand(QStringLiteral("play"));
    // The window may have been closed while the splash played.
    if (!self || !alive())
        return;
    mm.setCommand(QStringLiteral("close"));
}

void frmRain::Boom()
{
    const QPointer<frmRain> self(this);
    const int u = Rain::umbrellaOfAlignment(m_alignment);
    Twips::place(imgBoom, UmbrellaLeft[u] + 350, BoomTop, 525, 825);
    if (m_umbrellas.land(u) == Rain::Umbrellas::Landing::KnockedAway) {
        lblWord->hide();
        imgBoom->show();
        QCoreApplication::processEvents(); // the splash is drawn before it is heard
        if (!self || !alive())
            return;
        playSplash();
        if (!self || !alive())
            return;
        lblWord->show();
        imgBoom->hide();
        umb[u]->hide();
        return;
    }
    // That umbrella is already gone: the game is lost where the word landed.
    GameOver = true;
    imgBoom->show();
    QCoreApplication::processEvents();
    if (!self || !alive())
        return;
    playSplash();
    if (!self || !alive())
        return;
    Timer1->stop();
    Panels::show(YourAllWet);
}

void frmRain::Command4_Click()
{
    m_leaving = true;
    Timer1->stop();
    Forms::show(Windows::ArcadeSelect);
    close();
}

void frmRain::picProf_Click()
{
    Module1::PlayWave(*MMControl1, Shared::AppDir + QStringLiteral("raindir.wav"));
}

void frmRain::Form_Unload(bool &keepOpen)
{
    Q_UNUSED(keepOpen)
    // The window is only deleted later: no tick may run on a closed window.
    Timer1->stop();
    if (m_leaving)
        return;
    m_leaving = true;
    // Closed through its frame: like "Stop Game", the chooser comes back.
    Forms::show(Windows::ArcadeSelect);
}
