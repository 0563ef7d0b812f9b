// The history file: results written and read back, children, the report's numbers from a
// known history, and files that cannot be written (the child plays on, status says why).
#include "history/historystore.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using History::TestRun;

namespace
{
const QDateTime Start(QDate(2024, 3, 4), QTime(9, 0));

// answers: "word=answer" in test order; right when equal ignoring case and outer spaces
TestRun run(const QString &child, const QString &test, int day, const QStringList &answers, int minute = 0)
{
    TestRun r{Start.addDays(day).addSecs(minute * 60), child, test, 0, false, {}};
    int right = 0;
    for (const QString &a : answers) {
        const QString word = a.section(u'=', 0, 0), typed = a.section(u'=', 1);
        const bool ok = word.compare(typed.trimmed(), Qt::CaseInsensitive) == 0;
        right += ok;
        r.words.append({word, typed, ok, {}});
    }
    r.percent = right * 100 / int(answers.size());
    return r;
}

QStringList dueWords(const HistoryStore &s, const QString &child, int day)
{
    QStringList out;
    for (const Tricky::Word &w : s.trickyDue(child, Start.date().addDays(day)))
        out << w.test + u'/' + w.word;
    return out;
}

// A separate connection, as a second copy of the program would have.
struct Other {
    explicit Other(const QString &path) : name(u"other"_s)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        db.open();
    }
    ~Other()
    {
        QSqlDatabase::database(name).close();
        QSqlDatabase::removeDatabase(name);
    }
    QVariant value(const QString &sql) const
    {
        QSqlQuery q(QSqlDatabase::database(name));
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    bool exec(const QString &sql) const { return QSqlQuery(QSqlDatabase::database(name)).exec(sql); }
    QString name;
};
} // namespace

class tst_Store : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString app() const { return m_dir.path() + u'/'; }

  private Q_SLOTS:
    void init()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    // A history never used makes no file: every read answers "nothing yet", the export
    // is its heading line alone, and the first result recorded makes the file.
    void unusedHistoryMakesNoFile()
    {
        const QString db = app() + u"history.db"_s;
        {
            HistoryStore s(app());
            QVERIFY(s.children().isEmpty());
            QVERIFY(s.scores({}).isEmpty());
            QVERIFY(s.mostMissed({}).isEmpty());
            QVERIFY(dueWords(s, {}, 1).isEmpty());
            QCOMPARE(s.forgetChild(u"Ann"_s), u"There is no child called Ann."_s);
            QCOMPARE(s.status(), QString());
            QCOMPARE(s.exportCsv(app() + u"all.csv"_s), QString());
            QVERIFY(s.flush());
        }
        QVERIFY(!QFileInfo::exists(db));
        QFile csv(app() + u"all.csv"_s);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().startsWith("When,Child,Test,"));

        HistoryStore s(app());
        s.recordRun(run({}, u"Test_A"_s, 0, {u"cat=ct"_s}));
        QVERIFY(s.flush());
        QVERIFY(QFileInfo(db).isFile());
        QCOMPARE(dueWords(s, {}, 1), QStringList{u"Test_A/cat"_s});
    }

    void childNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem");
        QTest::newRow("empty") << ""
                               << "Please type the child's name.";
        QTest::newRow("spaces") << "   "
                                << "Please type the child's name.";
        QTest::newRow("200 letters") << QString(200, u'a') << "A child's name can have at most 40 letters.";
        QTest::newRow("41 letters") << QString(41, u'a') << "A child's name can have at most 40 letters.";
        QTest::newRow("40 letters") << QString(40, u'a') << "";
        QTest::newRow("tab") << "Ann\tB"
                             << "A child's name cannot contain control characters.";
        QTest::newRow("zero width") << u"An\u200Bn"_s << "A child's name cannot contain control characters.";
        QTest::newRow("duplicate, other case") << "sam"
                                               << "There is already a child called sam.";
        QTest::newRow("trimmed") << "  Zoë  "
                                 << "";
    }
    void childNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        HistoryStore s(app());
        QCOMPARE(s.addChild(u"Sam"_s), QString());
        QCOMPARE(s.addChild(name), problem);
        QCOMPARE(s.children().size(), problem.isEmpty() ? 2 : 1);
        if (problem.isEmpty())
            QVERIFY(s.children().contains(name.trimmed()));
    }

    // A known history, read back through a new store as the next start of the program would.
    void reportFromKnownHistory()
    {
        {
            HistoryStore s(app());
            s.addChild(u"Ann"_s);
            s.addChild(u"Bob"_s);
            s.recordRun(run(u"Ann"_s, u"Test_Animals"_s, 0, {u"cat=cat"_s, u"dog=dgo"_s, u"owl="_s}));
            s.recordRun(run(u"Ann"_s, u"Test_Animals"_s, 1, {u"cat=CAT "_s, u"dog=dgo"_s, u"owl=owl"_s}));
            s.recordRun(run(u"Ann"_s, u"Test_Birds"_s, 1, {u"owl=oul"_s, u"jay=jay"_s}));
            s.recordRun(run(u"Ann"_s, u"Test_Animals"_s, 2, {u"cat=kat"_s, u"dog=dog"_s, u"owl=owl"_s}));
            s.recordRun(run(u"Bob"_s, u"Test_Animals"_s, 2, {u"cat=x"_s, u"dog=x"_s, u"owl=x"_s}));
            s.recordRun(run({}, u"Test_Animals"_s, 2, {u"cat=cat"_s, u"dog=dog"_s, u"owl=owl"_s}));
            QVERIFY(s.flush());
            QCOMPARE(s.status(), QString());
        }
        HistoryStore s(app());
        const auto lines = s.scores(u"Ann"_s);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0].test, u"Test_Animals"_s);
        QCOMPARE(lines[0].points.size(), 3);
        QCOMPARE(lines[0].points[1].when, Start.addDays(1));
        QCOMPARE((QList<int>{lines[0].points[0].percent, lines[0].points[1].percent, lines[0].points[2].percent}),
                 (QList<int>{33, 66, 66}));
        QCOMPARE(lines[1].points[0].percent, 50);
        QCOMPARE(s.scores({}).size(), 1); // the run with no child chosen
        QCOMPARE(s.scores({})[0].points[0].percent, 100);
        QVERIFY(s.scores(u"Nobody"_s).isEmpty());

        const auto missed = s.mostMissed(u"Ann"_s, 2);
        QCOMPARE(missed.size(), 2);
        QCOMPARE(missed[0].word, u"dog"_s);
        QCOMPARE(missed[0].misses, 2);
        QCOMPARE(missed[0].spellings, QStringList{u"dgo"_s});
        QCOMPARE(missed[1].test + missed[1].word, u"Test_Animalscat"_s);
        QCOMPARE(s.mostMissed(u"Ann"_s).size(), 4); // and Test_Animals/owl (no spelling typed), Test_Birds/owl
        QCOMPARE(s.mostMissed(u"Ann"_s)[2].spellings, QStringList());

        // cat: missed on day 2; dog: missed days 0 and 1, right on day 2 (due day 3); owl: missed
        // on day 0, right on days 1 and 2 (due day 2 + 3); Test_Birds/owl missed on day 1.
        QCOMPARE(dueWords(s, u"Ann"_s, 2), (QStringList{u"Test_Animals/cat"_s, u"Test_Birds/owl"_s}));
        QCOMPARE(dueWords(s, u"Ann"_s, 5), (QStringList{u"Test_Animals/cat"_s, u"Test_Animals/dog"_s,
                                                        u"Test_Animals/owl"_s, u"Test_Birds/owl"_s}));
        QVERIFY(dueWords(s, {}, 2).isEmpty());

        const QString csv = app() + u"out.csv"_s;
        QCOMPARE(s.exportCsv(csv), QString());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = f.readAll().split('\n');
        QCOMPARE(rows.size(), 1 + 3 + 3 + 2 + 3 + 3 + 3 + 1);
        QCOMPARE(rows[4], QByteArray("2024-03-05T09:00:00.000,Ann,Test_Animals,66,no,1,cat,Test_Animals,CAT ,yes\r"));
    }

    // What a child typed reaches a spreadsheet as text: nothing in it runs, and a NUL,
    // which would end the line for many readers, is left out.
    void csvFieldsGuarded_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("field");
        QTest::newRow("formula") << u"=1+1"_s << "'=1+1"_ba;
        QTest::newRow("tab, then formula") << u"\t=1+1"_s << "'\t=1+1"_ba;
        QTest::newRow("carriage return, then formula") << u"\r=1+1"_s << "\"'\r=1+1\""_ba;
        QTest::newRow("NUL") << QString(u"c"_s + QChar(0) + u"t"_s) << "ct"_ba;
    }
    void csvFieldsGuarded()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, field);
        HistoryStore s(app());
        s.recordRun({Start, {}, u"Test_A"_s, 0, false, {{u"cat"_s, answer, false, {}}}});
        const QString csv = app() + u"out.csv"_s;
        QCOMPARE(s.exportCsv(csv), QString());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        QVERIFY(!all.contains('\0'));
        QVERIFY2(all.endsWith(QByteArray(",cat,Test_A," + field + ",no\r\n")), all.constData());
    }

    // Two mistakes; the tricky test taken right on three later days retires both words.
    void trickyWordsRetire()
    {
        HistoryStore s(app());
        s.recordRun(run({}, u"Test_Animals"_s, 0, {u"cat=cat"_s, u"dog=dg"_s, u"owl=ow"_s}));
        QCOMPARE(dueWords(s, {}, 0), (QStringList{u"Test_Animals/dog"_s, u"Test_Animals/owl"_s}));
        for (int day : {1, 2, 3}) {
            TestRun t = run({}, QLatin1StringView(Tricky::FolderName), day, {u"dog=dog"_s, u"owl=owl"_s});
            for (auto &w : t.words)
                w.origin = u"Test_Animals"_s;
            s.recordRun(t);
            QCOMPARE(dueWords(s, {}, day).size(), 0);
            QCOMPARE(dueWords(s, {}, day + 7).size(), day < 3 ? 2 : 0);
        }
        QCOMPARE(s.scores({}).size(), 2); // the tricky test keeps its own line of scores
    }

    void forgetChild()
    {
        HistoryStore s(app());
        s.addChild(u"Ann"_s);
        s.addChild(u"Bob"_s);
        for (const QString &c : {u"Ann"_s, u"Bob"_s}) {
            s.recordRun(run(c, u"Test_A"_s, 0, {u"cat=kat"_s}));
            s.recordStudy({Start, c, u"Test_A"_s, {{u"cat"_s, true, 2}}});
            s.recordGame({Start, c, u"Test_A"_s, u"rain"_s, 7});
        }
        QCOMPARE(s.forgetChild(u"Ann"_s), QString());
        QCOMPARE(s.children(), QStringList{u"Bob"_s});
        Other o(s.path());
        for (const char *table :
             {"runs", "run_words", "study_sessions", "study_words", "game_scores", "tricky", "misses", "children"})
            QCOMPARE(o.value(u"SELECT count(*) FROM "_s + QLatin1StringView(table)).toInt(), 1);
        QCOMPARE(s.forgetChild(u"Ann"_s), u"There is no child called Ann."_s);
    }

    // A history of the version before results had ids loads, each old result is given one
    // and counts as not yet sent to a class server.
    void olderHistoryGetsIds()
    {
        {
            HistoryStore s(app());
            s.recordRun(run(u""_s, u"Test_A"_s, 0, {u"cat=kat"_s}));
            s.recordGame({Start, {}, u"Test_A"_s, u"rain"_s, 7});
            QVERIFY(s.flush());
            QCOMPARE(s.unsentCount(), 2);
        }
        {
            Other o(app() + u"history.db"_s);
            for (const char *table : {"runs", "study_sessions", "game_scores"}) {
                const QString t = QLatin1StringView(table);
                QVERIFY(o.exec(u"DROP INDEX %1_uid"_s.arg(t)) && o.exec(u"DROP INDEX %1_unsent"_s.arg(t)));
                QVERIFY(o.exec(u"ALTER TABLE %1 DROP COLUMN uid"_s.arg(t)) &&
                        o.exec(u"ALTER TABLE %1 DROP COLUMN sent"_s.arg(t)));
            }
            QVERIFY(o.exec(u"PRAGMA user_version = 1"_s));
        }
        HistoryStore s(app());
        QCOMPARE(s.scores(QString()).value(0).points.size(), 1);
        QCOMPARE(s.unsentCount(), 2);
        HistoryStore::Outbox outbox(app());
        QString why;
        const QList<QJsonObject> waiting = outbox.next(10, &why);
        QCOMPARE(waiting.size(), 2);
        QCOMPARE(waiting[0].value(u"uid"_s).toString().size(), 32);
        QVERIFY(outbox.acknowledge({waiting[0].value(u"uid"_s).toString()}, &why));
        QCOMPARE(s.unsentCount(), 1);
    }

    // What a second copy holding the write lock does: the run waits in memory, then goes in.
    void lockedByAnotherCopy()
    {
        HistoryStore s(app());
        Other o(s.path());
        QVERIFY(o.exec(u"BEGIN EXCLUSIVE"_s));
        s.recordRun(run({}, u"Test_A"_s, 0, {u"cat=cat"_s}));
        QVERIFY(!s.flush());
        QCOMPARE(s.status(), u"history.db is in use by another copy of Wordaroo. 1 unsaved result(s) are kept until it "
                             "can be written."_s);
        QCOMPARE(dueWords(s, {}, 0), QStringList()); // read while locked: no failure
        QVERIFY(o.exec(u"COMMIT"_s));
        s.recordRun(run({}, u"Test_A"_s, 1, {u"cat=ca"_s}));
        QVERIFY(s.flush());
        QCOMPARE(s.status(), QString());
        QCOMPARE(o.value(u"SELECT count(*) FROM runs"_s).toInt(), 2);
        QCOMPARE(o.value(u"PRAGMA journal_mode"_s).toString(), u"wal"_s);
    }

    void unusableFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("status");
        QTest::newRow("folder") << "folder"
                                << "history.db is a folder, not a file.";
        QTest::newRow("garbage") << "garbage"
                                 << "history.db is damaged or is not a Wordaroo history.";
        QTest::newRow("short") << "short"
                               << "history.db is damaged or is not a Wordaroo history.";
        QTest::newRow("damaged tables") << "damaged"
                                        << "history.db is damaged.";
        // Opening it for writing would turn it to WAL mode, changing its header.
        QTest::newRow("damaged, made elsewhere") << "damaged elsewhere"
                                                 << "history.db is damaged.";
        QTest::newRow("newer") << "newer"
                               << "history.db was made by a newer Wordaroo (history version 7; this one knows up "
                                  "to 2) and is left as it is.";
        QTest::newRow("link") << "link"
                              << "history.db is a link; Wordaroo keeps its history only in a file of its own folder.";
    }
    void unusableFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, status);
        const QString db = app() + u"history.db"_s;
        QByteArray bytes;
        if (kind == u"folder")
            QDir().mkpath(db + u"/inside"_s);
        else if (kind == u"link")
            QFile::link(QDir::tempPath(), db);
        else if (kind == u"garbage" || kind == u"short")
            bytes = QByteArray(kind == u"short" ? 20 : 5000, 'x').prepend("SQLite format 3");
        else {
            {
                HistoryStore s(app());
                s.recordRun(run({}, u"Test_A"_s, 0, {u"cat=cat"_s}));
            }
            if (kind == u"damaged elsewhere")
                QVERIFY(Other(db).exec(u"PRAGMA journal_mode=DELETE"_s));
            QFile f(db);
            QVERIFY(f.open(QIODevice::ReadWrite));
            bytes = f.readAll();
            if (kind == u"newer")
                bytes[63] = 7; // the header's user_version
            else
                bytes.replace(4096, bytes.size() - 4096, QByteArray(bytes.size() - 4096, '\x5a'));
        }
        if (!bytes.isEmpty()) {
            QFile f(db);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }

        HistoryStore s(app());
        if (kind != u"damaged") // found when it is read
            QCOMPARE(s.status(), status);
        s.recordRun(run({}, u"Test_A"_s, 1, {u"dog=dg"_s}));
        s.recordGame({Start, {}, u"Test_A"_s, u"rain"_s, 3});
        QVERIFY(!s.flush());
        QCOMPARE(s.pendingCount(), 2);
        QCOMPARE(dueWords(s, {}, 1), QStringList{u"Test_A/dog"_s}); // the child's practice goes on
        QVERIFY2(s.status().startsWith(status), qPrintable(s.status()));
        if (!bytes.isEmpty()) {
            QFile f(db);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), bytes); // never touched
        }

        QVERIFY(s.startNewHistory());
        QCOMPARE(s.status(), QString());
        QCOMPARE(s.pendingCount(), 0);
        const QStringList aside = QDir(app()).entryList({u"history.db.broken-*"_s}, QDir::AllEntries | QDir::System);
        QVERIFY(!aside.isEmpty());
        QCOMPARE(QFileInfo(app() + aside.first()).isDir() && kind != u"link", kind == u"folder");
        QCOMPARE(QFileInfo(app() + aside.first()).isSymLink(), kind == u"link");
        if (!bytes.isEmpty()) {
            QFile f(app() + aside.first());
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), bytes); // kept aside as it was found
        }
        QCOMPARE(Other(s.path()).value(u"SELECT count(*) FROM runs"_s).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_Store)
#include "tst_store.moc"
