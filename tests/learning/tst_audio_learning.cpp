// A whole spelling test and a whole study session on the real sound engine, against
// a sound server whose "mic" records what its "speaker" plays.
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_device.h"
#include "learning/frmReview.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
class StubMenu final : public Form
{
  public:
    StubMenu() : Form(u"frmChoice"_s) {}
};

void waitMs(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Records the mic, i.e. everything the speaker plays, on a control of its own.
class Listener
{
  public:
    explicit Listener(const QString &path)
    {
        m_mic.FileName = path;
        m_mic.setCommand(u"Open"_s);
        m_mic.setCommand(u"Record"_s);
        waitMs(250); // the input is flowing before anything plays
    }
    // Milliseconds from the first to the last loud sample; 0 when all is silence.
    double heardMs(int tailMs = 300)
    {
        waitMs(tailMs);
        m_mic.setCommand(u"Stop"_s);
        const auto *device = qobject_cast<RealSoundDevice *>(m_mic.device());
        if (!device)
            return 0;
        const Pcm &pcm = device->sound();
        qint64 first = -1, last = -1;
        for (qint64 i = 0; i < pcm.frames() * pcm.channels; ++i)
            if (std::abs(int(pcm.samples()[i])) > 2000) {
                if (first < 0)
                    first = i;
                last = i;
            }
        return first < 0 ? 0 : double(last - first) / pcm.channels * 1000.0 / pcm.rate;
    }

  private:
    MMControl m_mic;
};

qint64 timed(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.elapsed();
}
} // namespace

class TestAudioLearning : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase();
    void wholeTest();
    void wholeStudySession();

  private:
    // Prompts and words as tones of known lengths.
    void makeSounds(TestEnv &env, const QStringList &words);
};

void TestAudioLearning::initTestCase()
{
    if (RealSoundEngine probe; !probe.hasOutput() || !probe.hasInput()) {
        if (!qEnvironmentVariableIsEmpty("CI"))
            QFAIL("no sound server: the real-audio tests must run in CI");
        QSKIP("no PulseAudio server with a speaker and a mic (see tests/support/pulse.sh)");
    }
    Forms::registerFactory(Windows::Choice, [] { return new StubMenu; });
    Learning::registerWindows();
}

void TestAudioLearning::makeSounds(TestEnv &env, const QStringList &words)
{
    env.makePrompts(); // 100 ms each
    TestEnv::writeWave(env.appDir() + u"starttest.wav"_s, 600);
    TestEnv::writeWave(env.appDir() + u"finishtest.wav"_s, 2000);
    TestEnv::writeWave(env.appDir() + u"brrrr.wav"_s, 500);
    TestEnv::writeWave(env.appDir() + u"spellwrong.wav"_s, 500);
    TestEnv::writeWave(env.appDir() + u"reviewcomplete.wav"_s, 700);
    env.makeTest(u"Test_Audio"_s, {});
    env.context.selectTest(u"Test_Audio"_s);
    for (const QString &w : words)
        TestEnv::writeWave(env.context.TestDir() + w + u".wav"_s, 400);
}

void TestAudioLearning::wholeTest()
{
    RealSoundEngine real; // outlives the windows that TestEnv closes
    TestEnv env;
    Sound::setEngine(&real);
    makeSounds(env, {u"ant"_s, u"bee"_s, u"cat"_s});

    auto *w = qobject_cast<frmTest *>(Forms::show(Windows::Test));
    QVERIFY(w);
    // The start prompt is heard to its end before the first word.
    const qint64 start = timed([w] { w->Timer1_Timer(); });
    QVERIFY2(start >= 600 && start < 1500, qPrintable(QString::number(start)));
    QCOMPARE(w->MMControl1->Error(), 0);
    QVERIFY(w->MMControl1->isPlaying()); // the first word, in the background
    QVERIFY(!QGuiApplication::overrideCursor());

    auto answer = [w](const QString &text) {
        QTest::keyClicks(w->txtWord, text);
        QTest::keyClick(w->txtWord, Qt::Key_Return);
    };
    answer(u"ant"_s);
    waitMs(100);
    answer(u"bea"_s); // cuts "bee" off and speaks "cat"
    QCOMPARE(w->lblProgress->text(), u"Word 3 of 3"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!w->MMControl1->isPlaying(), 2000);

    // The reaction cuts the two-second finish prompt off and is heard to its end.
    {
        Listener ear(env.appDir() + u"end.wav"_s);
        answer(u"cat"_s);
        QVERIFY(w->resultsShown());
        QCOMPARE(w->lblScore->text(), u"You scored a 66%"_s);
        QVERIFY(w->MMControl1->isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!w->MMControl1->isPlaying(), 3000);
        const double heard = ear.heardMs();
        QVERIFY2(heard > 400 && heard < 800, qPrintable(QString::number(heard)));
    }

    // The one missed word is replayed to its end, blocking the window meanwhile.
    {
        Listener ear(env.appDir() + u"missed.wav"_s);
        const qint64 replay = timed([w] { QTest::mouseClick(w->btnHearMissedWords, Qt::LeftButton); });
        QVERIFY2(replay >= 400 && replay < 1200, qPrintable(QString::number(replay)));
        const double heard = ear.heardMs();
        QVERIFY2(heard > 330 && heard < 700, qPrintable(QString::number(heard)));
    }
    QCOMPARE(w->MMControl1->Error(), 0);
    QVERIFY(!QGuiApplication::overrideCursor());

    QTest::mouseClick(w->btnExitResults, Qt::LeftButton);
    TestUi::settle();
    QVERIFY(!Forms::find(Windows::Test));
    QVERIFY(Forms::find(Windows::Choice));
}

void TestAudioLearning::wholeStudySession()
{
    RealSoundEngine real;
    TestEnv env;
    Sound::setEngine(&real);
    makeSounds(env, {u"Ant"_s, u"bee"_s});

    auto *w = qobject_cast<frmReview *>(Forms::show(Windows::Review));
    QVERIFY(w);
    QPointer<frmReview> window = w;
    const qint64 start = timed([w] { w->Timer1_Timer(); });
    QVERIFY2(start >= 600 && start < 1500, qPrintable(QString::number(start)));
    QCOMPARE(w->lblWord->text(), u"Ant"_s);
    QVERIFY(w->MMControl1->isPlaying());

    auto type = [w](const QString &text) {
        w->txtWord->clear();
        QTest::keyClicks(w->txtWord, text);
        QTest::keyClick(w->txtWord, Qt::Key_Return);
    };
    // A wrong copy: the prompt to its end, then the word again in the background.
    const qint64 wrong = timed([&] { type(u"ant"_s); });
    QVERIFY2(wrong >= 500 && wrong < 1300, qPrintable(QString::number(wrong)));
    QVERIFY(w->MMControl1->isPlaying());
    QCOMPARE(w->txtWord->text(), u"ant"_s);

    type(u" Ant "_s);
    QCOMPARE(w->lblWord->text(), u"bee"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!w->MMControl1->isPlaying(), 2000);

    // The last copy: "Review Complete" is heard to its end, then back to the menu.
    Listener ear(env.appDir() + u"complete.wav"_s);
    const qint64 done = timed([&] { type(u"bee"_s); });
    QVERIFY2(done >= 700 && done < 1500, qPrintable(QString::number(done)));
    const double heard = ear.heardMs();
    QVERIFY2(heard > 600 && heard < 1000, qPrintable(QString::number(heard)));
    TestUi::settle();
    QVERIFY(!window);
    QVERIFY(Forms::find(Windows::Choice));
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestAudioLearning)
#include "tst_audio_learning.moc"
