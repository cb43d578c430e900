#include "bank.h"

namespace content {

namespace {
constexpr char16_t kLetters[] = u"ABCDEFGHILMNOPQRSTUVZ";
static_assert(std::size(kLetters) - 1 == kLetterCount);

const BankEntry *entry(int k, int n)
{
    if (k < 1 || k > kLetterCount || n < 1 || n > kQuestionsPerLetter)
        return nullptr;
    return &kBank[k - 1][n - 1];
}

QStringView view(std::u16string_view text)
{
    return QStringView(text.data(), qsizetype(text.size()));
}
} // namespace

QChar letterAt(int k)
{
    return (k >= 1 && k <= kLetterCount) ? QChar(kLetters[k - 1]) : QChar();
}

QStringView doman(int k, int n)
{
    const BankEntry *e = entry(k, n);
    return e ? view(e->clue) : QStringView();
}

QStringView rispos(int k, int n)
{
    const BankEntry *e = entry(k, n);
    return e ? view(e->answer) : QStringView();
}

} // namespace content
