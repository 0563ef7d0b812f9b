// A word's sentence in the test and study windows: word, sentence, word one after
// another in the background, cut off by any new sound, and the word alone when the
// sentence is missing or is not a sound.
#include "core/platform/appcontext.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

class TestSentences : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { Learning::registerWindows(); }
    void askAndRepeat_data();
    void askAndRepeat();
    void newSoundCutsTheChainOff();

  private:
    QString word, sentence;
    void setUp(TestEnv &env, const QString &kind)
    {
        env.makePrompts();
        env.makeTest(u"Test_Homophones"_s, {u"their"_s});
        env.context.selectTest(u"Test_Homophones"_s);
        word = env.context.TestDir() + u"their.wav"_s;
        sentence = env.context.TestDir() + u".sentences/their.wav"_s;
        QDir(env.context.TestDir()).mkdir(u".sentences"_s);
        if (kind == u"wave"_s)
            TestEnv::writeWave(sentence, 300);
        else if (kind == u"junk"_s) {
            QFile f(sentence);
            f.open(QIODevice::WriteOnly);
            f.write("RIFF, but no sound");
        } else if (kind == u"folder"_s)
            QDir(env.context.TestDir()).mkpath(u".sentences/their.wav"_s);
    }
};

void TestSentences::askAndRepeat_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("study"); // the study window instead of the test window
    QTest::newRow("test") << u"wave"_s << false;
    QTest::newRow("study") << u"wave"_s << true;
    QTest::newRow("none") << u""_s << false;
    QTest::newRow("not a sound") << u"junk"_s << false;
    QTest::newRow("a folder in its place") << u"folder"_s << true;
}

void TestSentences::askAndRepeat()
{
    QFETCH(QString, kind);
    QFETCH(bool, study);
    TestEnv env;
    setUp(env, kind);
    const QStringList expected = kind == u"wave"_s ? QStringList{word, sentence, word} : QStringList{word};
    if (study) {
        auto *w = qobject_cast<frmReview *>(Forms::show(Windows::Review));
        w->Timer1_Timer();
        QCOMPARE(env.sound.played().mid(1), expected); // after the start prompt
        return;
    }
    auto *w = qobject_cast<frmTest *>(Forms::show(Windows::Test));
    w->Timer1_Timer();
    QCOMPARE(env.sound.played().mid(1), expected);
    QCOMPARE(env.dialogs.boxes.size(), 0);
    env.sound.clear();
    QTest::mouseClick(w->btnRepeat, Qt::LeftButton); // "Repeat Word" repeats all of it
    QCOMPARE(env.sound.played(), expected);
}

void TestSentences::newSoundCutsTheChainOff()
{
    TestEnv env;
    setUp(env, u"wave"_s);
    auto *w = qobject_cast<frmTest *>(Forms::show(Windows::Test));
    env.sound.setDuration(word, 200);
    w->Timer1_Timer();
    env.sound.clear();
    QTest::keyClick(w->txtWord, Qt::Key_Return); // no answer: the "no word" prompt
    QTest::qWait(400);
    QCOMPARE(env.sound.played(), QStringList{env.appDir() + u"noword.wav"_s});
    // Repeat during the sentence: it starts again from the word, once.
    env.sound.setDuration(sentence, 200);
    env.sound.setDuration(word, 0);
    env.sound.clear();
    QTest::mouseClick(w->btnRepeat, Qt::LeftButton);
    QTest::mouseClick(w->btnRepeat, Qt::LeftButton);
    QTest::qWait(400);
    QCOMPARE(env.sound.played(), (QStringList{word, sentence, word, sentence, word}));
}

QTEST_MAIN(TestSentences)
#include "tst_sentences.moc"
