// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/Pictures.h"

#include "tools/GifWriter.h"

#include <QBuffer>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImageWriter>
#include <QPainter>

namespace mokuri::deck {

namespace {

const QString kEmojiFamily = QStringLiteral("Noto Color Emoji");

// Pale enough that every emoji stands out, varied so that pictures do not all look alike.
QColor background(int variant)
{
    static const QRgb kColours[] = {
        qRgb(255, 250, 235), qRgb(235, 246, 255), qRgb(240, 255, 240), qRgb(255, 240, 245),
        qRgb(248, 244, 255), qRgb(255, 253, 225), qRgb(235, 252, 250), qRgb(250, 250, 250),
    };
    return QColor(kColours[variant % int(std::size(kColours))]);
}

QRect opaqueBounds(const QImage& image)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) < 16) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The bytes of the image in one of the formats Qt writes; empty when it cannot.
QByteArray encodeWithQt(const QImage& image, const char* format, int quality = -1)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

} // namespace

QString emojiFontProblem()
{
    if (QFontDatabase::families().contains(kEmojiFamily)) return {};
    return QStringLiteral("the font \"%1\" is not installed (Debian package fonts-noto-color-emoji)")
        .arg(kEmojiFamily);
}

QImage drawEmojiPicture(const QString& emoji, int variant)
{
    // The glyph's box says little about where the drawing sits inside it, so the emoji is
    // drawn on a transparent sheet first and its visible part is centred on the picture.
    constexpr int kGlyphPixels = 330;
    QImage sheet(kGlyphPixels * 2, kGlyphPixels * 2, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::transparent);
    {
        QPainter p(&sheet);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.setRenderHint(QPainter::Antialiasing);
        QFont font(kEmojiFamily);
        font.setPixelSize(kGlyphPixels);
        p.setFont(font);
        p.drawText(sheet.rect(), Qt::AlignCenter, emoji);
    }
    const QRect drawn = opaqueBounds(sheet);
    if (drawn.isEmpty() || drawn.width() < 32 || drawn.height() < 32) return {};

    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    picture.fill(background(variant));
    QPainter p(&picture);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize room(kPictureWidth * 3 / 4, kPictureHeight * 3 / 4);
    const QSize size = drawn.size().scaled(room.boundedTo(drawn.size() * 2), Qt::KeepAspectRatio);
    const QRect target(QPoint((kPictureWidth - size.width()) / 2,
                              (kPictureHeight - size.height()) / 2),
                       size);
    p.drawImage(target, sheet, drawn);
    return picture;
}

QByteArray encodePicture(const QImage& image, const QString& format)
{
    if (image.isNull()) return {};
    if (format == QLatin1String("gif")) return encodeGif(image);
    return format == QLatin1String("jpg") ? encodeWithQt(image, "jpeg", 90) : encodeWithQt(image, "bmp");
}

QByteArray transparentIcon()
{
    QImage icon(32, 32, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    return encodeWithQt(icon, "ico");
}

} // namespace mokuri::deck
