#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

// What one visit to the authoring window is doing: the test being edited, the word
// being made, what is recorded for it (the word or its sentence), whether a
// recording runs, and the words a guided recording still has to visit. The panels
// read and change it; those that show part of it follow changed().
class AppContext;

class AuthoringSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(AuthoringSession)
  public:
    explicit AuthoringSession(AppContext &context, QObject *parent = nullptr) : QObject(parent), m_ctx(context) {}

    // The program's context: the folder of the test being edited is its TestDir.
    AppContext &context() const { return m_ctx; }

    // What the record and review panels record now: the word or its sentence.
    enum class Take { Word, Sentence };
    enum class Recording { Idle, Running };

    // The test being edited: its entry in the list of tests (its folder's name).
    const QString &test() const { return m_test; }
    void setTest(const QString &entry);

    // The word being made, once its spelling was accepted.
    const QString &word() const { return m_word; }
    void setWord(const QString &word);

    Take take() const { return m_take; }
    void setTake(Take take);

    bool isRecording() const { return m_recording == Recording::Running; }
    void setRecording(Recording recording);

    // The file the recording goes to: the word's or its sentence's.
    QString takePath() const;

    // A guided recording visits, in list order, each word that still has the computer
    // voice. nextGuided() gives the next word still to visit (empty when none is left).
    bool isGuided() const { return m_guided; }
    void startGuided(const QStringList &words);
    QString nextGuided();
    void endGuided();
    // Where a guided recording is: "Word 3 of 12: owl" for the word being made; empty
    // when no guided recording runs.
    QString guidedPlace() const;

  Q_SIGNALS:
    // The word was set (also to the same text): the typing box shows it.
    void wordChanged(const QString &word);
    // Anything above changed.
    void changed();

  private:
    AppContext &m_ctx;
    QString m_test;
    QString m_word;
    Take m_take = Take::Word;
    Recording m_recording = Recording::Idle;
    bool m_guided = false;
    QStringList m_guidedWords; // still to visit, in list order
    qsizetype m_guidedTotal = 0;
};
