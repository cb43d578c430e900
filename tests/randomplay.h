#pragma once
// What the tests that play whole games at random share, whether they play through the engine
// or through the main window: the seed and game count from the environment, the generator and
// clock the game is handed, and the choices of one player with one seed. The rules they hold
// the game to are in rules.h. No widgets here: the engine's tests link none.

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <span>

#include "content/bank.h"
#include "content/draw.h"
#include "engine/game.h"
#include "rules.h"

namespace randomplay {

using namespace rules;

// A seed or a game count from the environment (decimal, or hex with 0x), so that one failing
// game can be replayed alone; `fallback` when the variable is unset or unreadable.
inline std::uint64_t envNumber(const char *name, std::uint64_t fallback)
{
    bool ok = false;
    const std::uint64_t value = qEnvironmentVariable(name).toULongLong(&ok, 0);
    return ok ? value : fallback;
}

// Draws from the player's own generator, so that the seed of a game fixes every question.
// With `sharedClue`, A's question 7 and B's question 9, which share the clue text
// "Elemento chimico", are forced, so that the clue match meets the shared clue often.
class SeededDraws final : public content::RandomSource {
public:
    explicit SeededDraws(std::mt19937_64 &rng, bool sharedClue = false) : rng_(rng), sharedClue_(sharedClue) {}
    void seed(float) override {}
    float next() override
    {
        ++draws_;
        if (sharedClue_ && draws_ == 1)
            return 0.75f; // question 7
        if (sharedClue_ && draws_ == 2)
            return 0.95f; // question 9
        return float(rng_() >> 40) * 0x1.0p-24f;
    }

private:
    std::mt19937_64 &rng_;
    bool sharedClue_;
    int draws_ = 0;
};

// The time of day only seeds the generator, which SeededDraws ignores; any fixed time will do.
class NoonClock final : public engine::TimeOfDay {
public:
    float secondsSinceMidnight() const override { return 43200.0f; }
};

// What the player means by a text: the verdict it must bring.
enum class Intent { Right, Pass, Wrong };

inline engine::LetterState verdictOf(Intent intent)
{
    return intent == Intent::Right  ? engine::LetterState::Correct
           : intent == Intent::Pass ? engine::LetterState::Passed
                                    : engine::LetterState::Wrong;
}

// The answer to letter k in this game's draw.
inline QString answerTo(int k, const content::QuestionDraw &draw)
{
    return content::rispos(k, draw.number(k)).toString();
}

// The answer with an acute accent added to its last letter: it reads almost like the answer
// and must not count as it.
inline QString overAccented(const QString &answer)
{
    return answer + QStringLiteral("\u0301");
}

// The random choices of one player with one seed. Every choice comes from the one generator,
// in the order the game asks for them, so that the seed replays the game exactly.
class Chooser {
public:
    // How flipCase may change a text: to upper, lower or mixed case, or also with the case of
    // every letter swapped.
    enum class Cases { UpperLowerMixed, AlsoSwapped };

protected:
    Chooser(std::uint64_t seed, Cases cases) : rng_(seed), cases_(cases) {}

    std::mt19937_64 &rng() { return rng_; }
    int pick(int n) { return int(rng_() % std::uint64_t(n)); }
    bool chance(double p) { return double(rng_() >> 11) * 0x1.0p-53 < p; }

    // Each game leans its own way, so that every ending turns up among the many: one of
    // `tickChances` for a tick in place of a press, and one of `weights` each for right, wrong
    // and passing texts. Passing never takes the last, heaviest weight, and when all three
    // come out 0 wrong texts take 1.
    void lean(std::span<const double> tickChances, const std::array<int, 4> &weights)
    {
        tickChance_ = tickChances[pick(int(tickChances.size()))];
        rightWeight_ = weights[pick(4)];
        wrongWeight_ = weights[pick(4)];
        passWeight_ = weights[pick(3)];
        if (rightWeight_ + wrongWeight_ + passWeight_ == 0)
            wrongWeight_ = 1;
    }
    bool tickNow() { return chance(tickChance_); }
    Intent chooseIntent()
    {
        const int roll = pick(rightWeight_ + wrongWeight_ + passWeight_);
        if (roll < rightWeight_)
            return Intent::Right;
        return roll < rightWeight_ + wrongWeight_ ? Intent::Wrong : Intent::Pass;
    }

    QString flipCase(const QString &text)
    {
        QString out = text;
        const int mode = pick(cases_ == Cases::AlsoSwapped ? 4 : 3);
        for (QChar &c : out) {
            const bool upper = mode == 0 ? true : mode == 1 ? false : mode == 2 ? chance(0.5) : !c.isUpper();
            c = upper ? c.toUpper() : c.toLower();
        }
        return out;
    }
    // What a player types meaning it, for Right or Pass: the answer as it stands or in another
    // case, its accents possibly typed as combining marks, or the pass keyword in any case.
    // Wrong texts are each test's own.
    QString meantText(Intent intent, const QString &answer)
    {
        if (intent == Intent::Right) {
            const QString spelled = chance(0.3) ? answer : flipCase(answer);
            return chance(0.3) ? spelled.normalized(QString::NormalizationForm_D) : spelled;
        }
        return flipCase(engine::kPassKeyword.toString());
    }

private:
    std::mt19937_64 rng_;
    Cases cases_;
    double tickChance_ = 0;
    int rightWeight_ = 0, wrongWeight_ = 0, passWeight_ = 0;
};

} // namespace randomplay
