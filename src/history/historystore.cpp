#include "history/historystore.h"

#include "core/platform/safefile.h"
#include "history/historylog.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

#include <pthread.h>
#include <sched.h>

using namespace History;
using namespace Qt::StringLiterals;

namespace
{
// Migration i brings the file from version i to i + 1; the list only ever grows.
const QList<QStringList> Migrations = {
    {
        u"CREATE TABLE children (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"_s,
        // at: milliseconds since 1970 UTC
        u"CREATE TABLE runs (id INTEGER PRIMARY KEY, at INTEGER NOT NULL,"
        " child INTEGER REFERENCES children(id), test TEXT NOT NULL,"
        " percent INTEGER NOT NULL, stopped INTEGER NOT NULL)"_s,
        u"CREATE INDEX runs_child ON runs(child, test, at)"_s,
        // test: the test the word belongs to, which differs from the run's for the tricky test
        u"CREATE TABLE run_words (run INTEGER NOT NULL REFERENCES runs(id), position INTEGER NOT NULL,"
        " test TEXT NOT NULL, word TEXT NOT NULL, answer TEXT NOT NULL, right INTEGER NOT NULL,"
        " PRIMARY KEY (run, position)) WITHOUT ROWID"_s,
        u"CREATE TABLE study_sessions (id INTEGER PRIMARY KEY, at INTEGER NOT NULL,"
        " child INTEGER REFERENCES children(id), test TEXT NOT NULL)"_s,
        u"CREATE TABLE study_words (session INTEGER NOT NULL REFERENCES study_sessions(id),"
        " position INTEGER NOT NULL, word TEXT NOT NULL, copied INTEGER NOT NULL,"
        " wrong_copies INTEGER NOT NULL, PRIMARY KEY (session, position)) WITHOUT ROWID"_s,
        u"CREATE TABLE game_scores (id INTEGER PRIMARY KEY, at INTEGER NOT NULL,"
        " child INTEGER REFERENCES children(id), test TEXT NOT NULL, game TEXT NOT NULL,"
        " score INTEGER NOT NULL)"_s,
        // The schedule of every tricky word, kept up to date with each run (child 0: none),
        // so that the report never reads the whole history.
        // How often each wrong spelling was typed, kept up to date with each run for the same reason.
        u"CREATE TABLE misses (child INTEGER NOT NULL, test TEXT NOT NULL, word TEXT NOT NULL, answer TEXT NOT NULL,"
        " times INTEGER NOT NULL, PRIMARY KEY (child, test, word, answer)) WITHOUT ROWID"_s,
        u"CREATE TABLE tricky (child INTEGER NOT NULL, test TEXT NOT NULL, word TEXT NOT NULL,"
        " missed_at INTEGER NOT NULL, missed TEXT NOT NULL, due TEXT NOT NULL, right_days INTEGER NOT NULL,"
        " later_days INTEGER NOT NULL, last_right TEXT NOT NULL, PRIMARY KEY (child, test, word)) WITHOUT ROWID"_s,
    },
    // Every result gets a unique id (those recorded before are given one now) and whether
    // the class server has acknowledged it; the partial index finds the rest at once.
    {
        u"ALTER TABLE runs ADD COLUMN uid TEXT"_s,
        u"ALTER TABLE runs ADD COLUMN sent INTEGER NOT NULL DEFAULT 0"_s,
        u"UPDATE runs SET uid = lower(hex(randomblob(16)))"_s,
        u"CREATE UNIQUE INDEX runs_uid ON runs(uid)"_s,
        u"CREATE INDEX runs_unsent ON runs(id) WHERE sent = 0"_s,
        u"ALTER TABLE study_sessions ADD COLUMN uid TEXT"_s,
        u"ALTER TABLE study_sessions ADD COLUMN sent INTEGER NOT NULL DEFAULT 0"_s,
        u"UPDATE study_sessions SET uid = lower(hex(randomblob(16)))"_s,
        u"CREATE UNIQUE INDEX study_sessions_uid ON study_sessions(uid)"_s,
        u"CREATE INDEX study_sessions_unsent ON study_sessions(id) WHERE sent = 0"_s,
        u"ALTER TABLE game_scores ADD COLUMN uid TEXT"_s,
        u"ALTER TABLE game_scores ADD COLUMN sent INTEGER NOT NULL DEFAULT 0"_s,
        u"UPDATE game_scores SET uid = lower(hex(randomblob(16)))"_s,
        u"CREATE UNIQUE INDEX game_scores_uid ON game_scores(uid)"_s,
        u"CREATE INDEX game_scores_unsent ON game_scores(id) WHERE sent = 0"_s,
    },
};

// The tables of results, with the kind each is sent as.
struct ResultTable {
    const char *table;
    const char *kind;
};
constexpr ResultTable ResultTables[] = {{"runs", "run"}, {"study_sessions", "study"}, {"game_scores", "game"}};

// Another copy of the program holds its write lock for well under a millisecond; a longer
// wait means it is stuck, and the result is kept in memory instead.
constexpr auto ConnectOptions = "QSQLITE_BUSY_TIMEOUT=50";

using Pending = std::variant<TestRun, StudySession, GameScore>;
QString childOf(const Pending &p)
{
    return std::visit([](const auto &x) { return x.child; }, p);
}

// A null QString binds as NULL; every text column holds text, empty if need be.
QVariant text(const QString &s)
{
    return s.isNull() ? QVariant(u""_s) : QVariant(s);
}
QVariant dayText(QDate d)
{
    return d.isValid() ? d.toString(Qt::ISODate) : u""_s;
}
QDate day(const QVariant &v)
{
    return QDate::fromString(v.toString(), Qt::ISODate);
}
// Times are read as UTC: converting each to local time would cost more than the whole query.
QDateTime instant(const QVariant &v)
{
    return QDateTime::fromMSecsSinceEpoch(v.toLongLong(), Qt::UTC);
}

int code(const QSqlError &e)
{
    return e.nativeErrorCode().toInt() & 0xff;
}
bool busy(const QSqlError &e)
{
    return code(e) == 5 || code(e) == 6;
}

const QString Damaged = u"history.db is damaged."_s;
const QString NotAHistory = u"history.db is damaged or is not a Wordaroo history."_s;
const QString IsFolder = u"history.db is a folder, not a file."_s;
const QString IsLink = u"history.db is a link; Wordaroo keeps its history only in a file of its own folder."_s;
const QString Newer = u"history.db was made by a newer Wordaroo"_s;

// Whether the problem is the file itself, so that putting it aside and starting a new one
// helps: damaged, not a history, from a newer Wordaroo, or a folder or link in its place.
// A history that is only in use by another copy, read-only or on a full disk is never put
// aside: it is sound, and the results are written once it can be.
bool unusableFile(const QString &why)
{
    return why == Damaged || why == NotAHistory || why == IsFolder || why == IsLink || why.startsWith(Newer);
}

QString reasonFor(const QSqlError &e)
{
    switch (code(e)) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return u"history.db is in use by another copy of Wordaroo."_s;
    case 8:
        return u"history.db cannot be written: the file or the program folder is read-only."_s;
    case 11:
    case 26:
        return Damaged;
    case 13:
        return u"history.db cannot be written: the disk is full."_s;
    case 14:
        return u"history.db cannot be opened."_s;
    default:
        return u"history.db cannot be written (%1)."_s.arg(e.text());
    }
}

QString newerReason(int version)
{
    if (version <= HistoryStore::SchemaVersion)
        return {};
    return Newer + u" (history version %1; this one knows up to %2) and is left as it is."_s.arg(version).arg(
                       HistoryStore::SchemaVersion);
}

// Binds a child id, or NULL for "no child".
QVariant childValue(qint64 id)
{
    return id > 0 ? QVariant(id) : QVariant(QMetaType::fromType<qint64>());
}

// One connection to the file, used only by the thread that made it.
class Connection
{
  public:
    // checkpoints: whether commits on this connection fold the log into the file, which waits for the disk
    Connection(const QString &path, const QString &name, bool checkpoints)
        : m_path(path), m_name(name), m_checkpoints(checkpoints)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        db.setConnectOptions(QLatin1StringView(ConnectOptions));
    }
    ~Connection()
    {
        close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    void close()
    {
        db().close();
        m_open = false;
    }

    // Empty when the file is open and up to date, else why it is not.
    QString open()
    {
        if (m_open)
            return {};
        bool settled = true;
        if (QString why = refusal(&settled); !why.isEmpty())
            return why;
        if (!settled) {
            if (QString why = checkReadOnly(); !why.isEmpty())
                return why;
        }
        QSqlDatabase d = db();
        if (!d.open())
            return reasonFor(d.lastError());
        m_open = true;
        QSqlQuery q(d);
        if (!q.exec(u"PRAGMA user_version"_s) || !q.next())
            return failed(q.lastError());
        const int version = q.value(0).toInt();
        q.finish();
        if (QString why = newerReason(version); !why.isEmpty()) {
            close();
            return why;
        }
        QSqlError err;
        // NORMAL in WAL mode: a commit survives a killed program without waiting for the disk.
        for (const auto *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON",
                                   "PRAGMA secure_delete=ON"}) {
            if (!exec(QString::fromLatin1(pragma), &err))
                return failed(err);
        }
        if (!m_checkpoints && !exec(u"PRAGMA wal_autocheckpoint=0"_s, &err))
            return failed(err);
        return version == HistoryStore::SchemaVersion ? QString() : migrate();
    }

    // Runs fn (bool fn(QSqlError &)) in one write transaction: empty when it committed, else why not.
    template <typename Fn> QString transaction(Fn fn)
    {
        if (QString why = open(); !why.isEmpty())
            return why;
        QSqlError err;
        if (exec(u"BEGIN IMMEDIATE"_s, &err)) {
            if (fn(err) && exec(u"COMMIT"_s, &err))
                return {};
            exec(u"ROLLBACK"_s);
        }
        return busy(err) ? reasonFor(err) : failed(err);
    }

    // An inactive query, and the reason in why, when the file cannot be read.
    QSqlQuery select(const QString &sql, const QVariantList &values, QString *why)
    {
        QSqlQuery q(db());
        if (*why = open(); !why->isEmpty())
            return q;
        q.setForwardOnly(true);
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            *why = busy(q.lastError()) ? reasonFor(q.lastError()) : failed(q.lastError());
        return q;
    }

    bool exec(const QString &sql, QSqlError *err = nullptr)
    {
        QSqlQuery q(db());
        if (q.exec(sql))
            return true;
        if (err)
            *err = q.lastError();
        return false;
    }

    static bool exec(QSqlQuery &q, QSqlError &err)
    {
        if (q.exec())
            return true;
        err = q.lastError();
        return false;
    }

    QSqlQuery prepare(const QString &sql, const QVariantList &values)
    {
        QSqlQuery q(db());
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        return q;
    }

    // 0 when the name is empty or unknown
    qint64 childId(const QString &name)
    {
        if (name.isEmpty())
            return 0;
        QSqlQuery q = prepare(u"SELECT id FROM children WHERE name = ?"_s, {name});
        return q.exec() && q.next() ? q.value(0).toLongLong() : 0;
    }

  private:
    // Looks at the file before SQLite does, so that nothing is ever written into a folder,
    // a link, a file of something else or a history of a newer program. settled: false for
    // an existing file that opening would change (not in WAL mode, or of an older version).
    QString refusal(bool *settled) const
    {
        for (const char *suffix : {"", "-wal", "-shm"}) {
            if (QFileInfo(m_path + QLatin1StringView(suffix)).isSymLink())
                return IsLink;
        }
        const QFileInfo fi(m_path);
        if (fi.isDir())
            return IsFolder;
        if (!fi.exists() || fi.size() == 0)
            return {};
        QFile f(m_path);
        if (!f.open(QIODevice::ReadOnly))
            return u"history.db cannot be read."_s;
        const QByteArray head = f.read(100);
        if (head.size() < 100 || !head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
            return NotAHistory;
        const int version = qFromBigEndian<qint32>(head.constData() + 60);
        // Bytes 18 and 19: 2 when the file is in WAL mode.
        *settled = head[18] == 2 && head[19] == 2 && version == HistoryStore::SchemaVersion;
        return newerReason(version);
    }

    // Reads a file through a read-only connection before it is opened for writing (which
    // changes its header), so that a damaged one is found, and put aside, exactly as it was.
    QString checkReadOnly() const
    {
        const QString name = m_name + u"-check"_s;
        QString why;
        {
            QSqlDatabase d = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
            d.setDatabaseName(m_path);
            d.setConnectOptions(u"QSQLITE_OPEN_READONLY;"_s + QLatin1StringView(ConnectOptions));
            if (d.open()) {
                QSqlQuery q(d);
                const bool read = q.exec(u"PRAGMA quick_check"_s) && q.next();
                const int err = code(q.lastError());
                if ((read && q.value(0).toString() != u"ok"_s) || (!read && (err == 11 || err == 26)))
                    why = Damaged;
            }
            d.close();
        }
        QSqlDatabase::removeDatabase(name);
        return why;
    }

    // All steps in one transaction, from the version read under the write lock: another copy
    // may have brought the file up to date meanwhile.
    QString migrate()
    {
        QSqlError err;
        if (!exec(u"BEGIN IMMEDIATE"_s, &err))
            return busy(err) ? reasonFor(err) : failed(err);
        QSqlQuery q(db());
        if (!q.exec(u"PRAGMA user_version"_s) || !q.next()) {
            exec(u"ROLLBACK"_s);
            return failed(q.lastError());
        }
        const int version = q.value(0).toInt();
        q.finish();
        if (QString why = newerReason(version); !why.isEmpty()) {
            exec(u"ROLLBACK"_s);
            close();
            return why;
        }
        bool ok = true;
        for (int v = version; ok && v < HistoryStore::SchemaVersion; ++v) {
            for (const QString &sql : Migrations[v])
                ok = ok && exec(sql, &err);
        }
        ok =
            ok && exec(u"PRAGMA user_version = %1"_s.arg(HistoryStore::SchemaVersion), &err) && exec(u"COMMIT"_s, &err);
        if (ok)
            return {};
        exec(u"ROLLBACK"_s);
        return failed(err);
    }

    // A failure other than a lock: the file is opened afresh next time, checks and all.
    QString failed(const QSqlError &err)
    {
        close();
        return reasonFor(err);
    }

    QString m_path, m_name;
    bool m_checkpoints;
    bool m_open = false;
};

// The schedule of the words of a run, read, moved on by the run's answers, and written back.
bool advanceTricky(Connection &c, const TestRun &r, qint64 child, QSqlError &err)
{
    for (const RunWord &w : r.words) {
        const QString test = w.origin.isEmpty() ? r.test : w.origin;
        if (test == QLatin1StringView(Tricky::FolderName))
            continue;
        const QVariantList key = {child, text(test), text(w.word)};
        QSqlQuery q = c.prepare(u"SELECT missed_at, missed, due, right_days, later_days, last_right FROM tricky"
                                " WHERE child = ? AND test = ? AND word = ?"_s,
                                key);
        if (!Connection::exec(q, err))
            return false;
        Tricky::State s;
        qint64 missedAt = 0;
        if (q.next()) {
            missedAt = q.value(0).toLongLong();
            s = {true, day(q.value(2)), day(q.value(1)), q.value(3).toInt(), q.value(4).toInt(), day(q.value(5))};
        } else if (w.right) {
            continue; // a word never missed stays that way
        }
        q.finish();
        s = Tricky::next(s, {r.when.date(), w.right});
        if (!w.right)
            missedAt = r.when.toMSecsSinceEpoch();
        if (s.tricky)
            q = c.prepare(u"REPLACE INTO tricky VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                          key + QVariantList{missedAt, dayText(s.missed), dayText(s.due), s.rightDays, s.laterDays,
                                             dayText(s.lastRight)});
        else
            q = c.prepare(u"DELETE FROM tricky WHERE child = ? AND test = ? AND word = ?"_s, key);
        if (!Connection::exec(q, err))
            return false;
    }
    return true;
}

bool insert(Connection &c, const TestRun &r, QSqlError &err)
{
    const qint64 child = c.childId(r.child);
    QSqlQuery q = c.prepare(u"INSERT INTO runs (uid, at, child, test, percent, stopped) VALUES (?, ?, ?, ?, ?, ?)"_s,
                            {r.uid, r.when.toMSecsSinceEpoch(), childValue(child), text(r.test), r.percent, r.stopped});
    if (!Connection::exec(q, err))
        return false;
    const QVariant id = q.lastInsertId();
    q.prepare(u"INSERT INTO run_words (run, position, test, word, answer, right) VALUES (?, ?, ?, ?, ?, ?)"_s);
    QSqlQuery miss =
        c.prepare(u"INSERT INTO misses VALUES (?, ?, ?, ?, 1) ON CONFLICT DO UPDATE SET times = times + 1"_s, {});
    for (int i = 0; i < r.words.size(); ++i) {
        const RunWord &w = r.words[i];
        const QVariant test = text(w.origin.isEmpty() ? r.test : w.origin);
        for (const QVariant &v : {id, QVariant(i), test, text(w.word), text(w.answer), QVariant(w.right)})
            q.addBindValue(v);
        if (!Connection::exec(q, err))
            return false;
        if (w.right)
            continue;
        for (const QVariant &v : {QVariant(child), test, text(w.word), text(w.answer)})
            miss.addBindValue(v);
        if (!Connection::exec(miss, err))
            return false;
    }
    return advanceTricky(c, r, child, err);
}

bool insert(Connection &c, const StudySession &s, QSqlError &err)
{
    QSqlQuery q = c.prepare(u"INSERT INTO study_sessions (uid, at, child, test) VALUES (?, ?, ?, ?)"_s,
                            {s.uid, s.when.toMSecsSinceEpoch(), childValue(c.childId(s.child)), text(s.test)});
    if (!Connection::exec(q, err))
        return false;
    const QVariant id = q.lastInsertId();
    q.prepare(u"INSERT INTO study_words (session, position, word, copied, wrong_copies) VALUES (?, ?, ?, ?, ?)"_s);
    for (int i = 0; i < s.words.size(); ++i) {
        const StudyWord &w = s.words[i];
        for (const QVariant &v : {id, QVariant(i), text(w.word), QVariant(w.copied), QVariant(w.wrongCopies)})
            q.addBindValue(v);
        if (!Connection::exec(q, err))
            return false;
    }
    return true;
}

bool insert(Connection &c, const GameScore &g, QSqlError &err)
{
    QSqlQuery q = c.prepare(
        u"INSERT INTO game_scores (uid, at, child, test, game, score) VALUES (?, ?, ?, ?, ?, ?)"_s,
        {g.uid, g.when.toMSecsSinceEpoch(), childValue(c.childId(g.child)), text(g.test), text(g.game), g.score});
    return Connection::exec(q, err);
}
} // namespace

// The caller's thread reads (and adds and forgets children) on its own connection; results
// are queued for the writer thread, which tries the first one whenever it is woken and stops
// at a failure until the next result (or flush) wakes it again.
struct HistoryStore::Impl {
    QString path, name;
    std::optional<Connection> reader;

    mutable std::mutex lock;
    std::condition_variable wake, idle;
    QList<Pending> queue;
    QString problem;
    bool blocked = false, writing = false, stop = false;
    std::thread writer;
    std::function<void()> written; // under lock

    // The writer starts with the first result recorded, the reader with the first read of
    // an existing file or the first child added: a program whose history is never used
    // never loads the database or makes the file.
    void startWriter()
    {
        if (writer.joinable())
            return;
        stop = false;
        writer = std::thread([this] { writeLoop(); });
    }
    void stopWriter()
    {
        if (!writer.joinable())
            return;
        {
            std::lock_guard g(lock);
            stop = true;
        }
        wake.notify_one();
        writer.join();
    }

    void writeLoop()
    {
        // Batch scheduling: waking up to write never takes the processor from the window's thread.
        sched_param param{};
        pthread_setschedparam(pthread_self(), SCHED_BATCH, &param);
        Connection c(path, name + u"-writer"_s, true);
        std::unique_lock g(lock);
        for (;;) {
            wake.wait(g, [this] { return stop || (!queue.isEmpty() && !blocked); });
            if (stop)
                break;
            const Pending item = queue.first();
            writing = true;
            g.unlock();
            const QString why = c.transaction(
                [&](QSqlError &err) { return std::visit([&](const auto &x) { return insert(c, x, err); }, item); });
            g.lock();
            writing = false;
            if (why.isEmpty()) {
                queue.removeFirst();
                if (queue.isEmpty())
                    problem.clear();
                if (written)
                    written();
            } else {
                problem = why;
                blocked = true;
            }
            idle.notify_all();
        }
    }

    void enqueue(Pending p)
    {
        std::visit(
            [](auto &x) {
                if (x.uid.isEmpty())
                    x.uid = QUuid::createUuid().toString(QUuid::Id128);
            },
            p);
        startWriter();
        {
            std::lock_guard g(lock);
            queue.append(std::move(p));
            blocked = false;
        }
        wake.notify_one();
    }

    bool flush()
    {
        std::unique_lock g(lock);
        blocked = false;
        wake.notify_one();
        idle.wait(g, [this] { return !writing && (queue.isEmpty() || blocked); });
        return queue.isEmpty();
    }

    // What the caller's connection found: a failure is the problem now; success clears one
    // when nothing is waiting to be written. Damage stays found until a new history is
    // started: a later read that happens to miss the damaged pages does not mend the file.
    void note(const QString &why)
    {
        std::lock_guard g(lock);
        // A new problem is logged once; the same one found again is not.
        if (!why.isEmpty() && why != problem)
            qCWarning(lcHistory).noquote() << why;
        if (!why.isEmpty() || (queue.isEmpty() && problem != Damaged))
            problem = why;
    }

    // Whether there is a file to read (or the reader has it open already); opens the reader
    // the first time. With no file yet there is nothing to read and nothing is made.
    bool readable()
    {
        if (!reader) {
            const QFileInfo file(path);
            if (!file.exists() && !file.isSymLink())
                return false;
            openReader();
        }
        return true;
    }
    void openReader()
    {
        if (!reader)
            reader.emplace(path, name, false);
        note(reader->open());
    }

    // A report read, after every queued result has been tried; an inactive query when
    // there is no history yet.
    QSqlQuery select(const QString &sql, const QVariantList &values)
    {
        flush();
        if (!readable())
            return QSqlQuery();
        QString why;
        QSqlQuery q = reader->select(sql, values, &why);
        note(why);
        return q;
    }

    // The child's id for a report: NULL for no child, nothing for a name not in the file.
    std::optional<QVariant> reportChild(const QString &child)
    {
        if (child.isEmpty())
            return childValue(0);
        QSqlQuery q = select(u"SELECT id FROM children WHERE name = ?"_s, {child});
        return q.next() ? std::optional(q.value(0)) : std::nullopt;
    }

    // Adds or forgets a child, on the caller's connection: empty when done, else why not.
    template <typename Fn> QString adultWrite(Fn fn)
    {
        flush();
        if (!reader)
            openReader();
        QString why = reader->transaction(fn);
        note(why);
        return why;
    }
};

HistoryStore::HistoryStore(const QString &appDir) : d(std::make_unique<Impl>())
{
    Q_ASSERT(Migrations.size() == SchemaVersion);
    static std::atomic<int> stores;
    d->path = appDir + u"history.db"_s;
    d->name = u"history-%1"_s.arg(++stores);
}

HistoryStore::~HistoryStore()
{
    d->flush();
    d->stopWriter();
}

QString HistoryStore::path() const
{
    return d->path;
}

QString HistoryStore::status() const
{
    d->readable(); // what is wrong with a file is found when it is opened
    std::lock_guard g(d->lock);
    if (d->problem.isEmpty() || d->queue.isEmpty())
        return d->problem;
    return d->problem + u" %1 unsaved result(s) are kept until it can be written."_s.arg(d->queue.size());
}

int HistoryStore::pendingCount() const
{
    std::lock_guard g(d->lock);
    return int(d->queue.size());
}

void HistoryStore::recordRun(const TestRun &run)
{
    d->enqueue(run);
}
void HistoryStore::recordStudy(const StudySession &session)
{
    d->enqueue(session);
}
void HistoryStore::recordGame(const GameScore &game)
{
    d->enqueue(game);
}
void HistoryStore::setWrittenHook(std::function<void()> hook)
{
    std::lock_guard g(d->lock);
    d->written = std::move(hook);
}

bool HistoryStore::flush()
{
    return d->flush();
}

bool HistoryStore::canStartNew() const
{
    d->readable(); // what is wrong with a file is found when it is opened
    std::lock_guard g(d->lock);
    return unusableFile(d->problem);
}

bool HistoryStore::startNewHistory()
{
    d->stopWriter();
    if (d->reader)
        d->reader->close();
    const QString base = d->path + u".broken-"_s + QDateTime::currentDateTime().toString(u"yyyy-MM-dd-HHmmss"_s);
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = base + u"-%1"_s.arg(n);
    QString why;
    // The write-ahead log holds committed results too: it moves with its file, under the name SQLite looks for.
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString from = d->path + QLatin1StringView(suffix);
        if (why.isEmpty() && (QFileInfo::exists(from) || QFileInfo(from).isSymLink()) &&
            std::rename(QFile::encodeName(from).constData(),
                        QFile::encodeName(aside + QLatin1StringView(suffix)).constData()) != 0)
            why = u"history.db cannot be put aside: %1"_s.arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (why.isEmpty()) {
        {
            std::lock_guard g(d->lock);
            d->problem.clear(); // the damaged file is aside
        }
        d->openReader();
    } else {
        d->note(why);
    }
    d->startWriter();
    return d->flush() && status().isEmpty();
}

QString HistoryStore::nameProblem(const QString &name)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        return u"Please type the child's name."_s;
    if (n.size() > MaxNameLength)
        return u"A child's name can have at most %1 letters."_s.arg(MaxNameLength);
    for (const QChar c : n) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || c.isNull())
            return u"A child's name cannot contain control characters."_s;
    }
    return {};
}

QString HistoryStore::addChild(const QString &name)
{
    if (QString why = nameProblem(name); !why.isEmpty())
        return why;
    const QString n = name.trimmed();
    if (children().contains(n, Qt::CaseInsensitive))
        return u"There is already a child called %1."_s.arg(n);
    const QString why = d->adultWrite([&](QSqlError &err) {
        QSqlQuery q = d->reader->prepare(u"INSERT INTO children (name) VALUES (?)"_s, {n});
        return Connection::exec(q, err);
    });
    return why.isEmpty() ? why : u"The child cannot be added now: "_s + why;
}

QStringList HistoryStore::children() const
{
    QStringList names;
    QSqlQuery q = d->select(u"SELECT name FROM children"_s, {});
    while (q.next())
        names << q.value(0).toString();
    names.sort(Qt::CaseInsensitive);
    return names;
}

QString HistoryStore::forgetChild(const QString &name)
{
    d->flush();
    {
        std::lock_guard g(d->lock);
        d->queue.removeIf([&](const Pending &p) { return childOf(p) == name; });
    }
    const auto id = d->reportChild(name);
    if (!id || name.isEmpty())
        return status().isEmpty() ? u"There is no child called %1."_s.arg(name)
                                  : u"%1 cannot be forgotten now: "_s.arg(name) + status();
    const QString why = d->adultWrite([&](QSqlError &err) {
        for (const auto *sql :
             {"DELETE FROM run_words WHERE run IN (SELECT id FROM runs WHERE child = ?)",
              "DELETE FROM runs WHERE child = ?",
              "DELETE FROM study_words WHERE session IN (SELECT id FROM study_sessions WHERE child = ?)",
              "DELETE FROM study_sessions WHERE child = ?", "DELETE FROM game_scores WHERE child = ?",
              "DELETE FROM tricky WHERE child = ?", "DELETE FROM misses WHERE child = ?",
              "DELETE FROM children WHERE id = ?"}) {
            QSqlQuery q = d->reader->prepare(QString::fromLatin1(sql), {*id});
            if (!Connection::exec(q, err))
                return false;
        }
        return true;
    });
    if (!why.isEmpty())
        return u"%1 cannot be forgotten now: "_s.arg(name) + why;
    // The log still holds the old pages until they are folded into the (zeroed) file.
    if (d->reader)
        d->reader->exec(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
    return {};
}

QList<ScoreLine> HistoryStore::scores(const QString &child) const
{
    QList<ScoreLine> lines;
    const auto id = d->reportChild(child);
    if (!id)
        return lines;
    QSqlQuery q = d->select(u"SELECT test, at, percent FROM runs WHERE child IS ? ORDER BY test, at, id"_s, {*id});
    while (q.next()) {
        const QString test = q.value(0).toString();
        if (lines.isEmpty() || lines.last().test != test)
            lines.append({test, {}});
        lines.last().points.append({instant(q.value(1)), q.value(2).toInt()});
    }
    return lines;
}

QList<MissedWord> HistoryStore::mostMissed(const QString &child, int count) const
{
    QList<MissedWord> words;
    const auto id = d->reportChild(child);
    if (!id)
        return words;
    QSqlQuery q = d->select(u"SELECT test, word, answer, times FROM misses WHERE child = ?"
                            " ORDER BY test, word, times DESC, answer"_s,
                            {id->isNull() ? QVariant(0) : *id});
    while (q.next()) {
        const QString test = q.value(0).toString(), word = q.value(1).toString(), answer = q.value(2).toString();
        if (words.isEmpty() || words.last().test != test || words.last().word != word)
            words.append({test, word, 0, {}});
        words.last().misses += q.value(3).toInt();
        if (!answer.trimmed().isEmpty())
            words.last().spellings << answer;
    }
    std::stable_sort(words.begin(), words.end(), [](const auto &a, const auto &b) { return a.misses > b.misses; });
    return words.mid(0, count);
}

QList<Tricky::Word> HistoryStore::trickyDue(const QString &child, QDate today) const
{
    std::map<std::pair<QString, QString>, std::pair<Tricky::State, QDateTime>> words;
    if (const auto id = d->reportChild(child)) {
        QSqlQuery q = d->select(u"SELECT test, word, missed_at, missed, due, right_days, later_days, last_right"
                                " FROM tricky WHERE child = ?"_s,
                                {id->isNull() ? QVariant(0) : *id});
        while (q.next()) {
            words[{q.value(0).toString(), q.value(1).toString()}] = {
                {true, day(q.value(4)), day(q.value(3)), q.value(5).toInt(), q.value(6).toInt(), day(q.value(7))},
                instant(q.value(2))};
        }
    }
    // Results still waiting for the file count too, so the child's practice goes on.
    std::unique_lock g(d->lock);
    const QList<Pending> queue = d->queue;
    g.unlock();
    for (const Pending &p : queue) {
        const auto *run = std::get_if<TestRun>(&p);
        if (!run || run->child != child)
            continue;
        for (const RunWord &w : run->words) {
            const QString test = w.origin.isEmpty() ? run->test : w.origin;
            if (test == QLatin1StringView(Tricky::FolderName))
                continue;
            auto &[state, lastMiss] = words[{test, w.word}];
            state = Tricky::next(state, {run->when.date(), w.right});
            if (!w.right)
                lastMiss = run->when;
        }
    }
    QList<Tricky::Word> due;
    for (const auto &[key, entry] : words) {
        if (Tricky::isDue(entry.first, today))
            due.append({key.first, key.second, entry.first.due, entry.second});
    }
    return due;
}

namespace
{
QString csvField(QString s)
{
    // A NUL ends the text for many readers, which would lose the rest of the line.
    s.remove(QChar(0));
    // A leading formula sign would make a spreadsheet run what a child typed; a spreadsheet
    // skips a leading tab or carriage return and then reads such a sign too.
    if (!s.isEmpty() && QStringView(u"=+-@\t\r").contains(s.front()))
        s.prepend(u'\'');
    if (s.contains(u',') || s.contains(u'"') || s.contains(u'\n') || s.contains(u'\r'))
        s = u'"' + s.replace(u'"', u"\"\""_s) + u'"';
    return s;
}

// The export reads this many runs at a time (and tells its progress after each batch), and
// writes the file in pieces of about this size.
constexpr qsizetype CsvRunsPerBatch = 500;
constexpr qsizetype CsvPieceBytes = 1 << 20;
} // namespace

QString HistoryStore::exportCsv(const QString &path) const
{
    return csvExport().run(path);
}

HistoryStore::CsvExport HistoryStore::csvExport() const
{
    static std::atomic<int> exports;
    d->flush();
    return {d->readable() ? d->path : QString(), d->name + u"-export-%1"_s.arg(++exports)};
}

QString HistoryStore::CsvExport::run(const QString &path, const Progress &progress, bool *cancelled) const
{
    if (cancelled)
        *cancelled = false;
    // The runs in time order first, then their lines a batch of runs at a time: sorting the
    // whole export at once would take a long history's first minute with no way to cancel.
    std::optional<Connection> c; // declared before its queries, which must end first
    QList<qint64> runs;
    if (!dbPath.isEmpty()) {
        c.emplace(dbPath, connectionName, false);
        QString why;
        // One read transaction: every batch reads the history as it was when the export began.
        if (why = c->open(); !why.isEmpty())
            return why;
        QSqlError err;
        if (!c->exec(u"BEGIN"_s, &err))
            return reasonFor(err);
        QSqlQuery order = c->select(u"SELECT id FROM runs ORDER BY at, id"_s, {}, &why);
        if (!why.isEmpty())
            return why;
        while (order.next())
            runs.append(order.value(0).toLongLong());
        if (order.lastError().isValid())
            return reasonFor(order.lastError());
    }
    SafeFile::Writer f; // with no history yet: the heading line alone
    QString why;
    if (!f.open(path, &why, SafeFile::Destination::UserChosen))
        return why;
    const auto stop = [&](qint64 done) {
        if (!progress || progress(done, runs.size()))
            return false;
        f.discard();
        if (cancelled)
            *cancelled = true;
        return true;
    };
    QByteArray piece = "When,Child,Test,Percent,Stopped,Position,Word,Word's Test,Answer,Right\r\n"_ba;
    const auto yesNo = [](const QVariant &v) { return v.toBool() ? "yes"_ba : "no"_ba; };
    const auto batchQuery = [&](qsizetype size) {
        QStringList marks(size, u"?"_s);
        QSqlQuery q(c->db());
        q.setForwardOnly(true);
        q.prepare(u"SELECT r.id, r.at, c.name, r.test, r.percent, r.stopped, w.position, w.word, w.test,"
                  " w.answer, w.right FROM runs r LEFT JOIN children c ON c.id = r.child"
                  " LEFT JOIN run_words w ON w.run = r.id WHERE r.id IN (%1)"
                  " ORDER BY r.at, r.id, w.position"_s.arg(marks.join(u',')));
        return q;
    };
    std::optional<QSqlQuery> q;
    for (qsizetype from = 0; from < runs.size(); from += CsvRunsPerBatch) {
        if (stop(from))
            return {};
        const qsizetype size = std::min<qsizetype>(CsvRunsPerBatch, runs.size() - from);
        if (!q || size != CsvRunsPerBatch)
            q = batchQuery(size);
        for (qsizetype i = 0; i < size; ++i)
            q->bindValue(int(i), runs[from + i]);
        if (!q->exec())
            return reasonFor(q->lastError());
        qint64 run = -1;
        QByteArray head;
        while (q->next()) {
            if (q->value(0).toLongLong() != run) {
                run = q->value(0).toLongLong();
                const QDateTime at = QDateTime::fromMSecsSinceEpoch(q->value(1).toLongLong());
                head = (at.toString(Qt::ISODateWithMs) + u',' + csvField(q->value(2).toString()) + u',' +
                        csvField(q->value(3).toString()) + u',' + q->value(4).toString() + u',')
                           .toUtf8() +
                       yesNo(q->value(5)) + ',';
            }
            if (q->value(6).isNull()) {
                piece += head + ",,,,\r\n";
            } else {
                piece += head + QByteArray::number(q->value(6).toInt() + 1) + ',' +
                         (csvField(q->value(7).toString()) + u',' + csvField(q->value(8).toString()) + u',' +
                          csvField(q->value(9).toString()) + u',')
                             .toUtf8() +
                         yesNo(q->value(10)) + "\r\n";
            }
        }
        if (q->lastError().isValid())
            return reasonFor(q->lastError());
        if (piece.size() >= CsvPieceBytes) {
            if (!f.write(piece))
                break; // a full disk: commit() says so
            piece.clear();
        }
    }
    f.write(piece);
    // The last chance to cancel: once renamed, the file is the user's.
    if (stop(runs.size()))
        return {};
    return f.commit(&why) ? QString() : why;
}

QList<WordAnswer> HistoryStore::wordAnswers(const QString &child) const
{
    QList<WordAnswer> answers;
    if (const auto id = d->reportChild(child)) {
        QSqlQuery q =
            d->select(u"SELECT r.uid, r.at, w.test, w.word, w.right FROM runs r JOIN run_words w ON w.run = r.id"
                      " WHERE r.child IS ? ORDER BY r.at, r.id, w.position"_s,
                      {*id});
        while (q.next())
            answers.append({q.value(0).toString(), q.value(1).toLongLong(), q.value(2).toString(),
                            q.value(3).toString(), q.value(4).toBool()});
    }
    // Results still waiting for the file count too.
    std::unique_lock g(d->lock);
    const QList<Pending> queue = d->queue;
    g.unlock();
    for (const Pending &p : queue) {
        const auto *run = std::get_if<TestRun>(&p);
        if (!run || run->child != child)
            continue;
        for (const RunWord &w : run->words)
            answers.append(
                {run->uid, run->when.toMSecsSinceEpoch(), w.origin.isEmpty() ? run->test : w.origin, w.word, w.right});
    }
    return answers;
}

qint64 HistoryStore::unsentCount() const
{
    qint64 n = 0;
    for (const ResultTable &t : ResultTables) {
        QSqlQuery q = d->select(u"SELECT count(*) FROM %1 WHERE sent = 0"_s.arg(QLatin1StringView(t.table)), {});
        if (q.next())
            n += q.value(0).toLongLong();
    }
    std::lock_guard g(d->lock);
    return n + d->queue.size();
}

struct HistoryStore::Outbox::Impl {
    QString path, name;
    std::optional<Connection> c;

    // Opens the file when there is one; never makes it.
    bool open(QString *why)
    {
        if (!c) {
            if (!QFileInfo::exists(path))
                return false;
            c.emplace(path, name, false);
        }
        *why = c->open();
        return why->isEmpty();
    }
};

HistoryStore::Outbox::Outbox(const QString &appDir) : d(std::make_unique<Impl>())
{
    static std::atomic<int> outboxes;
    d->path = appDir + u"history.db"_s;
    d->name = u"history-outbox-%1"_s.arg(++outboxes);
}

HistoryStore::Outbox::~Outbox() = default;

QList<QJsonObject> HistoryStore::Outbox::next(int max, QString *why)
{
    QList<QJsonObject> out;
    why->clear();
    if (!d->open(why))
        return out;
    for (const ResultTable &t : ResultTables) {
        const QString kind = QLatin1StringView(t.kind);
        const QString extra = kind == u"run"_s    ? u", r.percent, r.stopped"_s
                              : kind == u"game"_s ? u", r.game, r.score"_s
                                                  : QString();
        QSqlQuery q =
            d->c->select(u"SELECT r.id, r.uid, r.at, c.name, r.test%1 FROM %2 r"
                         " LEFT JOIN children c ON c.id = r.child WHERE r.sent = 0 ORDER BY r.id LIMIT ?"_s.arg(
                             extra, QLatin1StringView(t.table)),
                         {max - int(out.size())}, why);
        while (q.next()) {
            QJsonObject o{{u"uid"_s, q.value(1).toString()},
                          {u"kind"_s, kind},
                          {u"at"_s, q.value(2).toLongLong()},
                          {u"child"_s, q.value(3).toString()},
                          {u"test"_s, q.value(4).toString()}};
            QJsonArray words;
            if (kind == u"run"_s) {
                o[u"percent"_s] = q.value(5).toInt();
                o[u"stopped"_s] = q.value(6).toBool();
                QSqlQuery w =
                    d->c->select(u"SELECT test, word, answer, right FROM run_words WHERE run = ? ORDER BY position"_s,
                                 {q.value(0)}, why);
                while (w.next())
                    words.append(QJsonObject{{u"t"_s, w.value(0).toString()},
                                             {u"w"_s, w.value(1).toString()},
                                             {u"a"_s, w.value(2).toString()},
                                             {u"r"_s, w.value(3).toBool()}});
            } else if (kind == u"study"_s) {
                QSqlQuery w = d->c->select(
                    u"SELECT word, copied, wrong_copies FROM study_words WHERE session = ? ORDER BY position"_s,
                    {q.value(0)}, why);
                while (w.next())
                    words.append(QJsonObject{
                        {u"w"_s, w.value(0).toString()}, {u"c"_s, w.value(1).toBool()}, {u"x"_s, w.value(2).toInt()}});
            } else {
                o[u"game"_s] = q.value(5).toString();
                o[u"score"_s] = q.value(6).toInt();
            }
            if (!why->isEmpty())
                return {};
            o[u"words"_s] = words;
            out.append(o);
        }
        if (!why->isEmpty())
            return {};
    }
    return out;
}

bool HistoryStore::Outbox::acknowledge(const QStringList &uids, QString *why)
{
    if (!d->open(why))
        return false;
    *why = d->c->transaction([&](QSqlError &err) {
        for (const ResultTable &t : ResultTables) {
            QSqlQuery q = d->c->prepare(u"UPDATE %1 SET sent = 1 WHERE uid = ?"_s.arg(QLatin1StringView(t.table)), {});
            for (const QString &uid : uids) {
                q.addBindValue(uid);
                if (!Connection::exec(q, err))
                    return false;
            }
        }
        return true;
    });
    return why->isEmpty();
}

qint64 HistoryStore::Outbox::count(QString *why)
{
    qint64 n = 0;
    if (!d->open(why))
        return 0;
    for (const ResultTable &t : ResultTables) {
        QSqlQuery q =
            d->c->select(u"SELECT count(*) FROM %1 WHERE sent = 0"_s.arg(QLatin1StringView(t.table)), {}, why);
        if (q.next())
            n += q.value(0).toLongLong();
    }
    return n;
}
