// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What becomes of an adult's recording before the game plays it: the voice found in the
// take, the silence around it cut, the edges faded, its loudness brought to the other
// sounds', and clipping noticed. Pure: samples in, samples out.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mokuri::voices {

// A take stops here even when the voice goes on; the game plays no more of a file either.
constexpr int kMaxTakeSeconds = 10;
// Kept before the voice's first loud sample, so that a soft consonant (さ, は) keeps its start.
constexpr int kPreRollMs = 5;
// Kept after the voice's last loud part, for the fall of the last sound.
constexpr int kTailMs = 120;
// The fade at each end, so that no click is heard where the cut falls.
constexpr int kFadeMs = 10;
// How long the voice must have been quiet before a take counts as finished.
constexpr int kEndSilenceMs = 700;

// The level of a stretch of samples, 0 (silence) to 1 (full scale), on a decibel scale from
// -60 dBFS, as a meter shows it.
double meterLevel(const std::int16_t* samples, std::size_t count);

// Follows a take as it comes in, a block at a time: when the voice starts, when it has
// ended (quiet for kEndSilenceMs after it), or when kMaxTakeSeconds are reached.
class VoiceWatch {
public:
    explicit VoiceWatch(int sampleRate);
    enum class State { Waiting, Speaking, Ended, TooLong };
    // The samples of the block that belong to the take (all of them, but past the cap).
    std::size_t feed(const std::int16_t* samples, std::size_t count);
    State state() const { return state_; }
    bool finished() const { return state_ == State::Ended || state_ == State::TooLong; }
    std::size_t samplesTaken() const { return taken_; }

private:
    void frame(double rms);
    int rate_;
    std::size_t frameLength_;
    std::size_t taken_ = 0;
    State state_ = State::Waiting;
    double frameSum_ = 0;
    std::size_t frameFill_ = 0;
    double noiseFloor_ = -1;
    int loudFrames_ = 0;
    int quietFrames_ = 0;
};

struct CleanTake {
    std::vector<std::int16_t> samples; // ready to be saved; empty when no voice was found
    bool clipped = false;              // the microphone's signal hit full scale
    bool cut = false;                  // the take was longer than kMaxTakeSeconds
};

// Trims, fades and levels a raw take (mono, `sampleRate`) to `loudness`, the voiced RMS
// (tools/LetterVoices voicedLoudness) the letters and effects share. The result's peak
// stays below full scale.
CleanTake cleanTake(const std::vector<std::int16_t>& raw, int sampleRate, double loudness);

// Whether a take hit the converter's limit: runs of samples flat at full scale.
bool hasClipping(const std::vector<std::int16_t>& samples);

} // namespace mokuri::voices
