// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Sound files written byte by byte, for tests that need a letter of a known length.
#include <QByteArray>

#include <cmath>
#include <cstdint>

namespace mokuri::test {

inline void putLE(QByteArray& b, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// A sine tone as a PCM WAV file: 8-bit (unsigned) or 16-bit, mono or stereo, any rate.
inline QByteArray toneWav(double seconds, int rate, int channels, int bits, double hz = 440.0,
                          double amplitude = 0.5)
{
    const int frames = int(std::lround(seconds * rate));
    QByteArray pcm;
    for (int f = 0; f < frames; ++f) {
        const double v = amplitude * std::sin(2.0 * M_PI * hz * f / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8)
                pcm.append(char(std::uint8_t(std::lround(128.0 + 127.0 * v))));
            else
                putLE(pcm, std::uint16_t(std::int16_t(std::lround(32767.0 * v))), 2);
        }
    }
    QByteArray w("RIFF", 4);
    putLE(w, std::uint32_t(36 + pcm.size()), 4);
    w += "WAVEfmt ";
    putLE(w, 16, 4);
    putLE(w, 1, 2);
    putLE(w, std::uint32_t(channels), 2);
    putLE(w, std::uint32_t(rate), 4);
    putLE(w, std::uint32_t(rate * channels * bits / 8), 4);
    putLE(w, std::uint32_t(channels * bits / 8), 2);
    putLE(w, std::uint32_t(bits), 2);
    w += "data";
    putLE(w, std::uint32_t(pcm.size()), 4);
    w += pcm;
    return w;
}

} // namespace mokuri::test
