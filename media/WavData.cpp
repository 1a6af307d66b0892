// SPDX-License-Identifier: GPL-3.0-or-later
// The WAV is written here rather than by libsndfile: a 44-byte header before the samples is
// less code than the five callbacks libsndfile needs to write into memory, and the deck
// knows the letters it made earlier by exactly these bytes.
#include "media/WavData.h"

#include "support/SafeSave.h"

#include <QtEndian>

namespace mokuri {

namespace {

template <typename T>
void putLittleEndian(QByteArray& out, T v)
{
    char b[sizeof(T)];
    qToLittleEndian(v, b);
    out.append(b, sizeof(T));
}

} // namespace

QByteArray wavBytes(const std::vector<std::int16_t>& samples, int sampleRate)
{
    constexpr std::uint16_t kChannels = 1, kBitsPerSample = 16;
    constexpr std::uint16_t kBlockAlign = kChannels * kBitsPerSample / 8;
    const auto dataBytes = std::uint32_t(samples.size() * kBlockAlign);
    QByteArray out;
    out.reserve(qsizetype(44 + dataBytes));
    out.append("RIFF", 4);
    putLittleEndian<std::uint32_t>(out, 36 + dataBytes);
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    putLittleEndian<std::uint32_t>(out, 16);
    putLittleEndian<std::uint16_t>(out, 1); // PCM
    putLittleEndian<std::uint16_t>(out, kChannels);
    putLittleEndian<std::uint32_t>(out, std::uint32_t(sampleRate));
    putLittleEndian<std::uint32_t>(out, std::uint32_t(sampleRate) * kBlockAlign);
    putLittleEndian<std::uint16_t>(out, kBlockAlign);
    putLittleEndian<std::uint16_t>(out, kBitsPerSample);
    out.append("data", 4);
    putLittleEndian<std::uint32_t>(out, dataBytes);
    for (std::int16_t s : samples)
        putLittleEndian<std::uint16_t>(out, std::uint16_t(s));
    return out;
}

bool writeWavFile(const QString& path, const std::vector<std::int16_t>& samples, int sampleRate,
                  QString* error)
{
    QString why;
    if (saveFile(path, wavBytes(samples, sampleRate), &why)) return true;
    if (error) *error = why;
    return false;
}

} // namespace mokuri
