#include "arcade/gamerules.h"

#include "core/platform/rnd.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace Arcade
{

Draw programDraw()
{
    return [] { return Rnd::next(); };
}

int pickIndex(int n, const Draw &draw)
{
    if (n <= 0)
        return 0;
    const float product = float(n) * draw();
    const int i = int(std::floor(product));
    // A product rounded up to n in single precision would index past the end.
    return i >= n ? n - 1 : (i < 0 ? 0 : i);
}

std::optional<QString> WordOrder::next(const QStringList &words, bool random, const QString &previous, const Draw &draw)
{
    const int n = int(words.size());
    if (n == 0)
        return std::nullopt;
    if (random) {
        // Drawing until the word differs would never end when no word can differ.
        const bool anyDifferent =
            std::any_of(words.cbegin(), words.cend(), [&previous](const QString &w) { return w != previous; });
        QString word;
        do {
            word = words.at(pickIndex(n, draw));
        } while (anyDifferent && word == previous);
        return word;
    }
    // The list is read afresh each time, so it may have become shorter than the position.
    if (SequencePos < 0 || SequencePos >= n)
        SequencePos = 0;
    const QString &word = words.at(SequencePos);
    ++SequencePos;
    if (SequencePos >= n)
        SequencePos = 0;
    return word;
}

bool hasPlayableWord(const QStringList &words)
{
    return std::any_of(words.cbegin(), words.cend(), [](const QString &w) { return !w.isEmpty(); });
}

QString scoreText(int score)
{
    return score >= 0 ? QLatin1Char(' ') + QString::number(score) : QString::number(score);
}

namespace Rain
{

int levelInterval(int listPosition, int currentInterval)
{
    static constexpr std::array<int, 5> intervals{1200, 800, 600, 400, 200};
    if (listPosition < 0 || listPosition >= int(intervals.size()))
        return currentInterval;
    return intervals[size_t(listPosition)];
}

int drawAlignment(const Draw &draw)
{
    return pickIndex(3, draw);
}

int umbrellaOfAlignment(int alignment)
{
    switch (alignment) {
    case AlignCentre:
        return 1;
    case AlignRight:
        return 2;
    default:
        return 0;
    }
}

float fall(float top, float height)
{
    return top + height;
}

bool hasLanded(float top, float height, float landingLine)
{
    return top + height >= landingLine;
}

bool isCatch(const QString &word, const QString &typed)
{
    return word == typed;
}

bool enterClears(const QString &typed, const QString &word)
{
    return typed.trimmed() != word;
}

int ticksToLand(float height, float landingLine)
{
    if (height <= 0)
        return -1;
    float top = 0;
    int ticks = 0;
    do {
        top = fall(top, height);
        ++ticks;
    } while (!hasLanded(top, height, landingLine));
    return ticks;
}

bool Umbrellas::isUp(int umbrella) const
{
    return umbrella >= 0 && umbrella < UmbrellaCount && m_up[size_t(umbrella)];
}

int Umbrellas::upCount() const
{
    return int(std::count(m_up.cbegin(), m_up.cend(), true));
}

Umbrellas::Landing Umbrellas::land(int umbrella)
{
    if (!isUp(umbrella))
        return Landing::GameOver;
    m_up[size_t(umbrella)] = false;
    return Landing::KnockedAway;
}

} // namespace Rain

namespace Scramble
{

QString ScrambleIt(const QString &word, const Draw &draw)
{
    const QList<uint> letters = word.toUcs4();
    const int L = int(letters.size());
    // Positions 1..L are used; L + 1 can come out of a product rounded up.
    std::vector<bool> taken(size_t(L) + 2, false);
    QList<uint> result;
    result.reserve(L);
    do {
        const int pos = int(std::floor(float(L) * draw() + 1.0f));
        if (pos >= 0 && pos <= L + 1 && !taken[size_t(pos)]) {
            taken[size_t(pos)] = true;
            if (pos >= 1 && pos <= L)
                result.append(letters.at(pos - 1));
        }
    } while (result.size() != L);
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(result.constData()), result.size());
}

QString firstLetter(const QString &word)
{
    if (word.isEmpty())
        return {};
    return word.left(word.at(0).isHighSurrogate() && word.size() > 1 ? 2 : 1);
}

bool earnsPraise(int score)
{
    return score % 10 == 0;
}

} // namespace Scramble

} // namespace Arcade
