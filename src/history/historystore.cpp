#include "history/historystore.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <variant>

using namespace History;
using namespace Qt::StringLiterals;

namespace
{
// Migration i brings the file from version i to i + 1; the list only ever grows.
const QList<QStringList> Migrations = {
    {
        u"CREATE TABLE children (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"_s,
        u"CREATE TABLE runs (id INTEGER PRIMARY KEY, at TEXT NOT NULL,"
        " child INTEGER REFERENCES children(id), test TEXT NOT NULL,"
        " percent INTEGER NOT NULL, stopped INTEGER NOT NULL)"_s,
        u"CREATE INDEX runs_child ON runs(child, at)"_s,
        // test: the test the word belongs to, which differs from the run's for the tricky test
        u"CREATE TABLE run_words (run INTEGER NOT NULL REFERENCES runs(id), position INTEGER NOT NULL,"
        " test TEXT NOT NULL, word TEXT NOT NULL, answer TEXT NOT NULL, right INTEGER NOT NULL,"
        " PRIMARY KEY (run, position)) WITHOUT ROWID"_s,
        u"CREATE INDEX run_words_missed ON run_words(test, word) WHERE right = 0"_s,
        u"CREATE TABLE study_sessions (id INTEGER PRIMARY KEY, at TEXT NOT NULL,"
        " child INTEGER REFERENCES children(id), test TEXT NOT NULL)"_s,
        u"CREATE TABLE study_words (session INTEGER NOT NULL REFERENCES study_sessions(id),"
        " position INTEGER NOT NULL, word TEXT NOT NULL, copied INTEGER NOT NULL,"
        " wrong_copies INTEGER NOT NULL, PRIMARY KEY (session, position)) WITHOUT ROWID"_s,
        u"CREATE TABLE game_scores (id INTEGER PRIMARY KEY, at TEXT NOT NULL,"
        " child INTEGER REFERENCES children(id), test TEXT NOT NULL, game TEXT NOT NULL,"
        " score INTEGER NOT NULL)"_s,
    },
};

// Another copy of the program holds its write lock for well under a millisecond; a longer
// wait means it is stuck, and the write is kept in memory rather than keeping the child waiting.
constexpr auto ConnectOptions = "QSQLITE_BUSY_TIMEOUT=50";

using Pending = std::variant<TestRun, StudySession, GameScore>;

QString stamp(const QDateTime &t)
{
    return t.toString(Qt::ISODateWithMs);
}

// A null QString binds as NULL; every text column holds text, empty if need be.
QVariant text(const QString &s)
{
    return s.isNull() ? QVariant(u""_s) : QVariant(s);
}

QString reasonFor(const QSqlError &e)
{
    switch (e.nativeErrorCode().toInt() & 0xff) {
    case 5: // SQLITE_BUSY
    case 6: // SQLITE_LOCKED
        return u"history.db is in use by another copy of Wordaroo."_s;
    case 8:
        return u"history.db cannot be written: the file or the program folder is read-only."_s;
    case 11:
    case 26:
        return u"history.db is damaged."_s;
    case 13:
        return u"history.db cannot be written: the disk is full."_s;
    case 14:
        return u"history.db cannot be opened."_s;
    default:
        return u"history.db cannot be written (%1)."_s.arg(e.text());
    }
}

// Binds a child id, or NULL for "no child".
QVariant childValue(qint64 id)
{
    return id > 0 ? QVariant(id) : QVariant(QMetaType::fromType<qint64>());
}
} // namespace

struct HistoryStore::Impl {
    QString appDir, path, conn;
    QString problem;
    QList<Pending> pending;
    bool open = false;

    QSqlDatabase db() const { return QSqlDatabase::database(conn, false); }

    void fail(const QString &why, bool close = true)
    {
        problem = why;
        if (close && open) {
            db().close();
            open = false;
        }
    }

    // Looks at the file before SQLite does, so that nothing is ever written into a folder,
    // a link, a file of something else or a history of a newer program.
    QString refusal() const
    {
        for (const char *suffix : {"", "-wal", "-shm"}) {
            if (QFileInfo(path + QLatin1StringView(suffix)).isSymLink())
                return u"history.db is a link; Wordaroo keeps its history only in a file of its own folder."_s;
        }
        const QFileInfo fi(path);
        if (fi.isDir())
            return u"history.db is a folder, not a file."_s;
        if (!fi.exists() || fi.size() == 0)
            return {};
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return u"history.db cannot be read."_s;
        const QByteArray head = f.read(100);
        if (head.size() < 100 || !head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
            return u"history.db is damaged or is not a Wordaroo history."_s;
        return newerReason(qFromBigEndian<qint32>(head.constData() + 60));
    }

    static QString newerReason(int version)
    {
        if (version <= SchemaVersion)
            return {};
        return u"history.db was made by a newer Wordaroo (history version %1; this one knows up to %2)"
               " and is left as it is."_s.arg(version)
                   .arg(SchemaVersion);
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

    bool ensureOpen()
    {
        if (open)
            return true;
        if (const QString why = refusal(); !why.isEmpty()) {
            fail(why);
            return false;
        }
        QSqlDatabase d = db();
        if (!d.open()) {
            fail(reasonFor(d.lastError()));
            return false;
        }
        open = true;
        QSqlQuery q(d);
        if (!q.exec(u"PRAGMA user_version"_s) || !q.next()) {
            fail(reasonFor(q.lastError()));
            return false;
        }
        const int version = q.value(0).toInt();
        q.finish();
        if (const QString why = newerReason(version); !why.isEmpty()) {
            fail(why);
            return false;
        }
        QSqlError err;
        // NORMAL in WAL mode: a commit is safe from a killed program without waiting for the disk.
        for (const auto *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON",
                                   "PRAGMA secure_delete=ON"}) {
            if (!exec(QString::fromLatin1(pragma), &err)) {
                fail(reasonFor(err));
                return false;
            }
        }
        return version == SchemaVersion || migrate();
    }

    // All steps in one transaction, from the version read under the write lock: another copy
    // may have brought the file up to date meanwhile.
    bool migrate()
    {
        QSqlError err;
        bool ok = exec(u"BEGIN IMMEDIATE"_s, &err);
        QSqlQuery q(db());
        ok = ok && q.exec(u"PRAGMA user_version"_s) && q.next();
        const int version = ok ? q.value(0).toInt() : 0;
        q.finish();
        if (ok && version > SchemaVersion) {
            exec(u"ROLLBACK"_s);
            fail(newerReason(version));
            return false;
        }
        for (int v = version; ok && v < SchemaVersion; ++v) {
            for (const QString &sql : Migrations[v])
                ok = ok && exec(sql, &err);
        }
        ok = ok && exec(u"PRAGMA user_version = %1"_s.arg(SchemaVersion), &err) && exec(u"COMMIT"_s, &err);
        if (!ok) {
            if (!err.isValid())
                err = q.lastError();
            exec(u"ROLLBACK"_s);
            fail(reasonFor(err));
        }
        return ok;
    }

    // 0 when the name is empty or unknown
    qint64 childId(const QString &name)
    {
        if (name.isEmpty())
            return 0;
        QSqlQuery q(db());
        q.prepare(u"SELECT id FROM children WHERE name = ?"_s);
        q.addBindValue(name);
        return q.exec() && q.next() ? q.value(0).toLongLong() : 0;
    }

    // Runs fn in one write transaction; false (and the reason in problem) when it did not commit.
    template <typename Fn> bool transaction(Fn fn)
    {
        if (!ensureOpen())
            return false;
        QSqlError err;
        if (exec(u"BEGIN IMMEDIATE"_s, &err)) {
            if (fn(err) && exec(u"COMMIT"_s, &err))
                return true;
            exec(u"ROLLBACK"_s);
        }
        const int code = err.nativeErrorCode().toInt() & 0xff;
        fail(reasonFor(err), code != 5 && code != 6);
        return false;
    }

    static bool run(QSqlQuery &q, QSqlError &err)
    {
        if (q.exec())
            return true;
        err = q.lastError();
        return false;
    }

    bool insert(const TestRun &r, QSqlError &err)
    {
        QSqlQuery q(db());
        q.prepare(u"INSERT INTO runs (at, child, test, percent, stopped) VALUES (?, ?, ?, ?, ?)"_s);
        for (const QVariant &v : {QVariant(stamp(r.when)), childValue(childId(r.child)), text(r.test),
                                  QVariant(r.percent), QVariant(r.stopped)})
            q.addBindValue(v);
        if (!run(q, err))
            return false;
        const QVariant id = q.lastInsertId();
        q.prepare(u"INSERT INTO run_words (run, position, test, word, answer, right) VALUES (?, ?, ?, ?, ?, ?)"_s);
        for (int i = 0; i < r.words.size(); ++i) {
            const RunWord &w = r.words[i];
            for (const QVariant &v : {id, QVariant(i), text(w.origin.isEmpty() ? r.test : w.origin), text(w.word),
                                      text(w.answer), QVariant(w.right)})
                q.addBindValue(v);
            if (!run(q, err))
                return false;
        }
        return true;
    }

    bool insert(const StudySession &s, QSqlError &err)
    {
        QSqlQuery q(db());
        q.prepare(u"INSERT INTO study_sessions (at, child, test) VALUES (?, ?, ?)"_s);
        for (const QVariant &v : {QVariant(stamp(s.when)), childValue(childId(s.child)), text(s.test)})
            q.addBindValue(v);
        if (!run(q, err))
            return false;
        const QVariant id = q.lastInsertId();
        q.prepare(u"INSERT INTO study_words (session, position, word, copied, wrong_copies) VALUES (?, ?, ?, ?, ?)"_s);
        for (int i = 0; i < s.words.size(); ++i) {
            const StudyWord &w = s.words[i];
            for (const QVariant &v : {id, QVariant(i), text(w.word), QVariant(w.copied), QVariant(w.wrongCopies)})
                q.addBindValue(v);
            if (!run(q, err))
                return false;
        }
        return true;
    }

    bool insert(const GameScore &g, QSqlError &err)
    {
        QSqlQuery q(db());
        q.prepare(u"INSERT INTO game_scores (at, child, test, game, score) VALUES (?, ?, ?, ?, ?)"_s);
        for (const QVariant &v :
             {QVariant(stamp(g.when)), childValue(childId(g.child)), text(g.test), text(g.game), QVariant(g.score)})
            q.addBindValue(v);
        return run(q, err);
    }

    bool flush()
    {
        if (!ensureOpen())
            return false;
        while (!pending.isEmpty()) {
            const bool ok = transaction([&](QSqlError &err) {
                return std::visit([&](const auto &item) { return insert(item, err); }, pending.first());
            });
            if (!ok)
                return false;
            pending.removeFirst();
        }
        problem.clear();
        return true;
    }

    // A read for a report; an invalid query when the file cannot be read.
    QSqlQuery select(const QString &sql, const QVariantList &values)
    {
        QSqlQuery q(db());
        if (!ensureOpen())
            return q;
        q.setForwardOnly(true);
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec() && (q.lastError().nativeErrorCode().toInt() & 0xff) != 5)
            fail(reasonFor(q.lastError()));
        return q;
    }

    // The child's id for a report, or nothing when a named child does not exist.
    std::optional<QVariant> reportChild(const QString &child)
    {
        if (child.isEmpty())
            return childValue(0);
        if (!ensureOpen())
            return std::nullopt;
        const qint64 id = childId(child);
        return id ? std::optional(QVariant(id)) : std::nullopt;
    }
};

HistoryStore::HistoryStore(const QString &appDir) : d(std::make_unique<Impl>())
{
    Q_ASSERT(Migrations.size() == SchemaVersion);
    static std::atomic<int> connections;
    d->appDir = appDir;
    d->path = appDir + u"history.db"_s;
    d->conn = u"history-%1"_s.arg(++connections);
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, d->conn);
    db.setDatabaseName(d->path);
    db.setConnectOptions(QLatin1StringView(ConnectOptions));
    d->ensureOpen();
}

HistoryStore::~HistoryStore()
{
    d->db().close();
    const QString conn = d->conn;
    d.reset();
    QSqlDatabase::removeDatabase(conn);
}

QString HistoryStore::path() const
{
    return d->path;
}

QString HistoryStore::status() const
{
    if (d->problem.isEmpty())
        return {};
    if (d->pending.isEmpty())
        return d->problem;
    return d->problem + u" %1 unsaved result(s) are kept until it can be written."_s.arg(d->pending.size());
}

int HistoryStore::pendingCount() const
{
    return int(d->pending.size());
}

bool HistoryStore::recordRun(const TestRun &run)
{
    d->pending.append(run);
    return d->flush();
}

bool HistoryStore::recordStudy(const StudySession &session)
{
    d->pending.append(session);
    return d->flush();
}

bool HistoryStore::recordGame(const GameScore &game)
{
    d->pending.append(game);
    return d->flush();
}

bool HistoryStore::retryPending()
{
    return d->flush();
}

bool HistoryStore::startNewHistory()
{
    d->db().close();
    d->open = false;
    const QString base = d->path + u".broken-"_s + QDateTime::currentDateTime().toString(u"yyyy-MM-dd-HHmmss"_s);
    QString aside = base;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = base + u"-%1"_s.arg(n);
    // The write-ahead log holds committed results too: it moves with its file under the name SQLite looks for.
    for (const char *suffix : {"", "-wal", "-shm"}) {
        const QString from = d->path + QLatin1StringView(suffix);
        if (!QFileInfo::exists(from) && !QFileInfo(from).isSymLink())
            continue;
        if (std::rename(QFile::encodeName(from).constData(),
                        QFile::encodeName(aside + QLatin1StringView(suffix)).constData()) != 0) {
            d->fail(u"history.db cannot be put aside: %1"_s.arg(QString::fromLocal8Bit(std::strerror(errno))));
            return false;
        }
    }
    return d->flush();
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
    if (!d->ensureOpen())
        return u"The child cannot be added now: "_s + d->problem;
    if (children().contains(n, Qt::CaseInsensitive))
        return u"There is already a child called %1."_s.arg(n);
    const bool ok = d->transaction([&](QSqlError &err) {
        QSqlQuery q(d->db());
        q.prepare(u"INSERT INTO children (name) VALUES (?)"_s);
        q.addBindValue(n);
        return Impl::run(q, err);
    });
    return ok ? QString() : u"The child cannot be added now: "_s + d->problem;
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
    d->pending.removeIf([&](const Pending &p) { return std::visit([](const auto &x) { return x.child; }, p) == name; });
    if (!d->ensureOpen())
        return u"%1 cannot be forgotten now: "_s.arg(name) + d->problem;
    const qint64 id = d->childId(name);
    if (!id)
        return u"There is no child called %1."_s.arg(name);
    const bool ok = d->transaction([&](QSqlError &err) {
        for (const auto *sql :
             {"DELETE FROM run_words WHERE run IN (SELECT id FROM runs WHERE child = ?)",
              "DELETE FROM runs WHERE child = ?",
              "DELETE FROM study_words WHERE session IN (SELECT id FROM study_sessions WHERE child = ?)",
              "DELETE FROM study_sessions WHERE child = ?", "DELETE FROM game_scores WHERE child = ?",
              "DELETE FROM children WHERE id = ?"}) {
            QSqlQuery q(d->db());
            q.prepare(QString::fromLatin1(sql));
            q.addBindValue(id);
            if (!Impl::run(q, err))
                return false;
        }
        return true;
    });
    if (!ok)
        return u"%1 cannot be forgotten now: "_s.arg(name) + d->problem;
    // The log still holds the old pages until it is folded into the (zeroed) file.
    d->exec(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
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
        lines.last().points.append(
            {QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs), q.value(2).toInt()});
    }
    return lines;
}

QList<MissedWord> HistoryStore::mostMissed(const QString &child, int count) const
{
    QList<MissedWord> words;
    const auto id = d->reportChild(child);
    if (!id)
        return words;
    QSqlQuery q = d->select(u"SELECT w.test, w.word, w.answer, count(*) AS n FROM run_words w"
                            " JOIN runs r ON r.id = w.run WHERE r.child IS ? AND w.right = 0"
                            " GROUP BY w.test, w.word, w.answer ORDER BY w.test, w.word, n DESC, w.answer"_s,
                            {*id});
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
    struct Track {
        QList<Tricky::Answer> answers;
        QDateTime lastMiss;
    };
    std::map<std::pair<QString, QString>, Track> words;
    auto add = [&](const QString &test, const QString &word, const QDateTime &when, bool right) {
        if (test == QLatin1StringView(Tricky::FolderName))
            return;
        Track &t = words[{test, word}];
        t.answers.append({when.date(), right});
        if (!right)
            t.lastMiss = when;
    };
    if (const auto id = d->reportChild(child)) {
        QSqlQuery q = d->select(u"SELECT w.test, w.word, r.at, w.right FROM run_words w JOIN runs r ON r.id = w.run"
                                " WHERE r.child IS ? AND (w.test, w.word) IN (SELECT m.test, m.word FROM run_words m"
                                " JOIN runs mr ON mr.id = m.run WHERE mr.child IS ? AND m.right = 0)"
                                " ORDER BY r.at, r.id, w.position"_s,
                                {*id, *id});
        while (q.next())
            add(q.value(0).toString(), q.value(1).toString(),
                QDateTime::fromString(q.value(2).toString(), Qt::ISODateWithMs), q.value(3).toBool());
    }
    // Results still waiting for the file count too, so the child's practice goes on.
    for (const Pending &p : d->pending) {
        if (const auto *run = std::get_if<TestRun>(&p); run && run->child == child) {
            for (const RunWord &w : run->words)
                add(w.origin.isEmpty() ? run->test : w.origin, w.word, run->when, w.right);
        }
    }
    QList<Tricky::Word> due;
    for (const auto &[key, track] : words) {
        const Tricky::State s = Tricky::schedule(track.answers);
        if (Tricky::isDue(s, today))
            due.append({key.first, key.second, s.due, track.lastMiss});
    }
    return due;
}

namespace
{
QString csvField(QString s)
{
    // A leading formula sign would make a spreadsheet run what a child typed.
    if (!s.isEmpty() && QStringView(u"=+-@").contains(s.front()))
        s.prepend(u'\'');
    if (s.contains(u',') || s.contains(u'"') || s.contains(u'\n') || s.contains(u'\r'))
        s = u'"' + s.replace(u'"', u"\"\""_s) + u'"';
    return s;
}
} // namespace

QString HistoryStore::exportCsv(const QString &path) const
{
    if (!d->ensureOpen())
        return d->problem;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return u"%1 cannot be written: %2"_s.arg(path, f.errorString());
    f.write("When,Child,Test,Percent,Stopped,Position,Word,Word's Test,Answer,Right\r\n");
    QSqlQuery q = d->select(u"SELECT r.at, c.name, r.test, r.percent, r.stopped, w.position, w.word, w.test,"
                            " w.answer, w.right FROM runs r LEFT JOIN children c ON c.id = r.child"
                            " LEFT JOIN run_words w ON w.run = r.id ORDER BY r.at, r.id, w.position"_s,
                            {});
    const auto yesNo = [](const QVariant &v) { return v.toBool() ? u"yes"_s : u"no"_s; };
    while (q.next()) {
        const bool hasWord = !q.value(5).isNull();
        const QStringList cells = {q.value(0).toString(),
                                   csvField(q.value(1).toString()),
                                   csvField(q.value(2).toString()),
                                   q.value(3).toString(),
                                   yesNo(q.value(4)),
                                   hasWord ? QString::number(q.value(5).toInt() + 1) : QString(),
                                   csvField(q.value(6).toString()),
                                   csvField(q.value(7).toString()),
                                   csvField(q.value(8).toString()),
                                   hasWord ? yesNo(q.value(9)) : QString()};
        f.write(cells.join(u',').toUtf8() + "\r\n");
    }
    if (q.lastError().isValid())
        return reasonFor(q.lastError());
    return f.commit() ? QString() : u"%1 cannot be written: %2"_s.arg(path, f.errorString());
}
