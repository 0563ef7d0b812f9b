#include "core/platform/rnd.h"

#include <QDateTime>

#include <cmath>
#include <random>

namespace Rnd
{
namespace
{
constexpr quint32 FixedSeed = 327680;
std::mt19937 &engine()
{
    static std::mt19937 gen(FixedSeed);
    return gen;
}
} // namespace

float next()
{
    // 24 random bits make every float in [0, 1) on a uniform grid, never 1.
    return float(engine()() >> 8) * (1.0f / 16777216.0f);
}

void seed(quint32 s)
{
    engine().seed(s);
}
void randomize()
{
    seed(quint32(QDateTime::currentMSecsSinceEpoch() & 0xffffffffu));
}
void reset()
{
    seed(FixedSeed);
}

int pick(int n)
{
    const float product = float(n) * next();
    const int i = int(std::floor(product));
    // A product rounded up to n in single precision would index past the end.
    return i >= n ? n - 1 : i;
}

} // namespace Rnd
