#pragma once
#include <QtGlobal>

// The program-wide random generator. A draw is a single-precision value in [0, 1).
// It starts from the same fixed state on every run and is reseeded from the clock
// only where a window says so; tests seed it.
namespace Rnd
{
float next();
void seed(quint32 seed);
void randomize(); // seed from the system clock
void reset();     // back to the fixed starting state
// Int(n * r) for a draw r, as the games take it: 0 <= i < n for n > 0.
int pick(int n);
} // namespace Rnd
