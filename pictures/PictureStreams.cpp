// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/PictureStreams.h"

#include <gif_lib.h>

#include <QtEndian>
#include <algorithm>
#include <limits>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace mokuri {

namespace {

// Wider than this is no scan, photograph or panorama but a damaged or hostile header; a
// row of it costs a few MB to hold.
constexpr int kMaxWidth = 1 << 18;

// Averages the pixels of a large picture into a small grid, rows in any order (a BMP is
// stored bottom up, an interlaced GIF in four passes). The sums are 32-bit: a cell never
// gathers more than 4096 x 4096 pixels, so 255 per pixel cannot overflow.
class Shrinker {
public:
    Shrinker(QSize source, QSize box)
        : source_(source),
          // Never larger than the box, whatever size a damaged header claims: the sums are
          // 64-bit, so a cell may average any number of pixels.
          out_(std::clamp(box.width(), 1, std::max(1, source.width())), std::clamp(box.height(), 1, std::max(1, source.height()))),
          column_(size_t(source.width())), sums_(size_t(out_.width()) * size_t(out_.height()) * 4)
    {
        for (int x = 0; x < source.width(); ++x) column_[size_t(x)] = int(qint64(x) * out_.width() / source.width());
    }
    // Source row y from column x0 on, as premultiplied ARGB.
    void addRow(int y, int x0, const QRgb* pixels, int count)
    {
        if (y < 0 || y >= source_.height()) return;
        uint64_t* row = &sums_[size_t(qint64(y) * out_.height() / source_.height()) * size_t(out_.width()) * 4];
        const int end = std::min(source_.width(), x0 + count);
        for (int x = std::max(0, x0); x < end; ++x) {
            const QRgb p = pixels[x - x0];
            uint64_t* cell = row + size_t(column_[size_t(x)]) * 4;
            cell[0] += uint64_t(qRed(p));
            cell[1] += uint64_t(qGreen(p));
            cell[2] += uint64_t(qBlue(p));
            cell[3] += uint64_t(qAlpha(p));
        }
    }
    QImage result(bool alpha) const
    {
        QImage img(out_, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        if (img.isNull()) return img;
        // A cell's pixel count from the geometry alone: pixels never given (outside a GIF's
        // frame) count as transparent.
        auto span = [](int cell, int outLength, int sourceLength) {
            const qint64 first = (qint64(cell) * sourceLength + outLength - 1) / outLength;
            const qint64 next = (qint64(cell + 1) * sourceLength + outLength - 1) / outLength;
            return uint64_t(std::max<qint64>(1, next - first));
        };
        for (int oy = 0; oy < out_.height(); ++oy) {
            const uint64_t rows = span(oy, out_.height(), source_.height());
            QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(oy));
            for (int ox = 0; ox < out_.width(); ++ox) {
                const uint64_t n = rows * span(ox, out_.width(), source_.width());
                const uint64_t* c = &sums_[(size_t(oy) * size_t(out_.width()) + size_t(ox)) * 4];
                auto avg = [n](uint64_t s) { return int((s + n / 2) / n); };
                line[ox] = qRgba(avg(c[0]), avg(c[1]), avg(c[2]), alpha ? avg(c[3]) : 255);
            }
        }
        return img;
    }

private:
    QSize source_, out_;
    std::vector<int> column_;
    std::vector<uint64_t> sums_;
};

uint16_t le16(const uchar* p) { return qFromLittleEndian<quint16>(p); }
uint32_t le32(const uchar* p) { return qFromLittleEndian<quint32>(p); }
uint16_t be16(const uchar* p) { return qFromBigEndian<quint16>(p); }

bool readExactly(QIODevice& file, void* to, qint64 n) { return file.read(static_cast<char*>(to), n) == n; }

// ---- BMP ----

struct BmpLayout {
    QSize size;
    bool topDown = false;
    int bits = 0;
    uint32_t compression = 0;
    qint64 pixelsAt = 0;
    std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
    std::vector<QRgb> palette;
};

bool readBmpLayout(QIODevice& file, BmpLayout& l)
{
    uchar h[14 + 124] = {};
    if (!file.seek(0) || file.read(reinterpret_cast<char*>(h), sizeof h) < 14 + 12 || h[0] != 'B' || h[1] != 'M') return false;
    l.pixelsAt = le32(h + 10);
    const uint32_t headerSize = le32(h + 14);
    int width = 0, height = 0;
    uint32_t colours = 0;
    if (headerSize == 12) {  // OS/2 core header
        width = le16(h + 18);
        height = le16(h + 20);
        l.bits = le16(h + 24);
    } else if (headerSize >= 40 && headerSize <= 124) {
        width = int32_t(le32(h + 18));
        height = int32_t(le32(h + 22));
        l.bits = le16(h + 28);
        l.compression = le32(h + 30);
        colours = le32(h + 46);
        if (l.compression == 3 || l.compression == 6) {  // bit fields, after a 40-byte header or inside a longer one
            for (int i = 0; i < (l.compression == 6 || headerSize >= 56 ? 4 : 3); ++i) l.masks[size_t(i)] = le32(h + 54 + 4 * i);
        }
    } else {
        return false;
    }
    l.topDown = height < 0;
    if (height == INT32_MIN) return false;
    l.size = QSize(width, std::abs(height));
    if (width <= 0 || height == 0) return false;
    if (l.compression == 0 && l.bits == 16) l.masks = {0x7c00, 0x03e0, 0x001f, 0};
    if (l.compression == 0 && (l.bits == 24 || l.bits == 32)) l.masks = {0xff0000, 0x00ff00, 0x0000ff, 0};
    const bool fields = l.compression == 3 || l.compression == 6;
    if (!(l.compression == 0 && (l.bits == 1 || l.bits == 4 || l.bits == 8 || l.bits == 16 || l.bits == 24 || l.bits == 32)) &&
        !(fields && (l.bits == 16 || l.bits == 32)))
        return false;  // run-length and embedded JPEG or PNG: left to Qt
    if (l.bits <= 8) {
        const uint32_t entries = colours ? std::min<uint32_t>(colours, 1u << l.bits) : 1u << l.bits;
        const int entrySize = headerSize == 12 ? 3 : 4;
        if (!file.seek(14 + qint64(headerSize))) return false;
        std::vector<uchar> raw(size_t(entries) * size_t(entrySize));
        if (!readExactly(file, raw.data(), qint64(raw.size()))) return false;
        l.palette.assign(size_t(1) << l.bits, qRgb(0, 0, 0));
        for (size_t i = 0; i < entries; ++i) {
            const uchar* e = &raw[i * size_t(entrySize)];
            l.palette[i] = qRgb(e[2], e[1], e[0]);
        }
    }
    return true;
}

// A colour channel under a bit mask, widened to 0..255.
int channel(uint32_t value, uint32_t mask)
{
    if (!mask) return -1;
    const int shift = std::countr_zero(mask);
    const uint32_t max = mask >> shift;
    return int(((value & mask) >> shift) * 255u / max);
}

} // namespace

QImage readShrunkBmp(QIODevice& file, QSize box, const std::atomic<bool>& cancel)
{
    BmpLayout l;
    if (!readBmpLayout(file, l)) return {};
    const qint64 stride = (qint64(l.size.width()) * l.bits + 31) / 32 * 4;
    if (l.size.width() > kMaxWidth || !file.seek(l.pixelsAt)) return {};
    Shrinker shrinker(l.size, box);
    std::vector<uchar> raw(static_cast<size_t>(stride));
    std::vector<QRgb> row(size_t(l.size.width()));
    const bool alpha = l.masks[3] != 0;
    const bool plain = (l.bits == 24 || l.bits == 32) && !alpha && l.masks[0] == 0xff0000 && l.masks[1] == 0xff00 && l.masks[2] == 0xff;
    for (int i = 0; i < l.size.height(); ++i) {
        if (cancel.load(std::memory_order_relaxed)) return {};
        // A file cut short keeps what was read, as Qt's reader does.
        if (!readExactly(file, raw.data(), stride)) break;
        for (int x = 0; x < l.size.width(); ++x) {
            if (l.bits <= 8) {
                const qint64 bit = qint64(x) * l.bits;
                const int index = (raw[size_t(bit / 8)] >> (8 - l.bits - int(bit % 8))) & ((1 << l.bits) - 1);
                row[size_t(x)] = l.palette[size_t(index)];
                continue;
            }
            const uchar* p = &raw[size_t(x) * size_t(l.bits / 8)];
            if (plain) {  // the usual scan: blue, green, red bytes
                row[size_t(x)] = qRgb(p[2], p[1], p[0]);
                continue;
            }
            const uint32_t v = l.bits == 16 ? le16(p) : l.bits == 24 ? uint32_t(p[0] | p[1] << 8 | p[2] << 16) : le32(p);
            const int a = alpha ? channel(v, l.masks[3]) : 255;
            row[size_t(x)] = qPremultiply(qRgba(channel(v, l.masks[0]), channel(v, l.masks[1]), channel(v, l.masks[2]), a));
        }
        shrinker.addRow(l.topDown ? i : l.size.height() - 1 - i, 0, row.data(), l.size.width());
    }
    return shrinker.result(alpha);
}

// ---- GIF ----

namespace {

int readFromDevice(GifFileType* gif, GifByteType* to, int length)
{
    return int(static_cast<QIODevice*>(gif->UserData)->read(reinterpret_cast<char*>(to), length));
}

struct GifCloser {
    void operator()(GifFileType* g) const { DGifCloseFile(g, nullptr); }
};

} // namespace

QImage readShrunkGif(QIODevice& file, QSize box, const std::atomic<bool>& cancel)
{
    if (!file.seek(0)) return {};
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&file, readFromDevice, &error));
    if (!gif || gif->SWidth <= 0 || gif->SHeight <= 0) return {};
    int transparent = -1;
    for (;;) {
        GifRecordType record;
        if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return {};
        if (record == TERMINATE_RECORD_TYPE) return {};
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &code, &ext) != GIF_OK) return {};
            // Graphic control: bit 0 of its flags says that one colour index is see-through.
            if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && (ext[1] & 1)) transparent = ext[4];
            while (ext)
                if (DGifGetExtensionNext(gif.get(), &ext) != GIF_OK) return {};
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE) continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return {};
        break;
    }
    // The first frame only, as Qt shows a still picture of an animation.
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map || d.Width <= 0 || d.Height <= 0) return {};
    std::array<QRgb, 256> colours{};
    for (int i = 0; i < std::min(256, map->ColorCount); ++i)
        colours[size_t(i)] = qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    if (transparent >= 0) colours[size_t(transparent)] = 0;
    Shrinker shrinker(QSize(gif->SWidth, gif->SHeight), box);
    std::vector<GifPixelType> indices(size_t(d.Width));
    std::vector<QRgb> row(size_t(d.Width));
    // Interlaced rows come every 8th from 0, every 8th from 4, every 4th from 2, every 2nd from 1.
    static const int passStart[] = {0, 4, 2, 1}, passStep[] = {8, 8, 4, 2};
    for (int i = 0; i < d.Height; ++i) {
        if (cancel.load(std::memory_order_relaxed)) return {};
        if (DGifGetLine(gif.get(), indices.data(), d.Width) != GIF_OK) break;  // cut short: keep what was read
        for (int x = 0; x < d.Width; ++x) row[size_t(x)] = colours[indices[size_t(x)]];
        int target = i;
        if (d.Interlace) {
            int k = i;
            for (int p = 0; p < 4; ++p) {
                const int rows = d.Height > passStart[p] ? (d.Height - passStart[p] + passStep[p] - 1) / passStep[p] : 0;
                if (k < rows) {
                    target = passStart[p] + k * passStep[p];
                    break;
                }
                k -= rows;
            }
        }
        shrinker.addRow(d.Top + target, d.Left, row.data(), d.Width);
    }
    return shrinker.result(true);
}

// ---- JPEG ----

namespace {

// Reads bytes through a small buffer, and the entropy-coded data bit by bit, stopping at
// markers.
class JpegInput {
public:
    explicit JpegInput(QIODevice& file) : file_(file) {}
    bool byte(uchar& b)
    {
        if (at_ == buffer_.size()) {
            buffer_.resize(1 << 16);
            const qint64 n = file_.read(reinterpret_cast<char*>(buffer_.data()), qint64(buffer_.size()));
            if (n <= 0) return false;
            buffer_.resize(size_t(n));
            at_ = 0;
        }
        b = buffer_[at_++];
        return true;
    }
    bool bytes(uchar* to, int n)
    {
        for (int i = 0; i < n; ++i)
            if (!byte(to[i])) return false;
        return true;
    }
    // The next marker, skipping whatever entropy-coded data is before it.
    int nextMarker()
    {
        if (marker_) return std::exchange(marker_, 0);
        bits_ = 0;
        uchar b = 0;
        for (;;) {
            if (!byte(b)) return -1;
            if (b != 0xFF) continue;
            do
                if (!byte(b)) return -1;
            while (b == 0xFF);
            if (b != 0 && !(b >= 0xD0 && b <= 0xD7)) return b;
        }
    }
    int bit()
    {
        if (bits_ == 0) {
            uchar b = 0;
            if (marker_ || !byte(b)) {
                b = 0;  // past the data: zeros, as decoders do
            } else if (b == 0xFF) {
                uchar next = 0;
                if (!byte(next)) next = 0xD9;
                if (next != 0) {
                    marker_ = next;
                    b = 0;
                }
            }
            value_ = b;
            bits_ = 8;
        }
        --bits_;
        return (value_ >> bits_) & 1;
    }
    int bits(int n)
    {
        int v = 0;
        for (int i = 0; i < n; ++i) v = v << 1 | bit();
        return v;
    }
    // At a restart marker: the rest of the byte and the marker are passed over.
    void restart()
    {
        bits_ = 0;
        if (marker_ >= 0xD0 && marker_ <= 0xD7) {
            marker_ = 0;
            return;
        }
        if (marker_) return;
        uchar b = 0;
        while (byte(b)) {
            if (b != 0xFF) continue;
            while (b == 0xFF)
                if (!byte(b)) return;
            if (b >= 0xD0 && b <= 0xD7) return;
            if (b != 0) {
                marker_ = b;
                return;
            }
        }
    }

private:
    QIODevice& file_;
    std::vector<uchar> buffer_;
    size_t at_ = 0;
    int marker_ = 0;
    int bits_ = 0;
    int value_ = 0;
};

struct Huffman {
    std::array<int, 18> maxCode{}, valueAt{}, minCode{};
    std::vector<uchar> values;
    bool defined = false;
    void build(const uchar* counts, std::vector<uchar> symbols)
    {
        values = std::move(symbols);
        int code = 0, k = 0;
        for (int l = 1; l <= 16; ++l) {
            valueAt[size_t(l)] = k;
            minCode[size_t(l)] = code;
            code += counts[l - 1];
            k += counts[l - 1];
            maxCode[size_t(l)] = counts[l - 1] ? code - 1 : -1;
            code <<= 1;
        }
        maxCode[17] = INT32_MAX;
        defined = true;
    }
    int decode(JpegInput& in) const
    {
        int code = 0;
        for (int l = 1; l <= 16; ++l) {
            code = code << 1 | in.bit();
            if (code <= maxCode[size_t(l)]) {
                const size_t i = size_t(valueAt[size_t(l)] + code - minCode[size_t(l)]);
                return i < values.size() ? values[i] : 0;
            }
        }
        return 0;  // damaged data: no difference
    }
};

struct Component {
    int id = 0, h = 1, v = 1, quantTable = 0;
    int blocksWide = 0, blocksHigh = 0;  // blocks holding picture, not padding
    int dcTable = 0;
    int predictor = 0;
    bool done = false;
    QSize plane;
    std::vector<int64_t> sums;
    std::vector<uint32_t> counts;
    void add(int bx, int by, int value)
    {
        if (bx >= blocksWide || by >= blocksHigh) return;
        const size_t at = size_t(qint64(by) * plane.height() / blocksHigh) * size_t(plane.width()) +
                          size_t(qint64(bx) * plane.width() / blocksWide);
        sums[at] += value;
        ++counts[at];
    }
    double level(int px, int py) const
    {
        const size_t at = size_t(py) * size_t(plane.width()) + size_t(px);
        return counts[at] ? double(sums[at]) / counts[at] : 0.0;
    }
};

struct JpegFrame {
    QSize size;
    bool progressive = false;
    bool found = false;
    int hMax = 1, vMax = 1;
    std::vector<Component> components;
    bool adobeRgb = false;
};

bool readSegment(JpegInput& in, std::vector<uchar>& data)
{
    uchar len[2];
    if (!in.bytes(len, 2) || be16(len) < 2) return false;
    data.resize(be16(len) - 2u);
    return in.bytes(data.data(), int(data.size()));
}

bool parseFrame(const std::vector<uchar>& s, int marker, JpegFrame& f)
{
    if (s.size() < 6 || s[0] != 8) return false;
    f.found = true;
    f.progressive = marker == 0xC2;
    f.size = QSize(be16(&s[3]), be16(&s[1]));
    const int n = s[5];
    if (f.size.isEmpty() || n < 1 || s.size() < size_t(6 + 3 * n)) return false;
    for (int i = 0; i < n; ++i) {
        Component c;
        c.id = s[size_t(6 + 3 * i)];
        c.h = std::max(1, s[size_t(7 + 3 * i)] >> 4);
        c.v = std::max(1, s[size_t(7 + 3 * i)] & 15);
        c.quantTable = s[size_t(8 + 3 * i)] & 3;
        f.hMax = std::max(f.hMax, c.h);
        f.vMax = std::max(f.vMax, c.v);
        f.components.push_back(c);
    }
    for (Component& c : f.components) {
        c.blocksWide = int((qint64(f.size.width()) * c.h / f.hMax + 7) / 8);
        c.blocksHigh = int((qint64(f.size.height()) * c.v / f.vMax + 7) / 8);
    }
    return true;
}

qint64 coefficientBytes(const JpegFrame& f)
{
    // The decoder of a progressive picture keeps every block of every component: 64
    // coefficients of 2 bytes, over whole MCUs.
    const qint64 mcusWide = (f.size.width() + 8 * f.hMax - 1) / (8 * f.hMax);
    const qint64 mcusHigh = (f.size.height() + 8 * f.vMax - 1) / (8 * f.vMax);
    qint64 blocks = 0;
    for (const Component& c : f.components) blocks += mcusWide * c.h * mcusHigh * c.v;
    return blocks * 128;
}

} // namespace

PictureHeader readPictureHeader(QIODevice& file)
{
    PictureHeader h;
    uchar head[30] = {};
    if (!file.seek(0) || file.read(reinterpret_cast<char*>(head), sizeof head) < 10) return h;
    if (head[0] == 'B' && head[1] == 'M') {
        h.kind = PictureKind::Bmp;
        BmpLayout l;
        const bool mine = readBmpLayout(file, l);
        if (!mine) {  // compressed: Qt's reader, sized from the plain header fields
            const uint32_t headerSize = le32(head + 14);
            l.size = headerSize == 12 ? QSize(le16(head + 18), le16(head + 20))
                                      : QSize(int32_t(le32(head + 18)), std::abs(int32_t(le32(head + 22))));
        }
        h.size = l.size;
    } else if (std::memcmp(head, "GIF8", 4) == 0) {
        h.kind = PictureKind::Gif;
        h.size = QSize(le16(head + 6), le16(head + 8));
    } else if (head[0] == 0xFF && head[1] == 0xD8) {
        h.kind = PictureKind::Jpeg;
        file.seek(2);
        JpegInput in(file);
        JpegFrame f;
        std::vector<uchar> s;
        for (int m = in.nextMarker(); m > 0 && m != 0xDA && m != 0xD9 && !f.found; m = in.nextMarker()) {
            if (!readSegment(in, s)) break;
            if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) parseFrame(s, m, f);
        }
        h.size = f.size;
        h.progressive = f.progressive;
        if (f.progressive) h.fullDecodeBytes = coefficientBytes(f);
    }
    if (h.size.isValid() && h.kind != PictureKind::Jpeg) h.fullDecodeBytes = pixelBytes(h.size);
    file.seek(0);
    return h;
}

qint64 pixelBytes(QSize size)
{
    if (!size.isValid()) return 0;
    const qint64 pixels = qint64(size.width()) * size.height();  // at most 2^62
    return pixels > std::numeric_limits<qint64>::max() / 4 ? std::numeric_limits<qint64>::max() : pixels * 4;
}

namespace {
// The DC scans of a progressive JPEG, read marker by marker: each block's mean goes into a
// plane per component no larger than the box, and the AC scans are skipped unread.
class ProgressiveDcReader {
public:
    ProgressiveDcReader(QIODevice& file, QSize box, const std::atomic<bool>& cancel)
        : in_(file), box_(box), cancel_(cancel)
    {
    }
    // Markers until every component's DC coefficients are in; false for anything else
    // than a progressive JPEG of one or three components, or a damaged one.
    bool read();
    // The planes turned into colour at the size of the box (or of the blocks, if fewer).
    QImage image() const;

private:
    bool onMarker(int marker, const std::vector<uchar>& s);
    bool startFrame(int marker, const std::vector<uchar>& s);
    bool readHuffmanTables(const std::vector<uchar>& s);
    bool readQuantTables(const std::vector<uchar>& s);
    bool readScan(const std::vector<uchar>& s);
    bool decodeScan(const std::vector<Component*>& scan, int al);
    void decodeBlock(Component& c, int bx, int by, int al);
    bool allDone() const
    {
        return f_.found && std::all_of(f_.components.begin(), f_.components.end(), [](const Component& c) { return c.done; });
    }

    JpegInput in_;
    QSize box_;
    const std::atomic<bool>& cancel_;
    JpegFrame f_;
    std::array<Huffman, 4> dcTables_;
    std::array<int, 4> dcQuant_{1, 1, 1, 1};
    int restartInterval_ = 0;
};

bool ProgressiveDcReader::read()
{
    uchar soi[2];
    if (!in_.bytes(soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8) return false;
    std::vector<uchar> s;
    for (int m = in_.nextMarker(); m > 0 && m != 0xD9 && !allDone(); m = in_.nextMarker())
        if (!readSegment(in_, s) || !onMarker(m, s)) return false;
    return allDone() && (f_.components.size() == 1 || f_.components.size() == 3);
}

bool ProgressiveDcReader::onMarker(int m, const std::vector<uchar>& s)
{
    if (m == 0xC2) return startFrame(m, s);
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) return false;  // not progressive
    if (m == 0xC4) return readHuffmanTables(s);
    if (m == 0xDB) return readQuantTables(s);
    if (m == 0xDD && s.size() >= 2) restartInterval_ = be16(s.data());
    if (m == 0xEE && s.size() >= 12 && std::memcmp(s.data(), "Adobe", 5) == 0) f_.adobeRgb = s[11] == 0;
    if (m == 0xDA) return readScan(s);
    return true;
}

bool ProgressiveDcReader::startFrame(int m, const std::vector<uchar>& s)
{
    if (f_.found || !parseFrame(s, m, f_)) return false;
    // Each component averaged into a plane no larger than the box nor its blocks.
    for (Component& c : f_.components) {
        c.plane = QSize(std::clamp(box_.width(), 1, c.blocksWide), std::clamp(box_.height(), 1, c.blocksHigh));
        c.sums.assign(size_t(c.plane.width()) * size_t(c.plane.height()), 0);
        c.counts.assign(c.sums.size(), 0);
    }
    return true;
}

bool ProgressiveDcReader::readHuffmanTables(const std::vector<uchar>& s)
{
    for (size_t at = 0; at + 17 <= s.size();) {
        const int cls = s[at] >> 4, id = s[at] & 3;
        int total = 0;
        for (int i = 0; i < 16; ++i) total += s[at + 1 + size_t(i)];
        if (at + 17 + size_t(total) > s.size()) return false;
        if (cls == 0)
            dcTables_[size_t(id)].build(&s[at + 1], std::vector<uchar>(s.begin() + qsizetype(at + 17),
                                                                       s.begin() + qsizetype(at + 17 + size_t(total))));
        at += 17 + size_t(total);
    }
    return true;
}

bool ProgressiveDcReader::readQuantTables(const std::vector<uchar>& s)
{
    for (size_t at = 0; at < s.size();) {
        const bool wide = s[at] >> 4;
        const int id = s[at] & 3;
        if (at + 1 + (wide ? 128 : 64) > s.size()) return false;
        dcQuant_[size_t(id)] = wide ? be16(&s[at + 1]) : s[at + 1];
        at += 1 + (wide ? 128 : 64);
    }
    return true;
}

bool ProgressiveDcReader::readScan(const std::vector<uchar>& s)
{
    if (!f_.found || s.empty()) return false;
    const int n = s[0];
    if (s.size() < size_t(1 + 2 * n + 3)) return false;
    const int ss = s[size_t(1 + 2 * n)], ah = s[size_t(3 + 2 * n)] >> 4, al = s[size_t(3 + 2 * n)] & 15;
    if (ss != 0 || ah != 0) return true;  // AC or refinement: its data is skipped
    std::vector<Component*> scan;
    for (int i = 0; i < n; ++i)
        for (Component& c : f_.components)
            if (c.id == s[size_t(1 + 2 * i)]) {
                c.dcTable = s[size_t(2 + 2 * i)] >> 4 & 3;
                c.predictor = 0;
                scan.push_back(&c);
            }
    if (scan.empty()) return true;
    for (Component* c : scan)
        if (!dcTables_[size_t(c->dcTable)].defined) return false;
    if (!decodeScan(scan, al)) return false;
    for (Component* c : scan) c->done = true;
    return true;
}

bool ProgressiveDcReader::decodeScan(const std::vector<Component*>& scan, int al)
{
    int sinceRestart = 0;
    auto unit = [&] {
        if (restartInterval_ && sinceRestart == restartInterval_) {
            in_.restart();
            for (Component* c : scan) c->predictor = 0;
            sinceRestart = 0;
        }
        ++sinceRestart;
    };
    if (scan.size() == 1) {
        Component& c = *scan[0];
        for (int by = 0; by < c.blocksHigh; ++by) {
            if (cancel_.load(std::memory_order_relaxed)) return false;
            for (int bx = 0; bx < c.blocksWide; ++bx) {
                unit();
                decodeBlock(c, bx, by, al);
            }
        }
        return true;
    }
    const int mcusWide = (f_.size.width() + 8 * f_.hMax - 1) / (8 * f_.hMax);
    const int mcusHigh = (f_.size.height() + 8 * f_.vMax - 1) / (8 * f_.vMax);
    for (int my = 0; my < mcusHigh; ++my) {
        if (cancel_.load(std::memory_order_relaxed)) return false;
        for (int mx = 0; mx < mcusWide; ++mx) {
            unit();
            for (Component* c : scan)
                for (int v = 0; v < c->v; ++v)
                    for (int h = 0; h < c->h; ++h) decodeBlock(*c, mx * c->h + h, my * c->v + v, al);
        }
    }
    return true;
}

void ProgressiveDcReader::decodeBlock(Component& c, int bx, int by, int al)
{
    const int size = dcTables_[size_t(c.dcTable)].decode(in_);
    int diff = 0;
    if (size > 0 && size <= 16) {
        diff = in_.bits(size);
        if (diff < 1 << (size - 1)) diff -= (1 << size) - 1;
    }
    c.predictor += diff;
    c.add(bx, by, c.predictor * (1 << al));
}

QImage ProgressiveDcReader::image() const
{
    const QSize out(std::clamp(box_.width(), 1, (f_.size.width() + 7) / 8),
                    std::clamp(box_.height(), 1, (f_.size.height() + 7) / 8));
    QImage img(out, QImage::Format_RGB32);
    if (img.isNull()) return img;
    // A DC coefficient is eight times the block's mean less 128, before quantisation.
    auto sample = [&](const Component& c, int ox, int oy) {
        return c.level(int(qint64(ox) * c.plane.width() / out.width()), int(qint64(oy) * c.plane.height() / out.height())) *
                   dcQuant_[size_t(c.quantTable)] / 8.0 + 128.0;
    };
    auto clamp8 = [](double v) { return int(std::clamp(v + 0.5, 0.0, 255.0)); };
    for (int oy = 0; oy < out.height(); ++oy) {
        QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(oy));
        for (int ox = 0; ox < out.width(); ++ox) {
            if (f_.components.size() == 1) {
                const int g = clamp8(sample(f_.components[0], ox, oy));
                line[ox] = qRgb(g, g, g);
                continue;
            }
            const double y = sample(f_.components[0], ox, oy), cb = sample(f_.components[1], ox, oy) - 128.0,
                         cr = sample(f_.components[2], ox, oy) - 128.0;
            line[ox] = f_.adobeRgb ? qRgb(clamp8(y), clamp8(cb + 128.0), clamp8(cr + 128.0))
                                   : qRgb(clamp8(y + 1.402 * cr), clamp8(y - 0.344136 * cb - 0.714136 * cr), clamp8(y + 1.772 * cb));
        }
    }
    return img;
}
} // namespace

QImage readShrunkProgressiveJpeg(QIODevice& file, QSize box, const std::atomic<bool>& cancel)
{
    if (!file.seek(0)) return {};
    ProgressiveDcReader reader(file, box, cancel);
    return reader.read() ? reader.image() : QImage();
}

} // namespace mokuri
