#pragma once
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

// The rules of the two arcade games, without any window: which word comes next, how
// a Raining Words word falls, is caught or lands, what happens to the umbrellas, how
// Scramble shuffles a word, and how a game score is written. The windows hold the
// state the player sees and call these; tests drive them with a seeded generator.

namespace Arcade
{

// A draw from the program-wide generator: a value r with 0 <= r < 1.
using Draw = std::function<float()>;
// The program-wide generator (Rnd::next).
Draw programDraw();

// Int(n * r) for a draw r, the product formed in single precision: 0 <= i < n.
int pickIndex(int n, const Draw &draw);

// The order in which a game takes its words, kept per window: SequencePos is the
// position of the next word in list order and wraps to 0 after the last word. In
// random order a word is drawn until it differs from the previous one, so no word
// falls twice in a row; when no word of the list differs from the previous one (a
// one-word test) the drawn word repeats instead of drawing for ever.
class WordOrder
{
  public:
    int SequencePos = 0;

    // The next word of words, or nothing when the list holds no word at all.
    std::optional<QString> next(const QStringList &words, bool random, const QString &previous, const Draw &draw);
};

// True when a game has something to play with: at least one word that is not empty.
bool hasPlayableWord(const QStringList &words);

// A game score as the games show it: a blank before a number that is not negative
// (" 1", " 12"), a minus sign otherwise.
QString scoreText(int score);

// Raining Words: a word falls one label height per tick from the top of the play area
// towards the umbrellas, in one of three columns given by its label's alignment.
namespace Rain
{
inline constexpr float WordHeight = 420.0f;   // twips, the falling label's design height
inline constexpr float LandingLine = 5235.0f; // twips, the top of the umbrellas
inline constexpr int UmbrellaCount = 3;

// Alignment values of the falling label: 0 left, 1 right, 2 centre.
enum Alignment { AlignLeft = 0, AlignRight = 1, AlignCentre = 2 };

// The fall timer's interval for a level list position; outside 0..4 the current
// interval stays.
int levelInterval(int listPosition, int currentInterval);
// The column of the next word: Int(r * 3), that is 0, 1 or 2.
int drawAlignment(const Draw &draw);
// The umbrella under a column: left 0, centre 1, right 2.
int umbrellaOfAlignment(int alignment);
// One fall step: the new top, one label height further down (single precision).
float fall(float top, float height = WordHeight);
// The word has reached the umbrellas once its bottom is at or below their top.
bool hasLanded(float top, float height = WordHeight, float landingLine = LandingLine);
// A catch needs the typed text exactly as the word: same case, nothing trimmed.
bool isCatch(const QString &word, const QString &typed);
// Enter empties the typing box only when the trimmed text is not the word.
bool enterClears(const QString &typed, const QString &word);
// Ticks from the top until a word lands (12 with the design geometry).
int ticksToLand(float height = WordHeight, float landingLine = LandingLine);

// The three umbrellas of one game. A landing knocks away the umbrella of its column;
// a landing where the umbrella is already gone loses the game.
class Umbrellas
{
  public:
    enum class Landing { KnockedAway, GameOver };
    bool isUp(int umbrella) const;
    int upCount() const;
    Landing land(int umbrella);

  private:
    std::array<bool, UmbrellaCount> m_up{true, true, true};
};
} // namespace Rain

// Scramble: the shuffled letters of a word.
namespace Scramble
{
// Draws 1-based positions pos = Int(L * r + 1) until every position has been taken
// once, appending the letter at each newly taken position; positions already taken
// are drawn again. The letters and their case are kept; an empty word gives an empty
// text after one draw. Letters are whole characters (code points), so a letter from
// outside the basic plane is never torn apart.
QString ScrambleIt(const QString &word, const Draw &draw);
// The first letter of a word, or the empty text for an empty word.
QString firstLetter(const QString &word);
// Every tenth solved word earns the extra praise.
bool earnsPraise(int score);
} // namespace Scramble

} // namespace Arcade
