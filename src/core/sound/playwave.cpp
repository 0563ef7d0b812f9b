#include "core/sound/playwave.h"

#include "core/sound/mmcontrol.h"

#include <QCursor>
#include <QGuiApplication>

namespace Module1
{

void PlayWave(MMControl &control, const QString &path, bool wait, double speed)
{
    control.Notify = false;
    control.Shareable = false;
    control.DeviceType = QStringLiteral("WaveAudio");
    control.setCommand(QStringLiteral("Close")); // cuts off this window's previous sound
    control.FileName = path;
    control.Wait = true;
    control.setCommand(QStringLiteral("Open"));
    control.Wait = wait;
    control.Speed = speed;
    if (wait)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    control.setCommand(QStringLiteral("Play"));
    if (wait)
        QGuiApplication::restoreOverrideCursor();
}

} // namespace Module1
