#include "core/sound/sound_audio.h"

#include <QAudioSink>
#include <QAudioSource>
#include <QList>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace
{
QList<QPointer<QObject>> &retired()
{
    static QList<QPointer<QObject>> list;
    return list;
}
constexpr int RetireDelayMs = 2000;
} // namespace

namespace SoundAudio
{

QAudioFormat int16Format(int rate, int channels)
{
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(QAudioFormat::Int16);
    return f;
}

QString errorText(QAudio::Error error)
{
    switch (error) {
    case QAudio::OpenError:
        return QStringLiteral("The sound device could not be opened.");
    case QAudio::IOError:
        return QStringLiteral("The sound device failed.");
    case QAudio::UnderrunError:
        return QStringLiteral("The sound device ran out of data.");
    case QAudio::FatalError:
        return QStringLiteral("The sound server is not available.");
    case QAudio::NoError:
        break;
    }
    return QStringLiteral("The sound device stopped.");
}

void retire(QObject *audio, QObject *owner)
{
    if (!audio)
        return;
    QObject::disconnect(audio, nullptr, owner, nullptr);
    if (auto *sink = qobject_cast<QAudioSink *>(audio))
        sink->stop();
    else if (auto *source = qobject_cast<QAudioSource *>(audio))
        source->stop();
    audio->setParent(nullptr);
    retired().removeAll(nullptr);
    retired().append(audio);
    QTimer::singleShot(RetireDelayMs, audio, [audio] {
        retired().removeAll(audio);
        audio->deleteLater();
    });
}

void deleteRetired()
{
    const QList<QPointer<QObject>> all = retired();
    retired().clear();
    if (all.isEmpty())
        return;
    QThread::msleep(50); // the server's last word on a stream just closed
    for (const QPointer<QObject> &o : all)
        delete o.data();
}

} // namespace SoundAudio
