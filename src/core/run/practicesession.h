#pragma once
#include <QList>
#include <QString>
#include <QStringList>

// Look, cover, write, check, without a window: the words to practise from memory in
// order, the word in hand and, per word, how it went. A word is done once it is
// written right twice in a row; a word the child took a hint on needs one more right
// write in a row. A hint shows the word's next letter in its place for the write in
// hand: the first letter, then the first two, and so on (never the whole word). A
// write is right as an answer in the test is: letter case and outer spaces do not
// count. Whoever looks at a session afterwards (the summary, the history) reads it here.
class PracticeSession
{
  public:
    // Right writes in a row that finish a word without a hint.
    static constexpr int RightToFinish = 2;

    struct Word {
        QString word;
        int tries = 0; // writes checked, right or wrong
        int wrong = 0;
        int hints = 0; // hints taken, over all its writes
        int rightInARow = 0;
        bool done = false;
        // Right writes in a row this word needs: one more once a hint was taken.
        int needed() const { return RightToFinish + (hints > 0 ? 1 : 0); }
    };

    PracticeSession() = default;
    // testName and testDir as for a TestRun: the test the words come from.
    explicit PracticeSession(const QStringList &words, const QString &testName = {}, const QString &testDir = {});

    const QString &testName() const { return m_testName; }
    const QString &testDir() const { return m_testDir; }
    const QList<Word> &words() const { return m_words; }
    int wordCount() const { return int(m_words.size()); }

    // Starts at the first word; before the start no word is in hand.
    void start();
    bool isStarted() const { return m_started; }
    int wordIndex() const { return m_index; }
    // The word in hand: empty before the start, once every word is done, and always
    // for a session without words.
    QString currentWord() const;
    // True once every word is done (never for a session without words).
    bool isComplete() const { return m_started && !m_words.isEmpty() && m_index >= wordCount(); }

    // A new write of the word in hand begins (the word is covered): no letter shown yet.
    void cover();
    // Takes a hint for the write in hand: one more letter shown, counted against the
    // word. False (and nothing counted) when no word is in hand or every letter but
    // the last is shown already.
    bool hint();
    bool canHint() const;
    // The word in hand as the hints show it: each letter given in its place, each
    // other one as "_", separated by spaces ("b e _ _ _ _ _"); spaces of the word stay.
    QString hintPattern() const;

    enum class Write { Empty, Wrong, Right, Done };
    // Checks a write of the word in hand. Empty: nothing typed, not a try. Wrong
    // starts the run of right writes again. Done: the word's last needed right write;
    // the next word is in hand.
    Write write(const QString &typed);

  private:
    QString m_testName;
    QString m_testDir;
    QList<Word> m_words;
    int m_index = 0;
    int m_shown = 0; // letters the hints show for the write in hand
    bool m_started = false;
};
