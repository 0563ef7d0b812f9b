// A test run, a study session and a practice session as models, without a window: what
// they record, how they score, and what a finished or stopped run tells afterwards.
#include "core/run/practicesession.h"
#include "core/run/runlist.h"
#include "core/run/testrun.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestRunModel : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void run_data();
    void run();
    void scoredOnce();
    void study_data();
    void study();
    void practice_data();
    void practice();
    void listFollowsTheRun();
};

void TestRunModel::run_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QStringList>("typed"); // then stopped, unless every word had an answer
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("missed");
    QTest::addColumn<int>("percent"); // -1: none

    const QStringList abc{u"ant"_s, u"bee"_s, u"cat"_s};
    QTest::newRow("all answered") << abc << QStringList{u" Ant "_s, u"be e"_s, u"CAT"_s}
                                  << QStringList{u"Ant"_s, u"be e"_s, u"CAT"_s}
                                  << QStringList{u"Ant"_s, u"be e  XXX"_s, u"CAT"_s} << QStringList{u"bee"_s} << 66;
    QTest::newRow("blank answers are not recorded")
        << abc << QStringList{u""_s, u"   "_s, u"ant"_s} << QStringList{u"ant"_s}
        << QStringList{u"ant"_s, u"   XXX"_s, u"   XXX"_s} << QStringList{u"bee"_s, u"cat"_s} << 33;
    QTest::newRow("stopped before any answer")
        << abc << QStringList{} << QStringList{} << QStringList(3, u"   XXX"_s) << abc << 0;
    QTest::newRow("no words, one answer") << QStringList{} << QStringList{u"zebra"_s} << QStringList{u"zebra"_s}
                                          << QStringList{u"zebra"_s} << QStringList{} << -1;
}

void TestRunModel::run()
{
    QFETCH(QStringList, words);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, missed);
    QFETCH(int, percent);

    TestRun r(words);
    for (const QString &t : typed) {
        const int before = r.wordIndex();
        QCOMPARE(r.answer(t), !t.trimmed().isEmpty());
        QCOMPARE(r.wordIndex(), before + (t.trimmed().isEmpty() ? 0 : 1));
    }
    QCOMPARE(r.answers(), answers);
    QCOMPARE(r.allAnswered(), answers.size() >= words.size());
    QVERIFY(r.rows().isEmpty());
    r.score();
    QCOMPARE(r.rows(), rows);
    QCOMPARE(r.missedWords(), missed);
    QCOMPARE(r.rightCount(), words.size() - missed.size());
    QCOMPARE(r.percent().value_or(-1), percent);
    QCOMPARE(r.stoppedEarly(), answers.size() < words.size());
}

void TestRunModel::scoredOnce()
{
    TestRun r({u"ant"_s, u"bee"_s});
    QVERIFY(r.answer(u"ant"_s));
    r.score();
    // A run over takes no answer, no restart and no second scoring.
    QVERIFY(!r.answer(u"bee"_s));
    r.restart();
    r.score();
    QCOMPARE(r.answers(), QStringList{u"ant"_s});
    QCOMPARE(r.rows(), (QStringList{u"ant"_s, u"   XXX"_s}));
    QCOMPARE(r.wordIndex(), 1);
}

void TestRunModel::study_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<QStringList>("copies");
    QTest::addColumn<QString>("verdicts"); // E empty, W wrong, R right
    QTest::addColumn<QList<int>>("wrong");
    QTest::addColumn<bool>("complete");

    QTest::newRow("exact copies, outer spaces ignored")
        << QStringList{u"Ant"_s, u"bee"_s} << QStringList{u" Ant "_s, u"bee"_s} << u"RR"_s << QList<int>{0, 0} << true;
    QTest::newRow("case and inner spaces count")
        << QStringList{u"Ant"_s, u"bee"_s} << QStringList{u"ant"_s, u"A nt"_s, u"  "_s, u"Ant"_s, u"BEE"_s}
        << u"WWERW"_s << QList<int>{2, 1} << false;
    QTest::newRow("no words: nothing is right")
        << QStringList{} << QStringList{u"x"_s} << u"W"_s << QList<int>{} << false;
}

void TestRunModel::study()
{
    QFETCH(QStringList, words);
    QFETCH(QStringList, copies);
    QFETCH(QString, verdicts);
    QFETCH(QList<int>, wrong);
    QFETCH(bool, complete);

    StudySession s(words);
    // Before the start no word is being studied: even the first word is no copy.
    if (!words.isEmpty()) {
        QCOMPARE(s.copy(words.first()), StudySession::Copy::Wrong);
        QCOMPARE(s.copiedCount(), 0);
    }
    s.start();
    QString seen;
    for (const QString &c : copies) {
        const StudySession::Copy v = s.copy(c);
        seen += v == StudySession::Copy::Empty ? u'E' : v == StudySession::Copy::Wrong ? u'W' : u'R';
    }
    QCOMPARE(seen, verdicts);
    QCOMPARE(s.wrongCopies(), wrong);
    QCOMPARE(s.isComplete(), complete);
    QCOMPARE(s.copiedCount(), int(verdicts.count(u'R')));
}

void TestRunModel::practice_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("steps"); // "?": a hint; "|": the word is covered again
    QTest::addColumn<QString>("seen");      // E empty, W wrong, R right, D done; a hint: what it shows
    QTest::addColumn<int>("tries");

    QTest::newRow("right twice in a row") << u"cat"_s << QStringList{u"cat"_s, u" CAT "_s} << u"RD"_s << 2;
    QTest::newRow("a wrong write starts again")
        << u"cat"_s << QStringList{u"cat"_s, u"kat"_s, u""_s, u"cat"_s, u"cat"_s} << u"RWERD"_s << 4;
    QTest::newRow("a hint asks for one more")
        << u"cat"_s << QStringList{u"?"_s, u"cat"_s, u"cat"_s, u"cat"_s} << u"[c _ _]RRD"_s << 3;
    QTest::newRow("hints show the next letter, never the last")
        << u"cat"_s << QStringList{u"?"_s, u"?"_s, u"?"_s, u"|"_s, u"?"_s} << u"[c _ _][c a _]-[c _ _]"_s << 0;
    QTest::newRow("two hints ask for one more too")
        << u"cat"_s << QStringList{u"cat"_s, u"?"_s, u"?"_s, u"cat"_s, u"cat"_s} << u"R[c _ _][c a _]RD"_s << 3;
    QTest::newRow("letters with marks, spaces kept")
        << u"e\u0301t e"_s << QStringList{u"?"_s, u"?"_s} << u"[e\u0301 _   _][e\u0301 t   _]"_s << 0;
    QTest::newRow("one letter: no hint") << u"I"_s << QStringList{u"?"_s, u"i"_s, u"I"_s} << u"-RD"_s << 2;
}

void TestRunModel::practice()
{
    QFETCH(QString, word);
    QFETCH(QStringList, steps);
    QFETCH(QString, seen);
    QFETCH(int, tries);

    PracticeSession s({word, u"next"_s});
    s.start();
    QString got;
    for (const QString &step : steps) {
        if (step == u"|") {
            s.cover();
        } else if (step == u"?") {
            got += s.hint() ? u'[' + s.hintPattern() + u']' : u"-"_s;
        } else {
            const PracticeSession::Write v = s.write(step);
            got += u"EWRD"_s.at(int(v));
        }
    }
    QCOMPARE(got, seen);
    const PracticeSession::Word &w = s.words().first();
    QCOMPARE(w.tries, tries);
    QCOMPARE(w.done, seen.endsWith(u'D'));
    QCOMPARE(s.currentWord(), w.done ? u"next"_s : word);
}

void TestRunModel::listFollowsTheRun()
{
    TestRun r({u"ant"_s, u"bee"_s});
    RunList answers(r, RunList::Shows::Answers);
    RunList rows(r, RunList::Shows::Rows);
    QSignalSpy inserted(&answers, &QAbstractItemModel::rowsInserted);
    r.answer(u"Ant"_s);
    answers.refresh();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(answers.rowCount(), 1);
    QCOMPARE(answers.index(0).data().toString(), u"Ant"_s);
    QCOMPARE(rows.rowCount(), 0);
    r.score();
    rows.refresh();
    QCOMPARE(rows.rowCount(), 2);
    QCOMPARE(rows.index(1).data().toString(), u"   XXX"_s);
}

QTEST_GUILESS_MAIN(TestRunModel)
#include "tst_testrun.moc"
