// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's icon at the sizes a desktop asks for: an apple above the three tiles
// that spell りんご, like a question of the game.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage drawIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 256.0, size / 256.0); // drawn on a 256 x 256 grid

    p.setPen(QPen(QColor(0x7f, 0xb8, 0xdc), 4));
    p.setBrush(QColor(0xd4, 0xee, 0xff));
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    QPainterPath apple;
    apple.moveTo(128, 62);
    apple.cubicTo(108, 46, 62, 48, 60, 96);
    apple.cubicTo(58, 134, 92, 158, 112, 154);
    apple.cubicTo(120, 152, 124, 148, 128, 148);
    apple.cubicTo(132, 148, 136, 152, 144, 154);
    apple.cubicTo(164, 158, 198, 134, 196, 96);
    apple.cubicTo(194, 48, 148, 46, 128, 62);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe5, 0x39, 0x35));
    p.drawPath(apple);
    p.setBrush(QColor(255, 255, 255, 140));
    p.save();
    p.translate(90, 92);
    p.rotate(25);
    p.drawEllipse(QRectF(-8, -16, 16, 32));
    p.restore();

    QPainterPath stem;
    stem.moveTo(127, 62);
    stem.cubicTo(126, 50, 122, 42, 114, 34);
    p.setPen(QPen(QColor(0x6d, 0x4c, 0x41), 7, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(stem);
    QPainterPath leaf;
    leaf.moveTo(132, 54);
    leaf.cubicTo(140, 34, 164, 30, 178, 38);
    leaf.cubicTo(166, 54, 146, 60, 132, 54);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x43, 0xa0, 0x47));
    p.drawPath(leaf);

    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(42);
    font.setBold(true);
    p.setFont(font);
    const QString word = QStringLiteral("りんご");
    for (int i = 0; i < 3; ++i) {
        const QRectF tile(30 + i * 68, 168, 60, 60);
        p.setPen(QPen(QColor(0xf9, 0xa8, 0x25), 4));
        p.setBrush(QColor(0xff, 0xf8, 0xe1));
        p.drawRoundedRect(tile, 10, 10);
        p.setPen(QColor(0x26, 0x32, 0x38));
        p.drawText(tile, Qt::AlignCenter, word.mid(i, 1));
    }
    return img;
}

} // namespace

// Usage: mokuri-make-icon OUT.png SIZE
int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: mokuri-make-icon OUT.png SIZE\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int size = QByteArray(argv[2]).toInt();
    if (size < 16 || size > 1024) return 2;
    return drawIcon(size).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
