// SPDX-License-Identifier: GPL-3.0-or-later
// giflib chooses the palette (GifQuantizeBuffer); only its colours are made again here, as
// the average of the pixels it gave each: its own keep five bits of each primary, so white
// would come out grey.
#include "tools/GifWriter.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace mokuri::deck {

namespace {

int appendToByteArray(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

} // namespace

QImage reduceTo256Colours(const QImage& image)
{
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    QImage out(src.size(), QImage::Format_Indexed8);
    const std::size_t pixels = std::size_t(src.width()) * std::size_t(src.height());
    if (pixels == 0) {
        out.setColorTable({qRgb(0, 0, 0)});
        return out;
    }
    std::vector<GifByteType> red(pixels), green(pixels), blue(pixels), index(pixels);
    for (int y = 0, i = 0; y < src.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x, ++i) {
            red[std::size_t(i)] = GifByteType(qRed(line[x]));
            green[std::size_t(i)] = GifByteType(qGreen(line[x]));
            blue[std::size_t(i)] = GifByteType(qBlue(line[x]));
        }
    }
    int size = 256;
    std::vector<GifColorType> giflibPalette(256); // replaced below
    if (GifQuantizeBuffer(unsigned(src.width()), unsigned(src.height()), &size, red.data(), green.data(), blue.data(),
                          index.data(), giflibPalette.data()) != GIF_OK)
        return {};

    // Each entry the true average of the pixels giflib gave it (giflib's own averages a box's
    // colours without weighing them by their pixels); entries no pixel took are dropped.
    struct Sum {
        std::uint64_t count = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Sum> sums(256);
    for (std::size_t i = 0; i < pixels; ++i) {
        Sum& sum = sums[index[i]];
        ++sum.count;
        sum.r += red[i];
        sum.g += green[i];
        sum.b += blue[i];
    }
    QList<QRgb> palette;
    std::vector<uchar> entry(256, 0);
    for (std::size_t e = 0; e < sums.size(); ++e) {
        const Sum& sum = sums[e];
        if (!sum.count) continue;
        entry[e] = uchar(palette.size());
        palette.push_back(qRgb(int(sum.r / sum.count), int(sum.g / sum.count), int(sum.b / sum.count)));
    }
    out.setColorTable(palette);
    for (int y = 0, i = 0; y < src.height(); ++y) {
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x, ++i) dst[x] = entry[index[std::size_t(i)]];
    }
    return out;
}

QByteArray encodeGif(const QImage& image)
{
    QImage indexed =
        image.format() == QImage::Format_Indexed8 ? image : reduceTo256Colours(image);
    if (indexed.isNull() && !image.isNull()) return {};
    QList<QRgb> palette = indexed.colorTable();
    // giflib takes colour tables of a power of two entries only.
    const int tableSize = 1 << GifBitSize(int(palette.size()));
    while (palette.size() < tableSize) palette.push_back(qRgb(0, 0, 0));
    std::vector<GifColorType> colours;
    for (QRgb c : palette)
        colours.push_back({GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))});
    ColorMapObject* map = GifMakeMapObject(tableSize, colours.data());

    QByteArray out;
    int error = 0;
    GifFileType* gif = map ? EGifOpen(&out, appendToByteArray, &error) : nullptr;
    if (!gif) {
        GifFreeMapObject(map);
        return {};
    }
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, indexed.width(), indexed.height(), 8, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, indexed.width(), indexed.height(), false, nullptr) == GIF_OK;
    // giflib masks the line in place, hence the writable scan line of this own copy.
    for (int y = 0; ok && y < indexed.height(); ++y)
        ok = EGifPutLine(gif, indexed.scanLine(y), indexed.width()) == GIF_OK;
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    GifFreeMapObject(map);
    return ok ? out : QByteArray();
}

} // namespace mokuri::deck
