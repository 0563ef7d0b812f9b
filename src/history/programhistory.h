#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

#include "history/historystore.h"
#include "history/tricky.h"

class HistoryStore;
class PracticeSession;
class StudySession;
class TestRun;

// What a class server adds to the history (the classroom library makes it); with none the
// machine belongs to no class and the history is its own alone.
class ClassLink
{
  public:
    virtual ~ClassLink() = default;
    // The class's children as last heard from the server (kept on disk between starts).
    virtual QStringList roster() const = 0;
    // The answers of the child's runs that the server holds, when it has answered for
    // them lately; none: not known (yet), the history's own are used.
    virtual std::optional<QList<History::WordAnswer>> serverAnswers(const QString &child) = 0;
    // A result was recorded: it waits in the history until the server acknowledges it.
    virtual void resultsRecorded() = 0;
};

// The program's history as the windows reach it, and who is spelling: the store is made
// and owned where the program starts; the application context holds this object, and
// windows record through it and read the store for the children and the tricky words.
// With no store installed (as in most tests) nothing is recorded and no child or tricky
// word exists, so every window behaves as it does without a history. Use from the
// user-interface thread only.
class ProgramHistory
{
    Q_DISABLE_COPY(ProgramHistory)
  public:
    // appDir: the program folder (the tricky-words folder is made there).
    explicit ProgramHistory(const QString &appDir, HistoryStore *store = nullptr);
    ~ProgramHistory();

    void install(HistoryStore *store); // nullptr: none (the chosen child is forgotten)
    HistoryStore *store() const { return m_store; }

    // The child chosen on the start window; empty: none.
    QString child() const { return m_child; }
    void setChild(const QString &name) { m_child = name; }
    // The children the store knows (none without a store), or the class's while the
    // machine belongs to a class.
    QStringList children() const;
    // Joins the machine to a class (nullptr: to none); the history owns the link.
    void setClassLink(std::unique_ptr<ClassLink> link);
    ClassLink *classLink() const { return m_link.get(); }
    // The child's tricky words due today: from every run the class server and the history
    // hold, or the history's own while the server has not answered.
    QList<Tricky::Word> trickyDue(const QString &child) const;

    // The clock the results are stamped with and the tricky words are due by; tests set one.
    QDateTime now() const;
    QDate today() const { return now().date(); }
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Each is stamped now, for the chosen child and the test the run or game was played
    // on (carried by the run, never the test chosen now); a run of the tricky-words test
    // counts each word for the test its recording came from.
    void recordRun(const TestRun &run);
    void recordStudy(const StudySession &session);
    void recordPractice(const PracticeSession &session);
    void recordGame(const QString &test, const QString &game, int score);
    // The longest a record call has kept the calling thread, in milliseconds.
    double slowestRecordMs() const { return m_slowestMs; }

    // Makes the tricky-words folder anew for the chosen child (see TrickyFolder); does
    // nothing without a store. Returns an empty text on success, else what went wrong, which
    // is also logged (category "wordaroo.history").
    QString refreshTrickyFolder();

  private:
    template <typename F> void timed(F &&record);

    const QString m_appDir;
    HistoryStore *m_store = nullptr;
    std::unique_ptr<ClassLink> m_link;
    QString m_child;
    std::function<QDateTime()> m_clock;
    double m_slowestMs = 0;
};
