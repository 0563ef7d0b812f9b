#include "app/commandline.h"

#include "sharing/testarchive.h"

#include <QDir>
#include <QUrl>

namespace CommandLine
{

namespace
{
const QString Usage =
    QStringLiteral("Usage: wordaroo [FILE%1]\n"
                   "Starts Wordaroo. With FILE, a spelling test someone shared, offers to add that test.\n")
        .arg(TestArchive::FileSuffix);

Parsed refuse(const QString &why)
{
    return {{}, QStringLiteral("wordaroo: ") + why + QLatin1Char('\n') + Usage};
}
} // namespace

Parsed parse(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return {};
    if (arguments.size() > 1)
        return refuse(QStringLiteral("only one file can be given, not %1 arguments.").arg(arguments.size()));
    QString arg = arguments.first();
    if (arg.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
        // An address names a file of this computer: no host, or "localhost". Its name is
        // decoded before anything is checked, so what is checked is what is opened.
        const QUrl url(arg, QUrl::StrictMode);
        const QString host = url.host(QUrl::FullyDecoded);
        if (!url.isValid() || (!host.isEmpty() && host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive)) ||
            url.hasQuery() || url.hasFragment() || !url.path().startsWith(QLatin1Char('/')))
            return refuse(QStringLiteral("\"") + arguments.first() +
                          QStringLiteral("\" is not the address of a file on this computer."));
        arg = url.path(QUrl::FullyDecoded);
    }
    // No file name holds a NUL: the system would read the name only up to it.
    if (arg.contains(QChar(0)))
        return refuse(QStringLiteral("\"") + arguments.first() + QStringLiteral("\" names no file."));
    if (arg.isEmpty() || arg.startsWith(QLatin1Char('-')))
        return refuse(QStringLiteral("unknown option \"") + arguments.first() + QStringLiteral("\"."));
    if (!arg.endsWith(TestArchive::FileSuffix, Qt::CaseInsensitive))
        return refuse(QStringLiteral("\"") + arg + QStringLiteral("\" is not a shared spelling test (a ") +
                      TestArchive::FileSuffix + QStringLiteral(" file)."));
    // The program changes its working folder later: the path is fixed now.
    return {QDir::cleanPath(QDir::current().absoluteFilePath(arg)), {}};
}

} // namespace CommandLine
