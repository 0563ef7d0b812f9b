#include "core/platform/appstate.h"

#include <QCoreApplication>

namespace Shared
{

QString programFolder()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

void setAppDir(const QString &folder)
{
    AppDir = folder;
    if (!AppDir.endsWith(QLatin1Char('/')))
        AppDir += QLatin1Char('/');
}

} // namespace Shared
