// Prints the question bank, one entry a line: letter, clue and answer separated by tabs, in
// UTF-8. scripts/screenreader.sh reads the clue on show and types its answer from this.
//   giro-bankdump

#include <cstdio>

#include <QString>

#include "content/bank.h"

int main()
{
    for (int k = 1; k <= content::kLetterCount; ++k) {
        for (int n = 1; n <= content::kQuestionsPerLetter; ++n) {
            QString line(content::letterAt(k));
            line.append(u'\t').append(content::doman(k, n)).append(u'\t').append(content::rispos(k, n)).append(u'\n');
            std::fputs(line.toUtf8().constData(), stdout);
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
