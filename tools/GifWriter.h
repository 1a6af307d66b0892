#pragma once
// Qt reads GIF but cannot write it, and the game's folders hold GIFs too.
#include <QByteArray>
#include <QImage>

namespace mokuri::deck {

// Reduces the image to at most 256 colours, the most frequent ones, each pixel taking the
// nearest of them.
QImage ReduceTo256Colours(const QImage& image);

// A single-frame GIF89a of the image (reduced first when it is not already indexed).
QByteArray EncodeGif(const QImage& image);

} // namespace mokuri::deck
