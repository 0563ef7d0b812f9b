#include "core/run/testrun.h"

#include "core/run/scoring.h"

TestRun::TestRun(const QStringList &words, const QString &testName, const QString &testDir)
    : m_testName(testName), m_testDir(testDir), m_words(words)
{
}

QString TestRun::currentWord() const
{
    return m_words.value(m_index);
}

void TestRun::restart()
{
    if (m_scored)
        return;
    m_index = 0;
    m_answers.clear();
}

bool TestRun::answer(const QString &typed)
{
    const QString a = Scoring::trimSpaces(typed);
    if (a.isEmpty() || m_scored)
        return false;
    m_answers << a;
    ++m_index;
    return true;
}

void TestRun::score()
{
    if (m_scored)
        return;
    m_scored = true;
    const Scoring::Result r = Scoring::score(Scoring::padAnswers(m_answers, wordCount()), m_words);
    m_rows = r.rows;
    m_missed = r.missed;
    m_right = r.right;
    m_percent = r.percent;
}

QStringList TestRun::missedWords() const
{
    QStringList missed;
    for (int i = 0; i < wordCount(); ++i)
        if (isMissed(i))
            missed << m_words.at(i);
    return missed;
}

StudySession::StudySession(const QStringList &words, const QString &testName, const QString &testDir)
    : m_testName(testName), m_testDir(testDir), m_words(words), m_wrong(words.size(), 0)
{
}

void StudySession::start()
{
    m_started = true;
    m_index = 0;
}

QString StudySession::currentWord() const
{
    return m_started ? m_words.value(m_index) : QString();
}

StudySession::Copy StudySession::copy(const QString &typed)
{
    const QString t = Scoring::trimSpaces(typed);
    if (t.isEmpty())
        return Copy::Empty;
    // Exact: case and inner spaces count. No word (before the start, or none left)
    // takes no copy at all.
    if (t != currentWord()) {
        if (m_started && m_index < wordCount())
            ++m_wrong[m_index];
        return Copy::Wrong;
    }
    ++m_index;
    return Copy::Right;
}
