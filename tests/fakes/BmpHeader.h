// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 54 bytes that begin an uncompressed 24-bit BMP stored bottom up, for writing pictures
// of any size row by row (or not at all: a hole in the file reads as black).
#include <QByteArray>
#include <QtEndian>

namespace mokuri::test {

// Bytes of one stored row: three a pixel, padded to four.
inline qint64 bmpStride(int width) { return (qint64(width) * 3 + 3) / 4 * 4; }

inline QByteArray bmpHeader24(int width, int height)
{
    uchar head[54] = {'B', 'M'};
    qToLittleEndian<quint32>(quint32(54 + bmpStride(width) * height), head + 2);
    qToLittleEndian<quint32>(54, head + 10);
    qToLittleEndian<quint32>(40, head + 14);
    qToLittleEndian<qint32>(width, head + 18);
    qToLittleEndian<qint32>(height, head + 22);
    qToLittleEndian<quint16>(1, head + 26);
    qToLittleEndian<quint16>(24, head + 28);
    return QByteArray(reinterpret_cast<const char*>(head), 54);
}

} // namespace mokuri::test
