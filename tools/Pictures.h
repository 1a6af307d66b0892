// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The deck's images: the sample pictures drawn from the colour emoji font, and the pointer.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace mokuri::deck {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;

// Empty when the emoji font is there; otherwise what the adult should install.
QString emojiFontProblem();

// The emoji centred on a plain light background; a null image when the font has no glyph
// for it (nothing but background would be drawn).
QImage drawEmojiPicture(const QString& emoji, int variant);

// The file's bytes in the format its extension names ("jpg", "gif" or "bmp"); empty on failure.
QByteArray encodePicture(const QImage& image, const QString& format);

// The pointer the game shows when the cursor is to be hidden: a 32 x 32 Windows icon, every
// pixel fully transparent. Empty when Qt's ico image plugin is missing.
QByteArray transparentIcon();

} // namespace mokuri::deck
