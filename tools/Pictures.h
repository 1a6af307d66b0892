#pragma once
// Draws the sample deck's pictures from the colour emoji font.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace mokuri::deck {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;

// Empty when the emoji font is there; otherwise what the adult should install.
QString EmojiFontProblem();

// The emoji centred on a plain light background; a null image when the font has no glyph
// for it (nothing but background would be drawn).
QImage DrawEmojiPicture(const QString& emoji, int variant);

// The file's bytes in the format its extension names ("jpg", "gif" or "bmp"); empty on failure.
QByteArray EncodePicture(const QImage& image, const QString& format);

} // namespace mokuri::deck
