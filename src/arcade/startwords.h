#pragma once
#include <QStringList>

namespace Arcade
{
// The selected test's words, read in place from the start window's word list each
// time a game needs a word; no copy is kept. Without a start window (or its list) a
// game sees no words.
QStringList startWindowWords();
// True when the selected test has a word to play; otherwise tells the child so in a
// message box, and the game does not start.
bool startWordsPlayable();
} // namespace Arcade
