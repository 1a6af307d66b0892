// SPDX-License-Identifier: GPL-3.0-or-later
// The palette is chosen here rather than by giflib's GifQuantizeBuffer: that one is
// deprecated, and it keeps only five bits of every primary, so white comes out grey and the
// pale backgrounds of the pictures shift; this one keeps the real average of each colour.
#include "tools/GifWriter.h"

#include <gif_lib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

namespace mokuri::deck {

namespace {

// Colours are counted on a 5-5-5 bit grid: fine enough for drawings, coarse enough that
// the anti-aliased edges do not crowd out the real colours.
int binOf(QRgb c) { return (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3); }

int appendToByteArray(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

} // namespace

QImage reduceTo256Colours(const QImage& image)
{
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    struct Bin {
        uint64_t count = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Bin> bins(1 << 15);
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            Bin& bin = bins[binOf(line[x])];
            ++bin.count;
            bin.r += qRed(line[x]);
            bin.g += qGreen(line[x]);
            bin.b += qBlue(line[x]);
        }
    }
    std::vector<int> used;
    for (int i = 0; i < int(bins.size()); ++i)
        if (bins[i].count) used.push_back(i);
    std::vector<int> chosen = used;
    std::sort(chosen.begin(), chosen.end(), [&](int a, int b) {
        return bins[a].count != bins[b].count ? bins[a].count > bins[b].count : a < b;
    });
    if (chosen.size() > 256) chosen.resize(256);

    QList<QRgb> palette;
    for (int i : chosen) {
        const Bin& b = bins[i];
        palette.push_back(qRgb(int(b.r / b.count), int(b.g / b.count), int(b.b / b.count)));
    }
    std::vector<uint8_t> nearest(bins.size(), 0);
    for (int i : used) {
        const Bin& b = bins[i];
        const int r = int(b.r / b.count), g = int(b.g / b.count), bl = int(b.b / b.count);
        int best = 0;
        int bestDist = INT32_MAX;
        for (int p = 0; p < palette.size(); ++p) {
            const int dr = qRed(palette[p]) - r, dg = qGreen(palette[p]) - g,
                      db = qBlue(palette[p]) - bl;
            const int d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
            if (d < bestDist) {
                bestDist = d;
                best = p;
            }
        }
        nearest[i] = uint8_t(best);
    }

    QImage out(src.size(), QImage::Format_Indexed8);
    out.setColorTable(palette);
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x) dst[x] = nearest[binOf(line[x])];
    }
    return out;
}

QByteArray encodeGif(const QImage& image)
{
    QImage indexed =
        image.format() == QImage::Format_Indexed8 ? image : reduceTo256Colours(image);
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
