// The arcade games' rules without windows, driven by scripted and seeded draws.
#include "arcade/gamerules.h"
#include "core/platform/rnd.h"

#include <QTest>

#include <algorithm>

using namespace Arcade;

namespace
{
// Draws that return the given values in turn, counting how many were taken.
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
        for (int i = 0; i < 4; ++i)
            seen << *first.next(words, false, {}, programDraw());
        QCOMPARE(seen.join(QLatin1Char(',')), QStringLiteral("cat,dog,emu,cat"));
        QCOMPARE(*second.next(words, false, {}, programDraw()), QStringLiteral("cat")); // its own position
        // A list read afresh that became shorter than the position starts over.
        first.SequencePos = 2;
        QCOMPARE(*first.next(words.mid(0, 2), false, {}, programDraw()), QStringLiteral("cat"));
        QVERIFY(!first.next({}, true, QStringLiteral("cat"), programDraw()));
        QVERIFY(!hasPlayableWord({QString()}));
    }

    void randomDrawsUntilTheWordDiffers()
    {
        const QStringList words{QStringLiteral("cat"), QStringLiteral("dog"), QStringLiteral("Cat")};
        Script s{{0.0f, 0.34f, 0.99999994f}};
        WordOrder order;
        // Int(3 * 0.0) = 0 is the previous word: drawn again, Int(3 * 0.34) = 1.
        QCOMPARE(*order.next(words, true, QStringLiteral("cat"), s.draw()), QStringLiteral("dog"));
        QCOMPARE(s.taken, 2);
        // Case-sensitive: "Cat" differs from "cat"; the largest draw stays in the list.
        QCOMPARE(*order.next(words, true, QStringLiteral("cat"), s.draw()), QStringLiteral("Cat"));

        QString previous;
        for (int i = 0; i < 500; ++i) {
            const QString w = *order.next(words, true, previous, programDraw());
            QVERIFY(w != previous);
            previous = w;
        }
        // No word differs from the previous one: it repeats instead of drawing for ever.
        QCOMPARE(*order.next({QStringLiteral("cat")}, true, QStringLiteral("cat"), programDraw()),
                 QStringLiteral("cat"));
        QCOMPARE(*order.next({QStringLiteral("a"), QStringLiteral("a")}, true, QStringLiteral("a"), programDraw()),
                 QStringLiteral("a"));
    }

    void columnOfADraw_data()
    {
        QTest::addColumn<float>("r");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("umbrella");
        QTest::newRow("0 -> left") << 0.0f << 0 << 0;
        QTest::newRow("just under a third -> left") << 0.333f << 0 << 0;
        QTest::newRow("a third -> right") << 0.34f << 1 << 2;
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

    void levels()
    {
        QCOMPARE(Rain::levelInterval(0, 777), 1200);
        QCOMPARE(Rain::levelInterval(4, 777), 200);
        QCOMPARE(Rain::levelInterval(-1, 777), 777); // no selection keeps the interval
        QCOMPARE(Rain::levelInterval(5, 777), 777);
    }

    void aWordLandsOnTheTwelfthTick()
    {
        QCOMPARE(Rain::ticksToLand(), 12);
        float top = 0;
        for (int tick = 1; tick <= 11; ++tick)
            top = Rain::fall(top);
        QVERIFY(!Rain::hasLanded(top));
        top = Rain::fall(top);
        QCOMPARE(top, 5040.0f);
        QVERIFY(Rain::hasLanded(top));              // bottom 5460, the first at or below 5235
        QVERIFY(Rain::hasLanded(5235.0f - 420.0f)); // touching the line counts
        QVERIFY(!Rain::hasLanded(5235.0f - 420.5f));
    }

    void catchIsExact_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("caught");
        QTest::addColumn<bool>("enterClears");
        QTest::newRow("the word") << QStringLiteral("Sun") << true << false;
        QTest::newRow("other case") << QStringLiteral("sun") << false << true;
        QTest::newRow("surrounding blanks") << QStringLiteral("  Sun ") << false << false;
        QTest::newRow("part of it") << QStringLiteral("Su") << false << true;
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
        QCOMPARE(u.land(2), Rain::Umbrellas::Landing::KnockedAway);
        QVERIFY(!u.isUp(2) && u.isUp(0) && u.isUp(1));
        // Where the umbrella is gone the game is lost, other umbrellas or not.
        QCOMPARE(u.land(2), Rain::Umbrellas::Landing::GameOver);
        QCOMPARE(u.upCount(), 2);
    }

    void scoreText()
    {
        QCOMPARE(Arcade::scoreText(0), QStringLiteral(" 0"));
        QCOMPARE(Arcade::scoreText(12), QStringLiteral(" 12"));
        QCOMPARE(Arcade::scoreText(-3), QStringLiteral("-3"));
    }

    void shuffleFollowsTheDrawnPositions()
    {
        // "abc": Int(3r + 1) for 0.9 -> 3, 0.9 -> 3 (taken: drawn again), 0.0 -> 1, 0.5 -> 2.
        Script s{{0.9f, 0.9f, 0.0f, 0.5f}};
        QCOMPARE(Scramble::ScrambleIt(QStringLiteral("abc"), s.draw()), QStringLiteral("cab"));
        QCOMPARE(s.taken, 4);
        Script one{{0.7f}};
        QCOMPARE(Scramble::ScrambleIt(QStringLiteral("Q"), one.draw()), QStringLiteral("Q"));
        Script empty{{0.3f}};
        QCOMPARE(Scramble::ScrambleIt(QString(), empty.draw()), QString());
        QCOMPARE(empty.taken, 1); // one draw, then the empty result is complete
    }

    void shuffleKeepsTheLettersAndTheirCase_data()
    {
        QTest::addColumn<QString>("word");
        QTest::newRow("mixed case") << QStringLiteral("MiSsIsSiPpI");
        QTest::newRow("blank and apostrophe") << QStringLiteral("can't stop");
        QTest::newRow("outside the basic plane")
            << QStringLiteral("a") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("b");
    }
    void shuffleKeepsTheLettersAndTheirCase()
    {
        QFETCH(QString, word);
        for (int i = 0; i < 50; ++i) {
            const QString s = Scramble::ScrambleIt(word, programDraw());
            QCOMPARE(s.toUcs4().size(), word.toUcs4().size()); // no letter torn apart
            QCOMPARE(sorted(s), sorted(word));
        }
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
};

QTEST_GUILESS_MAIN(tst_GameRules)
#include "tst_gamerules.moc"
