#pragma once
// What the main window shows of a game, worked out from its state alone: the five texts, the
// buttons and the clock, the colour of every disc and where the keyboard focus goes. The
// window keeps the view it last showed and touches only what differs in the next one.

#include <QString>

#include <array>

#include "game.h"

namespace engine {

enum class Focus : std::uint8_t { QuestionBox, AnswerBox };

inline constexpr qint64 kFirstTurn = 1;

struct View {
    QString question;      // the question box: the clue asked, or the closing message
    QString letter;        // the current letter
    QString score;         // the score box
    QString time;          // the time box: the seconds left, or the time-out notice
    // The answer box belongs to the player between turns. Play begins the first turn, which
    // gives `focus` the keyboard and leaves what was typed before it; every press of Next
    // begins a new turn, which empties the box (or writes the retry line of an ending) and
    // gives `focus` the keyboard; a time-out writes its retry line without a new turn.
    QString answer;
    qint64 turn = 0; // 0 before Play, kFirstTurn from Play to the first press of Next
    Focus focus = Focus::QuestionBox;
    bool playEnabled = true;
    bool nextEnabled = false;
    bool clockRunning = false;
    std::array<LetterState, kLetterCount> discs{};

    bool operator==(const View &) const = default;
};

View viewOf(const State &state);

// What a screen reader says for letter k (1..21) in the given state, as the window names its
// discs: "A, corretta", "B, da giocare".
QString spokenLetter(int k, LetterState state);

// What a screen reader is told of an event beyond what it reads off the window by itself.
struct Announcement {
    // Goes with the answer box as the keyboard comes back to it: the verdict on the letter
    // just answered, then the letter asked and its whole clue ("A, corretta. Lettera B.
    // Grosso cetaceo").
    QString news;
    // Read wherever the keyboard is, since the clock can end a game at any moment: the closing
    // message and, where there is one, the retry line.
    QString notice;
    // The clock has just run out: the time box's last word, "tempo scaduto", which a reader
    // that does not hear a box change by itself (a web page's) is told before the notice.
    QString clock;
    // The game has just ended: `news` then replaces whatever the answer box said before.
    bool ended = false;
};
Announcement announcementOf(const State &before, const State &after);

} // namespace engine
