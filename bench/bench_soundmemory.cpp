// Peak resident memory of the real sound engine for one word or prompt file, for files
// whose headers claim long or wide sounds. The files are written here (sparse: a claim
// of hours costs no disk). Each file gets a fresh process, which opens it on a
// control as a window does, plays it for two seconds, closes it, and then streams the
// whole sound through the decoder, as a play to its end would. The process reports the
// time Open took and its peak resident memory (getrusage) before and after.
//
//   bench_soundmemory        (uses $PULSE_SERVER, or starts a private server)
#include "core/sound/mmcontrol.h"
#include "core/sound/realengine.h"
#include "core/sound/sound_pcm.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace
{

struct Case {
    const char *name;
    int rate;
    int channels;
    qint64 seconds;
};

// A 16-bit PCM wave header claiming that much sound; the data is a hole.
bool writeSparseWave(const QString &path, const Case &c)
{
    const auto le32 = [](quint32 v) {
        return QByteArray(reinterpret_cast<const char *>(&(v = qToLittleEndian(v))), 4);
    };
    const auto le16 = [](quint16 v) {
        return QByteArray(reinterpret_cast<const char *>(&(v = qToLittleEndian(v))), 2);
    };
    const qint64 bytes = c.seconds * c.rate * c.channels * 2;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("RIFF" + le32(quint32(36 + bytes)) + "WAVEfmt " + le32(16) + le16(1) + le16(quint16(c.channels)) +
            le32(quint32(c.rate)) + le32(quint32(c.rate * c.channels * 2)) + le16(quint16(c.channels * 2)) + le16(16) +
            "data" + le32(quint32(bytes)));
    return f.resize(44 + bytes);
}

double peakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

void spin(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

int measure(int argc, char *argv[], const Case &c, const QString &path)
{
    QApplication app(argc, argv);
    RealSoundEngine engine;
    Sound::setEngine(&engine);
    const bool server = engine.hasOutput();
    double before = 0, openMs = 0;
    bool refused = false, played = false;
    qint64 streamed = 0;
    {
        MMControl control;
        spin(200);
        before = peakMb();
        control.FileName = path;
        QElapsedTimer t;
        t.start();
        control.setCommand(QStringLiteral("Open"));
        openMs = double(t.nsecsElapsed()) / 1e6;
        refused = control.Error() != 0;
        control.setCommand(QStringLiteral("Play"));
        played = control.isPlaying();
        spin(2000);
        control.setCommand(QStringLiteral("Close"));

        SoundFile::Reader reader;
        QString error;
        if (reader.open(path, error)) {
            std::vector<qint16> block(size_t(2048 * reader.channels()));
            for (qint64 got = 1; got > 0; streamed += got)
                got = reader.read(block.data(), 2048);
        }
    }
    Sound::setEngine(nullptr);
    std::printf("%-30s %8.2f ms  %-8s %-6s %8.1f s  %7.1f MB  %7.1f MB%s\n", c.name, openMs,
                refused ? "refused" : "opened", played ? "played" : "-", double(streamed) / c.rate, before, peakMb(),
                server ? "" : "  (no sound server)");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const Case cases[] = {
        {"24 hours at 1 kHz, mono", 1000, 1, 24 * 3600}, {"5 minutes at 22050 Hz, mono", 22050, 1, 300},
        {"5 minutes at 48 kHz, stereo", 48000, 2, 300},  {"5 minutes at 384 kHz, stereo", 384000, 2, 300},
        {"5 minutes at 48 kHz, 64 ch", 48000, 64, 300},  {"5 minutes 1 s at 48 kHz, 64 ch", 48000, 64, 301},
    };
    QTemporaryDir dir;
    QTemporaryDir pulseDir(QDir::tempPath() + QStringLiteral("/bench-pulse-XXXXXX"));
    const QString pulseScript =
        QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("../tests/support/pulse.sh"));
    const bool ownServer = qEnvironmentVariableIsEmpty("PULSE_SERVER");
    if (ownServer && QProcess::execute(pulseScript, {QStringLiteral("start"), pulseDir.path()}) == 0) {
        qputenv("XDG_RUNTIME_DIR", pulseDir.path().toLocal8Bit());
        qputenv("PULSE_SERVER", "unix:" + pulseDir.path().toLocal8Bit() + "/pulse/native");
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::printf("%-30s %11s  %-15s %10s  %10s  %10s\n", "file", "Open", "", "streamed", "peak before", "peak after");
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("word.wav"));
        if (!writeSparseWave(path, c)) {
            std::printf("%s: cannot write the file\n", c.name);
            continue;
        }
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0)
            _exit(measure(argc, argv, c, path));
        int status = 0;
        waitpid(child, &status, 0);
        QFile::remove(path);
    }
    if (ownServer)
        QProcess::execute(pulseScript, {QStringLiteral("stop"), pulseDir.path()});
    return 0;
}
