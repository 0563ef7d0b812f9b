#include "classroom/classschema.h"

#include "classroom/classdb.h"
#include "classroom/classsettings.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <termios.h>
#include <unistd.h>

namespace ClassSchema
{
namespace
{
// Migration i brings the schema from version i to i + 1; the list only ever grows.
const QList<QStringList> Migrations = {
    {
        // The class's children, by the name the machines show.
        QStringLiteral(
            "CREATE TABLE wordaroo.children (name text PRIMARY KEY CHECK (name <> '' AND length(name) <= 400))"),
        // The class's tests as shared archives, a new version for every change.
        QStringLiteral("CREATE TABLE wordaroo.tests (id bigserial PRIMARY KEY, name text NOT NULL UNIQUE,"
                       " version integer NOT NULL DEFAULT 1, archive bytea NOT NULL,"
                       " published timestamptz NOT NULL DEFAULT now(), withdrawn boolean NOT NULL DEFAULT false)"),
        QStringLiteral("CREATE TABLE wordaroo.assignments (id bigserial PRIMARY KEY,"
                       " test bigint NOT NULL REFERENCES wordaroo.tests(id) ON DELETE CASCADE,"
                       " child text NOT NULL REFERENCES wordaroo.children(name) ON UPDATE CASCADE ON DELETE CASCADE,"
                       " due date NOT NULL, UNIQUE (test, child))"),
        // Every result of every machine, once: the machine's unique id is the key.
        QStringLiteral(
            "CREATE TABLE wordaroo.results (uid uuid PRIMARY KEY,"
            " kind text NOT NULL CHECK (kind IN ('run', 'study', 'game')), at timestamptz NOT NULL,"
            " child text NOT NULL, test text NOT NULL, percent integer, stopped boolean, game text,"
            " score integer, words jsonb NOT NULL DEFAULT '[]', received timestamptz NOT NULL DEFAULT now())"),
        QStringLiteral("CREATE INDEX results_child ON wordaroo.results (child, at)"),
        // The one way a machine adds results: a batch as a JSON array, a result already
        // there (a batch sent again after a lost answer) left as it is.
        QStringLiteral(
            "CREATE FUNCTION wordaroo.add_results(batch jsonb) RETURNS integer LANGUAGE sql SECURITY DEFINER"
            " SET search_path = wordaroo, pg_temp AS $$"
            " WITH added AS (INSERT INTO wordaroo.results (uid, kind, at, child, test, percent, stopped, game, score, "
            "words)"
            " SELECT (r->>'uid')::uuid, r->>'kind', to_timestamp((r->>'at')::bigint / 1000.0),"
            " coalesce(r->>'child', ''), coalesce(r->>'test', ''), (r->>'percent')::integer,"
            " (r->>'stopped')::boolean, r->>'game', (r->>'score')::integer, coalesce(r->'words', '[]'::jsonb)"
            " FROM jsonb_array_elements(batch) AS r ON CONFLICT (uid) DO NOTHING RETURNING 1)"
            " SELECT count(*)::integer FROM added $$"),
        // What a machine needs to work out a child's tricky words: each answer of the
        // child's runs, right or not (not what was typed), and nothing of anyone else.
        QStringLiteral(
            "CREATE FUNCTION wordaroo.child_answers(who text) RETURNS TABLE (uid uuid, at bigint, test text, word text,"
            " right_answer boolean) LANGUAGE sql STABLE SECURITY DEFINER SET search_path = wordaroo, pg_temp AS $$"
            " SELECT r.uid, (extract(epoch FROM r.at) * 1000)::bigint, coalesce(nullif(w->>'t', ''), r.test),"
            " coalesce(w->>'w', ''), coalesce((w->>'r')::boolean, false)"
            " FROM wordaroo.results r CROSS JOIN LATERAL jsonb_array_elements(r.words) AS w"
            " WHERE r.kind = 'run' AND r.child = who ORDER BY r.at $$"),
        QStringLiteral("REVOKE ALL ON FUNCTION wordaroo.add_results(jsonb), wordaroo.child_answers(text) FROM PUBLIC"),
    },
    {
        // The class's tests and assignments by test name (the first version's tables were
        // never written to): a test is one shared archive, its version counting every
        // publication; a withdrawn one keeps its row, without archive, so machines remove it.
        QStringLiteral("DROP TABLE IF EXISTS wordaroo.assignments"),
        QStringLiteral("DROP TABLE IF EXISTS wordaroo.tests"),
        QStringLiteral("CREATE TABLE wordaroo.class_tests (name text PRIMARY KEY CHECK (name <> '' AND length(name) <= "
                       "200), version integer NOT NULL DEFAULT 1, archive bytea NOT NULL,"
                       " published timestamptz NOT NULL DEFAULT now(), withdrawn boolean NOT NULL DEFAULT false)"),
        QStringLiteral("CREATE TABLE wordaroo.assignments (test text NOT NULL REFERENCES wordaroo.class_tests(name)"
                       " ON UPDATE CASCADE ON DELETE CASCADE,"
                       " child text NOT NULL REFERENCES wordaroo.children(name) ON UPDATE CASCADE ON DELETE CASCADE,"
                       " due date NOT NULL, assigned timestamptz NOT NULL DEFAULT now(), PRIMARY KEY (test, child))"),
        // What a pupil machine may know of the assignments: the child's own tests not yet
        // taken (a run to its end, on any machine, under the class name or the collision name).
        QStringLiteral(
            "CREATE FUNCTION wordaroo.child_todo(who text) RETURNS TABLE (test text, due date) LANGUAGE sql STABLE"
            " SECURITY DEFINER SET search_path = wordaroo, pg_temp AS $$"
            " SELECT a.test, a.due FROM wordaroo.assignments a JOIN wordaroo.class_tests t ON t.name = a.test"
            " WHERE a.child = who AND NOT t.withdrawn AND NOT EXISTS (SELECT 1 FROM wordaroo.results r"
            " WHERE r.kind = 'run' AND r.child = who AND r.stopped IS NOT TRUE"
            " AND r.test IN ('Test_' || a.test, 'Test_' || a.test || ' (class)'))"
            " ORDER BY a.due, a.test $$"),
        QStringLiteral("REVOKE ALL ON FUNCTION wordaroo.child_todo(text) FROM PUBLIC"),
        // Every word a child has answered, tallied as results arrive, so the whole class's
        // report reads one row a word instead of unpacking every run: the misses, the last
        // one, the spellings typed, and when it was spelled right (times in ms since 1970).
        QStringLiteral(
            "CREATE TABLE wordaroo.word_answers (child text NOT NULL, test text NOT NULL, word text NOT NULL,"
            " misses integer NOT NULL DEFAULT 0, last_miss bigint, typed text[] NOT NULL DEFAULT '{}',"
            " rights bigint[] NOT NULL DEFAULT '{}', PRIMARY KEY (child, test, word))"),
        QStringLiteral(
            "CREATE FUNCTION wordaroo.tally_answers() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER"
            " SET search_path = wordaroo, pg_temp AS $$ BEGIN"
            " IF NEW.kind = 'run' AND jsonb_typeof(NEW.words) = 'array' THEN"
            " INSERT INTO wordaroo.word_answers AS w (child, test, word, misses, last_miss, typed, rights)"
            " SELECT NEW.child, e.t, e.w, count(*) FILTER (WHERE NOT e.ok), max(e.at) FILTER (WHERE NOT e.ok),"
            " coalesce(array_agg(DISTINCT e.a) FILTER (WHERE NOT e.ok AND e.a <> ''), '{}'),"
            " coalesce(array_agg(e.at) FILTER (WHERE e.ok), '{}')"
            " FROM (SELECT (extract(epoch FROM NEW.at) * 1000)::bigint AS at,"
            " coalesce(nullif(x->>'t', ''), NEW.test) AS t, coalesce(x->>'w', '') AS w,"
            " coalesce(x->>'a', '') AS a, coalesce((x->>'r')::boolean, false) AS ok"
            " FROM jsonb_array_elements(NEW.words) AS x) AS e GROUP BY e.t, e.w"
            " ON CONFLICT (child, test, word) DO UPDATE SET misses = w.misses + excluded.misses,"
            " last_miss = greatest(w.last_miss, excluded.last_miss),"
            " typed = ARRAY(SELECT DISTINCT unnest(w.typed || excluded.typed)), rights = w.rights || excluded.rights;"
            " END IF; RETURN NULL; END $$"),
        QStringLiteral("CREATE TRIGGER tally_answers AFTER INSERT ON wordaroo.results FOR EACH ROW"
                       " EXECUTE FUNCTION wordaroo.tally_answers()"),
        QStringLiteral("CREATE FUNCTION wordaroo.forget_answers() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER"
                       " SET search_path = wordaroo, pg_temp AS $$ BEGIN"
                       " DELETE FROM wordaroo.word_answers WHERE child IN (SELECT child FROM gone);"
                       " RETURN NULL; END $$"),
        QStringLiteral("CREATE TRIGGER forget_answers AFTER DELETE ON wordaroo.results REFERENCING OLD TABLE AS gone"
                       " FOR EACH STATEMENT EXECUTE FUNCTION wordaroo.forget_answers()"),
        QStringLiteral("REVOKE ALL ON FUNCTION wordaroo.tally_answers(), wordaroo.forget_answers() FROM PUBLIC"),
        // The results already there, tallied once.
        QStringLiteral("INSERT INTO wordaroo.word_answers (child, test, word, misses, last_miss, typed, rights)"
                       " SELECT e.child, e.t, e.w, count(*) FILTER (WHERE NOT e.ok), max(e.at) FILTER (WHERE NOT e.ok),"
                       " coalesce(array_agg(DISTINCT e.a) FILTER (WHERE NOT e.ok AND e.a <> ''), '{}'),"
                       " coalesce(array_agg(e.at ORDER BY e.at) FILTER (WHERE e.ok), '{}')"
                       " FROM (SELECT r.child, (extract(epoch FROM r.at) * 1000)::bigint AS at,"
                       " coalesce(nullif(x->>'t', ''), r.test) AS t, coalesce(x->>'w', '') AS w,"
                       " coalesce(x->>'a', '') AS a, coalesce((x->>'r')::boolean, false) AS ok FROM wordaroo.results r"
                       " CROSS JOIN LATERAL jsonb_array_elements(r.words) AS x"
                       " WHERE r.kind = 'run' AND jsonb_typeof(r.words) = 'array') AS e GROUP BY e.child, e.t, e.w"),
    },
};

// The grants, made again on every set-up (granting twice changes nothing): %1 is the role.
const QStringList PupilGrants = {
    QStringLiteral("GRANT USAGE ON SCHEMA wordaroo TO %1"),
    // The class tests only: never the assignments or a result.
    QStringLiteral("GRANT SELECT ON wordaroo.children, wordaroo.class_tests TO %1"),
    QStringLiteral("GRANT EXECUTE ON FUNCTION wordaroo.add_results(jsonb), wordaroo.child_answers(text),"
                   " wordaroo.child_todo(text) TO %1"),
};
const QStringList TeacherGrants = {
    QStringLiteral("GRANT USAGE ON SCHEMA wordaroo TO %1"),
    QStringLiteral(
        "GRANT SELECT, INSERT, UPDATE, DELETE ON wordaroo.children, wordaroo.class_tests, wordaroo.assignments TO %1"),
    QStringLiteral("GRANT SELECT, DELETE ON wordaroo.results TO %1"),
    QStringLiteral("GRANT SELECT ON wordaroo.word_answers TO %1"),
    QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA wordaroo TO %1"),
    QStringLiteral("GRANT EXECUTE ON FUNCTION wordaroo.add_results(jsonb), wordaroo.child_answers(text),"
                   " wordaroo.child_todo(text) TO %1"),
};

QString newPassword()
{
    static constexpr char Letters[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
    QString p;
    for (int i = 0; i < 24; ++i)
        p += QLatin1Char(Letters[QRandomGenerator::system()->bounded(int(sizeof Letters) - 1)]);
    return p;
}

struct Runner {
    QSqlDatabase &db;
    QString why;

    bool exec(const QString &sql, const QVariantList &values = {})
    {
        if (!why.isEmpty())
            return false;
        QSqlQuery q(db);
        bool ok = true;
        if (values.isEmpty()) {
            ok = q.exec(sql);
        } else {
            q.prepare(sql);
            for (const QVariant &v : values)
                q.addBindValue(v);
            ok = q.exec();
        }
        if (!ok)
            why = ClassDb::reason(q.lastError());
        return ok;
    }
    QVariant value(const QString &sql, const QVariantList &values = {})
    {
        if (!why.isEmpty())
            return {};
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec()) {
            why = ClassDb::reason(q.lastError());
            return {};
        }
        return q.next() ? q.value(0) : QVariant();
    }
    // DDL cannot take bound values: the server quotes the role's name and password itself.
    bool execFormatted(const QString &pattern, const QVariantList &values)
    {
        const QString sql =
            value(QStringLiteral("SELECT format(?::text%1)").arg(QStringLiteral(", ?::text").repeated(values.size())),
                  QVariantList{pattern} + values)
                .toString();
        return why.isEmpty() && exec(sql);
    }
};
} // namespace

Outcome setUp(QSqlDatabase &db)
{
    Outcome out;
    Runner r{db, {}};
    r.exec(QStringLiteral("SET client_min_messages = warning")); // no notice that a table exists already
    r.exec(QStringLiteral("CREATE SCHEMA IF NOT EXISTS wordaroo"));
    r.exec(QStringLiteral("REVOKE ALL ON SCHEMA wordaroo FROM PUBLIC"));
    r.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS wordaroo.schema_version (version integer NOT NULL)"));
    if (!r.why.isEmpty()) {
        out.why = r.why;
        return out;
    }
    // Every step under one lock, from the version read under it: two set-ups at once take turns.
    if (!db.transaction()) {
        out.why = ClassDb::reason(db);
        return out;
    }
    r.exec(QStringLiteral("LOCK TABLE wordaroo.schema_version IN EXCLUSIVE MODE"));
    out.fromVersion = r.value(QStringLiteral("SELECT coalesce(max(version), 0) FROM wordaroo.schema_version")).toInt();
    if (r.why.isEmpty() && out.fromVersion > Version)
        r.why = QStringLiteral(
                    "the class database was made by a newer Wordaroo (schema version %1; this one knows up to %2).")
                    .arg(out.fromVersion)
                    .arg(Version);
    for (int v = out.fromVersion; v < Version; ++v) {
        for (const QString &sql : Migrations[v])
            r.exec(sql);
    }
    r.exec(QStringLiteral("DELETE FROM wordaroo.schema_version"));
    r.exec(QStringLiteral("INSERT INTO wordaroo.schema_version VALUES (?)"), {Version});

    const QString database = r.value(QStringLiteral("SELECT current_database()")).toString();
    for (const auto &[role, grants] : {std::pair{QLatin1StringView(ClassSettings::PupilRole), PupilGrants},
                                       std::pair{QLatin1StringView(ClassSettings::TeacherRole), TeacherGrants}}) {
        const QString name = role;
        if (!r.value(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"), {name}).isValid() && r.why.isEmpty()) {
            const QString password = newPassword();
            if (r.execFormatted(QStringLiteral("CREATE ROLE %I LOGIN PASSWORD %L"), {name, password}))
                out.lines << name + QStringLiteral(" made, password: ") + password;
        } else if (r.why.isEmpty()) {
            out.lines << name + QStringLiteral(" exists already; its password is unchanged.");
        }
        r.execFormatted(QStringLiteral("GRANT CONNECT ON DATABASE %I TO %I"), {database, name});
        for (const QString &grant : grants)
            r.execFormatted(QString(grant).replace(QStringLiteral("%1"), QStringLiteral("%I")), {name});
    }
    if (!r.why.isEmpty()) {
        db.rollback();
        out.why = r.why;
        return out;
    }
    if (!db.commit())
        out.why = ClassDb::reason(db);
    return out;
}

namespace
{
void print(FILE *to, const QString &text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), to);
}

// Asks for the password on the terminal without echoing it; empty when there is no terminal.
QString askPassword(const QString &user)
{
    if (!::isatty(STDIN_FILENO))
        return {};
    std::fputs(QStringLiteral("Password for %1: ").arg(user).toLocal8Bit().constData(), stderr);
    termios old{};
    const bool quiet = ::tcgetattr(STDIN_FILENO, &old) == 0;
    if (quiet) {
        termios t = old;
        t.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &t);
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    if (quiet)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
    std::fputc('\n', stderr);
    QString p = read ? QString::fromLocal8Bit(line) : QString();
    while (p.endsWith(QLatin1Char('\n')) || p.endsWith(QLatin1Char('\r')))
        p.chop(1);
    return p;
}
} // namespace

int runIfAsked(int argc, char **argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--set-up-class-server") != 0)
        return -1;
    // No display is needed: the set-up runs on the server itself, over ssh.
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        print(stderr, QStringLiteral("Usage: wordaroo --set-up-class-server postgresql://ADMIN@HOST[:PORT]/DATABASE"));
        return 2;
    }
    QString extra, why;
    ClassSettings admin = ClassDb::fromUrl(QString::fromLocal8Bit(argv[2]), &extra, &why);
    if (!why.isEmpty()) {
        print(stderr, QStringLiteral("wordaroo: ") + why);
        return 2;
    }
    const QString name = QStringLiteral("class-set-up");
    why = ClassDb::open(name, admin, 10, extra);
    // No password in the URL, PGPASSWORD or .pgpass: the terminal is asked, as psql does.
    if (!why.isEmpty() && admin.password.isEmpty() && why.contains(QStringLiteral("password"))) {
        ClassDb::drop(name);
        admin.password = askPassword(admin.user);
        why = ClassDb::open(name, admin, 10, extra);
    }
    int status = 0;
    if (!why.isEmpty()) {
        print(stderr, QStringLiteral("wordaroo: could not reach the class server: ") + why);
        status = 1;
    } else {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        const Outcome out = setUp(db);
        if (!out.why.isEmpty()) {
            print(stderr, QStringLiteral("wordaroo: the class database was not set up: ") + out.why);
            status = 1;
        } else {
            print(stdout, out.fromVersion == Version
                              ? QStringLiteral("The class database %1 is up to date (schema version %2).")
                                    .arg(admin.database)
                                    .arg(Version)
                              : QStringLiteral("The class database %1 is set up (schema version %2, was %3).")
                                    .arg(admin.database)
                                    .arg(Version)
                                    .arg(out.fromVersion));
            for (const QString &line : out.lines) {
                const QString role = line.section(QLatin1Char(' '), 0, 0);
                if (!line.contains(QStringLiteral(" made, password: "))) {
                    print(stdout, line);
                    continue;
                }
                ClassSettings s = admin;
                s.user = role;
                s.password = line.section(QStringLiteral(" made, password: "), 1);
                print(stdout, (role == QLatin1StringView(ClassSettings::PupilRole)
                                   ? QStringLiteral("Every pupil machine (Class Server... in the options): ")
                                   : QStringLiteral("The teacher: ")) +
                                  ClassDb::url(s));
            }
        }
    }
    ClassDb::drop(name);
    return status;
}
} // namespace ClassSchema
