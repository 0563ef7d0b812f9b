#pragma once
#include "history/tricky.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// What the program remembers of every test, study session and game, per child, in one
// SQLite file "history.db" in the program folder. Results are written by a thread of the
// store's own, so recording one never keeps the window waiting; when the file cannot be
// written (locked by another copy, damaged, read-only, from a newer program, a folder) the
// result stays in memory, is tried again with the next one, and status() says what is
// wrong. Reads see every result recorded before them. Use a store from one thread only.
namespace History
{
struct RunWord {
    QString word;
    QString answer; // as typed; empty when the word got no answer
    bool right = false;
    QString origin; // the test the word belongs to; empty means the run's own test
};

struct TestRun {
    QDateTime when;
    QString child; // empty: no child chosen
    QString test;  // the test folder name as listed
    int percent = 0;
    bool stopped = false;
    QList<RunWord> words; // in test order
    QString uid = {};     // the result's unique id; empty: the store gives one when it is recorded
};

struct StudyWord {
    QString word;
    bool copied = false;
    int wrongCopies = 0;
};

struct StudySession {
    QDateTime when;
    QString child;
    QString test;
    QList<StudyWord> words;
    QString uid = {};
};

struct GameScore {
    QDateTime when;
    QString child;
    QString test;
    QString game;
    int score = 0;
    QString uid = {};
};

// One answer to one word of a test run, as the tricky words are worked out from.
struct WordAnswer {
    QString uid;   // the run's
    qint64 at = 0; // milliseconds since 1970 UTC
    QString test;  // the test the word belongs to
    QString word;
    bool right = false;
};

struct ScorePoint {
    QDateTime when; // in UTC
    int percent = 0;
};
struct ScoreLine {
    QString test;
    QList<ScorePoint> points; // oldest first
};

struct MissedWord {
    QString test;
    QString word;
    int misses = 0;
    QStringList spellings; // the wrong spellings typed, most frequent first
};
} // namespace History

class HistoryStore
{
  public:
    static constexpr int SchemaVersion = 2;
    static constexpr int MaxNameLength = 40;

    // appDir: the program folder, ending in "/"
    explicit HistoryStore(const QString &appDir);
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    QString path() const;
    // Empty while everything is written; otherwise why not, for the adult to read.
    QString status() const;
    int pendingCount() const;

    // Each returns at once; the result is written in the background.
    void recordRun(const History::TestRun &run);
    void recordStudy(const History::StudySession &session);
    void recordGame(const History::GameScore &game);
    // Called on the store's writer thread after each result is in the file (an uploader
    // waits for that); empty: nothing. Set before recording, or while nothing records.
    void setWrittenHook(std::function<void()> hook);
    // Waits until every result recorded has been tried (again); true when all are in the file.
    bool flush();
    // Whether the file itself is unusable (damaged, not a history, from a newer Wordaroo, a
    // folder or link in its place), so that starting a new history is what helps; never for
    // a history that is only in use by another copy or cannot be written for now.
    bool canStartNew() const;
    // Puts the current file aside, byte for byte as it was found, as
    // "history.db.broken-<date>" and starts a new one.
    bool startNewHistory();

    // Children. The text returned is empty on success, else the reason for the adult.
    static QString nameProblem(const QString &name);
    QString addChild(const QString &name);
    QStringList children() const;
    // Deletes the child and every result recorded for them.
    QString forgetChild(const QString &name);

    // Reports for one child (empty: the results recorded with no child chosen).
    QList<History::ScoreLine> scores(const QString &child) const;
    QList<History::MissedWord> mostMissed(const QString &child, int count = 10) const;
    QList<Tricky::Word> trickyDue(const QString &child, QDate today) const;
    // Every answer of the child's test runs, recorded or still waiting, oldest first.
    QList<History::WordAnswer> wordAnswers(const QString &child) const;
    // How many results the class server has not acknowledged yet (see Outbox).
    qint64 unsentCount() const;

    // Every test run, one line per word, written to a place the user chose; the text
    // returned is empty on success.
    QString exportCsv(const QString &path) const;

    // The same export, to be run on a thread of its own while the store goes on being used:
    // made on the store's thread (the results recorded so far are written first), it reads
    // on a connection of its own. run() calls progress(runs written, runs in all) now and
    // then; when progress returns false it stops, leaves the file at path as it was and
    // sets *cancelled. The text returned is empty on success or cancel, else the reason.
    struct CsvExport {
        using Progress = std::function<bool(qint64 done, qint64 total)>;
        QString run(const QString &path, const Progress &progress = {}, bool *cancelled = nullptr) const;

        QString dbPath;         // empty: there is no history file yet, so the heading line alone
        QString connectionName; // unique to this export
    };
    CsvExport csvExport() const;

    // The results not yet acknowledged by the class server, read and marked on a
    // connection of its own, so that an uploader can use it from its own thread (one
    // thread at a time). It never makes the history file.
    class Outbox
    {
      public:
        explicit Outbox(const QString &appDir);
        ~Outbox();
        Outbox(const Outbox &) = delete;
        Outbox &operator=(const Outbox &) = delete;
        // At most max results, oldest first, each a JSON object with its "uid", "kind"
        // ("run", "study" or "game"), "at" (milliseconds since 1970 UTC), "child",
        // "test" and the kind's own fields. why: empty, or why the file cannot be read.
        QList<QJsonObject> next(int max, QString *why);
        // Marks the results with these uids as acknowledged.
        bool acknowledge(const QStringList &uids, QString *why);
        qint64 count(QString *why);

      private:
        struct Impl;
        std::unique_ptr<Impl> d;
    };

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
