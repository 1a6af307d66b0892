// SPDX-License-Identifier: GPL-3.0-or-later
// Makes a picture folder for the benchmarks: COUNT pictures with Japanese names, large
// (4000 x 3000 JPEG, like camera photos) or small (640 x 480).
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: make_workload DIR COUNT large|small\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const int count = std::atoi(argv[2]);
    const bool large = QByteArray(argv[3]) == "large";
    QDir().mkpath(dir);
    const QString kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん");
    const QSize size = large ? QSize(4000, 3000) : QSize(640, 480);
    QRandomGenerator rng(7);
    for (int i = 0; i < count; ++i) {
        const QString name = QString(kana[i % 46]) + kana[(i / 46 + 7) % 46] + kana[(i * 7 + 3) % 46] + QStringLiteral(".jpg");
        const QString path = dir + u'/' + name;
        if (QFile::exists(path)) continue;
        QImage img(size, QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                line[x] = qRgb((x / 16 + i * 20 + int(rng.bounded(12))) & 255, (y / 12 + int(rng.bounded(12))) & 255,
                               ((x + y) / 28) & 255);
        }
        img.save(path, "jpg", 90);
    }
    std::printf("%d pictures in %s\n", count, qPrintable(dir));
    return 0;
}
