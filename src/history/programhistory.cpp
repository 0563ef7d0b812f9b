#include "history/programhistory.h"

#include "core/run/practicesession.h"
#include "core/run/testrun.h"
#include "history/historylog.h"
#include "history/historystore.h"
#include "history/trickyfolder.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <QSet>

#include <algorithm>
#include <map>

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

ProgramHistory::~ProgramHistory() = default;

void ProgramHistory::setClassLink(std::unique_ptr<ClassLink> link)
{
    m_link = std::move(link);
}

void ProgramHistory::install(HistoryStore *store)
{
    m_store = store;
    if (!store)
        m_child.clear();
}

QStringList ProgramHistory::children() const
{
    if (!m_store)
        return {};
    return m_link ? m_link->roster() : m_store->children();
}

QList<Tricky::Word> ProgramHistory::trickyDue(const QString &child) const
{
    if (!m_store)
        return {};
    std::optional<QList<History::WordAnswer>> answers = m_link ? m_link->serverAnswers(child) : std::nullopt;
    if (!answers)
        return m_store->trickyDue(child, today());
    // The server's runs, and this machine's that it has not acknowledged yet.
    QSet<QString> known;
    for (const History::WordAnswer &a : *answers)
        known.insert(a.uid);
    for (const History::WordAnswer &a : m_store->wordAnswers(child)) {
        if (!known.contains(a.uid))
            answers->append(a);
    }
    std::stable_sort(answers->begin(), answers->end(), [](const auto &a, const auto &b) { return a.at < b.at; });
    std::map<std::pair<QString, QString>, std::pair<Tricky::State, qint64>> words;
    for (const History::WordAnswer &a : *answers) {
        if (a.test == QLatin1StringView(Tricky::FolderName))
            continue;
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(a.at);
        auto &[state, lastMiss] = words[{a.test, a.word}];
        if (!state.tricky && a.right)
            continue; // a word never missed stays that way
        state = Tricky::next(state, {when.date(), a.right});
        if (!a.right)
            lastMiss = a.at;
    }
    QList<Tricky::Word> due;
    for (const auto &[key, entry] : words) {
        if (Tricky::isDue(entry.first, today()))
            due.append({key.first, key.second, entry.first.due, QDateTime::fromMSecsSinceEpoch(entry.second, Qt::UTC)});
    }
    return due;
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
    if (m_link)
        m_link->resultsRecorded();
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
    if (m_link)
        m_link->resultsRecorded();
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
    if (m_link)
        m_link->resultsRecorded();
}

QString ProgramHistory::refreshTrickyFolder()
{
    HistoryStore *s = m_store;
    if (!s || m_appDir.isEmpty())
        return {};
    QString why = TrickyFolder::rebuild(m_appDir, trickyDue(m_child));
    if (!why.isEmpty())
        qCWarning(lcHistory).noquote() << "The tricky-words test was not remade:" << why;
    return why;
}
