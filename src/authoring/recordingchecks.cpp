#include "authoring/recordingchecks.h"

RecordingChecks::RecordingChecks(QObject *parent, Factory factory) : QObject(parent), m_factory(std::move(factory))
{
    m_thread.setObjectName(QStringLiteral("RecordingChecks"));
}

RecordingChecks::~RecordingChecks()
{
    if (!m_worker)
        return;
    m_thread.quit(); // after the check being made; the queued ones are not begun
    m_thread.wait();
    delete m_worker;
}

void RecordingChecks::check(const QString &path, const QString &word, const QStringList &words)
{
    if (!m_factory)
        return;
    if (!m_worker) {
        m_worker = new QObject;
        m_worker->moveToThread(&m_thread);
        m_thread.start(QThread::LowPriority);
    }
    QMetaObject::invokeMethod(
        m_worker,
        [this, path, word, words] {
            if (!m_listener)
                m_listener = m_factory();
            const RecordingCheck::Result result = m_listener->check(path, word, words);
            QMetaObject::invokeMethod(
                this, [this, path, word, result] { Q_EMIT checked(path, word, result); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}
