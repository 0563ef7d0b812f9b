// The arcade games' rules without windows, driven by scripted and seeded draws.
#include "arcade/gamerules.h"
#include "core/rnd.h"

#include <QTest>

#include <algorithm>

using namespace Arcade;

namespace
{
// Draws that return the given values in turn (and count how many were taken).
struct Script {
    QList<float> values;
    int taken = 0;
    Draw draw()
    {
        return [this] { return values.at(taken++ % values.size()); };
    }
};
QString sorted(QString s)
{
    std::sort(s.begin(), s.end());
    return s;
}
} // namespace

class tst_GameRules : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void init() { Rnd::seed(12345); }

    void listOrderWrapsPerWindow()
    {
        const QStringList words{QStringLiteral("cat"), QStringLiteral("dog"), QStringLiteral("emu")};
        WordOrder first, second;
        QStringList seen;
        for (int i = 0; i < 7; ++i)
            seen << *first.next(words, false, {}, programDraw());
        QCOMPARE(seen.join(QLatin1Char(',')), QStringLiteral("cat,dog,emu,cat,dog,emu,cat"));
        QCOMPARE(first.SequencePos, 1);
        // Another window starts again at the first word.
        QCOMPARE(*second.next(words, false, {}, programDraw()), QStringLiteral("cat"));
        // A list that became shorter than the position starts over instead of overrunning.
        first.SequencePos = 2;
        QCOMPARE(*first.next(words.mid(0, 2), false, {}, programDraw()), QStringLiteral("cat"));
    }

    void noWordsGivesNothing()
    {
        WordOrder order;
        QVERIFY(!order.next({}, false, {}, programDraw()));
        QVERIFY(!order.next({}, true, QStringLiteral("cat"), programDraw()));
        QVERIFY(!hasPlayableWord({}));
        QVERIFY(!hasPlayableWord({QString()}));
        QVERIFY(hasPlayableWord({QString(), QStringLiteral("a")}));
    }

    void randomDrawsIntNTimesRAndRedrawsTheSameWord()
    {
        const QStringList words{QStringLiteral("cat"), QStringLiteral("dog"), QStringLiteral("Cat")};
        Script s{{0.0f, 0.34f, 0.99999994f}};
        WordOrder order;
        // 3 * 0.0 -> 0 "cat" equals the previous word: drawn again, 3 * 0.34 -> 1.
        QCOMPARE(*order.next(words, true, QStringLiteral("cat"), s.draw()), QStringLiteral("dog"));
        QCOMPARE(s.taken, 2);
        // The comparison is case-sensitive: "Cat" differs from "cat".
        QCOMPARE(*order.next(words, true, QStringLiteral("cat"), s.draw()), QStringLiteral("Cat"));
        QCOMPARE(order.SequencePos, 0); // random order leaves the list position alone
    }

    void randomNeverRepeatsAtOnce()
    {
        const QStringList words{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
        WordOrder order;
        QString previous;
        QHash<QString, int> counts;
        for (int i = 0; i < 2000; ++i) {
            const QString w = *order.next(words, true, previous, programDraw());
            QVERIFY2(w != previous, qPrintable(w));
            ++counts[w];
            previous = w;
        }
        for (const QString &w : words)
            QVERIFY2(counts.value(w) > 400, qPrintable(w)); // every word keeps coming
    }

    void oneWordRepeatsInsteadOfHanging_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::newRow("one word") << QStringList{QStringLiteral("cat")};
        QTest::newRow("the same word twice") << QStringList{QStringLiteral("cat"), QStringLiteral("cat")};
    }
    void oneWordRepeatsInsteadOfHanging()
    {
        QFETCH(QStringList, words);
        WordOrder order;
        QString previous = QStringLiteral("cat");
        for (int i = 0; i < 5; ++i)
            previous = *order.next(words, true, previous, programDraw());
        QCOMPARE(previous, QStringLiteral("cat"));
    }

    void columnOfADraw_data()
    {
        QTest::addColumn<float>("r");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("umbrella");
        QTest::newRow("0 -> left") << 0.0f << 0 << 0;
        QTest::newRow("just under a third -> left") << 0.333f << 0 << 0;
        QTest::newRow("a third -> right") << 0.34f << 1 << 2;
        QTest::newRow("two thirds -> centre") << 0.67f << 2 << 1;
        QTest::newRow("largest draw -> centre") << 0.99999994f << 2 << 1;
    }
    void columnOfADraw()
    {
        QFETCH(float, r);
        QFETCH(int, alignment);
        QFETCH(int, umbrella);
        Script s{{r}};
        const int a = Rain::drawAlignment(s.draw());
        QCOMPARE(a, alignment);
        QCOMPARE(Rain::umbrellaOfAlignment(a), umbrella);
    }

    void levels_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("interval");
        QTest::newRow("Level 1 - Slow") << 0 << 1200;
        QTest::newRow("Level 2") << 1 << 800;
        QTest::newRow("Level 3 - Fast") << 2 << 600;
        QTest::newRow("Level 4") << 3 << 400;
        QTest::newRow("Level 5 - Fastest!") << 4 << 200;
        QTest::newRow("no selection keeps the interval") << -1 << 777;
        QTest::newRow("past the end keeps the interval") << 5 << 777;
    }
    void levels()
    {
        QFETCH(int, position);
        QFETCH(int, interval);
        QCOMPARE(Rain::levelInterval(position, 777), interval);
    }

    void aWordLandsOnTheTwelfthTick()
    {
        QCOMPARE(Rain::ticksToLand(), 12);
        float top = 0;
        for (int tick = 1; tick <= 11; ++tick) {
            top = Rain::fall(top);
            QVERIFY2(!Rain::hasLanded(top), qPrintable(QString::number(tick)));
        }
        top = Rain::fall(top);
        QCOMPARE(top, 5040.0f);
        QVERIFY(Rain::hasLanded(top)); // bottom 5460, the first at or below 5235
        // The line itself counts as landed.
        QVERIFY(Rain::hasLanded(5235.0f - 420.0f));
        QVERIFY(!Rain::hasLanded(5235.0f - 420.5f));
    }

    void catchIsExact_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("caught");
        QTest::addColumn<bool>("enterClears");
        QTest::newRow("the word") << QStringLiteral("Sun") << true << false;
        QTest::newRow("other case") << QStringLiteral("sun") << false << true;
        QTest::newRow("trailing blank") << QStringLiteral("Sun ") << false << false;
        QTest::newRow("surrounding blanks") << QStringLiteral("  Sun  ") << false << false;
        QTest::newRow("part of it") << QStringLiteral("Su") << false << true;
        QTest::newRow("empty") << QString() << false << true;
    }
    void catchIsExact()
    {
        QFETCH(QString, typed);
        QFETCH(bool, caught);
        QFETCH(bool, enterClears);
        QCOMPARE(Rain::isCatch(QStringLiteral("Sun"), typed), caught);
        QCOMPARE(Rain::enterClears(typed, QStringLiteral("Sun")), enterClears);
    }

    void umbrellasGoPerColumnThenTheGameIsLost()
    {
        Rain::Umbrellas u;
        QCOMPARE(u.upCount(), 3);
        QCOMPARE(u.land(2), Rain::Umbrellas::Landing::KnockedAway);
        QVERIFY(!u.isUp(2));
        QVERIFY(u.isUp(0) && u.isUp(1));
        // Landing where the umbrella is gone loses at once, with others still up.
        QCOMPARE(u.land(2), Rain::Umbrellas::Landing::GameOver);
        QCOMPARE(u.upCount(), 2);

        Rain::Umbrellas all;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(all.land(i), Rain::Umbrellas::Landing::KnockedAway);
        QCOMPARE(all.upCount(), 0);
        QCOMPARE(all.land(1), Rain::Umbrellas::Landing::GameOver);
    }

    void scoreText_data()
    {
        QTest::addColumn<int>("score");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << QStringLiteral(" 0");
        QTest::newRow("1") << 1 << QStringLiteral(" 1");
        QTest::newRow("10") << 10 << QStringLiteral(" 10");
        QTest::newRow("-3") << -3 << QStringLiteral("-3");
    }
    void scoreText()
    {
        QFETCH(int, score);
        QFETCH(QString, text);
        QCOMPARE(Arcade::scoreText(score), text);
    }

    void shuffleFollowsTheDrawnPositions()
    {
        // "abc": Int(3r + 1) for 0.9 -> 3, 0.9 -> 3 (taken, drawn again), 0.0 -> 1, 0.5 -> 2.
        Script s{{0.9f, 0.9f, 0.0f, 0.5f}};
        QCOMPARE(Scramble::ScrambleIt(QStringLiteral("abc"), s.draw()), QStringLiteral("cab"));
        QCOMPARE(s.taken, 4);
    }

    void shuffleKeepsTheLettersAndTheirCase_data()
    {
        QTest::addColumn<QString>("word");
        QTest::newRow("mixed case") << QStringLiteral("MiSsIsSiPpI");
        QTest::newRow("repeated letters") << QStringLiteral("balloon");
        QTest::newRow("with blank and apostrophe") << QStringLiteral("can't stop");
        QTest::newRow("accented") << QStringLiteral("café");
        QTest::newRow("long") << QStringLiteral("Antidisestablishmentarianism");
    }
    void shuffleKeepsTheLettersAndTheirCase()
    {
        QFETCH(QString, word);
        for (int i = 0; i < 50; ++i) {
            const QString s = Scramble::ScrambleIt(word, programDraw());
            QCOMPARE(s.size(), word.size());
            QCOMPARE(sorted(s), sorted(word));
        }
    }

    void shuffleNeverTearsALetterApart()
    {
        const QString word = QStringLiteral("a") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("b");
        for (int i = 0; i < 30; ++i) {
            const QString s = Scramble::ScrambleIt(word, programDraw());
            QCOMPARE(s.toUcs4().size(), 3);
            QVERIFY(s.contains(QString::fromUcs4(U"\U0001F600")));
        }
        QCOMPARE(Scramble::firstLetter(QString::fromUcs4(U"\U0001F600x")), QString::fromUcs4(U"\U0001F600"));
    }

    void everyOrderComesOut()
    {
        QHash<QString, int> counts;
        for (int i = 0; i < 6000; ++i)
            ++counts[Scramble::ScrambleIt(QStringLiteral("abc"), programDraw())];
        QCOMPARE(counts.size(), 6);
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            QVERIFY2(it.value() > 850 && it.value() < 1150, qPrintable(it.key()));
    }

    void shortWords()
    {
        Script s{{0.7f}};
        QCOMPARE(Scramble::ScrambleIt(QStringLiteral("Q"), s.draw()), QStringLiteral("Q"));
        QCOMPARE(s.taken, 1);
        Script e{{0.3f}};
        QCOMPARE(Scramble::ScrambleIt(QString(), e.draw()), QString());
        QCOMPARE(e.taken, 1); // one draw, then the empty result is complete
        QCOMPARE(Scramble::firstLetter(QStringLiteral("Zebra")), QStringLiteral("Z"));
        QCOMPARE(Scramble::firstLetter(QString()), QString());
    }

    void praiseAtEveryTenth()
    {
        QList<int> praised;
        for (int score = 1; score <= 30; ++score)
            if (Scramble::earnsPraise(score))
                praised << score;
        QCOMPARE(praised, (QList<int>{10, 20, 30}));
    }
};

QTEST_GUILESS_MAIN(tst_GameRules)
#include "tst_gamerules.moc"
