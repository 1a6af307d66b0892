#pragma once
// The pointer the game shows when the cursor is to be hidden.
#include <QByteArray>

namespace mokuri::deck {

// A 32 x 32 Windows icon, 32 bits per pixel, every pixel fully transparent.
QByteArray TransparentIcon();

} // namespace mokuri::deck
