// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Synchronous Japanese speech synthesis: text -> mono 16-bit PCM.
// MeCab gives the katakana pronunciation (JapaneseReading.h), espeak-ng (voice "ja") speaks it.
// Used by the speech control (streaming) and by the deck tool (one WAV per letter, written
// by media/WavData.h).
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace mokuri {

struct SpeechOptions {
    int rateWordsPerMinute = 135; // calm and clear for a young child (espeak's normal is 175)
    int pitch = 55;               // 0..100, espeak's normal is 50
    bool trimSilence = false;     // cut the silence espeak puts before and after (for letter files)
};

struct SpeechAudio {
    std::vector<std::int16_t> samples; // mono, signed 16-bit
    int sampleRate = 0;                // espeak-ng's rate (22050)
    QString pronunciation;             // what was handed to espeak-ng
    QString error;                     // empty on success
    bool ok() const { return error.isEmpty(); }
};

// Speaks `text` into memory. Works for a sentence and for a single letter ("あ", "ぱ",
// "ゃ", "０", "゜"). Never crashes when espeak-ng, MeCab or their data are missing: the
// result then carries an error. Thread-safe; calls are serialized (espeak-ng is not
// thread-safe). Takes a few ms per letter after the first call (which loads the data).
SpeechAudio synthesizeSpeech(const QString& text, const SpeechOptions& options = {});

// Streaming form: `onChunk` is called on the calling thread with each piece of mono 16-bit
// samples as espeak-ng produces it (about 10 ms of sound per piece), first piece within a
// few ms; return false from it to stop the synthesis. `sampleRate` is set before the first
// piece. Returns an empty string on success, else the error. `onChunk` runs while the
// synthesizer's lock is held: it must not call back into this module.
using SpeechChunkHandler = std::function<bool(const std::int16_t* samples, std::size_t count)>;
QString synthesizeSpeechChunks(const QString& text, const SpeechChunkHandler& onChunk,
                               int* sampleRate, const SpeechOptions& options = {});

// Loads espeak-ng and MeCab ahead of the first synthesis (so the first Speak is fast).
// Returns an empty string when both are ready, else the error.
QString prepareSpeechSynthesis();

} // namespace mokuri
