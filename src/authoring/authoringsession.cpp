#include "authoring/authoringsession.h"

#include "core/platform/appcontext.h"
#include "voice/sentences.h"

void AuthoringSession::setTest(const QString &entry)
{
    m_test = entry;
    Q_EMIT changed();
}

void AuthoringSession::setWord(const QString &word)
{
    m_word = word;
    Q_EMIT wordChanged(m_word);
    Q_EMIT changed();
}

void AuthoringSession::setTake(Take take)
{
    m_take = take;
    Q_EMIT changed();
}

void AuthoringSession::setRecording(Recording recording)
{
    m_recording = recording;
    Q_EMIT changed();
}

QString AuthoringSession::takePath() const
{
    return m_take == Take::Sentence ? Sentences::pathFor(m_ctx.TestDir(), m_word)
                                    : m_ctx.TestDir() + m_word + QStringLiteral(".wav");
}

void AuthoringSession::startGuided(const QStringList &words)
{
    m_guided = true;
    m_guidedWords = words;
    m_guidedTotal = words.size();
    Q_EMIT changed();
}

QString AuthoringSession::nextGuided()
{
    return m_guidedWords.isEmpty() ? QString() : m_guidedWords.takeFirst();
}

void AuthoringSession::endGuided()
{
    m_guided = false;
    m_guidedWords.clear();
    m_guidedTotal = 0;
    Q_EMIT changed();
}

QString AuthoringSession::guidedPlace() const
{
    if (!m_guided || m_word.isEmpty())
        return {};
    // The word being made was the last one taken from the queue.
    const qsizetype n = m_guidedTotal - m_guidedWords.size();
    return QStringLiteral("Word ") + QString::number(n) + QStringLiteral(" of ") + QString::number(m_guidedTotal) +
           QStringLiteral(": ") + m_word;
}
