#include "history/programhistory.h"

#include "core/run/practicesession.h"
#include "core/run/testrun.h"
#include "history/historylog.h"
#include "history/historystore.h"
#include "history/trickyfolder.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcHistory, "wordaroo.history", QtInfoMsg)

// Times one record call on the calling thread; the store only queues, so this stays small.
template <typename F> void ProgramHistory::timed(F &&record)
{
    QElapsedTimer t;
    t.start();
    record();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (ms > m_slowestMs) {
        m_slowestMs = ms;
        qCDebug(lcHistory, "slowest record call so far: %.3f ms", ms);
    }
}

ProgramHistory::ProgramHistory(const QString &appDir, HistoryStore *store) : m_appDir(appDir), m_store(store) {}

void ProgramHistory::install(HistoryStore *store)
{
    m_store = store;
    if (!store)
        m_child.clear();
}

QStringList ProgramHistory::children() const
{
    return m_store ? m_store->children() : QStringList();
}

QDateTime ProgramHistory::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

void ProgramHistory::recordRun(const TestRun &run)
{
    HistoryStore *s = m_store;
    if (!s || !run.isScored() || run.wordCount() == 0)
        return;
    timed([&] {
        History::TestRun r;
        r.when = now();
        r.child = m_child;
        r.test = run.testName();
        r.percent = run.percent().value_or(0);
        r.stopped = run.stoppedEarly();
        const bool tricky = run.testName() == QLatin1StringView(Tricky::FolderName);
        const QHash<QString, QString> origins = tricky ? TrickyFolder::origins(m_appDir) : QHash<QString, QString>();
        const QStringList &answers = run.answers();
        for (int i = 0; i < run.wordCount(); ++i) {
            const QString &word = run.words().at(i);
            // A word the child never reached (a stopped test) is no answer, not a miss.
            if (i >= answers.size())
                break;
            r.words.append({word, answers.at(i), !run.isMissed(i), origins.value(word)});
        }
        s->recordRun(r);
    });
}

void ProgramHistory::recordStudy(const StudySession &session)
{
    HistoryStore *s = m_store;
    if (!s || !session.isStarted())
        return;
    timed([&] {
        History::StudySession r;
        r.when = now();
        r.child = m_child;
        r.test = session.testName();
        for (int i = 0; i < session.wordCount(); ++i)
            r.words.append({session.words().at(i), i < session.copiedCount(), session.wrongCopies().value(i)});
        s->recordStudy(r);
    });
}

void ProgramHistory::recordPractice(const PracticeSession &session)
{
    HistoryStore *s = m_store;
    if (!s || !session.isStarted())
        return;
    timed([&] {
        History::StudySession r;
        r.when = now();
        r.child = m_child;
        r.test = session.testName();
        r.kind = History::StudySession::Kind::Practice;
        for (const PracticeSession::Word &w : session.words())
            r.words.append({w.word, w.done, w.wrong, w.tries, w.hints});
        s->recordStudy(r);
    });
}

void ProgramHistory::recordGame(const QString &test, const QString &game, int score)
{
    HistoryStore *s = m_store;
    if (!s)
        return;
    timed([&] { s->recordGame({now(), m_child, test, game, score}); });
}

QString ProgramHistory::refreshTrickyFolder()
{
    HistoryStore *s = m_store;
    if (!s || m_appDir.isEmpty())
        return {};
    QString why = TrickyFolder::rebuild(m_appDir, s->trickyDue(m_child, today()));
    if (!why.isEmpty())
        qCWarning(lcHistory).noquote() << "The tricky-words test was not remade:" << why;
    return why;
}
