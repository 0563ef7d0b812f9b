// A word's sentence in the test and study windows: word, sentence, word one after
// another in the background, cut off by any new sound, and nothing more when the
// sentence is missing or is not a sound.
#include "core/platform/appstate.h"
#include "core/platform/forms.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSentences : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { Learning::registerWindows(); }
    void askPlaysWordSentenceWord_data();
    void askPlaysWordSentenceWord();
    void newSoundCutsTheChainOff();
    void studyShowsWordSentenceWord();
};

namespace
{
QString setUp(TestEnv &env, const QString &sentence)
{
    env.makePrompts();
    Shared::TestName = u"Test_Homophones"_s;
    Shared::TestDir = env.makeTest(Shared::TestName, {u"their"_s});
    if (sentence == u"wave"_s) {
        QDir(Shared::TestDir).mkdir(u".sentences"_s);
        TestEnv::writeWave(Shared::TestDir + u".sentences/their.wav"_s, 300);
    } else if (sentence == u"junk"_s) {
        QDir(Shared::TestDir).mkdir(u".sentences"_s);
        QFile f(Shared::TestDir + u".sentences/their.wav"_s);
        f.open(QIODevice::WriteOnly);
        f.write("RIFF not a sound at all");
    } else if (sentence == u"folder"_s) {
        QDir(Shared::TestDir).mkpath(u".sentences/their.wav"_s);
    }
    return Shared::TestDir;
}
} // namespace

void TestSentences::askPlaysWordSentenceWord_data()
{
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<int>("plays"); // of the word and its sentence, per ask
    QTest::newRow("a sentence") << u"wave"_s << 3;
    QTest::newRow("none") << u""_s << 1;
    QTest::newRow("not a sound") << u"junk"_s << 1;
    QTest::newRow("a folder in its place") << u"folder"_s << 1;
}

void TestSentences::askPlaysWordSentenceWord()
{
    QFETCH(QString, sentence);
    QFETCH(int, plays);
    TestEnv env;
    const QString dir = setUp(env, sentence);
    auto *w = qobject_cast<frmTest *>(Forms::show(Windows::Test));
    w->Timer1_Timer();
    const QStringList expected =
        QStringList{dir + u"their.wav"_s, dir + u".sentences/their.wav"_s, dir + u"their.wav"_s}.mid(0, plays);
    QStringList played = env.sound.played();
    played.removeFirst(); // the start prompt
    QCOMPARE(played, expected);
    QCOMPARE(env.dialogs.boxes.size(), 0);

    // "Repeat Word" repeats all of it.
    env.sound.clear();
    QTest::mouseClick(w->btnRepeat, Qt::LeftButton);
    QCOMPARE(env.sound.played(), expected);
    w->close();
}

void TestSentences::newSoundCutsTheChainOff()
{
    TestEnv env;
    const QString dir = setUp(env, u"wave"_s);
    auto *w = qobject_cast<frmTest *>(Forms::show(Windows::Test));
    env.sound.setDuration(dir + u"their.wav"_s, 200);
    w->Timer1_Timer();
    // The word still plays when the child's answer asks for the "no word" prompt.
    env.sound.clear();
    QTest::keyClick(w->txtWord, Qt::Key_Return);
    QTest::qWait(400);
    QCOMPARE(env.sound.played(), QStringList{env.appDir() + u"noword.wav"_s});

    // Repeat during the sentence: it starts again from the word, once.
    env.sound.setDuration(dir + u".sentences/their.wav"_s, 200);
    env.sound.setDuration(dir + u"their.wav"_s, 0);
    env.sound.clear();
    QTest::mouseClick(w->btnRepeat, Qt::LeftButton);
    QTest::mouseClick(w->btnRepeat, Qt::LeftButton);
    QTest::qWait(400);
    QCOMPARE(env.sound.played(),
             (QStringList{dir + u"their.wav"_s, dir + u".sentences/their.wav"_s, dir + u"their.wav"_s,
                          dir + u".sentences/their.wav"_s, dir + u"their.wav"_s}));
    w->close();
}

void TestSentences::studyShowsWordSentenceWord()
{
    TestEnv env;
    const QString dir = setUp(env, u"wave"_s);
    env.sound.setDuration(dir + u".sentences/their.wav"_s, 100);
    auto *w = qobject_cast<frmReview *>(Forms::show(Windows::Review));
    w->Timer1_Timer();
    QCOMPARE(env.sound.played().mid(1), (QStringList{dir + u"their.wav"_s, dir + u".sentences/their.wav"_s}));
    QTRY_COMPARE(env.sound.played().mid(1),
                 (QStringList{dir + u"their.wav"_s, dir + u".sentences/their.wav"_s, dir + u"their.wav"_s}));
    w->close();
}

QTEST_MAIN(TestSentences)
#include "tst_sentences.moc"
