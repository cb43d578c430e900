#include "view.h"

#include <QStringList>

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
        view.turn = qint64(state.step) + kFirstTurn;
        view.focus = Focus::AnswerBox;
    }
    view.playEnabled = phase == Phase::Ready;
    view.nextEnabled = phase == Phase::Playing;
    view.clockRunning = phase == Phase::Playing;
    view.discs = state.letters;
    return view;
}

QString spokenLetter(int k, LetterState state)
{
    static constexpr QStringView kWords[] = {u"da giocare", u"corretta", u"sbagliata", u"passata"};
    QString spoken(content::letterAt(k));
    return spoken.append(u", ").append(kWords[int(state)]);
}

Announcement announcementOf(const State &before, const State &after)
{
    Announcement said;
    QStringList news;
    const bool pressed = after.step != before.step;
    if (pressed)
        news.append(spokenLetter(before.asked, after.letter(before.asked)));
    if (after.phase() == Phase::Playing && (pressed || before.phase() == Phase::Ready)) {
        news.append(QStringLiteral("Lettera ") + content::letterAt(after.asked));
        news.append(content::doman(after.asked, after.draw.number(after.asked)).toString());
    }
    said.news = news.join(u". ");
    if (after.phase() == Phase::Over && before.phase() != Phase::Over) {
        said.ended = true;
        const Closing closing = closingFor(after.ending, after.score);
        said.notice = closing.message;
        if (closing.retry)
            said.notice.append(u' ').append(kRetry);
        if (after.ending == Ending::TimeUp)
            said.clock = kTimeUp.toString();
    }
    return said;
}

} // namespace engine
