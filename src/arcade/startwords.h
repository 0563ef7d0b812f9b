#pragma once
#include <QStringList>

namespace Arcade
{
// The selected test's words, read in place from the start window's word list each
// time a game needs a word; no copy is kept. Without a start window (or its list) a
// game sees no words.
QStringList startWindowWords();
} // namespace Arcade
