#include "core/run/alignment.h"

#include "core/run/scoring.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <vector>

namespace
{
using Letters = QList<char32_t>;

// Letters beyond this many on either side are not lined up by the table (which grows
// with the product of the lengths); they follow as missing or extra letters.
constexpr qsizetype Limit = 400;

char32_t folded(char32_t c)
{
    return QChar::toCaseFolded(c);
}

bool same(char32_t a, char32_t b)
{
    return folded(a) == folded(b);
}

bool isVowel(char32_t c)
{
    switch (folded(c)) {
    case U'a':
    case U'e':
    case U'i':
    case U'o':
    case U'u':
        return true;
    default:
        return false;
    }
}

bool isConsonant(char32_t c)
{
    const char32_t f = folded(c);
    return f >= U'a' && f <= U'z' && !isVowel(f);
}

QString letter(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

Letters lettersOf(const QString &text)
{
    const QList<uint> ucs = text.toUcs4();
    return Letters(ucs.cbegin(), ucs.cend());
}

Letters foldedAll(const Letters &s)
{
    Letters out;
    out.reserve(s.size());
    for (char32_t c : s)
        out.append(folded(c));
    return out;
}

bool startsWith(const Letters &s, const Letters &prefix, qsizetype length)
{
    return s.size() >= length && std::equal(prefix.cbegin(), prefix.cbegin() + length, s.cbegin());
}

Letters latin(const char *text)
{
    Letters out;
    for (; *text; ++text)
        out.append(char32_t(*text));
    return out;
}

// Whether the letter at i of the (case-folded) word is one that is written but not
// heard, in the spellings where children leave it out.
bool isSilent(const Letters &w, qsizetype i)
{
    const qsizetype n = w.size();
    const auto at = [&](qsizetype k) -> char32_t { return k >= 0 && k < n ? w[k] : 0; };
    const auto oneOf = [](char32_t c, const char *set) {
        for (; *set; ++set)
            if (c == char32_t(*set))
                return true;
        return false;
    };
    switch (w[i]) {
    case U'k': // knee, know
        return i == 0 && at(1) == U'n';
    case U'w': // write, wrong, who
        return i == 0 && (at(1) == U'r' || (at(1) == U'h' && at(2) == U'o'));
    case U'g': // gnome, sign; night, caught
        return (at(i + 1) == U'n' && (i == 0 || i + 2 == n)) ||
               (at(i + 1) == U'h' && i > 0 && (at(i - 1) == U'i' || at(i + 2) == U't'));
    case U'h': // night, caught; what, rhyme, ghost; hour, honest
        if (at(i - 1) == U'g' && i > 1 && (at(i - 2) == U'i' || at(i + 1) == U't'))
            return true;
        if (i == 1 && oneOf(at(0), "wrg"))
            return true;
        if (i == 0)
            for (const char *start : {"hour", "honest", "honour", "honor", "heir"})
                if (startsWith(w, latin(start), qsizetype(qstrlen(start))))
                    return true;
        return false;
    case U'b': // lamb, climb; debt, doubt
        return (at(i - 1) == U'm' && i + 1 == n) || (i > 0 && at(i + 1) == U't');
    case U't': // castle, listen, often
        return (at(i - 1) == U's' || at(i - 1) == U'f') &&
               ((at(i + 1) == U'l' && at(i + 2) == U'e' && i + 3 == n) || (at(i + 1) == U'e' && at(i + 2) == U'n'));
    case U'l': // walk, half, calm; could
        return ((at(i - 1) == U'a' || at(i - 1) == U'o') && oneOf(at(i + 1), "kfm")) ||
               (at(i - 1) == U'u' && at(i - 2) == U'o' && at(i + 1) == U'd');
    case U'n': // autumn
        return at(i - 1) == U'm' && i + 1 == n;
    case U'p': // psalm, pneumonia; cupboard
        return (i == 0 && oneOf(at(1), "snt")) || (at(i - 1) == U'u' && at(i + 1) == U'b');
    case U's': // island, aisle
        return at(i - 1) == U'i' && at(i + 1) == U'l';
    case U'u': // guess, guide, tongue; build
        return i > 0 && ((at(i - 1) == U'g' && oneOf(at(i + 1), "aeiy")) || (at(i - 1) == U'b' && at(i + 1) == U'i'));
    case U'c': // science, scene
        return at(i - 1) == U's' && oneOf(at(i + 1), "eiy");
    case U'd': // edge, bridge
        return at(i + 1) == U'g' && at(i + 2) == U'e';
    case U'e': // have, because
        return i + 1 == n && n > 3 && isConsonant(at(i - 1));
    default:
        return false;
    }
}

// One column while the alignment is made: where its letters are in the word and the
// answer (-1 for none).
struct Cell {
    qsizetype wi = -1;
    qsizetype ai = -1;
    Alignment::Mark mark = Alignment::Mark::Right;
};

std::vector<Cell> lineUp(const Letters &w, const Letters &a)
{
    const qsizetype n = std::min(w.size(), Limit);
    const qsizetype m = std::min(a.size(), Limit);
    const qsizetype stride = m + 1;
    std::vector<int> d(size_t((n + 1) * stride));
    const auto D = [&](qsizetype i, qsizetype j) -> int & { return d[size_t(i * stride + j)]; };
    for (qsizetype i = 0; i <= n; ++i)
        D(i, 0) = int(i);
    for (qsizetype j = 0; j <= m; ++j)
        D(0, j) = int(j);
    for (qsizetype i = 1; i <= n; ++i)
        for (qsizetype j = 1; j <= m; ++j) {
            int best =
                std::min({D(i - 1, j) + 1, D(i, j - 1) + 1, D(i - 1, j - 1) + (same(w[i - 1], a[j - 1]) ? 0 : 1)});
            if (i > 1 && j > 1 && same(w[i - 1], a[j - 2]) && same(w[i - 2], a[j - 1]) && !same(w[i - 1], w[i - 2]))
                best = std::min(best, D(i - 2, j - 2) + 1);
            D(i, j) = best;
        }

    // Back from the end, preferring a right letter, then an exchange, a wrong letter, a
    // missing one and last an extra one.
    std::vector<Cell> cells;
    qsizetype i = n;
    qsizetype j = m;
    using M = Alignment::Mark;
    while (i > 0 || j > 0) {
        if (i > 0 && j > 0 && same(w[i - 1], a[j - 1]) && D(i, j) == D(i - 1, j - 1)) {
            cells.push_back({i - 1, j - 1, M::Right});
            --i, --j;
        } else if (i > 1 && j > 1 && same(w[i - 1], a[j - 2]) && same(w[i - 2], a[j - 1]) &&
                   !same(w[i - 1], w[i - 2]) && D(i, j) == D(i - 2, j - 2) + 1) {
            cells.push_back({i - 1, j - 1, M::Swapped});
            cells.push_back({i - 2, j - 2, M::Swapped});
            i -= 2, j -= 2;
        } else if (i > 0 && j > 0 && D(i, j) == D(i - 1, j - 1) + 1) {
            cells.push_back({i - 1, j - 1, M::Wrong});
            --i, --j;
        } else if (i > 0 && D(i, j) == D(i - 1, j) + 1) {
            cells.push_back({i - 1, -1, M::Missing});
            --i;
        } else {
            cells.push_back({-1, j - 1, M::Extra});
            --j;
        }
    }
    std::reverse(cells.begin(), cells.end());
    for (qsizetype k = n; k < w.size(); ++k)
        cells.push_back({k, -1, M::Missing});
    for (qsizetype k = m; k < a.size(); ++k)
        cells.push_back({-1, k, M::Extra});
    return cells;
}

// The word ending the answer gets wrong, when the rest of the answer is the word's own
// beginning: the length of that shared stem and the ending. None (-1) otherwise.
struct Ending {
    qsizetype stem = -1;
    QString ending;
};

Ending wordEnding(const Letters &w, const Letters &a)
{
    static constexpr std::array endings{"ing", "ed", "es", "ly", "s"};
    Ending found;
    // The word's ending left out or written otherwise: the longest stem the answer keeps.
    for (const char *e : endings) {
        const Letters end = latin(e);
        const qsizetype stem = w.size() - end.size();
        if (stem < 2 || !std::equal(end.cbegin(), end.cend(), w.cbegin() + stem))
            continue;
        if (startsWith(a, w, stem) && stem > found.stem)
            found = {stem, QString::fromLatin1(e)};
    }
    if (found.stem >= 0)
        return found;
    // An ending the word does not have added to it.
    for (const char *e : endings) {
        const Letters end = latin(e);
        if (a.size() == w.size() + end.size() && startsWith(a, w, w.size()) &&
            std::equal(end.cbegin(), end.cend(), a.cbegin() + w.size()))
            return {w.size(), QString::fromLatin1(e)};
    }
    return {};
}

QString the(const QString &l)
{
    return QStringLiteral("the ") + Alignment::printable(l);
}

QString joined(const QStringList &parts)
{
    if (parts.size() < 2)
        return parts.join(QString());
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + parts.last();
}
} // namespace

Alignment Alignment::align(const QString &word, const QString &answer, const WordChecker *checker)
{
    Alignment r;
    r.m_word = Scoring::trimSpaces(word);
    r.m_answer = Scoring::trimSpaces(answer);
    const Letters w = lettersOf(r.m_word);
    const Letters a = lettersOf(r.m_answer);
    const Letters fw = foldedAll(w);
    const Letters fa = foldedAll(a);

    const std::vector<Cell> cells = lineUp(w, a);
    for (const Cell &c : cells)
        r.m_columns.append({c.wi >= 0 ? letter(w[c.wi]) : QString(), c.ai >= 0 ? letter(a[c.ai]) : QString(), c.mark});

    if (r.m_answer.isEmpty() || fw == fa)
        return r; // no answer, or a right one: no mistakes to name

    if (checker && checker->isWord(r.m_answer))
        r.m_mistakes.append({Kind::RealWord, {}});

    const Ending ending = wordEnding(fw, fa);
    bool endingSaid = false;
    for (size_t k = 0; k < cells.size(); ++k) {
        const Cell &c = cells[k];
        if (c.mark == Mark::Right)
            continue;
        // Every edit past the stem is the one word-ending mistake.
        if (ending.stem >= 0 && (c.wi >= ending.stem || c.ai >= ending.stem)) {
            if (!endingSaid) {
                const QString rest =
                    r.m_answer.mid(QString::fromUcs4(a.constData(), std::min(ending.stem, a.size())).size());
                const bool wordHasIt = fw.size() > ending.stem;
                QString said;
                if (!wordHasIt)
                    said = QStringLiteral("the ending -") + ending.ending + QStringLiteral(" does not belong");
                else if (rest.isEmpty())
                    said = QStringLiteral("the ending -") + ending.ending + QStringLiteral(" is missing");
                else
                    said = QStringLiteral("the ending -") + ending.ending + QStringLiteral(" is written as -") +
                           printable(rest);
                r.m_mistakes.append({Kind::WordEnding, said});
                endingSaid = true;
            }
            continue;
        }
        const QString wl = c.wi >= 0 ? letter(w[c.wi]) : QString();
        const QString al = c.ai >= 0 ? letter(a[c.ai]) : QString();
        switch (c.mark) {
        case Mark::Right:
            break;
        case Mark::Swapped: {
            // The pair's second column comes next; both are named in the word's order.
            const Cell &second = cells[k + 1];
            r.m_mistakes.append({Kind::SwappedLetters, the(wl) + QStringLiteral(" and ") + the(letter(w[second.wi])) +
                                                           QStringLiteral(" are swapped")});
            ++k;
            break;
        }
        case Mark::Wrong:
            r.m_mistakes.append({isVowel(w[c.wi]) && isVowel(a[c.ai]) ? Kind::Vowel : Kind::WrongLetter,
                                 the(wl) + QStringLiteral(" is written as ") + printable(al)});
            break;
        case Mark::Missing: {
            const bool doubled = isConsonant(w[c.wi]) && ((c.wi > 0 && fw[c.wi - 1] == fw[c.wi]) ||
                                                          (c.wi + 1 < fw.size() && fw[c.wi + 1] == fw[c.wi]));
            if (doubled)
                r.m_mistakes.append({Kind::DoubleLetters, the(wl) + QStringLiteral(" should be double")});
            else if (isSilent(fw, c.wi))
                r.m_mistakes.append({Kind::SilentLetter,
                                     QStringLiteral("the silent ") + printable(wl) + QStringLiteral(" is missing")});
            else
                r.m_mistakes.append({Kind::MissingLetter, the(wl) + QStringLiteral(" is missing")});
            break;
        }
        case Mark::Extra: {
            const bool doubled = isConsonant(a[c.ai]) && ((c.ai > 0 && fa[c.ai - 1] == fa[c.ai]) ||
                                                          (c.ai + 1 < fa.size() && fa[c.ai + 1] == fa[c.ai]));
            if (doubled)
                r.m_mistakes.append({Kind::DoubleLetters, the(al) + QStringLiteral(" should be single")});
            else
                r.m_mistakes.append({Kind::ExtraLetter, QStringLiteral("there is an extra ") + printable(al)});
            break;
        }
        }
    }
    return r;
}

QList<Alignment::Kind> Alignment::kinds() const
{
    QList<Kind> out;
    for (const Mistake &m : m_mistakes)
        if (!out.contains(m.kind))
            out.append(m.kind);
    return out;
}

QString Alignment::description() const
{
    if (m_answer.isEmpty())
        return QStringLiteral("you wrote nothing");
    QString head = QStringLiteral("you wrote ") + printable(m_answer);
    if (m_mistakes.isEmpty())
        return head + QStringLiteral(": that is right");
    QStringList said;
    for (const Mistake &m : m_mistakes) {
        if (m.kind == Kind::RealWord)
            head += QStringLiteral(" (another real word)");
        else
            said.append(m.said);
    }
    // A long list helps nobody: the first three, then how many more.
    constexpr qsizetype Told = 3;
    if (said.size() > Told + 1) {
        const qsizetype more = said.size() - Told;
        said = said.mid(0, Told);
        said.append(QString::number(more) + QStringLiteral(" more mistakes"));
    }
    return said.isEmpty() ? head : head + QStringLiteral(": ") + joined(said);
}

QString Alignment::marks() const
{
    QString out;
    for (const Column &c : m_columns) {
        switch (c.mark) {
        case Mark::Right:
            out += QLatin1Char('=');
            break;
        case Mark::Wrong:
            out += QLatin1Char('x');
            break;
        case Mark::Missing:
            out += QLatin1Char('-');
            break;
        case Mark::Extra:
            out += QLatin1Char('+');
            break;
        case Mark::Swapped:
            out += QLatin1Char('s');
            break;
        }
    }
    return out;
}

QString Alignment::kindName(Kind kind)
{
    switch (kind) {
    case Kind::SwappedLetters:
        return QStringLiteral("swapped letters");
    case Kind::MissingLetter:
        return QStringLiteral("missing letters");
    case Kind::ExtraLetter:
        return QStringLiteral("extra letters");
    case Kind::DoubleLetters:
        return QStringLiteral("double letters");
    case Kind::Vowel:
        return QStringLiteral("vowels");
    case Kind::SilentLetter:
        return QStringLiteral("silent letters");
    case Kind::WordEnding:
        return QStringLiteral("word endings");
    case Kind::RealWord:
        return QStringLiteral("another real word");
    case Kind::WrongLetter:
        return QStringLiteral("wrong letters");
    }
    return {};
}

QList<Alignment::Kind> Alignment::allKinds()
{
    return {Kind::SwappedLetters, Kind::MissingLetter, Kind::ExtraLetter, Kind::DoubleLetters, Kind::Vowel,
            Kind::SilentLetter,   Kind::WordEnding,    Kind::RealWord,    Kind::WrongLetter};
}

QString Alignment::printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (QChar::category(c)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Other_NotAssigned:
        case QChar::Other_PrivateUse:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            out += QChar(QChar::ReplacementCharacter);
            break;
        default:
            out += letter(c);
        }
    }
    return out;
}
