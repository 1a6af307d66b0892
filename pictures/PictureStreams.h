// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures far larger than the box they are shown in (scans, camera pictures, posters),
// read row by row and shrunk on the way, so that memory follows the size shown and not the
// size of the file: BMP and GIF (whose Qt readers make the whole picture first) and
// progressive JPEG (whose decoder keeps every coefficient of the picture).
#include <QImage>
#include <QIODevice>
#include <QSize>
#include <QString>
#include <atomic>

namespace mokuri {

enum class PictureKind { Unknown, Bmp, Gif, Jpeg };

// What the file's first bytes and header say, without decoding any pixel.
struct PictureHeader {
    PictureKind kind = PictureKind::Unknown;
    QSize size;                 // the whole picture (for GIF, its logical screen)
    bool progressive = false;   // JPEG only
    qint64 fullDecodeBytes = 0; // what a decoder holding the whole picture needs
};
PictureHeader readPictureHeader(QIODevice& file);
// Four bytes a pixel for a picture of `size`, saturating: a header may claim 2^31 x 2^31.
qint64 pixelBytes(QSize size);

// The picture in `file`, shrunk by averaging to at most `box` (never enlarged), or a null
// image when this reader cannot read it. `cancel` set ends the reading at the next row.
QImage readShrunkBmp(QIODevice& file, QSize box, const std::atomic<bool>& cancel);
QImage readShrunkGif(QIODevice& file, QSize box, const std::atomic<bool>& cancel);
// From the DC coefficients of the first scans alone: one value per 8 x 8 block, the
// picture at an eighth of its size, read from the first few percent of the file.
QImage readShrunkProgressiveJpeg(QIODevice& file, QSize box, const std::atomic<bool>& cancel);

} // namespace mokuri
