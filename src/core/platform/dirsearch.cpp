#include "core/platform/dirsearch.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>

namespace DirSearch
{

bool lessIgnoringCase(const QString &a, const QString &b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b; // a total order keeps equal-ignoring-case names stable
}

QStringList find(const QString &folder, const QString &pattern, Kind kind)
{
    QDir::Filters filters = QDir::Files | QDir::NoDotAndDotDot;
    if (kind == Kind::FilesAndFolders)
        filters |= QDir::Dirs;
    // QDir's own name filter would treat "[" in the pattern specially; only "*" is a wildcard here.
    const QRegularExpression re(
        QRegularExpression::anchoredPattern(
            QRegularExpression::escape(pattern).replace(QLatin1String("\\*"), QLatin1String(".*"))),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    QStringList names;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(filters, QDir::NoSort)) {
        if (name.startsWith(QLatin1Char('.')))
            continue;
        if (re.match(name).hasMatch())
            names << name;
    }
    std::sort(names.begin(), names.end(), lessIgnoringCase);
    return names;
}

} // namespace DirSearch
