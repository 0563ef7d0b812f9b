#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// One run of the spelling test: the words asked (the answer key, in test order), the
// answers accepted so far, the position of the word being asked and, once the run
// has ended, the scored rows. The test window asks, records and scores through it
// and its lists show it; whoever looks at a finished or stopped run afterwards (a
// history, practising the missed words) reads it here. No window, no sound.
class TestRun
{
  public:
    TestRun() = default;
    // testName and testDir: the test the run is of ("Test_Animals") and its folder,
    // carried with the run so whoever records it labels it with its own test.
    explicit TestRun(const QStringList &words, const QString &testName = {}, const QString &testDir = {});

    const QString &testName() const { return m_testName; }
    const QString &testDir() const { return m_testDir; }

    const QStringList &words() const { return m_words; }
    int wordCount() const { return int(m_words.size()); }

    // The 0-based position of the word being asked (WordIndex): 0 at the start, one
    // further for each answer, never back.
    int wordIndex() const { return m_index; }
    // The word at wordIndex(); the empty text once every word has had its answer, and
    // always for a test without words.
    QString currentWord() const;

    // Back to the first word, with no answers (the run starts).
    void restart();
    // Records the answer to the current word, trimmed of outer spaces, and moves on.
    // An answer that is empty after trimming is not recorded (false); nor is any
    // answer once the run has been scored.
    bool answer(const QString &typed);
    // True once every word has had an answer: the run is over.
    bool allAnswered() const { return m_index >= wordCount(); }
    // The answers accepted so far, in order: answer i belongs to word i.
    const QStringList &answers() const { return m_answers; }

    // Ends the run: the answers are lined up with the words (a word without an answer
    // scores as a single space), the wrong ones are marked and the percentage taken.
    // Only the first call scores; later ones change nothing.
    void score();
    bool isScored() const { return m_scored; }
    // True when the run was scored before every word had an answer ("Stop Test").
    bool stoppedEarly() const { return m_scored && m_answers.size() < m_words.size(); }

    // The rows the results show, one per word, the wrong ones ending in the marker;
    // empty until the run is scored.
    const QStringList &rows() const { return m_rows; }
    // Whether the word of a row was missed (false for rows beyond the words).
    bool isMissed(int row) const { return m_missed.value(row); }
    // The words missed, in test order.
    QStringList missedWords() const;
    int rightCount() const { return m_right; }
    // The whole percentage right, truncated; none before scoring or without words.
    std::optional<int> percent() const { return m_percent; }

  private:
    QString m_testName;
    QString m_testDir;
    QStringList m_words;
    QStringList m_answers;
    int m_index = 0;
    bool m_scored = false;
    QStringList m_rows;
    QList<bool> m_missed;
    int m_right = 0;
    std::optional<int> m_percent;
};

// One study session: the words in test order, the position of the word being
// studied, and how many wrong copies each word took before it was copied exactly.
// The study window checks every copy through it; whoever looks at a session
// afterwards reads it here.
class StudySession
{
  public:
    StudySession() = default;
    // testName and testDir as for a TestRun: the test the words are studied from.
    explicit StudySession(const QStringList &words, const QString &testName = {}, const QString &testDir = {});

    const QString &testName() const { return m_testName; }
    const QString &testDir() const { return m_testDir; }

    const QStringList &words() const { return m_words; }
    int wordCount() const { return int(m_words.size()); }

    // Starts (again) at the first word; before the start no word is being studied.
    void start();
    bool isStarted() const { return m_started; }
    // The 0-based position of the word being studied (WordIndex): one further for each
    // exact copy.
    int wordIndex() const { return m_index; }
    // The word being studied; empty before the start, after the last word and for a
    // test without words.
    QString currentWord() const;

    enum class Copy { Empty, Wrong, Right };
    // Checks a copy of the current word. Only the spaces around the typed text are
    // ignored: letter case and inner spaces must match. A right copy moves on to the
    // next word; a wrong one is counted against the current word.
    Copy copy(const QString &typed);

    // The number of words copied exactly so far.
    int copiedCount() const { return m_index; }
    // True once every word has been copied (never for a test without words).
    bool isComplete() const { return m_started && !m_words.isEmpty() && m_index >= wordCount(); }
    // Wrong copies per word, in test order.
    const QList<int> &wrongCopies() const { return m_wrong; }

  private:
    QString m_testName;
    QString m_testDir;
    QStringList m_words;
    QList<int> m_wrong;
    int m_index = 0;
    bool m_started = false;
};
