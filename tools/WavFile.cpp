#include "tools/WavFile.h"

#include <QtEndian>

namespace mokuri::deck {

namespace {

void PutU32(QByteArray& out, uint32_t v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

void PutU16(QByteArray& out, uint16_t v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

} // namespace

QByteArray EncodeWav(const std::vector<int16_t>& samples, int sampleRate)
{
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    QByteArray out;
    out.reserve(int(44 + dataBytes));
    out.append("RIFF", 4);
    PutU32(out, 36 + dataBytes);
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    PutU32(out, 16);
    PutU16(out, 1); // PCM
    PutU16(out, 1); // mono
    PutU32(out, uint32_t(sampleRate));
    PutU32(out, uint32_t(sampleRate) * 2);
    PutU16(out, 2);
    PutU16(out, 16);
    out.append("data", 4);
    PutU32(out, dataBytes);
    for (int16_t s : samples) PutU16(out, uint16_t(s));
    return out;
}

} // namespace mokuri::deck
