// Raining Words through its real window: the tick handler is called directly and
// the fall timer's own ticks are blocked, so nothing depends on waiting.
#include "arcade/frmRain.h"
#include "arcadetest.h"
#include "core/platform/rnd.h"
#include "core/sound/mmcontrol.h"
#include "core/ui/widgets.h"

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
    return qobject_cast<frmRain *>(Forms::show(Windows::Rain));
}

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

void catchIt(frmRain *w)
{
    w->txtWord->setText(w->lblWord->text());
    tick(w);
}

QString splashPath(const TestEnv &env)
{
    return env.appDir().chopped(1) + QStringLiteral("/splash.wav");
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
        QVERIFY(Panels::isShown(w->pnlStart));
        QCOMPARE(w->pnlStart->pos(), QPoint(0, 0));
        QCOMPARE(w->List1->count(), 5);
        QCOMPARE(w->List1->currentRow(), 0);
        QVERIFY(w->chkRandom->isChecked());
        QVERIFY(!Panels::isShown(w->YourAllWet));
        QVERIFY(!w->Timer1->isActive());
        // "Stop Game" lies in front of the start panel; the typing box lies behind it.
        QCOMPARE(w->childAt(w->Command4->geometry().center()), w->Command4);
        QWidget *hit = w->childAt(w->txtWord->geometry().center());
        QVERIFY(hit == w->pnlStart || w->pnlStart->isAncestorOf(hit));
        Q_EMIT w->picProf->clicked();
        QCOMPARE(world.env.sound.played(), QStringList{world.env.appDir() + QStringLiteral("raindir.wav")});
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
            world.env.context.setTestWords({});
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
    }

    void wordsFallInListOrderAndAreSpoken()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain(4);
        QCOMPARE(w->Timer1->interval(), 200);
        QCOMPARE(w->Timer1->timerType(), Qt::PreciseTimer);
        QVERIFY(!w->pnlStart->isEnabled()); // the hidden panel takes no input
        QStringList fallen{w->lblWord->text()};
        for (int i = 0; i < 3; ++i) {
            catchIt(w);
            fallen << w->lblWord->text();
            QCOMPARE(w->wordTop(), 0.0f);
            QVERIFY(w->Timer1->isActive());
        }
        QCOMPARE(fallen.join(QLatin1Char(',')), QStringLiteral("cat,Dog,emu,cat"));
        QStringList spoken;
        for (const QString &p : world.env.sound.played())
            spoken << p.mid(world.env.context.TestDir().size());
        QCOMPARE(spoken.join(QLatin1Char(',')), QStringLiteral("cat.wav,Dog.wav,emu.wav,cat.wav"));
        QVERIFY(!world.env.sound.lines().contains(QStringLiteral("Play (wait)"))); // heard while falling
        QCOMPARE(w->lblScore->text(), QStringLiteral(" 3"));
    }

    void randomOrder_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::newRow("three words") << Words;
        QTest::newRow("one word repeats") << QStringList{QStringLiteral("sun")};
    }
    void randomOrder()
    {
        QFETCH(QStringList, words);
        ArcadeWorld world(words);
        frmRain *w = startRain(0, true);
        QString previous = w->lblWord->text();
        for (int i = 0; i < 30; ++i) {
            catchIt(w);
            QCOMPARE(w->lblWord->text() == previous, words.size() == 1);
            previous = w->lblWord->text();
        }
    }

    void columnFollowsTheAlignment()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        const QHash<int, Qt::Alignment> drawn{{Rain::AlignLeft, Qt::AlignLeft},
                                              {Rain::AlignRight, Qt::AlignRight},
                                              {Rain::AlignCentre, Qt::AlignHCenter}};
        QSet<int> seen;
        for (int i = 0; i < 40; ++i) {
            QCOMPARE(w->lblWord->alignment() & Qt::AlignHorizontal_Mask, drawn.value(w->wordAlignment()));
            seen << w->wordAlignment();
            catchIt(w);
        }
        QCOMPARE(seen.size(), 3);
    }

    void aWordLandsOnTheTwelfthTickWithASplash()
    {
        ArcadeWorld world(Words);
        world.env.sound.setDuration(splashPath(world.env), 60);
        frmRain *w = startRain();
        const int u = Rain::umbrellaOfAlignment(w->wordAlignment());
        tick(w, 11);
        QCOMPARE(w->lblWord->y(), Twips::px(11 * 420));
        QVERIFY(!w->umb[u]->isHidden());
        // While the splash is heard: the drop over the column, the word hidden, the
        // umbrella still there, the timer stopped.
        bool duringOk = false;
        QTimer::singleShot(20, w, [&] {
            static constexpr int SplashLeft[] = {665, 2735, 4640};
            duringOk = !w->imgBoom->isHidden() && w->lblWord->isHidden() && !w->umb[u]->isHidden() &&
                       !w->Timer1->isActive() && w->imgBoom->x() == Twips::px(SplashLeft[u]);
        });
        world.env.sound.clear();
        tick(w);
        QVERIFY(duringOk);
        QVERIFY(w->umb[u]->isHidden());
        QVERIFY(w->imgBoom->isHidden() && !w->lblWord->isHidden());
        const QStringList lines = world.env.sound.lines();
        QCOMPARE(lines.mid(0, 3),
                 (QStringList{QStringLiteral("Open ") + splashPath(world.env) + QStringLiteral(" (wait)"),
                              QStringLiteral("Play (wait)"), QStringLiteral("Close")}));
        // Then the next word starts at the top.
        QCOMPARE(w->lblWord->text(), QStringLiteral("Dog"));
        QCOMPARE(w->wordTop(), 0.0f);
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Score, 0);
    }

    void aCatchOnTheLandingTickCounts()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        tick(w, 11);
        w->txtWord->setText(QStringLiteral("cat"));
        tick(w);
        QCOMPARE(w->lblScore->text(), QStringLiteral(" 1"));
        QCOMPARE(w->umbrellas().upCount(), 3);
        QVERIFY(!world.env.sound.played().contains(splashPath(world.env)));
        QCOMPARE(w->lblWord->text(), QStringLiteral("Dog"));
    }

    void enterClearsOnlyAWrongWord_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::newRow("wrong word") << QStringLiteral("cap") << QString();
        QTest::newRow("other case") << QStringLiteral("CAT") << QString();
        QTest::newRow("right word in blanks") << QStringLiteral("  cat ") << QStringLiteral("  cat ");
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
        // Enter never counts a catch and never presses "Stop Game"; blanks are not caught.
        QCOMPARE(w->Score, 0);
        QVERIFY(w->isLoaded());
        tick(w);
        QCOMPARE(w->Score, 0);
    }

    void umbrellasGoThenTheGameIsLost()
    {
        ArcadeWorld world(Words);
        frmRain *w = startRain();
        Rain::Umbrellas expected;
        int landings = 0;
        while (!w->GameOver) {
            QVERIFY(landings++ < 4); // the fourth landing ends it at the latest
            const int u = Rain::umbrellaOfAlignment(w->wordAlignment());
            const bool wasUp = expected.land(u) == Rain::Umbrellas::Landing::KnockedAway;
            tick(w, 12);
            for (int i = 0; i < 3; ++i)
                QCOMPARE(w->umb[i]->isHidden(), !expected.isUp(i));
            QCOMPARE(w->GameOver, !wasUp);
        }
        // Lost: the splash over the column, the word where it landed, the wet panel.
        QVERIFY(Panels::isShown(w->YourAllWet));
        QCOMPARE(w->YourAllWet->y(), Twips::px(540));
        QVERIFY(!w->Timer1->isActive());
        QVERIFY(!w->imgBoom->isHidden() && !w->lblWord->isHidden());
        QCOMPARE(w->wordTop(), 5040.0f);
        // Nothing more moves or sounds.
        world.env.sound.clear();
        const QString lastWord = w->lblWord->text();
        w->NextWord();
        QCOMPARE(w->lblWord->text(), lastWord);
        QVERIFY(world.env.sound.log.isEmpty() && !w->Timer1->isActive());
        QCOMPARE(w->childAt(w->Command4->geometry().center()), w->Command4);
    }

    void stopGameInEveryState_data()
    {
        QTest::addColumn<int>("state"); // 0 start panel, 1 playing, 2 lost
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("start, Stop Game") << 0 << false;
        QTest::newRow("playing, Stop Game") << 1 << false;
        QTest::newRow("lost, Stop Game") << 2 << false;
        QTest::newRow("playing, close box") << 1 << true;
    }
    void stopGameInEveryState()
    {
        QFETCH(int, state);
        QFETCH(bool, closeBox);
        ArcadeWorld world(Words);
        Form *chooser = Forms::load(Windows::ArcadeSelect);
        frmRain *w = state == 0 ? openRain() : startRain();
        while (state == 2 && !w->GameOver)
            tick(w);
        const QPointer<frmRain> guard(w);
        if (closeBox)
            w->close();
        else
            TestUi::click(w->Command4);
        QVERIFY(!w->isLoaded());
        QVERIFY(!w->Timer1->isActive()); // no tick on a closed window
        QCOMPARE(Forms::find(Windows::ArcadeSelect), chooser);
        QVERIFY(chooser->isVisible());
        TestUi::settle();
        QVERIFY(!guard); // discarded with all its state
        QCOMPARE(openRain()->Score, 0);
    }

    void closedDuringTheSplash()
    {
        ArcadeWorld world(Words);
        world.env.sound.setDuration(splashPath(world.env), 80);
        frmRain *w = startRain();
        const QPointer<frmRain> guard(w);
        tick(w, 11);
        QTimer::singleShot(20, w, [w] { w->close(); });
        tick(w);
        // Nothing ran on after the splash: no next word was started.
        QVERIFY(guard && !guard->isLoaded());
        QCOMPARE(w->lblWord->text(), QStringLiteral("cat"));
        QVERIFY(!w->Timer1->isActive());
        QVERIFY(Forms::find(Windows::ArcadeSelect)->isVisible());
        TestUi::settle();
        QVERIFY(!guard);
    }

    void startGameReseeds()
    {
        ArcadeWorld world(Words);
        // Without a reseed the column draw would be the fixed state's first draw and
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
