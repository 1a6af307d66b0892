// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt reads GIF but cannot write it, and the game's folders hold GIFs too; giflib writes them.
#include <QByteArray>
#include <QImage>

namespace mokuri::deck {

// Reduces the image to at most 256 colours by giflib's median cut (GifQuantizeBuffer), each
// colour the average of the pixels that took it; a null image if giflib fails.
QImage reduceTo256Colours(const QImage& image);

// A single-frame GIF89a of the image (reduced first when it is not already indexed); empty
// when giflib fails.
QByteArray encodeGif(const QImage& image);

} // namespace mokuri::deck
