#pragma once
// Writes the sounds the game plays: plain PCM WAV, mono, 16-bit.
#include <QByteArray>
#include <cstdint>
#include <vector>

namespace mokuri::deck {

QByteArray EncodeWav(const std::vector<int16_t>& samples, int sampleRate);

} // namespace mokuri::deck
