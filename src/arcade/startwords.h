#pragma once
#include <QFont>
#include <QStringList>

class AppContext;

// What the two game windows share beyond their rules: their words and the look of
// their score lines.

namespace Arcade
{
// The selected test's words as the start window lists them, read afresh each time a
// game needs a word; no copy is kept. Without a selected test a game sees no words.
QStringList startWindowWords(const AppContext &context);
// True when the selected test has a word to play; otherwise tells the child so in a
// message box, and the game does not start.
bool startWordsPlayable(const AppContext &context);
// The font of the games' score lines: Wide Latin, 14.25 points.
QFont scoreFont();
} // namespace Arcade
