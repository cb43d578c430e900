#pragma once
// The question draw: which of its ten questions each letter asks in this game.

#include <QtGlobal>

#include <array>
#include <cstdint>

#include "bank.h"

namespace content {

// A random generator that can be re-seeded from a number and yields uniform values in [0, 1).
// The game hands one in, so that tests can choose every draw.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seed(float value) = 0;
    // Strictly below 1: a value of 1 would map to a question number 11.
    virtual float next() = 0;
};

// The generator the game plays with: SplitMix64, seeded from the bits of the seed value, so
// that two different times of day never give the same sequence. It is re-seeded before every
// draw, so its seeding must be cheap; a Mersenne twister spends more on filling its state
// than on the whole rest of a Next press.
class SeededRandom final : public RandomSource {
public:
    void seed(float value) override;
    float next() override;

private:
    std::uint64_t state_ = 0;
};

// Question number 1..10 for a generator value r in [0, 1): r below 0.1 gives 10, r from n/10 up
// to (n+1)/10 gives n. Values out of range (which a sound generator never yields) are clamped,
// and a value that is no number at all gives 10, like 0.
int questionNumberFor(float r);

// `caso` and its draw slots. Each call draws for the next letter in sequence; the 21st call
// serves Z and later calls only count.
class QuestionDraw {
public:
    void caso(RandomSource &random);

    qint16 counter() const { return counter_; }
    // The question number drawn for letter k (1..21), or 0 while the letter has not been drawn.
    int number(int k) const;

    bool operator==(const QuestionDraw &) const = default;

private:
    qint16 counter_ = 0;
    std::array<std::uint8_t, kLetterCount> slots_{};
};

} // namespace content
