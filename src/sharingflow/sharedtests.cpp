#include "sharingflow/sharedtests.h"

#include "core/platform/appcontext.h"
#include "core/platform/dialogs.h"
#include "core/platform/testlibrary.h"
#include "history/trickyfolder.h"
#include "sharing/testarchive.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcSharing, "wordaroo.sharing", QtInfoMsg)

namespace SharedTests
{

namespace
{
QString listOf(const QStringList &skipped)
{
    QStringList shown = skipped.mid(0, 10);
    if (skipped.size() > shown.size())
        shown << QStringLiteral("... and %1 more").arg(skipped.size() - shown.size());
    return shown.join(QLatin1Char('\n'));
}

bool isFolder(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
}
} // namespace

QString documentsFolder()
{
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !docs.isEmpty() && QFileInfo(docs).isDir() ? docs : QDir::homePath();
}

QString suggestedFile(const QString &folder, const QString &testFolderName)
{
    return QDir(folder).filePath(TestArchive::testNameOf(testFolderName) + TestArchive::FileSuffix);
}

bool isOffer(const QString &path)
{
    return isFolder(path) || path.endsWith(TestArchive::FileSuffix, Qt::CaseInsensitive);
}

QString share(const AppContext &context, const QString &testFolderName, const QString &file)
{
    QString target = file;
    if (!target.endsWith(TestArchive::FileSuffix, Qt::CaseInsensitive))
        target += TestArchive::FileSuffix;
    const TestArchive::Result r = TestArchive::exportTest(context.AppDir + testFolderName, target);
    if (!r.ok()) {
        qCWarning(lcSharing).noquote() << "not shared:" << r.message;
        MsgBox(r.message, MsgButtons::Ok, MsgIcon::Exclamation, QStringLiteral("Share Test"));
        return {};
    }
    QString text = QStringLiteral("The test ") + TestArchive::testNameOf(testFolderName) +
                   QStringLiteral(" was saved as\n") + QDir::toNativeSeparators(r.path);
    if (!r.skipped.isEmpty())
        text += QStringLiteral("\n\nThese files were left out:\n") + listOf(r.skipped);
    MsgBox(text, MsgButtons::Ok, MsgIcon::Information, QStringLiteral("Share Test"));
    return r.path;
}

QString add(AppContext &context, const QString &path, Ask ask)
{
    const bool folder = isFolder(path);
    QString name;
    if (folder) {
        name = TestArchive::testNameOf(QFileInfo(QDir::cleanPath(path)).fileName());
        const QString why = TestLibrary::unsafeNameReason(name);
        if (!why.isEmpty()) {
            qCWarning(lcSharing).noquote() << "not added:" << path << why;
            MsgBox(QStringLiteral("The folder cannot be added as a test, because its name cannot be a test name.\n") +
                       why,
                   MsgButtons::Ok, MsgIcon::Exclamation);
            return {};
        }
    } else {
        const TestArchive::Info info = TestArchive::inspect(path);
        if (!info.ok()) {
            qCWarning(lcSharing).noquote() << "not added:" << info.message;
            MsgBox(info.message, MsgButtons::Ok, MsgIcon::Exclamation);
            return {};
        }
        name = info.testName;
    }

    if (ask == Ask::First && MsgBox(QStringLiteral("Add the spelling test ") + name + QStringLiteral(" to Wordaroo?"),
                                    MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return {};

    auto ifExists = TestArchive::IfExists::Refuse;
    if (const QString reserved = TrickyFolder::reservedTestName(); name == reserved) {
        // The name of the test Wordaroo makes: the shared one takes the next free name, never that folder.
        name = TestArchive::uniqueTestName(context.AppDir, name, reserved);
    } else if (TestArchive::uniqueTestName(context.AppDir, name) != name) {
        // Yes replaces it, No adds the shared one beside it under a new name, Cancel adds
        // nothing.
        const MsgResult answer = MsgBox(QStringLiteral("The test: ") + name + QStringLiteral(" already exists.\n") +
                                            QStringLiteral("Replace it with the shared one?"),
                                        MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer == MsgResult::Yes)
            ifExists = TestArchive::IfExists::Replace;
        else if (answer == MsgResult::No)
            name = TestArchive::uniqueTestName(context.AppDir, name);
        else
            return {};
    }

    QString folderName = TestLibrary::TestPrefix + name;
    const TestArchive::Result r = folder ? TestArchive::importFolderOfWaves(path, context.AppDir, folderName, ifExists)
                                         : TestArchive::importInto(path, context.AppDir, folderName, ifExists);
    if (!r.ok()) {
        qCWarning(lcSharing).noquote() << "not added:" << r.message;
        MsgBox(r.message, MsgButtons::Ok, MsgIcon::Exclamation);
        return {};
    }
    Q_EMIT context.catalogue.changed();
    // What arrived, in one box: how many words, and any file left out.
    const qsizetype words = TestLibrary::wordsOf(context.AppDir + folderName + QLatin1Char('/')).size();
    QString text = folderName + QStringLiteral(" was added with ") + QString::number(words) + QStringLiteral(" words.");
    if (!r.skipped.isEmpty())
        text += QStringLiteral("\n\nThe test ") + name + QStringLiteral(" was added without these files:\n") +
                listOf(r.skipped);
    MsgBox(text, MsgButtons::Ok, MsgIcon::Information);
    return folderName;
}

} // namespace SharedTests
