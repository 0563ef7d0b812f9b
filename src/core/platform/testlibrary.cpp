#include "core/platform/testlibrary.h"

#include "core/platform/dirsearch.h"

#include <QListWidget>

#include <algorithm>

namespace TestLibrary
{

QStringList listTests(const QString &appDir)
{
    return DirSearch::find(appDir, TestPrefix + QLatin1Char('*'), DirSearch::Kind::FilesAndFolders);
}

QStringList wordsFromFileNames(const QStringList &fileNames)
{
    QStringList words;
    for (const QString &name : fileNames) {
        const qsizetype at = name.indexOf(QLatin1String(".wav"), 0, Qt::CaseSensitive);
        if (at < 0)
            continue;
        words << name.left(at).trimmed();
    }
    return words;
}

QStringList wordsOf(const QString &testDir)
{
    return wordsFromFileNames(DirSearch::find(testDir, QStringLiteral("*.wav"), DirSearch::Kind::FilesOnly));
}

int addSorted(QListWidget *list, const QString &name)
{
    // Binary search for the first entry that sorts after the name.
    int lo = 0;
    int hi = list->count();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (DirSearch::lessIgnoringCase(name, list->item(mid)->text()))
            hi = mid;
        else
            lo = mid + 1;
    }
    list->insertItem(lo, name);
    return lo;
}

bool fillTestList(QListWidget *list, const QStringList &names)
{
    QStringList sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), DirSearch::lessIgnoringCase);
    list->clear();
    list->addItems(sorted);
    return !names.isEmpty();
}

QString unsafeNameReason(const QString &name)
{
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("A name cannot be \".\" or \"..\".");
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("A name cannot contain \"/\" or \"\\\".");
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || c.isNull())
            return QStringLiteral("A name cannot contain control characters.");
    }
    // Word files carry ".wav" and test folders "Test_": both must fit a 255-byte file name.
    if (name.toUtf8().size() > 255 - 5)
        return QStringLiteral("The name is too long.");
    return {};
}

QString printable(const QString &name)
{
    QString out = name;
    for (QChar &c : out)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || c.isNull())
            c = QLatin1Char('?');
    return out;
}

QString unsafeWordReason(const QString &word)
{
    if (QString reason = unsafeNameReason(word); !reason.isEmpty())
        return reason;
    if (word.startsWith(QLatin1Char('.')))
        return QStringLiteral("A word cannot begin with \".\".");
    if (word.contains(QLatin1String(".wav")))
        return QStringLiteral("A word cannot contain \".wav\".");
    return {};
}

QString normalForm(const QString &name)
{
    return name.normalized(QString::NormalizationForm_C);
}

} // namespace TestLibrary

namespace Module1
{

void LoadWordList(QListWidget *list, const QString &testDir)
{
    list->clear();
    list->addItems(TestLibrary::wordsOf(testDir));
}

} // namespace Module1
