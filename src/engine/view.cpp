#include "view.h"

#include "content/bank.h"

namespace engine {

namespace {
// What an ending that invites another go writes into the answer box, and the time box's last
// word when the clock runs out.
constexpr QStringView kRetry = u"RIPROVA LA PROSSIMA VOLTA!!!";
constexpr QStringView kTimeUp = u"tempo scaduto";
} // namespace

View viewOf(const State &state)
{
    View view;
    const Phase phase = state.phase();
    if (state.asked != 0) {
        view.letter = QString(content::letterAt(state.asked));
        view.question = content::doman(state.asked, state.draw.number(state.asked)).toString();
    }
    view.score = QString::number(state.score);
    view.time = state.ending == Ending::TimeUp ? kTimeUp.toString() : QString::number(state.timeLeft);
    if (phase == Phase::Over) {
        const Closing closing = closingFor(state.ending, state.score);
        view.question = closing.message;
        if (closing.retry)
            view.answer = kRetry.toString();
    }
    if (phase != Phase::Ready) {
        view.turn = qint64(state.step) + 1;
        view.focus = Focus::AnswerBox;
    }
    view.playEnabled = phase == Phase::Ready;
    view.nextEnabled = phase == Phase::Playing;
    view.clockRunning = phase == Phase::Playing;
    view.discs = state.letters;
    return view;
}

} // namespace engine
