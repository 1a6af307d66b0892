// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one WAV writer: the deck tool's letter voices and effect sounds, and any sound the
// program saves, are plain PCM WAV, mono, 16-bit, which SDL and every other player read.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace mokuri {

QByteArray wavBytes(const std::vector<std::int16_t>& samples, int sampleRate);

// Saved as the other files are (support/SafeSave): a failure leaves no half-written sound
// behind, and a recorded letter that is a link, or another account's file, stays so.
bool writeWavFile(const QString& path, const std::vector<std::int16_t>& samples, int sampleRate,
                  QString* error = nullptr);

} // namespace mokuri
