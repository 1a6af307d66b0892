#include "tools/WavFile.h"

#include "tools/LittleEndian.h"

namespace mokuri::deck {

QByteArray EncodeWav(const std::vector<int16_t>& samples, int sampleRate)
{
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    QByteArray out;
    out.reserve(int(44 + dataBytes));
    out.append("RIFF", 4);
    PutLittleEndian<uint32_t>(out, 36 + dataBytes);
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    PutLittleEndian<uint32_t>(out, 16);
    PutLittleEndian<uint16_t>(out, 1); // PCM
    PutLittleEndian<uint16_t>(out, 1); // mono
    PutLittleEndian<uint32_t>(out, uint32_t(sampleRate));
    PutLittleEndian<uint32_t>(out, uint32_t(sampleRate) * 2);
    PutLittleEndian<uint16_t>(out, 2);
    PutLittleEndian<uint16_t>(out, 16);
    out.append("data", 4);
    PutLittleEndian<uint32_t>(out, dataBytes);
    for (int16_t s : samples) PutLittleEndian<uint16_t>(out, uint16_t(s));
    return out;
}

} // namespace mokuri::deck
