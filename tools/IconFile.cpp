#include "tools/IconFile.h"

#include <QtEndian>

namespace mokuri::deck {

namespace {

template <typename T>
void Put(QByteArray& out, T v)
{
    char b[sizeof(T)];
    qToLittleEndian(v, b);
    out.append(b, sizeof(T));
}

} // namespace

QByteArray TransparentIcon()
{
    constexpr int kSide = 32;
    constexpr uint32_t kPixelBytes = kSide * kSide * 4;
    constexpr uint32_t kMaskBytes = kSide * (kSide / 8); // 1 bit per pixel, rows of 4 bytes
    constexpr uint32_t kImageBytes = 40 + kPixelBytes + kMaskBytes;

    QByteArray out;
    // Directory with one entry.
    Put<uint16_t>(out, 0);
    Put<uint16_t>(out, 1);
    Put<uint16_t>(out, 1);
    Put<uint8_t>(out, kSide);
    Put<uint8_t>(out, kSide);
    Put<uint8_t>(out, 0);  // no palette
    Put<uint8_t>(out, 0);
    Put<uint16_t>(out, 1); // planes
    Put<uint16_t>(out, 32);
    Put<uint32_t>(out, kImageBytes);
    Put<uint32_t>(out, 22);
    // The bitmap header counts the colour image and the mask together, hence twice the height.
    Put<uint32_t>(out, 40);
    Put<int32_t>(out, kSide);
    Put<int32_t>(out, kSide * 2);
    Put<uint16_t>(out, 1);
    Put<uint16_t>(out, 32);
    Put<uint32_t>(out, 0);
    Put<uint32_t>(out, kPixelBytes + kMaskBytes);
    Put<int32_t>(out, 0);
    Put<int32_t>(out, 0);
    Put<uint32_t>(out, 0);
    Put<uint32_t>(out, 0);
    // Zero alpha everywhere, and the mask set so that readers ignoring alpha agree.
    out.append(QByteArray(kPixelBytes, '\0'));
    out.append(QByteArray(kMaskBytes, char(0xFF)));
    return out;
}

} // namespace mokuri::deck
