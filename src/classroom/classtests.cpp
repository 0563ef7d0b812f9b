#include "classroom/classtests.h"

#include "classroom/classdb.h"
#include "classroom/classroom.h"
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/platform/safefile.h"
#include "core/platform/testlibrary.h"
#include "core/platform/windows.h"
#include "history/programhistory.h"
#include "sharing/testarchive.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QLoggingCategory>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include <map>

#include <pthread.h>
#include <sched.h>

Q_LOGGING_CATEGORY(lcClassTests, "wordaroo.sharing")

namespace ClassTests
{
namespace
{
QString connectionName(const char *what)
{
    static std::atomic<int> n;
    return QStringLiteral("class-tests-%1-%2").arg(QLatin1StringView(what)).arg(++n);
}

QString withSlash(const QString &dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

// A mark's class test name and version; empty name: no (readable) mark.
std::pair<QString, int> readMark(const QString &folder, const char *file)
{
    QByteArray bytes;
    QString why;
    if (SafeFile::readPlainFile(withSlash(folder) + QLatin1StringView(file), 4096, &bytes, &why) !=
        SafeFile::ReadStatus::Ok)
        return {};
    const QJsonObject o = QJsonDocument::fromJson(bytes).object();
    return {o.value(QStringLiteral("name")).toString(), o.value(QStringLiteral("version")).toInt()};
}

QString writeMark(const QString &folder, const char *file, const QString &name, int version)
{
    QString why;
    SafeFile::replaceFile(
        withSlash(folder) + QLatin1StringView(file),
        QJsonDocument(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("version"), version}})
            .toJson(QJsonDocument::Compact),
        &why);
    return why;
}

// Runs work on a teacher's connection in one transaction; empty when done.
QString asTeacher(const ClassSettings &settings, const QString &password,
                  const std::function<QString(QSqlDatabase &)> &work)
{
    ClassSettings teacher = settings;
    teacher.user = QLatin1StringView(ClassSettings::TeacherRole);
    teacher.password = password;
    const QString name = connectionName("teacher");
    QString why = ClassDb::open(name, teacher, Classroom::ConnectSeconds);
    if (why.isEmpty()) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.transaction();
        why = work(db);
        if (!why.isEmpty())
            db.rollback();
        else if (!db.commit())
            why = ClassDb::reason(db);
    }
    ClassDb::drop(name);
    return why;
}

bool exec(QSqlQuery &q, const QString &sql, const QVariantList &values, QString *why)
{
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (q.exec())
        return true;
    *why = ClassDb::reason(q.lastError());
    return false;
}

// The folders of appDir carrying a class mark: the class test's name to folder and version.
struct Marked {
    QString folder;
    int version = 0;
};
std::map<QString, Marked> markedFolders(const QString &appDir, const char *file)
{
    std::map<QString, Marked> out;
    const QFileInfoList entries = QDir(appDir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo &e : entries) {
        if (!e.fileName().startsWith(TestLibrary::TestPrefix, Qt::CaseInsensitive))
            continue;
        const auto [name, version] = readMark(e.filePath(), file);
        if (!name.isEmpty())
            out[name] = {e.fileName(), version};
    }
    return out;
}

// Removes a fetched folder: only a real folder holding the mark, made to vanish at once.
bool removeFetched(const QString &appDir, const QString &folder)
{
    const QFileInfo info(appDir + folder);
    if (info.isSymLink() || !info.isDir() || readMark(info.filePath(), MarkFile).first.isEmpty())
        return false;
    QTemporaryDir aside(appDir + QStringLiteral(".class-removed-XXXXXX"));
    if (!aside.isValid())
        return false;
    const QString target = aside.path() + QStringLiteral("/test");
    return QDir().rename(info.filePath(), target); // the temporary folder takes it away
}

// A name the server gives must make a test folder name of this machine.
bool usableName(const QString &name)
{
    return !name.isEmpty() && !name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && !name.contains(QChar()) && name.size() <= 200 && name.trimmed() == name;
}
} // namespace

QString cannotChange(const QString &testFolderName)
{
    return testFolderName + QStringLiteral(" comes from the class server; change it on the teacher's machine.");
}

QString fetchedName(const QString &appDir, const QString &testFolderName)
{
    return readMark(withSlash(appDir) + testFolderName, MarkFile).first;
}

QString publishedName(const QString &appDir, const QString &testFolderName)
{
    return readMark(withSlash(appDir) + testFolderName, PublishedMark).first;
}

QString publish(const ClassSettings &settings, const QString &teacherPassword, const QString &appDir,
                const QString &testFolderName, int *version)
{
    const QString dir = withSlash(appDir);
    if (!fetchedName(dir, testFolderName).isEmpty())
        return cannotChange(testFolderName);
    const QString name = TestArchive::testNameOf(testFolderName);
    // The archive is made inside the program folder and gone once sent.
    QTemporaryDir staging(dir + QStringLiteral(".class-publish-XXXXXX"));
    if (!staging.isValid())
        return QStringLiteral("the archive could not be made: ") + staging.errorString();
    const QString file = staging.filePath(QStringLiteral("test") + TestArchive::FileSuffix);
    const TestArchive::Result made = TestArchive::exportTest(dir + testFolderName, file);
    if (!made.ok())
        return made.message;
    QByteArray bytes;
    QString why;
    if (SafeFile::readPlainFile(file, TestArchive::MaxTotalBytes, &bytes, &why) != SafeFile::ReadStatus::Ok)
        return why;
    int published = 0;
    why = asTeacher(settings, teacherPassword, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        QString w;
        if (exec(q,
                 QStringLiteral("INSERT INTO wordaroo.class_tests (name, archive) VALUES (?, ?)"
                                " ON CONFLICT (name) DO UPDATE SET archive = excluded.archive,"
                                " version = wordaroo.class_tests.version + 1, withdrawn = false, published = now()"
                                " RETURNING version"),
                 {name, bytes}, &w) &&
            q.next())
            published = q.value(0).toInt();
        return w;
    });
    if (!why.isEmpty())
        return why;
    if (version)
        *version = published;
    // The teacher's folder is the class test's source: this machine never fetches it back.
    return writeMark(dir + testFolderName, PublishedMark, name, published);
}

QString withdraw(const ClassSettings &settings, const QString &teacherPassword, const QString &appDir,
                 const QString &testFolderName)
{
    const QString dir = withSlash(appDir);
    QString name = publishedName(dir, testFolderName);
    if (name.isEmpty())
        name = TestArchive::testNameOf(testFolderName);
    bool found = false;
    QString why = asTeacher(settings, teacherPassword, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        QString w;
        if (exec(q,
                 QStringLiteral("UPDATE wordaroo.class_tests SET withdrawn = true, archive = '',"
                                " version = version + 1 WHERE name = ? AND NOT withdrawn"),
                 {name}, &w))
            found = q.numRowsAffected() > 0;
        return w;
    });
    if (!why.isEmpty())
        return why;
    QFile::remove(dir + testFolderName + QLatin1Char('/') + QLatin1StringView(PublishedMark));
    return found ? QString() : QStringLiteral("the class has no test named %1.").arg(name);
}

Catalogue catalogue(const ClassSettings &settings, const QString &teacherPassword)
{
    Catalogue c;
    c.why = asTeacher(settings, teacherPassword, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        QString w;
        if (exec(q, QStringLiteral("SELECT name FROM wordaroo.class_tests WHERE NOT withdrawn ORDER BY lower(name)"),
                 {}, &w))
            while (q.next())
                c.tests << q.value(0).toString();
        if (w.isEmpty() && exec(q, QStringLiteral("SELECT name FROM wordaroo.children ORDER BY lower(name)"), {}, &w))
            while (q.next())
                c.children << q.value(0).toString();
        return w;
    });
    return c;
}

QString assign(const ClassSettings &settings, const QString &teacherPassword, const QString &test,
               const QStringList &children, QDate due)
{
    return asTeacher(settings, teacherPassword, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        QString w;
        for (const QString &child : children) {
            if (!exec(q,
                      QStringLiteral("INSERT INTO wordaroo.assignments (test, child, due) VALUES (?, ?, ?)"
                                     " ON CONFLICT (test, child) DO UPDATE SET due = excluded.due"),
                      {test, child, due}, &w))
                break;
        }
        return w;
    });
}

SyncOutcome sync(const QString &connection, const QString &appDir, const std::function<bool()> &allowed)
{
    SyncOutcome out;
    const QString dir = withSlash(appDir);
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    QSqlQuery list(db);
    if (!exec(list, QStringLiteral("SELECT name, version, withdrawn FROM wordaroo.class_tests"), {}, &out.why))
        return out;
    struct Row {
        int version;
        bool withdrawn;
    };
    std::map<QString, Row> server;
    while (list.next())
        server[list.value(0).toString()] = {list.value(1).toInt(), list.value(2).toBool()};
    list.finish();

    const std::map<QString, Marked> fetched = markedFolders(dir, MarkFile);
    const std::map<QString, Marked> published = markedFolders(dir, PublishedMark);
    // Withdrawn or deleted on the server: gone from here, where the folder is the class's.
    for (const auto &[name, local] : fetched) {
        const auto row = server.find(name);
        if (row != server.end() && !row->second.withdrawn)
            continue;
        if (allowed && !allowed())
            return out;
        if (removeFetched(dir, local.folder))
            out.removed << local.folder;
    }
    for (const auto &[name, row] : server) {
        if (row.withdrawn || published.count(name) || !usableName(name))
            continue;
        const auto local = fetched.find(name);
        if (local != fetched.end() && local->second.version == row.version)
            continue;
        if (allowed && !allowed())
            return out;
        // The archive and its version in one row: a test changed meanwhile comes whole, as
        // the newer version, and is taken again next round only if it changes again.
        QSqlQuery q(db);
        if (!exec(q,
                  QStringLiteral("SELECT archive, version FROM wordaroo.class_tests WHERE name = ? AND NOT withdrawn"),
                  {name}, &out.why))
            return out;
        if (!q.next())
            continue;
        const QByteArray archive = q.value(0).toByteArray();
        const int version = q.value(1).toInt();
        q.finish();
        QTemporaryFile file(dir + QStringLiteral(".class-fetch-XXXXXX") + TestArchive::FileSuffix);
        if (!file.open() || file.write(archive) != archive.size() || !file.flush()) {
            out.refused << name + QStringLiteral(": ") + file.errorString();
            continue;
        }
        file.close();
        QString folder;
        if (local != fetched.end()) {
            folder = local->second.folder;
        } else {
            // A local test of the same name stays the family's: the class's is added beside it.
            folder = TestLibrary::TestPrefix + name;
            if (QFileInfo::exists(dir + folder) || QFileInfo(dir + folder).isSymLink())
                folder = TestLibrary::TestPrefix + TestArchive::uniqueTestName(dir, name + CollisionSuffix);
        }
        const TestArchive::Result r = TestArchive::importInto(file.fileName(), dir, folder,
                                                              local != fetched.end() ? TestArchive::IfExists::Replace
                                                                                     : TestArchive::IfExists::Refuse);
        if (!r.ok()) {
            qCWarning(lcClassTests).noquote() << "The class test" << name << "was not added:" << r.message;
            out.refused << name + QStringLiteral(": ") + r.message;
            continue;
        }
        if (const QString why = writeMark(dir + folder, MarkFile, name, version); !why.isEmpty())
            qCWarning(lcClassTests).noquote() << "The class test" << name << "was not marked:" << why;
        (local != fetched.end() ? out.replaced : out.added) << folder;
    }
    return out;
}

QList<ToDo> toDo(const QString &connection, const QString &child, QString *why)
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    QList<ToDo> out;
    if (exec(q, QStringLiteral("SELECT test, due FROM wordaroo.child_todo(?)"), {child}, why))
        while (q.next())
            out.append({q.value(0).toString(), q.value(1).toDate()});
    return out;
}

QString toDoText(const QList<ToDo> &items, QDate today)
{
    QStringList parts;
    for (const ToDo &t : items) {
        QString when;
        if (t.due < today)
            when = QStringLiteral("overdue");
        else if (t.due == today)
            when = QStringLiteral("due today");
        else if (t.due < today.addDays(7))
            when = QStringLiteral("due ") + QLocale(QLocale::English).dayName(t.due.dayOfWeek());
        else
            when = QStringLiteral("due ") + QLocale(QLocale::English).toString(t.due, QStringLiteral("d MMMM"));
        parts << TestLibrary::TestPrefix + t.test + QStringLiteral(", ") + when;
    }
    return parts.isEmpty() ? QString() : QStringLiteral("To do: ") + parts.join(QStringLiteral("; "));
}

QString Report::cellText(const Cell &c)
{
    switch (c.state) {
    case State::NotAssigned:
        return {};
    case State::Done:
        return QStringLiteral("done, %1%").arg(c.percent);
    case State::NotDone:
        return QStringLiteral("not done");
    case State::Overdue:
        return QStringLiteral("overdue");
    }
    return {};
}

Report buildReport(const ReportInput &in, QDate today)
{
    Report r;
    r.children = in.children;
    for (const auto &a : in.assignments) {
        if (!r.tests.contains(a.test))
            r.tests << a.test;
    }
    r.tests.sort(Qt::CaseInsensitive);
    QHash<QString, int> childAt, testAt;
    for (int i = 0; i < r.children.size(); ++i)
        childAt.insert(r.children[i], i);
    for (int i = 0; i < r.tests.size(); ++i) {
        testAt.insert(TestLibrary::TestPrefix + r.tests[i], i);
        testAt.insert(TestLibrary::TestPrefix + r.tests[i] + CollisionSuffix, i);
    }
    r.cells = QList<QList<Report::Cell>>(r.children.size(), QList<Report::Cell>(r.tests.size()));
    for (const auto &a : in.assignments) {
        if (childAt.contains(a.child)) {
            Report::Cell &c = r.cells[childAt[a.child]][testAt[TestLibrary::TestPrefix + a.test]];
            c.due = a.due;
            c.state = a.due < today ? Report::State::Overdue : Report::State::NotDone;
        }
    }
    for (const auto &run : in.runs) {
        const auto ci = childAt.constFind(run.child);
        const auto ti = testAt.constFind(run.test);
        if (ci == childAt.constEnd() || ti == testAt.constEnd())
            continue;
        Report::Cell &c = r.cells[*ci][*ti];
        if (c.state == Report::State::NotAssigned)
            continue;
        c.percent = c.state == Report::State::Done ? std::max(c.percent, run.percent) : run.percent;
        c.state = Report::State::Done;
    }

    r.missed = in.missed;
    // A miss starts a word's schedule afresh: the last one and the right days since are all
    // it depends on.
    for (const auto &m : in.missing) {
        Tricky::State state = Tricky::next({}, {m.missDay, false});
        for (const QDate &day : m.rightDays)
            state = Tricky::next(state, {day, true});
        if (Tricky::isDue(state, today))
            r.tricky[m.child].append({m.test, m.word, state.due, QDateTime::fromMSecsSinceEpoch(m.lastMiss, Qt::UTC)});
    }
    return r;
}

ReportInput readReport(const ClassSettings &settings, const QString &teacherPassword, QString *why)
{
    ReportInput in;
    *why = asTeacher(settings, teacherPassword, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        QString w;
        if (exec(q, QStringLiteral("SELECT name FROM wordaroo.children ORDER BY lower(name), name"), {}, &w))
            while (q.next())
                in.children << q.value(0).toString();
        if (w.isEmpty() && exec(q,
                                QStringLiteral("SELECT a.test, a.child, a.due FROM wordaroo.assignments a"
                                               " JOIN wordaroo.class_tests t ON t.name = a.test WHERE NOT t.withdrawn"),
                                {}, &w))
            while (q.next())
                in.assignments.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toDate()});
        if (w.isEmpty() &&
            exec(q,
                 QStringLiteral("SELECT child, test, max(percent) FROM wordaroo.results WHERE kind = 'run'"
                                " AND stopped IS NOT TRUE AND test IN (SELECT 'Test_' || name FROM wordaroo.class_tests"
                                " UNION ALL SELECT 'Test_' || name || ' (class)' FROM wordaroo.class_tests)"
                                " GROUP BY child, test"),
                 {}, &w))
            while (q.next())
                in.runs.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt()});
        // The server tallies every word as results arrive: the twenty most-missed words, and
        // for each word a child missed the last miss and the right answers since.
        if (w.isEmpty() &&
            exec(q,
                 QStringLiteral("SELECT word, count(DISTINCT child), sum(misses),"
                                " string_agg(array_to_string(typed, chr(30)), chr(30)) FROM wordaroo.word_answers"
                                " WHERE misses > 0 GROUP BY word ORDER BY 2 DESC, 3 DESC, 1 LIMIT 20"),
                 {}, &w))
            while (q.next()) {
                QStringList typed = q.value(3).toString().split(QChar(30), Qt::SkipEmptyParts);
                typed.sort();
                typed.removeDuplicates();
                in.missed.append({q.value(0).toString(), q.value(1).toInt(), typed});
            }
        if (w.isEmpty() &&
            exec(q,
                 QStringLiteral(
                     "SELECT concat_ws(chr(31), child, test, word, last_miss, array_to_string(rights, chr(30)))"
                     " FROM wordaroo.word_answers WHERE misses > 0 AND test <> 'Test_Tricky Words'"),
                 {}, &w)) {
            const QChar unit(31), record(30);
            // The day of this machine's clock, worked out once a quarter of an hour (every
            // zone's offset is a multiple of that).
            QHash<qint64, QDate> dayOf;
            const auto localDay = [&dayOf](qint64 ms) {
                const qint64 quarter = ms / (qint64(15) * 60 * 1000);
                auto it = dayOf.find(quarter);
                if (it == dayOf.end())
                    it = dayOf.insert(quarter, QDateTime::fromMSecsSinceEpoch(quarter * qint64(15) * 60 * 1000).date());
                return *it;
            };
            while (q.next()) {
                const QStringList f = q.value(0).toString().split(unit);
                if (f.size() != 5)
                    continue;
                const qint64 lastMiss = f[3].toLongLong();
                std::vector<qint64> rights;
                for (const QStringView at : QStringView(f[4]).split(record, Qt::SkipEmptyParts)) {
                    if (const qint64 ms = at.toLongLong(); ms > lastMiss)
                        rights.push_back(ms);
                }
                std::sort(rights.begin(), rights.end());
                QList<QDate> days;
                for (const qint64 ms : rights) {
                    const QDate day = localDay(ms);
                    if (days.isEmpty() || days.last() != day)
                        days << day;
                }
                in.missing.append({f[0], f[1], f[2], lastMiss, localDay(lastMiss), days});
            }
        }
        return w;
    });
    return in;
}
} // namespace ClassTests

// ---- The machine's side ------------------------------------------------------------

namespace
{
// Keeps the sync told whether the start window shows, from the window's own events.
class ShowWatch final : public QObject
{
  public:
    ShowWatch(QObject *parent, std::atomic<bool> &showing) : QObject(parent), m_showing(showing) {}
    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
            m_showing = static_cast<QWidget *>(watched)->isVisible();
        return false;
    }

  private:
    std::atomic<bool> &m_showing;
};
} // namespace

ClassTestSync::ClassTestSync(AppContext &context, const ClassSettings &settings, QObject *parent)
    : QObject(parent), m_ctx(context), m_settings(settings)
{
    if (QWidget *login = Forms::find(Windows::Login)) {
        m_showing = login->isVisible();
        login->installEventFilter(new ShowWatch(this, m_showing));
    }
    auto *every = new QTimer(this);
    connect(every, &QTimer::timeout, this, [this] {
        if (startWindowShows())
            syncNow();
    });
    every->start(EveryMs);
    m_thread = std::thread([this] { loop(); });
}

ClassTestSync::~ClassTestSync()
{
    {
        std::lock_guard g(m_lock);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

ClassTestSync *ClassTestSync::start(AppContext &context)
{
    auto *classroom = dynamic_cast<Classroom *>(context.history.classLink());
    if (!classroom)
        return nullptr;
    if (ClassTestSync *running = of(context))
        return running;
    auto *sync = new ClassTestSync(context, classroom->settings(), classroom);
    sync->syncNow();
    return sync;
}

ClassTestSync *ClassTestSync::of(AppContext &context)
{
    auto *classroom = dynamic_cast<Classroom *>(context.history.classLink());
    return classroom ? classroom->findChild<ClassTestSync *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

bool ClassTestSync::startWindowShows() const
{
    return m_showing;
}

void ClassTestSync::syncNow()
{
    m_idle = false;
    {
        std::lock_guard g(m_lock);
        m_syncWanted = true;
    }
    m_wake.notify_one();
}

QString ClassTestSync::toDoText(const QString &child)
{
    if (child.isEmpty())
        return {};
    const auto known = m_toDo.constFind(child);
    if (known == m_toDo.constEnd() || QDateTime::currentMSecsSinceEpoch() - known->at > 60'000) {
        {
            std::lock_guard g(m_lock);
            if (!m_childrenWanted.contains(child))
                m_childrenWanted << child;
        }
        m_wake.notify_one();
    }
    return known == m_toDo.constEnd() ? QString() : ClassTests::toDoText(known->items, m_ctx.history.today());
}

void ClassTestSync::loop()
{
    // Batch scheduling: this work never takes the processor from the window's thread.
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &param);
    std::unique_lock g(m_lock);
    for (;;) {
        m_wake.wait(g, [this] { return m_stop || m_syncWanted || !m_childrenWanted.isEmpty(); });
        if (m_stop)
            return;
        const bool syncing = std::exchange(m_syncWanted, false);
        const QStringList children = std::exchange(m_childrenWanted, {});
        g.unlock();

        const QString connection = ClassTests::connectionName("sync");
        ClassTests::SyncOutcome outcome;
        outcome.why = ClassDb::open(connection, m_settings, Classroom::ConnectSeconds);
        if (outcome.why.isEmpty() && syncing)
            outcome = ClassTests::sync(connection, m_ctx.AppDir, [this] {
                std::lock_guard stopping(m_lock);
                return !m_stop && m_showing;
            });
        QHash<QString, QList<ClassTests::ToDo>> toDo;
        for (const QString &child : children) {
            QString why = outcome.why;
            const QList<ClassTests::ToDo> items =
                why.isEmpty() ? ClassTests::toDo(connection, child, &why) : QList<ClassTests::ToDo>{};
            if (why.isEmpty())
                toDo.insert(child, items);
        }
        ClassDb::drop(connection);
        // An unreachable server changes nothing here and tells the child nothing.
        QMetaObject::invokeMethod(
            this,
            [this, syncing, outcome, toDo] {
                bool toDoNews = false;
                for (auto it = toDo.cbegin(); it != toDo.cend(); ++it) {
                    Known &k = m_toDo[it.key()];
                    toDoNews = toDoNews || k.at == 0 || k.items != *it;
                    k = {*it, QDateTime::currentMSecsSinceEpoch()};
                }
                if (syncing) {
                    m_last = outcome;
                    // The first round also lists again for the child's tests to do.
                    if ((outcome.changed() || m_rounds++ == 0) && m_showing)
                        Q_EMIT m_ctx.catalogue.changed();
                }
                if (toDoNews)
                    Q_EMIT toDoChanged();
                if (syncing) {
                    std::lock_guard g(m_lock);
                    m_idle = !m_syncWanted;
                }
                if (syncing)
                    Q_EMIT roundDone();
            },
            Qt::QueuedConnection);
        g.lock();
    }
}
