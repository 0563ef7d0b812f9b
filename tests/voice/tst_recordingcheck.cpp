// Listening to recordings: three made here by the computer voice, checked against a
// test's words as the authoring window checks a recorded word.
#include "testsupport.h"
#include "voice/computervoice.h"
#include "voice/recordingcheck.h"

#include <QElapsedTimer>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using RecordingCheck::Verdict;

class TstRecordingCheck : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void verdicts_data()
    {
        QTest::addColumn<QString>("said"); // what the recording says
        QTest::addColumn<QString>("word"); // the word it is the recording of
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("heard"); // "*": any words but the test's
        QTest::newRow("the right word") << u"elephant"_s << u"elephant"_s << int(Verdict::Says) << u""_s;
        QTest::newRow("another word of the test") << u"cat"_s << u"garden"_s << int(Verdict::OtherWord) << u"cat"_s;
        QTest::newRow("a word not in the test") << u"yellow"_s << u"house"_s << int(Verdict::NoWord) << u"*"_s;
    }

    void verdicts()
    {
        QFETCH(QString, said);
        QFETCH(QString, word);
        QFETCH(int, verdict);
        QFETCH(QString, heard);
        TestEnv env;
        const QString path = env.appDir() + said + u".wav"_s;
        QVERIFY(ComputerVoice::synthesize(said, path, nullptr));
        static const std::unique_ptr<RecordingCheck::Listener> listener = RecordingCheck::makeListener();
        listener->check(path, word, {}); // the model is loaded once, at the first check
        QElapsedTimer timer;
        timer.start();
        const QStringList words{u"cat"_s, u"house"_s, u"elephant"_s, u"garden"_s, u"their"_s};
        const RecordingCheck::Result r = listener->check(path, word, words);
        qInfo("\"%s\" as \"%s\": verdict %d, heard \"%s\", %lld ms", qPrintable(said), qPrintable(word), int(r.verdict),
              qPrintable(r.heard), timer.elapsed());
        QCOMPARE(int(r.verdict), verdict);
        if (heard == u"*"_s)
            QVERIFY(!r.heard.isEmpty() && !words.contains(r.heard));
        else
            QCOMPARE(r.heard, heard);
    }
};

QTEST_GUILESS_MAIN(TstRecordingCheck)
#include "tst_recordingcheck.moc"
