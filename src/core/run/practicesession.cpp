#include "core/run/practicesession.h"

#include "core/run/scoring.h"

#include <QTextBoundaryFinder>

namespace
{
// The word's letters as a reader sees them: an accent or a joined mark stays with its
// letter.
QStringList letters(const QString &word)
{
    QStringList out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, word);
    qsizetype from = 0;
    while (finder.toNextBoundary() != -1) {
        out << word.mid(from, finder.position() - from);
        from = finder.position();
    }
    return out;
}
} // namespace

PracticeSession::PracticeSession(const QStringList &words, const QString &testName, const QString &testDir)
    : m_testName(testName), m_testDir(testDir)
{
    for (const QString &w : words)
        m_words.append({w});
}

void PracticeSession::start()
{
    m_started = true;
    m_index = 0;
    m_shown = 0;
}

QString PracticeSession::currentWord() const
{
    return m_started && m_index < wordCount() ? m_words.at(m_index).word : QString();
}

void PracticeSession::cover()
{
    m_shown = 0;
}

bool PracticeSession::canHint() const
{
    return !currentWord().isEmpty() && m_shown + 1 < letters(currentWord()).size();
}

bool PracticeSession::hint()
{
    if (!canHint())
        return false;
    ++m_shown;
    ++m_words[m_index].hints;
    return true;
}

QString PracticeSession::hintPattern() const
{
    const QStringList all = letters(currentWord());
    QStringList shown;
    for (qsizetype i = 0; i < all.size(); ++i)
        shown << (i < m_shown || all.at(i).trimmed().isEmpty() ? all.at(i) : QStringLiteral("_"));
    return shown.join(u' ');
}

PracticeSession::Write PracticeSession::write(const QString &typed)
{
    if (Scoring::trimSpaces(typed).isEmpty() || currentWord().isEmpty())
        return Write::Empty;
    Word &w = m_words[m_index];
    ++w.tries;
    m_shown = 0;
    if (!Scoring::isRight(typed, w.word)) {
        ++w.wrong;
        w.rightInARow = 0;
        return Write::Wrong;
    }
    if (++w.rightInARow < w.needed())
        return Write::Right;
    w.done = true;
    ++m_index;
    return Write::Done;
}
