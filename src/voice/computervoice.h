#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

// The computer voice: words and sentences spoken by a speech synthesizer linked into the
// program and saved as 16-bit mono wave files that say inside themselves how they were
// made (the INFO chunk's software field), so the mark travels with the file and nothing
// else is stored. Not a recorder and no window: the caller shows any message.
//
// Every function may be called from any thread. The synthesizer keeps shared state, so
// calls from several threads take turns; a batch can run on a worker thread while the
// window shows its progress.
namespace ComputerVoice
{

// The software field of every file made here. libsndfile appends its own name and
// version when it writes the field, so a file is known by this beginning.
inline const QString Mark = QStringLiteral("Wordaroo computer voice");

// First line of the message when the synthesizer cannot be used; the reason follows.
inline const QString StartFailed = QStringLiteral("The computer voice could not be started.");

// Speaks text into a wave file at path (16-bit PCM, mono, at the voice's own rate),
// carrying the mark. The file is written as every file of the program folder is
// (SafeFile::replaceFile): complete or not at all, never through a link, never outside
// the program folder. On failure returns false with a reason a parent can read in
// error (for a full disk, the system's own words).
bool synthesize(const QString &text, const QString &path, QString *error);

// Longest word the computer voice says: a longer "word" is a pasted line of text, which
// takes the voice seconds and megabytes of speech.
inline constexpr int MaxWordLetters = 40;

// Why word is not said by the computer voice (too long), or empty when it may be.
QString wordProblem(const QString &word);

// Saves testDir + word + ".wav" in the computer voice (testDir ends with "/"): refused
// with wordProblem's reason, otherwise as synthesize.
bool makeWord(const QString &testDir, const QString &word, QString *error);

// True when path is a wave file made by the computer voice (read back through libsndfile).
bool isComputerVoice(const QString &path);

// How the voice says word: its phones in the voice's own US English phone set ("k",
// "ae", "t"; stress left out), from its lexicon or, for a word it does not know, its
// letter-to-sound rules. Empty when it cannot say the word.
QStringList phones(const QString &word);

struct Failure {
    QString word;
    QString reason;
};

struct Batch {
    QStringList saved;     // words whose file now exists, in the order given
    QList<Failure> failed; // words tried or refused in vain, each with why
    QStringList notTried;  // words left when the batch was stopped, in the order given
};

// Called after each word with the number of words done so far and the total.
using Progress = std::function<void(int done, int total)>;

// Saves testDir + word + ".wav" in the computer voice for each word (testDir ends with
// "/"; words are expected to have passed the word rules). A word the voice cannot say
// or that is too long (wordProblem) fails alone; when the voice cannot start or the disk
// refuses a file (full, read-only, over quota) the words saved so far stay and every
// remaining word is reported with that reason, without trying them. When stop becomes
// true (from any thread) the batch ends after the word being said: the words saved
// stay, the rest are notTried.
Batch makeWords(const QString &testDir, const QStringList &words, const Progress &progress = {},
                const std::atomic<bool> *stop = nullptr);

} // namespace ComputerVoice
