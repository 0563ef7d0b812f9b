#include "classroom/classroom.h"

#include "classroom/classdb.h"
#include "core/platform/appcontext.h"
#include "core/platform/forms.h"
#include "core/platform/safefile.h"
#include "core/platform/windows.h"
#include "history/historystore.h"

#include <QDateTime>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <memory>

#include <pthread.h>
#include <sched.h>

namespace
{
// Results sent in one statement.
constexpr int BatchSize = 200;
// How often the roster is read again, and how old a child's answers may be before they
// are read again when asked for.
constexpr auto RosterEvery = std::chrono::seconds(60);
constexpr qint64 AnswersFreshMs = 20'000;
// While all is well the history is looked at again this often all the same.
constexpr auto LookAgainEvery = std::chrono::seconds(10);
// The wait after a failure grows to this.
constexpr auto LongestRetry = std::chrono::milliseconds(2000);

QString uniqueName(const char *what)
{
    static std::atomic<int> n;
    return QStringLiteral("class-%1-%2").arg(QLatin1StringView(what)).arg(++n);
}

QStringList readRosterCache(const QString &path)
{
    QByteArray bytes;
    QString why;
    if (SafeFile::readPlainFile(path, 4 << 20, &bytes, &why) != SafeFile::ReadStatus::Ok)
        return {};
    QStringList names;
    for (const auto &v : QJsonDocument::fromJson(bytes).array())
        names << v.toString();
    return names;
}
} // namespace

Classroom::Classroom(const QString &appDir, const ClassSettings &settings, HistoryStore *store)
    : m_appDir(appDir), m_settings(settings), m_store(store),
      m_roster(readRosterCache(appDir + QLatin1StringView(RosterFile)))
{
    m_thread = std::thread([this] { syncLoop(); });
    // Woken once a result is in the file, where the uploader reads it.
    if (m_store)
        m_store->setWrittenHook([this] { resultsRecorded(); });
}

Classroom::~Classroom()
{
    if (m_store)
        m_store->setWrittenHook({});
    {
        std::lock_guard g(m_lock);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

std::optional<QList<History::WordAnswer>> Classroom::serverAnswers(const QString &child)
{
    const auto known = m_answers.constFind(child);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (known == m_answers.constEnd() || now - known->fetchedAt > AnswersFreshMs) {
        {
            std::lock_guard g(m_lock);
            m_childrenWanted.insert(child);
            m_woken = true;
        }
        m_wake.notify_one();
    }
    if (known == m_answers.constEnd())
        return std::nullopt;
    return known->answers;
}

void Classroom::resultsRecorded()
{
    {
        std::lock_guard g(m_lock);
        m_woken = true;
    }
    m_wake.notify_one();
}

void Classroom::rosterChanged(const QString &added, const QString &removed)
{
    QStringList names = m_roster;
    if (!added.isEmpty() && !names.contains(added))
        names << added;
    names.removeAll(removed);
    names.sort(Qt::CaseInsensitive);
    setRoster(names);
    {
        std::lock_guard g(m_lock);
        m_rosterWanted = m_woken = true;
    }
    m_wake.notify_one();
}

void Classroom::setRoster(const QStringList &names)
{
    if (names == m_roster)
        return;
    m_roster = names;
    QJsonArray array;
    for (const QString &n : names)
        array.append(n);
    QString why;
    SafeFile::replaceFile(m_appDir + QLatin1StringView(RosterFile), QJsonDocument(array).toJson(), &why);
    // The results of a child the history knows carry the child's name.
    if (m_store) {
        const QStringList local = m_store->children();
        for (const QString &n : names) {
            if (!local.contains(n, Qt::CaseInsensitive) && HistoryStore::nameProblem(n).isEmpty())
                m_store->addChild(n);
        }
    }
    Q_EMIT changed();
}

void Classroom::setAnswers(const QString &child, const QList<History::WordAnswer> &answers)
{
    Known &known = m_answers[child];
    const bool same = known.fetchedAt != 0 && known.answers.size() == answers.size();
    known = {answers, QDateTime::currentMSecsSinceEpoch()};
    if (!same)
        Q_EMIT changed();
}

void Classroom::syncLoop()
{
    // Batch scheduling: waking up to send never takes the processor from the window's thread.
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_BATCH, &param);
    using Clock = std::chrono::steady_clock;
    const QString connection = uniqueName("sync");
    HistoryStore::Outbox outbox(m_appDir);
    bool open = false;
    std::chrono::milliseconds retry{0};
    auto nextTry = Clock::now();
    auto rosterDue = Clock::now();
    std::unique_lock g(m_lock);
    for (;;) {
        const auto until = retry.count() ? nextTry : std::min(nextTry, rosterDue);
        m_wake.wait_until(g, until, [&] { return m_stop || (m_woken && retry.count() == 0); });
        if (m_stop)
            break;
        if (retry.count() && Clock::now() < nextTry)
            continue;
        m_woken = false;
        const bool rosterWanted = m_rosterWanted || Clock::now() >= rosterDue;
        m_rosterWanted = false;
        const QSet<QString> children = std::exchange(m_childrenWanted, {});
        g.unlock();

        bool ok = true;
        if (!open) {
            ok = ClassDb::open(connection, m_settings, ConnectSeconds).isEmpty();
            if (ok)
                open = true;
            else
                ClassDb::drop(connection);
        }
        ok = ok && upload(outbox, connection);
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        if (ok && rosterWanted) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("SELECT name FROM wordaroo.children ORDER BY lower(name), name"));
            QStringList names;
            while (ok && q.next())
                names << q.value(0).toString();
            if (ok) {
                rosterDue = Clock::now() + RosterEvery;
                QMetaObject::invokeMethod(
                    this, [this, names] { setRoster(names); }, Qt::QueuedConnection);
            }
        }
        for (const QString &child : children) {
            if (!ok)
                break;
            QSqlQuery q(db);
            q.setForwardOnly(true);
            q.prepare(QStringLiteral("SELECT uid, at, test, word, right_answer FROM wordaroo.child_answers(?)"));
            q.addBindValue(child);
            ok = q.exec();
            QList<History::WordAnswer> answers;
            while (ok && q.next())
                answers.append({q.value(0).toString().remove(QLatin1Char('-')), q.value(1).toLongLong(),
                                q.value(2).toString(), q.value(3).toString(), q.value(4).toBool()});
            if (ok)
                QMetaObject::invokeMethod(
                    this, [this, child, answers] { setAnswers(child, answers); }, Qt::QueuedConnection);
        }
        db = QSqlDatabase();
        g.lock();
        if (ok) {
            retry = std::chrono::milliseconds(0);
            nextTry = Clock::now() + LookAgainEvery;
        } else {
            // The server is down, restarting or refuses us: everything waits and is tried
            // again, the connection made afresh.
            if (open) {
                g.unlock();
                ClassDb::drop(connection);
                g.lock();
                open = false;
            }
            retry = std::min(LongestRetry, retry.count() ? retry * 2 : std::chrono::milliseconds(250));
            nextTry = Clock::now() + retry;
            m_rosterWanted = m_rosterWanted || rosterWanted;
            m_childrenWanted.unite(children);
        }
    }
    g.unlock();
    if (open)
        ClassDb::drop(connection);
}

// Sends every result waiting in the history, a batch at a time; false when the server
// failed (the batch is then sent again later). A result the history cannot mark as sent
// for now is sent again too, which the server ignores.
bool Classroom::upload(HistoryStore::Outbox &outbox, const QString &connection)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    for (;;) {
        {
            std::lock_guard g(m_lock);
            if (m_stop)
                return true;
        }
        QString why;
        const QList<QJsonObject> batch = outbox.next(BatchSize, &why);
        if (batch.isEmpty())
            return true; // nothing waiting, or the history is busy: the next wake tries again
        QJsonArray array;
        QStringList uids;
        for (const QJsonObject &o : batch) {
            array.append(o);
            uids << o.value(QStringLiteral("uid")).toString();
        }
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT wordaroo.add_results(?::jsonb)"));
        q.addBindValue(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)));
        if (!q.exec())
            return false;
        bool marked = false;
        for (int attempt = 0; !marked && attempt < 20; ++attempt) {
            marked = outbox.acknowledge(uids, &why);
            if (!marked)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!marked)
            return true;
    }
}

QString Classroom::changeRoster(const ClassSettings &settings, const QString &teacherPassword, const QString &add,
                                const QString &remove)
{
    ClassSettings teacher = settings;
    teacher.user = QLatin1StringView(ClassSettings::TeacherRole);
    teacher.password = teacherPassword;
    const QString name = uniqueName("teacher");
    QString why = ClassDb::open(name, teacher, ConnectSeconds);
    if (why.isEmpty()) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.transaction();
        const auto run = [&](const char *sql, const QString &value) {
            if (!why.isEmpty() || value.isEmpty())
                return;
            QSqlQuery q(db);
            q.prepare(QLatin1StringView(sql));
            q.addBindValue(value);
            if (!q.exec())
                why = ClassDb::reason(q.lastError());
        };
        run("INSERT INTO wordaroo.children (name) VALUES (?) ON CONFLICT DO NOTHING", add);
        run("DELETE FROM wordaroo.results WHERE child = ?", remove);
        run("DELETE FROM wordaroo.children WHERE name = ?", remove);
        if (!why.isEmpty())
            db.rollback();
        else if (!db.commit())
            why = ClassDb::reason(db);
    }
    ClassDb::drop(name);
    return why;
}

QString Classroom::tryConnection(const ClassSettings &settings)
{
    const QString name = uniqueName("try");
    QString why = ClassDb::open(name, settings, ConnectSeconds);
    if (why.isEmpty()) {
        // Reaching the server is not enough: the class's tables must be readable.
        QSqlQuery q(QSqlDatabase::database(name, false));
        if (!q.exec(QStringLiteral("SELECT count(*) FROM wordaroo.children")))
            why = ClassDb::reason(q.lastError());
    }
    ClassDb::drop(name);
    return why;
}

QString Classroom::runWaiting(Form *window, std::function<QString()> work, int limitMs)
{
    struct Job {
        QString result;
        std::atomic<bool> done{false};
    };
    auto job = std::make_shared<Job>();
    // Detached: a job still running when the limit passes finishes on its own.
    std::thread([job, work = std::move(work)] {
        job->result = work();
        job->done = true;
    }).detach();
    window->waitFor([&] {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (job->done)
                loop.quit();
        });
        poll.start(20);
        QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
        loop.exec();
    });
    if (!job->done)
        return QStringLiteral("the server did not answer within %1 seconds.").arg(limitMs / 1000);
    return job->result;
}

void Classroom::join(AppContext &context, const ClassSettings &settings)
{
    if (!settings.isSet() || !context.history.store()) {
        context.history.setClassLink(nullptr);
        return;
    }
    auto classroom = std::make_unique<Classroom>(context.AppDir, settings, context.history.store());
    // Listed again only while the start window shows: never under a test or a game.
    QObject::connect(classroom.get(), &Classroom::changed, &context.catalogue, [&context] {
        if (Form *login = Forms::find(Windows::Login); login && login->isVisible())
            Q_EMIT context.catalogue.changed();
    });
    context.history.setClassLink(std::move(classroom));
}
