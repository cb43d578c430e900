// libFuzzer target for everything the game does with typed text: the answer check, the clue
// match of the second pass, and whole games whose presses carry the fuzzer's text.
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

using namespace engine;
using content::doman;
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

int greens(const Game &game)
{
    int n = 0;
    for (int k = 1; k <= kLetterCount; ++k)
        n += game.state(k) == LetterState::Correct;
    return n;
}

void checkClueMatch(const Game &game, const QString &text)
{
    const int found = game.passedLetterShowing(text);
    require(found >= 0 && found <= kLetterCount, "the clue match names a letter or none");
    for (int k = 1; k <= kLetterCount; ++k) {
        const bool candidate = game.state(k) == LetterState::Passed && textsMatch(text, doman(k, game.draw().number(k)));
        if (k < found)
            require(!candidate, "the clue match takes the earliest passed letter");
        if (k == found)
            require(candidate, "the clue match names a passed letter with that clue");
        if (found == 0)
            require(!candidate, "the clue match misses no passed letter");
    }
}

void press(Game &game, QStringView typed)
{
    std::array<LetterState, kLetterCount> before{};
    for (int k = 1; k <= kLetterCount; ++k)
        before[std::size_t(k - 1)] = game.state(k);
    const bool wasPlaying = game.phase() == Phase::Playing;
    const int asked = game.step() < kLetterCount ? game.step() + 1 : game.passedLetterShowing(game.question());
    if (wasPlaying && game.step() >= kLetterCount)
        require(asked != 0, "in the second pass the clue on show is a passed letter's");

    game.next(typed);

    require(game.score() == greens(game), "the score counts the green letters");
    for (int k = 1; k <= kLetterCount; ++k) {
        const LetterState was = before[std::size_t(k - 1)];
        if (!wasPlaying || k != asked)
            require(game.state(k) == was, "only the letter asked changes");
        if (was == LetterState::Correct || was == LetterState::Wrong)
            require(game.state(k) == was, "a settled letter stays settled");
    }
    if (wasPlaying)
        require(game.state(asked) == verdictFor(typed, rispos(asked, game.draw().number(asked))),
                "the letter asked takes the verdict of the text");
    require(game.nextEnabled() == (game.phase() == Phase::Playing), "Next is enabled exactly in play");
}

void checkGame(const QString &text, std::uint8_t control, const std::uint8_t *draws, std::size_t drawCount)
{
    BytesRandom random(draws, drawCount);
    NoonClock clock;
    Game game(random, clock);
    game.load();
    game.play();
    checkClueMatch(game, text);

    // First pass: the text at the letters the control byte picks, and the right answer, the
    // pass keyword or the text in turn elsewhere, so both passes get their share.
    for (int k = 1; k <= kLetterCount && game.phase() == Phase::Playing; ++k) {
        const int choice = (control >> (k % 4 * 2)) & 3;
        if (choice == 0)
            press(game, rispos(k, game.draw().number(k)));
        else if (choice == 1)
            press(game, kPassKeyword);
        else
            press(game, text);
        checkClueMatch(game, text);
    }
    // Second pass: the text, with now and then the pass keyword, until the game ends.
    for (int i = 0; i < 2 * kLetterCount && game.phase() == Phase::Playing; ++i) {
        checkClueMatch(game, game.question());
        press(game, (i % 3 == 2) ? kPassKeyword : QStringView(text));
        checkClueMatch(game, text);
    }
    if (game.phase() == Phase::Over) {
        const QString question = game.question();
        game.next(text);
        require(game.question() == question, "nothing changes after the end");
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
