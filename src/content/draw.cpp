#include "draw.h"

#include <bit>
#include <cmath>
#include <limits>

namespace content {

void SeededRandom::seed(float value)
{
    state_ = std::bit_cast<std::uint32_t>(value);
}

float SeededRandom::next()
{
    state_ += 0x9e3779b97f4a7c15ull;
    std::uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    z ^= z >> 31;
    // The top 24 bits over 2^24: every value is a float below 1, unlike
    // std::generate_canonical, which may round up to 1.0.
    return float(z >> 40) * 0x1.0p-24f;
}

int questionNumberFor(float r)
{
    // Written so that NaN fails the first test: converting it to int would be undefined.
    if (!(r >= 0.1f))
        return 10;
    const double scaled = std::floor(double(r) * 10.0);
    return scaled > 9.0 ? 9 : int(scaled);
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
