// The marking rules of the spelling test, without a window.
#include "core/run/scoring.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestScoring : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void bands_data();
    void bands();
    void marking_data();
    void marking();
    void padding();
};

void TestScoring::bands_data()
{
    QTest::addColumn<int>("right");
    QTest::addColumn<int>("total");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("sound");
    QTest::addColumn<bool>("smiley");
    QTest::newRow("100") << 7 << 7 << 100 << u"whoopie.wav"_s << true;
    QTest::newRow("99") << 99 << 100 << 99 << u"pretty_good.wav"_s << false;
    QTest::newRow("95 truncated from 19/20") << 19 << 20 << 95 << u"pretty_good.wav"_s << false;
    QTest::newRow("91") << 91 << 100 << 91 << u"pretty_good.wav"_s << false;
    QTest::newRow("90") << 9 << 10 << 90 << u"keep_trying.wav"_s << false;
    QTest::newRow("81") << 81 << 100 << 81 << u"keep_trying.wav"_s << false;
    QTest::newRow("80") << 4 << 5 << 80 << u"brrrr.wav"_s << false;
    QTest::newRow("66 truncated from 2/3") << 2 << 3 << 66 << u"brrrr.wav"_s << false;
    QTest::newRow("0") << 0 << 3 << 0 << u"brrrr.wav"_s << false;
}

void TestScoring::bands()
{
    QFETCH(int, right);
    QFETCH(int, total);
    QFETCH(int, percent);
    QFETCH(QString, sound);
    QFETCH(bool, smiley);
    QCOMPARE(Scoring::percent(right, total), percent);
    const Scoring::Reaction r = Scoring::reaction(percent);
    QCOMPARE(r.sound, sound);
    QCOMPARE(r.smiley, smiley);
}

void TestScoring::marking_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("percent"); // -1: no score

    QTest::newRow("case ignored") << QStringList{u"CAT"_s, u"Dog"_s, u"a"_s} << QStringList{u"cat"_s, u"dog"_s, u"A"_s}
                                  << QStringList{u"CAT"_s, u"Dog"_s, u"a"_s} << 100;
    QTest::newRow("inner space counts") << QStringList{u"ice cream"_s, u"icecream"_s}
                                        << QStringList{u"icecream"_s, u"icecream"_s}
                                        << QStringList{u"ice cream  XXX"_s, u"icecream"_s} << 50;
    QTest::newRow("outer spaces of both ignored")
        << QStringList{u" cat  "_s} << QStringList{u"  cat"_s} << QStringList{u" cat  "_s} << 100;
    QTest::newRow("2 of 3") << QStringList{u"cat"_s, u"dgo"_s, u"bird"_s} << QStringList{u"cat"_s, u"dog"_s, u"bird"_s}
                            << QStringList{u"cat"_s, u"dgo  XXX"_s, u"bird"_s} << 66;
    QTest::newRow("unanswered rows") << QStringList{u"cat"_s, u"dog"_s, u" "_s, u" "_s, u" "_s}
                                     << QStringList{u"cat"_s, u"dog"_s, u"ant"_s, u"bee"_s, u"emu"_s}
                                     << QStringList{u"cat"_s, u"dog"_s, u"   XXX"_s, u"   XXX"_s, u"   XXX"_s} << 40;
    QTest::newRow("no words") << QStringList{u"zebra"_s} << QStringList{} << QStringList{u"zebra"_s} << -1;
}

void TestScoring::marking()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, words);
    QFETCH(QStringList, rows);
    QFETCH(int, percent);
    const Scoring::Result r = Scoring::score(answers, words);
    QCOMPARE(r.rows, rows);
    QCOMPARE(r.total, words.size());
    for (int i = 0; i < rows.size(); ++i)
        QCOMPARE(r.missed.value(i), rows.at(i).endsWith(Scoring::WrongMarker));
    QCOMPARE(r.percent.value_or(-1), percent);
}

void TestScoring::padding()
{
    QCOMPARE(Scoring::padAnswers({u"a"_s}, 3), (QStringList{u"a"_s, u" "_s, u" "_s}));
    QCOMPARE(Scoring::padAnswers({}, 0), QStringList{});
    QCOMPARE(Scoring::trimSpaces(QStringLiteral("  a b  ")), QStringLiteral("a b"));
}

QTEST_GUILESS_MAIN(TestScoring)
#include "tst_scoring.moc"
