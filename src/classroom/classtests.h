#pragma once
#include "classroom/classsettings.h"
#include "history/tricky.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class AppContext;

// The class's tests: the teacher publishes a test folder to the class server as one shared
// archive (the ".wordaroo" format) with a version number, withdraws it, and assigns it to
// children with a due date; every joined machine brings the class's tests into its program
// folder through the shared test's safe import and marks each such folder as a class test
// (the hidden file MarkFile). Only a folder carrying the mark is ever replaced or removed;
// the teacher's own published folder carries PublishedMark instead and is never touched.
//
// The functions that reach the server block: call them on a worker thread.
namespace ClassTests
{
inline constexpr auto MarkFile = ".class-test";
inline constexpr auto PublishedMark = ".class-published";
inline const QString CollisionSuffix = QStringLiteral(" (class)");

// The message a class test gives where it would be changed on a pupil machine.
QString cannotChange(const QString &testFolderName);
// The class test's name of a folder fetched from the class (empty: not one).
QString fetchedName(const QString &appDir, const QString &testFolderName);
// The class test's name of the teacher's published folder (empty: not published here).
QString publishedName(const QString &appDir, const QString &testFolderName);

// The teacher's actions; empty when done, else the server's reason.
QString publish(const ClassSettings &settings, const QString &teacherPassword, const QString &appDir,
                const QString &testFolderName, int *version = nullptr);
QString withdraw(const ClassSettings &settings, const QString &teacherPassword, const QString &appDir,
                 const QString &testFolderName);
struct Catalogue {
    QString why;
    QStringList tests; // the class tests not withdrawn
    QStringList children;
};
Catalogue catalogue(const ClassSettings &settings, const QString &teacherPassword);
QString assign(const ClassSettings &settings, const QString &teacherPassword, const QString &test,
               const QStringList &children, QDate due);

// One round of bringing the class's tests to this machine over the open connection
// connection: new and changed tests imported (each only while allowed() says so), withdrawn
// ones removed where the folder carries the mark.
struct SyncOutcome {
    QString why; // the server failed: nothing more was done
    QStringList added, replaced, removed;
    QStringList refused; // "name: why" for each archive the import's checks refused
    bool changed() const { return !added.isEmpty() || !replaced.isEmpty() || !removed.isEmpty(); }
};
SyncOutcome sync(const QString &connection, const QString &appDir, const std::function<bool()> &allowed = {});

// A child's tests assigned and not yet taken.
struct ToDo {
    QString test;
    QDate due;
    friend bool operator==(const ToDo &, const ToDo &) = default;
};
QList<ToDo> toDo(const QString &connection, const QString &child, QString *why);
// "To do: Test_Week 3, due Friday; Test_Week 2, overdue"; empty for nothing to do.
QString toDoText(const QList<ToDo> &items, QDate today);

// The whole class for the teacher: children by assigned test, the words most missed, and
// each child's tricky words due.
struct Report {
    enum class State { NotAssigned, Done, NotDone, Overdue };
    struct Cell {
        State state = State::NotAssigned;
        int percent = 0; // Done: the best score
        QDate due;
    };
    struct Missed {
        QString word;
        int children = 0;
        QStringList spellings;
    };
    QStringList children, tests;
    QList<QList<Cell>> cells; // [child][test]
    QList<Missed> missed;     // at most MostMissed
    QMap<QString, QList<Tricky::Word>> tricky;
    static constexpr int MostMissed = 20;
    static QString cellText(const Cell &c);
};
// What the report is made from, as read from the server.
struct ReportInput {
    QStringList children;
    struct Assignment {
        QString test, child;
        QDate due;
    };
    QList<Assignment> assignments;
    // The class's most-missed words, tallied by the server.
    QList<Report::Missed> missed;
    // Each word a child has missed: the last miss and the days of right answers since.
    struct Missing {
        QString child, test, word;
        qint64 lastMiss = 0;
        QDate missDay;          // of this machine's clock
        QList<QDate> rightDays; // since the miss, each once, in order
    };
    QList<Missing> missing;
    struct Run {
        QString child, test;
        int percent = 0;
    };
    QList<Run> runs; // the best run played to its end of each child and test
};
Report buildReport(const ReportInput &in, QDate today);
ReportInput readReport(const ClassSettings &settings, const QString &teacherPassword, QString *why);
} // namespace ClassTests

// A joined machine's side of the class tests, made once the start window is on screen: a
// thread of its own brings the class's tests in at once and every 5 minutes while the start
// window shows (never during a test, study or game), and reads the chosen child's tests to
// do. Nothing on the user-interface thread waits for the server; a server that cannot be
// reached leaves everything as it is, silently. A child of the machine's Classroom.
class ClassTestSync final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(ClassTestSync)
  public:
    ClassTestSync(AppContext &context, const ClassSettings &settings, QObject *parent);
    ~ClassTestSync() override;

    static constexpr int EveryMs = 5 * 60 * 1000;

    // Starts it for the program's class (nothing with no class server set).
    static ClassTestSync *start(AppContext &context);
    // The running one, if any.
    static ClassTestSync *of(AppContext &context);

    // Brings the class's tests in now (when the start window shows).
    void syncNow();
    // The child's tests to do as last heard (asked again when older than a minute).
    QString toDoText(const QString &child);
    // Whether the round running or last run is done (tests wait on this).
    bool idle() const { return m_idle; }
    ClassTests::SyncOutcome lastOutcome() const { return m_last; }

  Q_SIGNALS:
    void toDoChanged();
    void roundDone();

  private:
    void loop();
    bool startWindowShows() const;

    AppContext &m_ctx;
    const ClassSettings m_settings;
    std::atomic<bool> m_showing{false}, m_idle{true};
    ClassTests::SyncOutcome m_last;
    int m_rounds = 0;
    struct Known {
        QList<ClassTests::ToDo> items;
        qint64 at = 0;
    };
    QHash<QString, Known> m_toDo;

    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false, m_syncWanted = false;
    QStringList m_childrenWanted;
    std::thread m_thread;
};
