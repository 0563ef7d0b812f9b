#pragma once
#include <QString>
#include <QStringList>

#include <memory>

// Listening to a word's recording: does it sound like its word, like another word of
// the test, or like none of them? Offline speech recognition with a US English model,
// over a grammar made of the test's own words. No window; the caller shows the verdict.
namespace RecordingCheck
{

enum class Verdict {
    Says,      // the recording sounds like its word (or a word said the same way)
    OtherWord, // it sounds more like another word of the test
    NoWord,    // it sounds like none of the test's words
    Unchecked, // it could not be listened to (see why)
};

struct Result {
    Verdict verdict = Verdict::Unchecked;
    QString heard; // OtherWord: that word; NoWord: the words it sounded like
    QString why;   // Unchecked: the reason, for a parent
};

// What a row whose recording may be wrong says: "may not say cat (it sounded like dog)".
QString warning(const QString &word, const QString &heard);

// One listener checks one recording at a time; it may be used from any one thread.
class Listener
{
  public:
    Listener() = default;
    virtual ~Listener() = default;
    Listener(const Listener &) = delete;
    Listener &operator=(const Listener &) = delete;

    // The wave file at path (any rate, mono or stereo) as a recording of word, one of
    // words (the test's words).
    virtual Result check(const QString &path, const QString &word, const QStringList &words) = 0;
};

// The listener of the installed speech model. Nothing is loaded until the first check
// (about half a second, then about a tenth of a second or two for each word).
std::unique_ptr<Listener> makeListener();

// The listener the windows use, made by the factory the program installed at start
// (makeListener; a test installs the one it needs). With none installed, as in most
// window tests, recordings are not listened to.
using Factory = std::unique_ptr<Listener> (*)();
void install(Factory factory);
Factory installed();

} // namespace RecordingCheck
