#include "tools/IconFile.h"

#include "tools/LittleEndian.h"

namespace mokuri::deck {

QByteArray TransparentIcon()
{
    constexpr int kSide = 32;
    constexpr uint32_t kPixelBytes = kSide * kSide * 4;
    constexpr uint32_t kMaskBytes = kSide * (kSide / 8); // 1 bit per pixel, rows of 4 bytes
    constexpr uint32_t kImageBytes = 40 + kPixelBytes + kMaskBytes;

    QByteArray out;
    // Directory with one entry.
    PutLittleEndian<uint16_t>(out, 0);
    PutLittleEndian<uint16_t>(out, 1);
    PutLittleEndian<uint16_t>(out, 1);
    PutLittleEndian<uint8_t>(out, kSide);
    PutLittleEndian<uint8_t>(out, kSide);
    PutLittleEndian<uint8_t>(out, 0);  // no palette
    PutLittleEndian<uint8_t>(out, 0);
    PutLittleEndian<uint16_t>(out, 1); // planes
    PutLittleEndian<uint16_t>(out, 32);
    PutLittleEndian<uint32_t>(out, kImageBytes);
    PutLittleEndian<uint32_t>(out, 22);
    // The bitmap header counts the colour image and the mask together, hence twice the height.
    PutLittleEndian<uint32_t>(out, 40);
    PutLittleEndian<int32_t>(out, kSide);
    PutLittleEndian<int32_t>(out, kSide * 2);
    PutLittleEndian<uint16_t>(out, 1);
    PutLittleEndian<uint16_t>(out, 32);
    PutLittleEndian<uint32_t>(out, 0);
    PutLittleEndian<uint32_t>(out, kPixelBytes + kMaskBytes);
    PutLittleEndian<int32_t>(out, 0);
    PutLittleEndian<int32_t>(out, 0);
    PutLittleEndian<uint32_t>(out, 0);
    PutLittleEndian<uint32_t>(out, 0);
    // Zero alpha everywhere, and the mask set so that readers ignoring alpha agree.
    out.append(QByteArray(kPixelBytes, '\0'));
    out.append(QByteArray(kMaskBytes, char(0xFF)));
    return out;
}

} // namespace mokuri::deck
