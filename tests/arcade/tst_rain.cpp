// Raining Words through its real window: the tick handler is called directly, the
// fall timer's own ticks are blocked so nothing depends on waiting.
#include "arcade/frmRain.h"
#include "arcadetest.h"
#include "core/mmcontrol.h"
#include "core/rnd.h"
#include "core/widgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace Arcade;

namespace
{
const QStringList Words{QStringLiteral("cat"), QStringLiteral("Dog"), QStringLiteral("emu")};

frmRain *openRain()
{
    return qobject_cast<frmRain *>(Forms::show(QStringLiteral("frmRain")));
}

// Opens the game and starts it at a level, in list or random order.
frmRain *startRain(int level = 0, bool random = false)
{
    frmRain *w = openRain();
    w->List1->setCurrentRow(level);
    w->chkRandom->setChecked(random);
    w->btnStart_Click();
    w->Timer1->blockSignals(true); // the test ticks by hand
    return w;
}

void tick(frmRain *w, int times = 1)
{
    for (int i = 0; i < times; ++i)
        w->Timer1_Timer();
}

QString splashPath(const TestEnv &env)
{
    QString folder = env.appDir();
    folder.chop(1);
    return folder + QStringLiteral("/splash.wav");
}
} // namespace

class tst_Rain : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void cleanup() { TestUi::closeAllWindows(); }

    void opensOnTheStartPanel()
    {
        ArcadeWorld world(Words);
        frmRain *w = openRain();
        QCOMPARE(w->windowTitle(), QStringLiteral("Raining Words"));
        QVERIFY(Panels::isShown(w->pnlStart));
        QCOMPARE(w->pnlStart->pos(), QPoint(0, 0));
        QStringList levels;
        for (int i = 0; i < w->List1->count(); ++i)
            levels << w->List1->item(i)->text();
        QCOMPARE(levels, (QStringList{QStringLiteral("Level 1 - Slow"), QStringLiteral("Level 2"),
                                      QStringLiteral("Level 3 - Fast"), QStringLiteral("Level 4"),
                                      QStringLiteral("Level 5 - Fastest!")}));
        QCOMPARE(w->List1->currentRow(), 0);
        QVERIFY(w->chkRandom->isChecked());
        QCOMPARE(w->chkRandom->text(), QStringLiteral("Rain Words Randomly"));
        QCOMPARE(w->btnStart->text(), QStringLiteral("Start Game"));
        QCOMPARE(w->lblScore->text(), QStringLiteral("0"));
        QVERIFY(!Panels::isShown(w->YourAllWet));
        QVERIFY(!w->Timer1->isActive());
        for (Picture *u : w->umb)
            QVERIFY(!u->isHidden());
        QVERIFY(w->imgBoom->isHidden());
        // "Stop Game" lies in front of the start panel and can be used before the game.
        QVERIFY(w->Command4->isEnabled());
        QCOMPARE(w->childAt(w->Command4->geometry().center()), w->Command4);
        // The start panel hides the typing box until the game starts.
        QWidget *hit = w->childAt(w->txtWord->geometry().center());
        QVERIFY(hit == w->pnlStart || w->pnlStart->isAncestorOf(hit));
    }

    void noWordsNoGame_data()
    {
        QTest::addColumn<bool>("withStartWindow");
        QTest::newRow("empty test") << true;
        QTest::newRow("no start window") << false;
    }
    void noWordsNoGame()
    {
        QFETCH(bool, withStartWindow);
        ArcadeWorld world({});
        if (!withStartWindow)
            delete world.login;
        frmRain *w = openRain();
        w->btnStart_Click();
        QCOMPARE(world.env.dialogs.boxes.size(), 1);
        const ScriptedDialogs::Box box = world.env.dialogs.boxes.first();
        QVERIFY2(box.text.contains(QLatin1String("no words")), qPrintable(box.text));
        QCOMPARE(box.icon, MsgIcon::Information);
        QCOMPARE(box.buttons, MsgButtons::Ok);
        QCOMPARE(box.title, QStringLiteral("Wordaroo"));
        QVERIFY(Panels::isShown(w->pnlStart));
        QVERIFY(!w->Timer1->isActive());
        QVERIFY(world.env.sound.played().isEmpty());
    }

    void levelSetsTheFallInterval_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("interval");
        QTest::newRow("1") << 0 << 1200;
        QTest::newRow("3") << 2 << 600;
        QTest::newRow("5") << 4 << 200;
    }
    void levelSetsTheFallInterval()
    {
        QFETCH(int, level);
        QFETCH(int, interval);
        ArcadeWorld world(Words);
        frmRain *w = startRain(level);
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), interval);
        QCOMPARE(w->Timer1->timerType(), Qt::PreciseTimer);
        QVERIFY(!Panels::isShown(w->pnlStart));
        QVERIFY(!w->pnlStart->isEnabled()); // the hidden panel takes no input
    }

    void wordsFallInListOrderAndAreSpoken()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        QStringList fallen{w->lblWord->text()};
        QCOMPARE(w->wordTop(), 0.0f);
        QCOMPARE(w->lblWord->y(), 0);
        for (int i = 0; i < 3; ++i) {
            w->txtWord->setText(w->lblWord->text());
            tick(w);
            fallen << w->lblWord->text();
        }
        QCOMPARE(fallen, (QStringList{QStringLiteral("cat"), QStringLiteral("Dog"), QStringLiteral("emu"),
                                      QStringLiteral("cat")}));
        QStringList spoken;
        for (const QString &p : world.env.sound.played())
            spoken << p.mid(Shared::TestDir.size());
        QCOMPARE(spoken, (QStringList{QStringLiteral("cat.wav"), QStringLiteral("Dog.wav"), QStringLiteral("emu.wav"),
                                      QStringLiteral("cat.wav")}));
        // Each word is started without waiting, so the game goes on while it is heard.
        QVERIFY(!world.env.sound.lines().contains(QStringLiteral("Play (wait)")));
        QCOMPARE(w->lblScore->text(), QStringLiteral(" 3"));
    }

    void randomOrderNeverRepeatsAtOnce_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<bool>("repeats");
        QTest::newRow("three words") << Words << false;
        QTest::newRow("one word repeats") << QStringList{QStringLiteral("sun")} << true;
    }
    void randomOrderNeverRepeatsAtOnce()
    {
        QFETCH(QStringList, words);
        QFETCH(bool, repeats);
        ArcadeWorld world(words);
        frmRain *w = startRain(0, true);
        QString previous = w->lblWord->text();
        for (int i = 0; i < 60; ++i) {
            w->txtWord->setText(previous);
            tick(w);
            const QString now = w->lblWord->text();
            QCOMPARE(now == previous, repeats);
            QVERIFY(words.contains(now));
            previous = now;
        }
        QCOMPARE(w->Score, 60);
    }

    void columnFollowsTheAlignment()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        QSet<int> seen;
        for (int i = 0; i < 40; ++i) {
            const Qt::Alignment a = w->lblWord->alignment() & Qt::AlignHorizontal_Mask;
            switch (w->wordAlignment()) {
            case Rain::AlignLeft:
                QCOMPARE(a, Qt::AlignLeft);
                break;
            case Rain::AlignRight:
                QCOMPARE(a, Qt::AlignRight);
                break;
            case Rain::AlignCentre:
                QCOMPARE(a, Qt::AlignHCenter);
                break;
            default:
                QFAIL("alignment out of range");
            }
            seen << w->wordAlignment();
            w->txtWord->setText(w->lblWord->text());
            tick(w);
        }
        QCOMPARE(seen.size(), 3);
    }

    void aWordLandsOnTheTwelfthTickWithASplash()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        const int u = Rain::umbrellaOfAlignment(w->wordAlignment());
        tick(w, 11);
        QCOMPARE(w->wordTop(), 11 * 420.0f);
        QCOMPARE(w->lblWord->y(), 308);
        QVERIFY(!w->umb[u]->isHidden());
        world.env.sound.clear();
        tick(w);
        QVERIFY(w->umb[u]->isHidden());
        QCOMPARE(w->umbrellas().upCount(), 2);
        // The splash: its own sequence from the program folder, waiting, then closed;
        // then the next word starts at the top.
        const QStringList lines = world.env.sound.lines();
        QCOMPARE(lines.mid(0, 3),
                 (QStringList{QStringLiteral("Open ") + splashPath(world.env) + QStringLiteral(" (wait)"),
                              QStringLiteral("Play (wait)"), QStringLiteral("Close")}));
        QCOMPARE(lines.at(4), QStringLiteral("Open ") + Shared::TestDir + QStringLiteral("Dog.wav (wait)"));
        QCOMPARE(w->MMControl1->DeviceType, QStringLiteral("WaveAudio"));
        QCOMPARE(w->lblWord->text(), QStringLiteral("Dog"));
        QCOMPARE(w->wordTop(), 0.0f);
        QVERIFY(!w->lblWord->isHidden());
        QVERIFY(w->imgBoom->isHidden());
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Score, 0);
    }

    void theSplashShowsWhileItIsHeard()
    {
        ArcadeWorld world(Words);
        world.env.sound.setDuration(splashPath(world.env), 60);
        frmRain *w = startRain();
        const int u = Rain::umbrellaOfAlignment(w->wordAlignment());
        tick(w, 11);
        bool boomShown = false, wordHidden = false, umbrellaStill = false, timerStopped = false;
        int boomLeft = -1;
        QTimer::singleShot(20, w, [&] {
            boomShown = !w->imgBoom->isHidden();
            wordHidden = w->lblWord->isHidden();
            umbrellaStill = !w->umb[u]->isHidden();
            timerStopped = !w->Timer1->isActive();
            boomLeft = w->imgBoom->x();
        });
        tick(w);
        QVERIFY(boomShown);
        QVERIFY(wordHidden);
        QVERIFY(umbrellaStill);
        QVERIFY(timerStopped);
        static constexpr int SplashLeft[] = {665, 2735, 4640};
        QCOMPARE(boomLeft, Twips::px(SplashLeft[u]));
        QVERIFY(w->umb[u]->isHidden());
    }

    void aCatchOnTheLandingTickCounts()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        tick(w, 11);
        w->txtWord->setText(QStringLiteral("cat"));
        world.env.sound.clear();
        tick(w);
        QCOMPARE(w->Score, 1);
        QCOMPARE(w->lblScore->text(), QStringLiteral(" 1"));
        QCOMPARE(w->umbrellas().upCount(), 3);
        QVERIFY(!world.env.sound.played().contains(splashPath(world.env)));
        QCOMPARE(w->lblWord->text(), QStringLiteral("Dog"));
        QCOMPARE(w->txtWord->text(), QString());
    }

    void onlyTheExactWordIsCaught_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("other case") << QStringLiteral("Cat");
        QTest::newRow("leading blank") << QStringLiteral(" cat");
        QTest::newRow("trailing blank") << QStringLiteral("cat ");
    }
    void onlyTheExactWordIsCaught()
    {
        QFETCH(QString, typed);
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        w->txtWord->setText(typed);
        tick(w, 12);
        QCOMPARE(w->Score, 0);
        QCOMPARE(w->umbrellas().upCount(), 2);
    }

    void enterClearsOnlyAWrongWord_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("wrong word") << QStringLiteral("cap") << QString();
        QTest::newRow("other case") << QStringLiteral("CAT") << QString();
        QTest::newRow("right word in blanks") << QStringLiteral("  cat ") << QStringLiteral("  cat ");
        QTest::newRow("right word") << QStringLiteral("cat") << QStringLiteral("cat");
    }
    void enterClearsOnlyAWrongWord()
    {
        QFETCH(QString, typed);
        QFETCH(QString, after);
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        w->txtWord->setText(typed);
        TestUi::key(w->txtWord, Qt::Key_Return);
        QCOMPARE(w->txtWord->text(), after);
        // Enter never counts a catch and never presses "Stop Game".
        QCOMPARE(w->Score, 0);
        QVERIFY(w->isLoaded());
        QVERIFY(w->Timer1->isActive());
        // Other keys type as usual.
        w->txtWord->clear();
        QTest::keyClicks(w->txtWord, QStringLiteral("ca"));
        QCOMPARE(w->txtWord->text(), QStringLiteral("ca"));
    }

    void umbrellasGoThenTheGameIsLost()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        Rain::Umbrellas expected;
        int landings = 0;
        while (!w->GameOver) {
            QVERIFY(landings < 4); // three umbrellas: the fourth landing at the latest ends it
            const int u = Rain::umbrellaOfAlignment(w->wordAlignment());
            const bool wasUp = expected.isUp(u);
            expected.land(u);
            tick(w, 12);
            ++landings;
            for (int i = 0; i < 3; ++i)
                QCOMPARE(w->umb[i]->isHidden(), !expected.isUp(i));
            QCOMPARE(w->GameOver, !wasUp);
        }
        // Lost: splash over the column, the word where it landed, the wet panel in view.
        QVERIFY(Panels::isShown(w->YourAllWet));
        QCOMPARE(w->YourAllWet->y(), Twips::px(540));
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("You are all wet!"));
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("Label4"))->text(), QStringLiteral("Game Over"));
        QVERIFY(!w->Timer1->isActive());
        QVERIFY(!w->imgBoom->isHidden());
        QVERIFY(!w->lblWord->isHidden());
        QCOMPARE(w->wordTop(), 5040.0f);
        // Nothing more moves or sounds.
        world.env.sound.clear();
        const QString lastWord = w->lblWord->text();
        w->NextWord();
        QCOMPARE(w->lblWord->text(), lastWord);
        QVERIFY(world.env.sound.log.isEmpty());
        QVERIFY(!w->Timer1->isActive());
        // "Stop Game" still works, in front of the score and outside the wet panel.
        QCOMPARE(w->childAt(w->Command4->geometry().center()), w->Command4);
        TestUi::click(w->Command4);
        QVERIFY(!w->isLoaded());
    }

    void stopGameInEveryState_data()
    {
        QTest::addColumn<int>("state"); // 0 start panel, 1 playing, 2 lost
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("start, Stop Game") << 0 << false;
        QTest::newRow("playing, Stop Game") << 1 << false;
        QTest::newRow("lost, Stop Game") << 2 << false;
        QTest::newRow("start, close box") << 0 << true;
        QTest::newRow("playing, close box") << 1 << true;
    }
    void stopGameInEveryState()
    {
        QFETCH(int, state);
        QFETCH(bool, closeBox);
        ArcadeWorld world(Words);
        auto *chooser = Forms::load(QStringLiteral("frmArcadeSelect"));
        QVERIFY(chooser && chooser->isHidden());
        frmRain *w = state == 0 ? openRain() : startRain();
        while (state == 2 && !w->GameOver)
            tick(w);
        const QPointer<frmRain> guard(w);
        if (closeBox)
            w->close();
        else
            TestUi::click(w->Command4);
        QVERIFY(!w->isLoaded() || !guard);
        QCOMPARE(Forms::find(QStringLiteral("frmArcadeSelect")), chooser);
        QVERIFY(chooser->isVisible());
        TestUi::settle();
        QVERIFY(!guard); // discarded with all its state
        QVERIFY(!Forms::find(QStringLiteral("frmRain")));
        // A fresh game window next time.
        frmRain *again = openRain();
        QCOMPARE(again->Score, 0);
        QVERIFY(Panels::isShown(again->pnlStart));
    }

    void aClosedWindowNeverTicks()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        w->Timer1->blockSignals(false);
        w->close();
        QVERIFY(!w->Timer1->isActive());
    }

    void professorSpeaksTheDirections()
    {
        ArcadeWorld world(Words);
        frmRain *w = openRain();
        QCOMPARE(w->picProf->toolTip(), QStringLiteral("Click on me for Help!"));
        Q_EMIT w->picProf->clicked();
        QCOMPARE(world.env.sound.played(), QStringList{world.env.appDir() + QStringLiteral("raindir.wav")});
    }

    void startGameReseeds()
    {
        ArcadeWorld world(Words);
        // Without a reseed, the column draw would be the fixed state's first draw and
        // the next draw its second.
        Rnd::reset();
        Rnd::next();
        const float fixedSecond = Rnd::next();
        Rnd::reset();
        startRain(0, false);
        QVERIFY(Rnd::next() != fixedSecond);
    }
};

QTEST_MAIN(tst_Rain)
#include "tst_rain.moc"
