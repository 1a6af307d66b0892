#include "tools/GifWriter.h"

#include "tools/LittleEndian.h"
#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace mokuri::deck {

namespace {

// Colours are counted on a 5-5-5 bit grid: fine enough for drawings, coarse enough that
// the anti-aliased edges do not crowd out the real colours.
int BinOf(QRgb c) { return (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | (qBlue(c) >> 3); }

class BitPacker {
public:
    explicit BitPacker(QByteArray& out) : out_(out) {}
    void Put(int code, int bits)
    {
        acc_ |= uint32_t(code) << count_;
        count_ += bits;
        while (count_ >= 8) {
            Byte(uint8_t(acc_ & 0xFF));
            acc_ >>= 8;
            count_ -= 8;
        }
    }
    void Finish()
    {
        if (count_ > 0) Byte(uint8_t(acc_ & 0xFF));
        acc_ = 0;
        count_ = 0;
        FlushBlock();
        out_.append('\0'); // end of the image data
    }

private:
    void Byte(uint8_t b)
    {
        block_[blockLen_++] = b;
        if (blockLen_ == 255) FlushBlock();
    }
    void FlushBlock()
    {
        if (blockLen_ == 0) return;
        out_.append(char(blockLen_));
        out_.append(reinterpret_cast<const char*>(block_.data()), blockLen_);
        blockLen_ = 0;
    }

    QByteArray& out_;
    uint32_t acc_ = 0;
    int count_ = 0;
    std::array<uint8_t, 255> block_{};
    int blockLen_ = 0;
};

void CompressLzw(const QImage& indexed, QByteArray& out)
{
    constexpr int kMinCodeSize = 8;
    constexpr int kClear = 1 << kMinCodeSize;
    constexpr int kEnd = kClear + 1;
    constexpr int kMaxCode = 4095;

    out.append(char(kMinCodeSize));
    BitPacker bits(out);
    std::unordered_map<uint32_t, int> table;
    table.reserve(8192);
    int next = kEnd + 1;
    int size = kMinCodeSize + 1;

    auto putCode = [&](int code) {
        bits.Put(code, size);
        // Widen once the next code to be assigned no longer fits, in step with the reader.
        if (next >= (1 << size) && size < 12) ++size;
    };

    bits.Put(kClear, size);
    int prefix = -1;
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* line = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            const int k = line[x];
            if (prefix < 0) {
                prefix = k;
                continue;
            }
            const uint32_t key = uint32_t(prefix) << 8 | uint32_t(k);
            auto it = table.find(key);
            if (it != table.end()) {
                prefix = it->second;
                continue;
            }
            putCode(prefix);
            if (next >= kMaxCode) {
                bits.Put(kClear, size);
                table.clear();
                next = kEnd + 1;
                size = kMinCodeSize + 1;
            } else {
                table.emplace(key, next++);
            }
            prefix = k;
        }
    }
    if (prefix >= 0) putCode(prefix);
    bits.Put(kEnd, size);
    bits.Finish();
}


} // namespace

QImage ReduceTo256Colours(const QImage& image)
{
    const QImage src = image.convertToFormat(QImage::Format_RGB32);
    struct Bin {
        uint64_t count = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Bin> bins(1 << 15);
    for (int y = 0; y < src.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            Bin& bin = bins[BinOf(line[x])];
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
        for (int x = 0; x < src.width(); ++x) dst[x] = nearest[BinOf(line[x])];
    }
    return out;
}

QByteArray EncodeGif(const QImage& image)
{
    const QImage indexed =
        image.format() == QImage::Format_Indexed8 ? image : ReduceTo256Colours(image);
    QList<QRgb> palette = indexed.colorTable();
    while (palette.size() < 256) palette.push_back(qRgb(0, 0, 0));
    palette.resize(256);

    QByteArray out;
    out.append("GIF89a", 6);
    PutLittleEndian<uint16_t>(out, uint16_t(indexed.width()));
    PutLittleEndian<uint16_t>(out, uint16_t(indexed.height()));
    out.append(char(0xF7)); // global colour table of 2^(7+1) entries, 8 bits per primary
    out.append('\0');       // background colour index
    out.append('\0');       // square pixels
    for (QRgb c : palette) {
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    out.append(',');
    PutLittleEndian<uint16_t>(out, 0);
    PutLittleEndian<uint16_t>(out, 0);
    PutLittleEndian<uint16_t>(out, uint16_t(indexed.width()));
    PutLittleEndian<uint16_t>(out, uint16_t(indexed.height()));
    out.append('\0'); // no local colour table, not interlaced
    CompressLzw(indexed, out);
    out.append(';');
    return out;
}

} // namespace mokuri::deck
