// Shared tests reaching the start window: opened from the desktop (behind the
// configuration password) and dropped on it, as a file or as a folder of wave files.
#include "core/platform/appstate.h"
#include "core/platform/forms.h"
#include "sharing/testarchive.h"
#include "shell/frmLogin.h"
#include "shell/register.h"
#include "testsupport.h"

#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace
{
const QString Question = u"Add the spelling test Animals to Wordaroo?"_s;

QStringList texts(const QList<ScriptedDialogs::Box> &boxes)
{
    QStringList out;
    for (const ScriptedDialogs::Box &b : boxes)
        out << b.text;
    return out;
}

// A program folder's test, shared into outside and taken away again: the program
// folder is as fresh as before, and the file is what a parent would receive.
QString sharedFile(TestEnv &env, const QString &outside)
{
    const QString folder = env.makeTest(u"Test_Animals"_s, {u"cat"_s, u"dog"_s});
    const TestArchive::Result r = TestArchive::exportTest(folder, outside + u"/Animals.wordaroo"_s);
    if (!r.ok())
        qWarning("%s", qPrintable(r.message));
    QDir(folder).removeRecursively();
    return r.path;
}

QStringList listed(frmLogin *login)
{
    QStringList out;
    auto *list = TestUi::child<QListWidget>(login, u"lstTests"_s);
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text() + (list->item(i)->isSelected() ? u" *"_s : QString());
    return out;
}

void sendDrop(QWidget *w, const QString &path, bool *entered)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    *entered = enter.isAccepted();
    if (!*entered)
        return;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &drop);
    TestUi::settle();
}
} // namespace

class TestStartSharing : public QObject
{
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { Shell::registerWindows(); }
    void cleanup() { TestUi::closeAllWindows(); }
    void openFromDesktop_data();
    void openFromDesktop();
    void drop_data();
    void drop();
};

void TestStartSharing::openFromDesktop_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<MsgResult>("answer");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("added");

    const QByteArray secret = "[SETTINGS]\nProtect=True\nTheWord=Secret\n";
    const QString sorry = u"SORRY!\nThe password you typed is incorrect."_s;
    QTest::newRow("no password, Yes") << QByteArray() << QStringList() << MsgResult::Yes << QStringList{Question}
                                      << true;
    QTest::newRow("no password, No") << QByteArray() << QStringList() << MsgResult::No << QStringList{Question}
                                     << false;
    QTest::newRow("right password") << secret << QStringList{u"Secret"_s} << MsgResult::Yes << QStringList{Question}
                                    << true;
    // The wrong password stops before the file is even looked at.
    QTest::newRow("wrong password") << secret << QStringList{u"secret"_s} << MsgResult::Yes << QStringList{sorry}
                                    << false;
    QTest::newRow("password cancelled") << secret << QStringList() << MsgResult::Yes << QStringList{sorry} << false;
}

void TestStartSharing::openFromDesktop()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, typed);
    QFETCH(MsgResult, answer);
    QFETCH(QStringList, boxes);
    QFETCH(bool, added);
    QTemporaryDir outside;
    TestEnv env;
    const QString file = sharedFile(env, outside.path());
    if (!ini.isEmpty()) {
        QFile f(env.appDir() + u"spell.ini"_s);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini);
    }
    auto *login = qobject_cast<frmLogin *>(Forms::show(Windows::Login));
    env.dialogs.inputAnswers = typed;
    env.dialogs.answers = {answer};

    login->openShared(file);

    QCOMPARE(env.dialogs.prompts.size(), ini.isEmpty() ? 0 : 1);
    QCOMPARE(texts(env.dialogs.boxes), boxes);
    QCOMPARE(listed(login), added ? QStringList{u"Test_Animals *"_s} : QStringList());
    QCOMPARE(QFileInfo::exists(env.appDir() + u"Test_Animals/dog.wav"_s), added);
    if (added)
        QCOMPARE(Shared::TestName, u"Test_Animals"_s);
}

void TestStartSharing::drop_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("shared file") << u"file"_s << true;
    QTest::newRow("folder of wave files") << u"folder"_s << true;
    QTest::newRow("some other file") << u"other"_s << false;
}

void TestStartSharing::drop()
{
    QFETCH(QString, what);
    QFETCH(bool, accepted);
    QTemporaryDir outside;
    TestEnv env;
    QString path = sharedFile(env, outside.path());
    if (what == u"folder"_s) {
        path = outside.path() + u"/Animals"_s;
        QVERIFY(QDir().mkpath(path));
        TestEnv::writeWave(path + u"/cat.wav"_s);
        TestEnv::writeWave(path + u"/dog.wav"_s);
    } else if (what == u"other"_s) {
        path = outside.path() + u"/Animals.txt"_s;
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    auto *login = qobject_cast<frmLogin *>(Forms::show(Windows::Login));
    env.dialogs.answers = {MsgResult::Yes};

    bool entered = false;
    sendDrop(login, path, &entered);

    QCOMPARE(entered, accepted);
    QCOMPARE(texts(env.dialogs.boxes), accepted ? QStringList{Question} : QStringList());
    QCOMPARE(listed(login), accepted ? QStringList{u"Test_Animals *"_s} : QStringList());
    QCOMPARE(QDir(env.appDir() + u"Test_Animals"_s).entryList({u"*.wav"_s}),
             accepted ? QStringList({u"cat.wav"_s, u"dog.wav"_s}) : QStringList());
}

QTEST_MAIN(TestStartSharing)
#include "tst_start_sharing.moc"
