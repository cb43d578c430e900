#pragma once
// Who made the game, as both windows credit it.

#include <QStringView>

namespace ui {
inline constexpr QStringView kAuthorCredit = u"Bottega del Quiz";
// The main window's caption ends in one blank, as it always has.
inline constexpr QStringView kCaptionHead = u"GIROLETTERA v.1.00 di ";
} // namespace ui
