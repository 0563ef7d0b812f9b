#pragma once
#include "classroom/classsettings.h"
#include "history/programhistory.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class AppContext;
class Form;
class HistoryStore;

// This machine's part in a class: a thread of its own sends the results the history holds
// and the server has not acknowledged (in batches, each result keyed by its unique id, so
// sending one again is harmless), reads the class's roster (kept on disk for a start with
// no network) and the answers of a child's runs for the tricky words. While the server
// cannot be reached it tries again every few seconds; nothing on the user-interface thread
// ever waits for it. Made and used on the user-interface thread.
class Classroom final : public QObject, public ClassLink
{
    Q_OBJECT
    Q_DISABLE_COPY(Classroom)
  public:
    // store: where the roster's children are added so the results carry their names
    // (nullptr: nowhere, as in the uploader's fault test).
    Classroom(const QString &appDir, const ClassSettings &settings, HistoryStore *store);
    ~Classroom() override;

    static constexpr auto RosterFile = "class-roster.json";
    static constexpr int ConnectSeconds = 5;

    const ClassSettings &settings() const { return m_settings; }

    QStringList roster() const override { return m_roster; }
    std::optional<QList<History::WordAnswer>> serverAnswers(const QString &child) override;
    void resultsRecorded() override;

    // The teacher's password, asked once per run of the program; empty: not asked yet.
    QString teacherPassword() const { return m_teacherPassword; }
    void setTeacherPassword(const QString &password) { m_teacherPassword = password; }

    // Adds or removes a child (with every result of theirs) on the server as the teacher;
    // blocking, for a worker thread. Empty when done, else the driver's reason.
    static QString changeRoster(const ClassSettings &settings, const QString &teacherPassword, const QString &add,
                                const QString &remove);
    // Whether these settings reach the class: empty when they do, else the driver's reason.
    static QString tryConnection(const ClassSettings &settings);
    // Runs work on a thread of its own while window waits as one of its handlers, at most
    // limitMs; the text returned is work's, or why it gave none in time.
    static QString runWaiting(Form *window, std::function<QString()> work, int limitMs);

    // Joins the program to the class of settings (or to none when they are not set): the
    // context's history gets the link, and the start window lists again when the roster
    // or a child's answers change while it shows.
    static void join(AppContext &context, const ClassSettings &settings);
    // The roster as the teacher changed it, until the server's own is read again.
    void rosterChanged(const QString &added, const QString &removed);

  Q_SIGNALS:
    // The roster or the answers of a child changed.
    void changed();

  private:
    void syncLoop();
    bool upload(class HistoryStore::Outbox &outbox, const QString &connection);
    void setRoster(const QStringList &names);
    void setAnswers(const QString &child, const QList<History::WordAnswer> &answers);

    const QString m_appDir;
    const ClassSettings m_settings;
    HistoryStore *const m_store;
    QStringList m_roster;
    struct Known {
        QList<History::WordAnswer> answers;
        qint64 fetchedAt = 0; // QDateTime::currentMSecsSinceEpoch
    };
    QHash<QString, Known> m_answers;
    QString m_teacherPassword;

    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false, m_woken = true, m_rosterWanted = true;
    QSet<QString> m_childrenWanted;
    std::thread m_thread;
};
