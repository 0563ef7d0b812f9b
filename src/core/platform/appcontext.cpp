#include "core/platform/appcontext.h"

#include <QCoreApplication>

namespace ProgramFolder
{
namespace
{
QString &folder()
{
    static QString f;
    return f;
}
} // namespace

QString path()
{
    return folder();
}

QString ofExecutable()
{
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

void fix(const QString &f)
{
    folder() = f;
    if (!folder().endsWith(QLatin1Char('/')))
        folder() += QLatin1Char('/');
}
} // namespace ProgramFolder

AppContext::AppContext(SoundEngine *soundEngine, DialogService *dialogService, ProgramHistory &programHistory)
    : AppDir(ProgramFolder::path()), sound(soundEngine), dialogs(dialogService), history(programHistory)
{
}

void AppContext::selectTest(const QString &name)
{
    m_testName = name;
    m_testDir = AppDir + name + QLatin1Char('/');
}

void AppContext::selectTest(const QString &name, const QStringList &words)
{
    selectTest(name);
    m_testWords = words;
}
