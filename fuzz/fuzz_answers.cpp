// libFuzzer target for everything the game does with typed text: the answer check, and whole
// games whose presses carry the fuzzer's text, held to the rules of tests/rules.h.
//
// The first byte steers the game (which presses carry the text, which answer the others give);
// the rest is the text, read both as UTF-16 code units, lone surrogates and all, and as UTF-8.
// A broken rule aborts, so the fuzzer keeps the input that broke it.

#include <QString>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "content/bank.h"
#include "content/draw.h"
#include "engine/game.h"
#include "engine/view.h"
#include "rules.h"

using namespace engine;
using content::kLetterCount;
using content::rispos;

namespace {

[[noreturn]] void broken(const char *rule)
{
    std::fprintf(stderr, "rule broken: %s\n", rule);
    std::abort();
}

void require(bool condition, const char *rule)
{
    if (!condition)
        broken(rule);
}

// Question numbers taken from the input, so the fuzzer chooses the draw too.
class BytesRandom final : public content::RandomSource {
public:
    BytesRandom(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    void seed(float) override {}
    float next() override
    {
        const std::uint8_t b = size_ ? data_[at_++ % size_] : 0;
        return float(b % 10) / 10.0f + 0.05f;
    }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

class NoonClock final : public TimeOfDay {
public:
    float secondsSinceMidnight() const override { return 43200.0f; }
};

void checkAnswerCheck(const QString &text, const QString &other, std::uint8_t control)
{
    require(textsMatch(text, text), "a text matches itself");
    require(textsMatch(text, other) == textsMatch(other, text), "matching is symmetric");

    const int k = 1 + control % kLetterCount;
    const int n = 1 + (control / kLetterCount) % 10;
    const QStringView answer = rispos(k, n);
    const LetterState verdict = verdictFor(text, answer);
    const bool isAnswer = textsMatch(text, answer);
    const bool isKeyword = textsMatch(text, kPassKeyword);
    switch (verdict) {
    case LetterState::Correct:
        require(isAnswer, "Correct only for the answer");
        break;
    case LetterState::Passed:
        require(isKeyword && !isAnswer, "Passed only for the keyword");
        break;
    case LetterState::Wrong:
        require(!isAnswer && !isKeyword, "Wrong only for other texts");
        break;
    default:
        broken("a verdict is never Pending");
    }
    if (text.isEmpty())
        require(verdict == LetterState::Wrong, "the empty text is wrong");
}

// A game through the engine and through the rules side by side; any difference in what the
// window would show breaks a rule.
struct Sides {
    explicit Sides(BytesRandom &r) : random(r) {}

    void play()
    {
        state = engine::play(state, random, clock);
        rules.play();
        agree();
    }
    void press(QStringView typed)
    {
        const int asked = rules.asked();
        const LetterState verdict = verdictFor(typed, rispos(asked, state.draw.number(asked)));
        state = next(state, typed, random, clock);
        rules.press(verdict);
        agree();
    }
    void agree() const
    {
        require(rules::differences(rules.view(state.draw), viewOf(state)).isEmpty(), "the game shows what the rules say");
    }

    BytesRandom &random;
    NoonClock clock;
    State state = load();
    rules::Oracle rules;
};

void checkGame(const QString &text, std::uint8_t control, const std::uint8_t *draws, std::size_t drawCount)
{
    BytesRandom random(draws, drawCount);
    Sides game(random);
    game.play();

    // First pass: the text at the letters the control byte picks, and the right answer, the
    // pass keyword or the text in turn elsewhere, so both passes get their share.
    for (int k = 1; k <= kLetterCount && game.rules.phase() == Phase::Playing; ++k) {
        const int choice = (control >> (k % 4 * 2)) & 3;
        if (choice == 0)
            game.press(rispos(k, game.state.draw.number(k)));
        else if (choice == 1)
            game.press(kPassKeyword);
        else
            game.press(text);
    }
    // Second pass: the text, with now and then the pass keyword, until the game ends.
    for (int i = 0; i < 2 * kLetterCount && game.rules.phase() == Phase::Playing; ++i)
        game.press((i % 3 == 2) ? kPassKeyword : QStringView(text));
    if (game.rules.phase() == Phase::Over) {
        const State over = game.state;
        game.state = next(game.state, text, random, game.clock);
        require(game.state == over, "nothing changes after the end");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t control = data[0];
    const std::uint8_t *rest = data + 1;
    const std::size_t restSize = size - 1;

    QString utf16(qsizetype(restSize / 2), Qt::Uninitialized);
    std::memcpy(utf16.data(), rest, restSize / 2 * 2);
    const QString utf8 = QString::fromUtf8(reinterpret_cast<const char *>(rest), qsizetype(restSize));

    checkAnswerCheck(utf16, utf8, control);
    checkAnswerCheck(utf8, utf16, control);
    checkGame(utf16, control, rest, restSize);
    checkGame(utf8, std::uint8_t(control ^ 0x5a), rest, restSize);
    return 0;
}
