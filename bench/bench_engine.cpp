// The cost of the game's events through the engine: one Next press of the first pass, one of
// the second pass, and a whole game of 21 presses.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>

#include "content/bank.h"
#include "content/draw.h"
#include "engine/game.h"

using namespace engine;

namespace {

// A cheap generator: a 64-bit LCG whose top 24 bits make the value, so the figures are the
// engine's own and not the Mersenne twister's.
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
QStringView typedAt(const Game &game, int k)
{
    switch (k % 3) {
    case 0:
        return content::rispos(k, game.draw().number(k));
    case 1:
        return u"sbagliato";
    default:
        return kPassKeyword;
    }
}

template <typename Random, typename Clock>
void firstPassPress(benchmark::State &state)
{
    Random random;
    Clock clock;
    std::optional<Game> game;
    const auto fresh = [&] {
        game.emplace(random, clock);
        game->load();
        game->play();
    };
    fresh();
    for (auto _ : state) {
        // Presses 1..20 each judge a letter, draw the next and show its clue; a new game is
        // set up, untimed, before the 21st, which would hand over to the end-of-turn check.
        if (game->step() == content::kLetterCount - 1) {
            state.PauseTiming();
            fresh();
            state.ResumeTiming();
        }
        const int k = game->step() + 1;
        benchmark::DoNotOptimize(game->next(typedAt(*game, k)));
    }
}

void BM_FirstPassNext(benchmark::State &state)
{
    firstPassPress<LcgRandom, NoonClock>(state);
}
BENCHMARK(BM_FirstPassNext);

// The same press with the generator and clock the game really plays with: each draw re-seeds
// a Mersenne twister from the time of day.
void BM_FirstPassNextSystemRandom(benchmark::State &state)
{
    firstPassPress<content::SeededRandom, SystemTimeOfDay>(state);
}
BENCHMARK(BM_FirstPassNextSystemRandom);

// A second-pass press with the pass keyword, which leaves the game as it was, so every press
// is alike: the clue match over the 21 letters, the judging, the end-of-turn scans and the
// clue shown again. The argument is how many letters were passed in the first pass: with all
// 21 passed, A is on show; with only Z passed, the match walks past 20 settled letters.
void BM_SecondPassNext(benchmark::State &state)
{
    const int passedCount = int(state.range(0));
    LcgRandom random;
    NoonClock clock;
    Game game(random, clock);
    game.load();
    game.play();
    for (int k = 1; k <= content::kLetterCount; ++k) {
        const bool pass = k > content::kLetterCount - passedCount;
        game.next(pass ? kPassKeyword : QStringView(u"sbagliato"));
    }
    if (game.phase() != Phase::Playing || game.step() != content::kLetterCount) {
        state.SkipWithError("the second pass did not open");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(game.next(kPassKeyword));
    if (game.phase() != Phase::Playing || game.passedLetterShowing(game.question()) == 0)
        state.SkipWithError("the second pass did not go on");
}
BENCHMARK(BM_SecondPassNext)->Arg(21)->Arg(1);

// A whole game: the window's load, Play and 21 presses, most of them right, to the settled
// ending.
void BM_WholeGame(benchmark::State &state)
{
    LcgRandom random;
    NoonClock clock;
    for (auto _ : state) {
        Game game(random, clock);
        game.load();
        game.play();
        for (int k = 1; k <= content::kLetterCount; ++k)
            game.next(k == 7 ? QStringView(u"sbagliato") : content::rispos(k, game.draw().number(k)));
        benchmark::DoNotOptimize(game.question().size());
        if (game.phase() != Phase::Over) {
            state.SkipWithError("the game did not end");
            break;
        }
    }
}
BENCHMARK(BM_WholeGame);

} // namespace

BENCHMARK_MAIN();
