#pragma once
// The question bank: 21 letters, ten clue/answer pairs each, built into the program.
//
// Letters are indexed 1..21 in the order of the track (A B C D E F G H I L M N O P Q R S T U V Z)
// and question numbers 1..10, as the game talks about them. The texts live in one table,
// kBank, defined in bank_data.cpp; everything else reads it through doman() and rispos().

#include <QChar>
#include <QStringView>

#include <string_view>

namespace content {

inline constexpr int kLetterCount = 21;
inline constexpr int kQuestionsPerLetter = 10;

struct BankEntry {
    std::u16string_view clue;
    std::u16string_view answer;
};

// kBank[k - 1][n - 1] is question n of letter k.
extern const BankEntry kBank[kLetterCount][kQuestionsPerLetter];

// The letter with index k (1..21), e.g. letterAt(10) == 'L'. A null QChar outside 1..21.
QChar letterAt(int k);

// The clue and the answer of question n (1..10) of letter k (1..21). Outside those ranges
// there is no entry and both give an empty view, which matches no typing and no clue on show.
QStringView doman(int k, int n);
QStringView rispos(int k, int n);

} // namespace content
