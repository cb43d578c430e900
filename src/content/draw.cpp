#include "draw.h"

#include <bit>
#include <cmath>
#include <limits>

namespace content {

void SeededRandom::seed(float value)
{
    engine_.seed(std::bit_cast<std::uint32_t>(value));
}

float SeededRandom::next()
{
    // 24 random bits over 2^24: every value is a float below 1, unlike
    // std::generate_canonical, which may round up to 1.0.
    return float(engine_() >> 8) * 0x1.0p-24f;
}

int questionNumberFor(float r)
{
    const double scaled = std::floor(double(r) * 10.0);
    const int v = scaled < 0.0 ? 0 : scaled > 9.0 ? 9 : int(scaled);
    return v == 0 ? 10 : v;
}

void QuestionDraw::caso(RandomSource &random)
{
    // A game calls this at most 21 times; the guard only keeps a runaway caller from
    // overflowing the 16-bit counter.
    if (counter_ < std::numeric_limits<qint16>::max())
        ++counter_;
    if (counter_ >= 1 && counter_ <= kLetterCount)
        slots_[counter_ - 1] = std::uint8_t(questionNumberFor(random.next()));
}

int QuestionDraw::number(int k) const
{
    return (k >= 1 && k <= kLetterCount) ? slots_[k - 1] : 0;
}

} // namespace content
