#include "history/programhistory.h"

#include "core/platform/appstate.h"
#include "core/run/testrun.h"
#include "history/historystore.h"
#include "history/trickyfolder.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <algorithm>

Q_LOGGING_CATEGORY(lcHistory, "wordaroo.history", QtInfoMsg)

namespace ProgramHistory
{
namespace
{
struct State {
    HistoryStore *store = nullptr;
    QString child;
    std::function<QDateTime()> clock;
    double slowestMs = 0;
};
State &state()
{
    static State s;
    return s;
}

// Times one record call on the calling thread; the store only queues, so this stays small.
template <typename F> void timed(F &&record)
{
    QElapsedTimer t;
    t.start();
    record();
    const double ms = double(t.nsecsElapsed()) / 1e6;
    if (ms > state().slowestMs) {
        state().slowestMs = ms;
        qCDebug(lcHistory, "slowest record call so far: %.3f ms", ms);
    }
}
} // namespace

void install(HistoryStore *store)
{
    state().store = store;
    if (!store)
        state().child.clear();
}

HistoryStore *store()
{
    return state().store;
}

QString child()
{
    return state().child;
}

void setChild(const QString &name)
{
    state().child = name;
}

QStringList children()
{
    return state().store ? state().store->children() : QStringList();
}

QDateTime now()
{
    return state().clock ? state().clock() : QDateTime::currentDateTime();
}

QDate today()
{
    return now().date();
}

void setClock(std::function<QDateTime()> clock)
{
    state().clock = std::move(clock);
}

void recordRun(const TestRun &run)
{
    HistoryStore *s = state().store;
    if (!s || !run.isScored())
        return;
    timed([&] {
        History::TestRun r;
        r.when = now();
        r.child = state().child;
        r.test = Shared::TestName;
        r.percent = run.percent().value_or(0);
        r.stopped = run.stoppedEarly();
        const bool tricky = Shared::TestName == QLatin1StringView(Tricky::FolderName);
        const QHash<QString, QString> origins =
            tricky ? TrickyFolder::origins(Shared::AppDir) : QHash<QString, QString>();
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

void recordStudy(const StudySession &session)
{
    HistoryStore *s = state().store;
    if (!s || !session.isStarted())
        return;
    timed([&] {
        History::StudySession r;
        r.when = now();
        r.child = state().child;
        r.test = Shared::TestName;
        for (int i = 0; i < session.wordCount(); ++i)
            r.words.append({session.words().at(i), i < session.copiedCount(), session.wrongCopies().value(i)});
        s->recordStudy(r);
    });
}

void recordGame(const QString &game, int score)
{
    HistoryStore *s = state().store;
    if (!s)
        return;
    timed([&] { s->recordGame({now(), state().child, Shared::TestName, game, score}); });
}

double slowestRecordMs()
{
    return state().slowestMs;
}

QString refreshTrickyFolder()
{
    HistoryStore *s = state().store;
    if (!s || Shared::AppDir.isEmpty())
        return {};
    const QString why = TrickyFolder::rebuild(Shared::AppDir, s->trickyDue(state().child, today()));
    if (!why.isEmpty())
        qCWarning(lcHistory).noquote() << "The tricky-words test was not remade:" << why;
    return why;
}
} // namespace ProgramHistory
