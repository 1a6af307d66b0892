// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The letters a tile can carry, the file each one's sound lives in, and what is said for it.
#include <QString>
#include <cstdint>
#include <vector>

namespace mokuri::deck {

struct VoiceLetter {
    QString letter;   // the name of the sound file without ".wav"
    QString spoken;   // what the speech engine is asked to say
};

// Basic, voiced, half-voiced and small hiragana, ゔ, the full-width digits, and ゜, whose
// file the game plays for the long vowel mark ー.
const std::vector<VoiceLetter>& voiceLetters();

// Cuts the silence the speech engine leaves before and after the sound, so that a letter is
// heard the moment a tile is touched, and brings the loudest sample up to a common level.
std::vector<int16_t> tidyVoice(const std::vector<int16_t>& samples, int sampleRate);

// The loudness of a sound: the RMS of its voiced part (samples above 3 % of its peak), so
// that the pauses within a letter or an effect do not count.
double voicedLoudness(const std::vector<int16_t>& samples);

// Scales a tidied voice to `loudness` (voicedLoudness), keeping its peak under full scale:
// every letter then sounds as loud as the others and as the effect sounds.
std::vector<int16_t> matchLoudness(const std::vector<int16_t>& samples, double loudness);

} // namespace mokuri::deck
