#pragma once
#include "voice/recordingcheck.h"

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>

// A test's recordings listened to one after another on a thread of their own: check()
// queues one and returns at once, checked() gives its verdict on the window's thread.
// The listener is made on that thread at the first check, so nothing of the recognizer
// is loaded before an adult saves a recording or asks for a check.
class RecordingChecks final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(RecordingChecks)
  public:
    using Factory = std::function<std::unique_ptr<RecordingCheck::Listener>()>;
    // Without a factory nothing is listened to (see RecordingCheck::installed).
    explicit RecordingChecks(QObject *parent = nullptr, Factory factory = RecordingCheck::installed());
    bool canListen() const { return bool(m_factory); }
    // Waits for the check being made (a fraction of a second); the rest are dropped.
    ~RecordingChecks() override;

    // The recording at path of word, one of words (the test's words).
    void check(const QString &path, const QString &word, const QStringList &words);

  Q_SIGNALS:
    void checked(const QString &path, const QString &word, const RecordingCheck::Result &result);

  private:
    Factory m_factory;
    QThread m_thread;
    QObject *m_worker = nullptr;                          // lives on the thread
    std::unique_ptr<RecordingCheck::Listener> m_listener; // made and used on the thread only
};
