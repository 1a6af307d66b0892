#pragma once
// The file formats the deck writes (WAV, GIF, ICO) all store numbers little-endian.
#include <QByteArray>
#include <QtEndian>

namespace mokuri::deck {

template <typename T>
void PutLittleEndian(QByteArray& out, T v)
{
    char b[sizeof(T)];
    qToLittleEndian(v, b);
    out.append(b, sizeof(T));
}

} // namespace mokuri::deck
