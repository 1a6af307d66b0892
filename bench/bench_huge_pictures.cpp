// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of scanner and camera sizes: time to decode at the size shown, and the process's
// peak resident size, each in a fresh process.
//   bench_huge_pictures make DIR      writes the workload (about 0.4 GB)
//   bench_huge_pictures game FILE...  decodes as the game does: all decoded ahead at once
//   bench_huge_pictures whole FILE    decodes with Qt's reader alone, as the game did before
#include "fakes/BmpHeader.h"
#include "pictures/PictureLoader.h"

#include <gif_lib.h>
#include <jpeglib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <vector>

using namespace mokuri;

namespace {

const QSize kBox(512, 384);  // the picture box of a 1024 x 768 screen

// Four coloured quarters with a diagonal grain, so that a picture decoded upside down or
// with its colours swapped looks wrong.
void pattern(int y, int width, int height, std::vector<uint8_t>& rgb)
{
    rgb.resize(size_t(width) * 3);
    for (int x = 0; x < width; ++x) {
        const bool right = x >= width / 2, bottom = y >= height / 2;
        const int grain = ((x + y) / 64) % 2 * 40;
        uint8_t* p = &rgb[size_t(x) * 3];
        p[0] = uint8_t(!bottom && !right ? 215 : bottom && right ? 200 : 20 + grain);
        p[1] = uint8_t(!bottom && right ? 215 : bottom && right ? 200 : 20 + grain);
        p[2] = uint8_t(bottom && !right ? 215 : 20 + grain);
    }
}

bool writeBmp(const QString& path, int w, int h)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const qint64 stride = test::bmpStride(w);
    f.write(test::bmpHeader24(w, h));
    std::vector<uint8_t> rgb;
    std::vector<char> row(static_cast<size_t>(stride));
    for (int i = 0; i < h; ++i) {
        pattern(h - 1 - i, w, h, rgb);
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) row[size_t(x) * 3 + size_t(c)] = char(rgb[size_t(x) * 3 + 2 - size_t(c)]);
        f.write(row.data(), stride);
    }
    return true;
}

bool writeProgressiveJpeg(const QString& path, int w, int h)
{
    FILE* out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, out);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y) {
        pattern(y, w, h, rgb);
        JSAMPROW row = rgb.data();
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(out);
    return true;
}

bool writeGif(const QString& path, int w, int h)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
    if (!gif) return false;
    // 6 x 6 x 6 colour cube.
    ColorMapObject* map = GifMakeMapObject(256, nullptr);
    for (int i = 0; i < 216; ++i)
        map->Colors[i] = GifColorType{GifByteType(i / 36 * 51), GifByteType(i / 6 % 6 * 51), GifByteType(i % 6 * 51)};
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK && EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
    std::vector<uint8_t> rgb;
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int y = 0; ok && y < h; ++y) {
        pattern(y, w, h, rgb);
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[size_t(x) * 3];
            line[size_t(x)] = GifPixelType((p[0] + 25) / 51 * 36 + (p[1] + 25) / 51 * 6 + (p[2] + 25) / 51);
        }
        ok = EGifPutLine(gif, line.data(), w) == GIF_OK;
    }
    GifFreeMapObject(map);
    EGifCloseFile(gif, &error);
    return ok;
}

long peakKiB()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("make")) {
        const QString dir = args[1];
        bool ok = writeBmp(dir + QStringLiteral("/scan-a4-600dpi.bmp"), 4960, 7016) &&
                  writeBmp(dir + QStringLiteral("/huge.bmp"), 10000, 10000) &&
                  writeGif(dir + QStringLiteral("/huge.gif"), 10000, 10000) &&
                  writeProgressiveJpeg(dir + QStringLiteral("/huge-progressive.jpg"), 10000, 10000) &&
                  writeProgressiveJpeg(dir + QStringLiteral("/giant-progressive.jpg"), 20000, 20000) &&
                  // The most memory a picture still decoded whole may take: 126 MB of coefficients.
                  writeProgressiveJpeg(dir + QStringLiteral("/just-under-budget-progressive.jpg"), 7000, 6000);
        return ok ? 0 : 1;
    }
    if (args.size() >= 2 && args[0] == QLatin1String("whole")) {
        QElapsedTimer t;
        t.start();
        QImageReader reader(args[1]);
        if (reader.supportsOption(QImageIOHandler::ScaledSize))
            reader.setScaledSize(reader.format() == "jpeg" ? reader.size() / 8 : kBox);
        const QImage img = reader.read();
        std::printf("%s\twhole\t%s\t%lld ms\tpeak %ld MiB\n", qPrintable(args[1]), img.isNull() ? "NOT SHOWN" : "shown",
                    t.elapsed(), peakKiB() / 1024);
        return 0;
    }
    if (args.size() >= 2 && args[0] == QLatin1String("game")) {
        QElapsedTimer t;
        t.start();
        // One loader a file, as if each were the next picture of a question in turn: none
        // is evicted, all four are in flight at once.
        std::vector<std::unique_ptr<PictureLoader>> loaders;
        int pending = int(args.size()) - 1;
        int shown = 0;
        for (const QString& file : args.mid(1)) {
            loaders.push_back(std::make_unique<PictureLoader>());
            PictureLoader* loader = loaders.back().get();
            QObject::connect(loader, &PictureLoader::decoded, [&, loader](const QString& path, QSize size) {
                shown += !loader->load(path, size).isNull();
                if (--pending == 0) app.quit();
            });
            loader->prefetch(file, kBox);
        }
        app.exec();
        std::printf("%lld files\tgame\t%d shown\t%lld ms\tpeak %ld MiB\n", qlonglong(args.size() - 1), shown, t.elapsed(),
                    peakKiB() / 1024);
        return 0;
    }
    std::fprintf(stderr, "usage: bench_huge_pictures make DIR | game FILE... | whole FILE\n");
    return 2;
}
