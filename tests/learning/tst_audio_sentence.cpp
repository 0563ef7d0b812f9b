// Word, sentence, word heard on a real sound server whose "mic" records what its
// "speaker" plays: the three sounds follow each other without the window waiting.
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/sound/mmcontrol.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_device.h"
#include "learning/frmTest.h"
#include "learning/register.h"
#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAudioSentence : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void wordSentenceWordHeard();
};

void TestAudioSentence::wordSentenceWordHeard()
{
    if (RealSoundEngine probe; !probe.hasOutput() || !probe.hasInput()) {
        if (!qEnvironmentVariableIsEmpty("CI"))
            QFAIL("no sound server: the real-audio tests must run in CI");
        QSKIP("no PulseAudio server with a speaker and a mic (see tests/support/pulse.sh)");
    }
    Learning::registerWindows();
    RealSoundEngine real; // outlives the windows that TestEnv closes
    TestEnv env;
    Sound::setEngine(&real);
    env.makePrompts();
    env.makeTest(u"Test_Audio"_s, {});
    env.context.selectTest(u"Test_Audio"_s);
    TestEnv::writeWave(env.context.TestDir() + u"their.wav"_s, 400);
    QDir(env.context.TestDir()).mkdir(u".sentences"_s);
    TestEnv::writeWave(env.context.TestDir() + u".sentences/their.wav"_s, 700);

    MMControl mic;
    mic.FileName = env.appDir() + u"heard.wav"_s;
    mic.setCommand(u"Open"_s);
    mic.setCommand(u"Record"_s);
    QTest::qWait(250); // the input flows before anything plays

    auto *w = qobject_cast<frmTest *>(Forms::show(Windows::Test));
    QElapsedTimer clock;
    clock.start();
    w->Timer1_Timer();
    const qint64 asked = clock.elapsed();
    QVERIFY2(asked < 400, qPrintable(QString::number(asked))); // the window did not wait
    QTRY_VERIFY_WITH_TIMEOUT(!w->MMControl1->isPlaying() && clock.elapsed() > 1500, 4000);
    QTest::qWait(300);
    mic.setCommand(u"Stop"_s);

    // Loud sound from the first to the last: 400 + 700 + 400 ms and the gaps between.
    const auto *device = qobject_cast<RealSoundDevice *>(mic.device());
    QVERIFY(device);
    const Pcm &pcm = device->sound();
    qint64 first = -1, last = -1, loud = 0;
    for (qint64 i = 0; i < pcm.frames() * pcm.channels; ++i)
        if (std::abs(int(pcm.samples()[i])) > 2000) {
            first = first < 0 ? i : first;
            last = i;
            ++loud;
        }
    const double spanMs = first < 0 ? 0 : double(last - first) / pcm.channels * 1000.0 / pcm.rate;
    const double loudMs = double(loud) / pcm.channels * 1000.0 / pcm.rate;
    QVERIFY2(spanMs > 1450 && spanMs < 2600, qPrintable(QString::number(spanMs)));
    QVERIFY2(loudMs > 1000, qPrintable(QString::number(loudMs)));
    w->close();
}

QTEST_MAIN(TestAudioSentence)
#include "tst_audio_sentence.moc"
