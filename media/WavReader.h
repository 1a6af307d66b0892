// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// WAV files read by libsndfile, from any QIODevice: a file read piece by piece as the decoder
// asks (an hour-long recording costs what its first seconds cost), or bytes already in memory.
// Every encoding libsndfile knows in a WAV (integer PCM of 8 to 32 bits, float, double, A-law,
// µ-law, IMA and MS ADPCM, GSM 6.10, ...), plain, extensible or RF64.
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

struct sf_private_tag; // libsndfile's SNDFILE

namespace mokuri {

class WavReader {
public:
    // What the decoder may read of `source`, whatever a damaged or hostile file claims: so
    // many bytes, in so many reads (a file of empty chunks would otherwise be walked to its
    // end). Past either the file reads as ended there.
    static constexpr qint64 kDefaultByteBudget = 16 << 20;
    static constexpr qint64 kReadBudget = 1 << 16;

    // `source` is open for reading and outlives the reader. Reads its header only.
    explicit WavReader(QIODevice& source, qint64 byteBudget = kDefaultByteBudget);
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    bool ok() const { return file_ != nullptr; }
    QString error() const { return error_; } // why it is not ok, in a few words

    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }
    qint64 frames() const { return frames_; } // as the header says (what is there, if it is cut short)
    bool isPcm16() const;                     // 16-bit integer PCM

    // Up to `frames` frames from where the last read ended, interleaved; fewer at the end of
    // the sound, at damage, or past the budget. Float samples lie in [-1, 1] (a float file's
    // louder values are clipped, non-numbers are silence).
    std::vector<float> readFloat(qint64 frames);
    std::vector<std::int16_t> readInt16(qint64 frames);

private:
    struct Source;
    std::unique_ptr<Source> source_;
    ::sf_private_tag* file_ = nullptr;
    QString error_;
    int channels_ = 0, sampleRate_ = 0, format_ = 0;
    qint64 frames_ = 0;
};

// The start of a sound file as the sound player takes it: at most `maxSeconds` of it, and
// whatever the file claims, no more than 10 s of 8 channels at 48 kHz (a stranger file plays
// for less), nor more than that much read; up to 8 channels (what SDL converts), at a rate
// above 0. Channels 0: not readable.
struct WavStart {
    std::vector<float> samples; // interleaved
    int channels = 0;
    int sampleRate = 0;
    bool cut = false; // the file holds more than this
};
inline constexpr qint64 kWavStartMaxSamples = 8 * 48000 * 10;
inline constexpr int kWavStartMaxChannels = 8;
WavStart readWavStart(QIODevice& source, int maxSeconds);

} // namespace mokuri
