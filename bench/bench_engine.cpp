// The cost of the game's events through the engine: one Next press of the first pass, one of
// the second pass, the view of a state, and a whole game of 21 presses.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "content/bank.h"
#include "content/draw.h"
#include "engine/game.h"
#include "engine/view.h"

using namespace engine;

namespace {

// A cheap generator: a 64-bit LCG whose top 24 bits make the value, so the figures are the
// engine's own and not the generator's.
class LcgRandom final : public content::RandomSource {
public:
    void seed(float) override {}
    float next() override
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return float(state_ >> 40) * 0x1.0p-24f;
    }

private:
    std::uint64_t state_ = 0x9e3779b97f4a7c15ULL;
};

class NoonClock final : public TimeOfDay {
public:
    float secondsSinceMidnight() const override { return 43200.5f; }
};

// Right, wrong and pass in turn, so every verdict is in the mix.
QStringView typedAt(const State &game, int k)
{
    switch (k % 3) {
    case 0:
        return content::rispos(k, game.draw.number(k));
    case 1:
        return u"sbagliato";
    default:
        return kPassKeyword;
    }
}

template <typename Random, typename Clock>
void firstPassPress(benchmark::State &bench)
{
    Random random;
    Clock clock;
    State game = play(load(), random, clock);
    for (auto _ : bench) {
        // Presses 1..20 each judge a letter, draw the next and ask it; a new game is set up,
        // untimed, before the 21st, which would hand over to the end of the turn.
        if (game.step == content::kLetterCount - 1) {
            bench.PauseTiming();
            game = play(load(), random, clock);
            bench.ResumeTiming();
        }
        game = next(game, typedAt(game, game.step + 1), random, clock);
        benchmark::DoNotOptimize(game);
    }
}

void BM_FirstPassNext(benchmark::State &bench)
{
    firstPassPress<LcgRandom, NoonClock>(bench);
}
BENCHMARK(BM_FirstPassNext);

// The same press with the generator and clock the game really plays with: each draw re-seeds
// the generator from the time of day.
void BM_FirstPassNextSystemRandom(benchmark::State &bench)
{
    firstPassPress<content::SeededRandom, SystemTimeOfDay>(bench);
}
BENCHMARK(BM_FirstPassNextSystemRandom);

// A second-pass press with the pass keyword, which leaves the game as it was, so every press
// is alike: the judging, the end-of-turn scans and the first passed letter asked again. The
// argument is how many letters were passed in the first pass: with all 21 passed, A is asked;
// with only Z passed, the search walks past 20 settled letters.
void BM_SecondPassNext(benchmark::State &bench)
{
    const int passedCount = int(bench.range(0));
    LcgRandom random;
    NoonClock clock;
    State game = play(load(), random, clock);
    for (int k = 1; k <= content::kLetterCount; ++k) {
        const bool pass = k > content::kLetterCount - passedCount;
        game = next(game, pass ? kPassKeyword : QStringView(u"sbagliato"), random, clock);
    }
    if (game.phase() != Phase::Playing) {
        bench.SkipWithError("the second pass did not open");
        return;
    }
    for (auto _ : bench) {
        game = next(game, kPassKeyword, random, clock);
        benchmark::DoNotOptimize(game);
    }
    if (game.phase() != Phase::Playing)
        bench.SkipWithError("the second pass did not go on");
}
BENCHMARK(BM_SecondPassNext)->Arg(21)->Arg(1);

// What the window is given after a press: the view of the new state.
void BM_ViewOfAState(benchmark::State &bench)
{
    LcgRandom random;
    NoonClock clock;
    State game = play(load(), random, clock);
    for (int k = 1; k <= 7; ++k)
        game = next(game, typedAt(game, k), random, clock);
    for (auto _ : bench)
        benchmark::DoNotOptimize(viewOf(game));
}
BENCHMARK(BM_ViewOfAState);

// A whole game: the window's load, Play and 21 presses, most of them right, to the settled
// ending.
void BM_WholeGame(benchmark::State &bench)
{
    LcgRandom random;
    NoonClock clock;
    for (auto _ : bench) {
        State game = play(load(), random, clock);
        for (int k = 1; k <= content::kLetterCount; ++k)
            game = next(game, k == 7 ? QStringView(u"sbagliato") : content::rispos(k, game.draw.number(k)), random, clock);
        benchmark::DoNotOptimize(game);
        if (game.phase() != Phase::Over) {
            bench.SkipWithError("the game did not end");
            break;
        }
    }
}
BENCHMARK(BM_WholeGame);

} // namespace

BENCHMARK_MAIN();
