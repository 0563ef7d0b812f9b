// Scramble through its real window: typing, the three helps, rewards and leaving.
#include "arcade/frmScramble.h"
#include "arcadetest.h"
#include "core/platform/rnd.h"
#include "core/ui/widgets.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

using namespace Arcade;

namespace
{
frmScramble *openScramble()
{
    return qobject_cast<frmScramble *>(Forms::show(Windows::Scramble));
}

frmScramble *startScramble(bool random = false)
{
    frmScramble *w = openScramble();
    w->chkRandom->setChecked(random);
    w->btnStart_Click();
    return w;
}

QString sorted(QString s)
{
    std::sort(s.begin(), s.end());
    return s;
}

// The prompt files played, by name, and word files as "word:<word>".
QStringList heard(const TestEnv &env)
{
    QStringList out;
    for (const QString &p : env.sound.played()) {
        if (p.startsWith(env.context.TestDir()))
            out << QStringLiteral("word:") + p.mid(env.context.TestDir().size()).chopped(4);
        else
            out << p.mid(env.appDir().size());
    }
    return out;
}

bool waited(const TestEnv &env, const QString &file)
{
    for (const TestSoundEngine::Entry &e : env.sound.log)
        if (e.command.compare(QLatin1String("play"), Qt::CaseInsensitive) == 0 && e.fileName.endsWith(file))
            return e.wait;
    return false;
}
} // namespace

class tst_Scramble : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void cleanup() { TestUi::closeAllWindows(); }

    void opensOnTheStartPanel()
    {
        ArcadeWorld world({QStringLiteral("cat")});
        frmScramble *w = openScramble();
        QVERIFY(Panels::isShown(w->pnlStart));
        QVERIFY(w->chkRandom->isChecked());
        // Front-most: the helps and the typing box cannot be reached before the game.
        for (QWidget *c : {static_cast<QWidget *>(w->btnFirstLetter), static_cast<QWidget *>(w->btnSolveIt),
                           static_cast<QWidget *>(w->btnExit), static_cast<QWidget *>(w->txtWord)}) {
            QWidget *hit = w->childAt(c->geometry().center());
            QVERIFY2(hit == w->pnlStart || w->pnlStart->isAncestorOf(hit), qPrintable(c->objectName()));
        }
        Q_EMIT w->picProf->clicked();
        QCOMPARE(heard(world.env), QStringList{QStringLiteral("scrambledir.wav")});
        QVERIFY(!waited(world.env, QStringLiteral("scrambledir.wav")));
    }

    void noWordsNoGame()
    {
        ArcadeWorld world({});
        frmScramble *w = openScramble();
        w->btnStart_Click();
        QCOMPARE(world.env.dialogs.boxes.size(), 1);
        QVERIFY(world.env.dialogs.boxes.first().text.contains(QLatin1String("no words")));
        QCOMPARE(world.env.dialogs.boxes.first().icon, MsgIcon::Information);
        QCOMPARE(world.env.dialogs.boxes.first().title, QStringLiteral("Wordaroo"));
        QVERIFY(Panels::isShown(w->pnlStart));
        QCOMPARE(w->CurrentWord, QString());
    }

    void typingTheWordSolvesIt()
    {
        ArcadeWorld world({QStringLiteral("Apple"), QStringLiteral("pear")});
        frmScramble *w = startScramble();
        QVERIFY(!Panels::isShown(w->pnlStart));
        QCOMPARE(w->CurrentWord, QStringLiteral("Apple"));
        QCOMPARE(sorted(w->lblWord->text()), sorted(QStringLiteral("Apple")));
        QVERIFY(world.env.sound.played().isEmpty()); // the word is not spoken by itself
        QTest::keyClicks(w->txtWord, QStringLiteral("Appl"));
        QCOMPARE(w->Score, 0);
        QTest::keyClicks(w->txtWord, QStringLiteral("e"));
        QCOMPARE(heard(world.env), QStringList{QStringLiteral("figureout.wav")});
        QVERIFY(waited(world.env, QStringLiteral("figureout.wav")));
        QCOMPARE(w->Score, 1);
        QCOMPARE(w->lblScore->text(), QStringLiteral(" 1"));
        QCOMPARE(w->CurrentWord, QStringLiteral("pear"));
        QCOMPARE(w->txtWord->text(), QString());
        QVERIFY(!w->Helped);
        // The list goes round: after the last word comes the first again.
        QTest::keyClicks(w->txtWord, QStringLiteral("pear"));
        QCOMPARE(w->CurrentWord, QStringLiteral("Apple"));
        QCOMPARE(w->Score, 2);
    }

    void nearMissesDoNotSolve_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("other case") << QStringLiteral("apple");
        QTest::newRow("trailing blank") << QStringLiteral("Apple ");
        QTest::newRow("leading blank") << QStringLiteral(" Apple");
    }
    void nearMissesDoNotSolve()
    {
        QFETCH(QString, typed);
        ArcadeWorld world({QStringLiteral("Apple"), QStringLiteral("pear")});
        frmScramble *w = startScramble();
        w->txtWord->setText(typed); // as pasted: one change
        QCOMPARE(w->Score, 0);
        QCOMPARE(w->CurrentWord, QStringLiteral("Apple"));
        // Removing the blank solves it at once.
        if (typed.endsWith(QLatin1Char(' '))) {
            TestUi::key(w->txtWord, Qt::Key_Backspace);
            QCOMPARE(w->Score, 1);
        }
    }

    void firstLetterHelps()
    {
        ArcadeWorld world({QStringLiteral("Apple"), QStringLiteral("pear")});
        frmScramble *w = startScramble();
        TestUi::click(w->btnFirstLetter);
        QCOMPARE(w->txtWord->text(), QStringLiteral("A"));
        QCOMPARE(w->txtWord->cursorPosition(), 1);
        QVERIFY(w->Helped);
        QTest::keyClicks(w->txtWord, QStringLiteral("pple"));
        QCOMPARE(heard(world.env), QStringList{QStringLiteral("Correct.wav")});
        QCOMPARE(w->Score, 1);
        QVERIFY(!w->Helped); // the next word starts unhelped
    }

    void firstLetterOfAOneLetterWord()
    {
        // The click solves it before it marks the help, so the reward is the unhelped
        // one and the mark falls on the next word.
        ArcadeWorld world({QStringLiteral("I"), QStringLiteral("am")});
        frmScramble *w = startScramble();
        QCOMPARE(w->lblWord->text(), QStringLiteral("I")); // one letter: never shuffled
        TestUi::click(w->btnFirstLetter);
        QCOMPARE(heard(world.env), QStringList{QStringLiteral("figureout.wav")});
        QCOMPARE(w->Score, 1);
        QCOMPARE(w->CurrentWord, QStringLiteral("am"));
        QVERIFY(w->Helped);
        QTest::keyClicks(w->txtWord, QStringLiteral("am"));
        QCOMPARE(heard(world.env).last(), QStringLiteral("Correct.wav"));
    }

    void hearHint_data()
    {
        QTest::addColumn<bool>("recorded");
        QTest::newRow("recorded") << true;
        QTest::newRow("missing recording") << false;
    }
    void hearHint()
    {
        QFETCH(bool, recorded);
        ArcadeWorld world({QStringLiteral("owl"), QStringLiteral("bat")}, recorded);
        frmScramble *w = startScramble();
        TestUi::click(w->btnHearHint);
        QVERIFY(w->Helped);
        if (recorded) {
            QVERIFY(world.env.dialogs.boxes.isEmpty());
            QCOMPARE(heard(world.env), QStringList{QStringLiteral("word:owl")});
            QVERIFY(!waited(world.env, QStringLiteral("owl.wav")));
        } else {
            QCOMPARE(world.env.dialogs.boxes.size(), 1);
            const ScriptedDialogs::Box box = world.env.dialogs.boxes.first();
            QCOMPARE(box.text, QStringLiteral("Missing Sound File for the word: owl"));
            QCOMPARE(box.buttons, MsgButtons::Ok);
            QCOMPARE(box.title, QStringLiteral("Wordaroo"));
            QVERIFY(world.env.sound.played().isEmpty());
        }
        QTest::keyClicks(w->txtWord, QStringLiteral("owl"));
        QCOMPARE(heard(world.env).last(), QStringLiteral("Correct.wav"));
    }

    void solveItShowsAndSpeaksButNeverScores()
    {
        ArcadeWorld world({QStringLiteral("owl"), QStringLiteral("bat")});
        frmScramble *w = startScramble();
        QString shownDuringWord;
        world.env.sound.setDuration(world.env.context.TestDir() + QStringLiteral("owl.wav"), 30);
        QTimer::singleShot(15, w, [&] { shownDuringWord = w->txtWord->text(); });
        TestUi::click(w->btnSolveIt);
        QCOMPARE(heard(world.env), (QStringList{QStringLiteral("wordis.wav"), QStringLiteral("word:owl")}));
        QVERIFY(waited(world.env, QStringLiteral("wordis.wav")));
        QVERIFY(waited(world.env, QStringLiteral("owl.wav")));
        QCOMPARE(shownDuringWord, QStringLiteral(" owl"));
        QCOMPARE(w->Score, 0);
        QCOMPARE(w->lblScore->text(), QStringLiteral("0"));
        QCOMPARE(w->CurrentWord, QStringLiteral("bat"));
        QCOMPARE(w->txtWord->text(), QString());
    }

    void praiseAtEveryTenthWord_data()
    {
        QTest::addColumn<int>("scoreBefore");
        QTest::addColumn<bool>("praised");
        QTest::newRow("9 -> 10") << 9 << true;
        QTest::newRow("10 -> 11") << 10 << false;
    }
    void praiseAtEveryTenthWord()
    {
        QFETCH(int, scoreBefore);
        QFETCH(bool, praised);
        ArcadeWorld world({QStringLiteral("owl"), QStringLiteral("bat")});
        frmScramble *w = startScramble();
        w->Score = scoreBefore;
        QTest::keyClicks(w->txtWord, QStringLiteral("owl"));
        QStringList expected{QStringLiteral("figureout.wav")};
        if (praised)
            expected << QStringLiteral("great.wav");
        QCOMPARE(heard(world.env), expected);
        if (praised)
            QVERIFY(waited(world.env, QStringLiteral("great.wav")));
        QCOMPARE(w->lblScore->text(), scoreText(scoreBefore + 1));
    }

    void leftWhileARewardPlays_data()
    {
        QTest::addColumn<bool>("programEnds");
        QTest::newRow("window closed") << false;
        QTest::newRow("program ended") << true;
    }
    void leftWhileARewardPlays()
    {
        QFETCH(bool, programEnds);
        ArcadeWorld world({QStringLiteral("owl"), QStringLiteral("bat")});
        world.env.sound.setDuration(world.env.appDir() + QStringLiteral("figureout.wav"), 80);
        frmScramble *w = startScramble();
        const QPointer<frmScramble> guard(w);
        QTimer::singleShot(20, w, [&] {
            if (programEnds)
                Program::end(0);
            else
                w->close();
        });
        w->txtWord->setText(QStringLiteral("owl"));
        // Nothing ran on after the wait: no point, no next word; the window, closed,
        // is deleted only now that its handler has returned.
        QVERIFY(guard && !guard->isLoaded());
        QCOMPARE(w->Score, 0);
        QCOMPARE(w->CurrentWord, QStringLiteral("owl"));
        TestUi::settle();
        QVERIFY(!guard);
        QCOMPARE(world.env.ended, programEnds);
    }

    void continuesTheProgramWideSequence()
    {
        ArcadeWorld world({QStringLiteral("elephant")});
        Rnd::seed(99);
        frmScramble *w = startScramble();
        Rnd::seed(99);
        QCOMPARE(w->lblWord->text(), Scramble::ScrambleIt(QStringLiteral("elephant"), programDraw()));
    }

    void endGameBringsBackTheChooser_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("End Game") << false;
        QTest::newRow("close box") << true;
    }
    void endGameBringsBackTheChooser()
    {
        QFETCH(bool, closeBox);
        ArcadeWorld world({QStringLiteral("owl")});
        Form *chooser = Forms::load(Windows::ArcadeSelect);
        frmScramble *w = startScramble();
        const QPointer<frmScramble> guard(w);
        if (closeBox)
            w->close();
        else
            TestUi::click(w->btnExit);
        QCOMPARE(Forms::find(Windows::ArcadeSelect), chooser);
        QVERIFY(chooser->isVisible());
        TestUi::settle();
        QVERIFY(!guard);
        QCOMPARE(openScramble()->Score, 0);
    }
};

QTEST_MAIN(tst_Scramble)
#include "tst_scramble.moc"
