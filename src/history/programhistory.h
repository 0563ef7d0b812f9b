#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class HistoryStore;
class StudySession;
class TestRun;

// The program's one history and who is spelling: the store is made and owned where the
// program starts and installed here; windows record through these functions and read the
// store for the children and the tricky words. With no store installed (as in most tests)
// nothing is recorded and no child or tricky word exists, so every window behaves as it
// does without a history. Use from the user-interface thread only.
namespace ProgramHistory
{
void install(HistoryStore *store); // nullptr: none
HistoryStore *store();

// The child chosen on the start window; empty: none.
QString child();
void setChild(const QString &name);
// The children the store knows (none without a store).
QStringList children();

// The clock the results are stamped with and the tricky words are due by; tests set one.
QDateTime now();
QDate today();
void setClock(std::function<QDateTime()> clock); // empty: the system clock

// Each is stamped now, for the chosen child and the selected test (Shared::TestName); a
// run of the tricky-words test counts each word for the test its recording came from.
void recordRun(const TestRun &run);
void recordStudy(const StudySession &session);
void recordGame(const QString &game, int score);
// The longest a record call has kept the calling thread, in milliseconds.
double slowestRecordMs();

// Makes the tricky-words folder anew for the chosen child (see TrickyFolder); does
// nothing without a store. Returns an empty text on success, else what went wrong, which
// is also logged (category "wordaroo.history").
QString refreshTrickyFolder();
} // namespace ProgramHistory
