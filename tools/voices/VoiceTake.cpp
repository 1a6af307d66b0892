// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/voices/VoiceTake.h"

#include "tools/LetterVoices.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mokuri::voices {

namespace {

constexpr int kFrameMs = 10;
// Nothing quieter than -40 dBFS counts as a voice, however quiet the room.
constexpr double kQuietestVoice = 328;
// A voice stands this far above the room's own noise.
constexpr double kAboveNoise = 4;
// A voice is there when this many frames in a row are loud (a click or a knock is shorter).
constexpr int kVoiceFrames = 3;
// A sample this close to full scale, several in a row, is the converter's limit.
constexpr int kClipLevel = 32700;
constexpr int kClipRun = 3;

double voiceThreshold(double noiseFloor)
{
    return std::max(kQuietestVoice, noiseFloor * kAboveNoise);
}

double rms(const std::int16_t* s, std::size_t n)
{
    double sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += double(s[i]) * double(s[i]);
    return n ? std::sqrt(sum / double(n)) : 0.0;
}

std::size_t msToSamples(int rate, int ms)
{
    return std::size_t(rate) * std::size_t(ms) / 1000;
}

} // namespace

double meterLevel(const std::int16_t* samples, std::size_t count)
{
    int peak = 0;
    for (std::size_t i = 0; i < count; ++i) peak = std::max(peak, std::abs(int(samples[i])));
    if (peak == 0) return 0;
    const double db = 20 * std::log10(double(peak) / 32768.0);
    return std::clamp((db + 60) / 60, 0.0, 1.0);
}

VoiceWatch::VoiceWatch(int sampleRate)
    : rate_(sampleRate), frameLength_(std::max<std::size_t>(1, msToSamples(sampleRate, kFrameMs)))
{
}

std::size_t VoiceWatch::feed(const std::int16_t* samples, std::size_t count)
{
    if (finished()) return 0;
    const std::size_t cap = std::size_t(rate_) * kMaxTakeSeconds;
    const std::size_t take = std::min(count, cap - taken_);
    for (std::size_t i = 0; i < take && !finished(); ++i) {
        frameSum_ += double(samples[i]) * double(samples[i]);
        if (++frameFill_ == frameLength_) {
            frame(std::sqrt(frameSum_ / double(frameLength_)));
            frameSum_ = 0;
            frameFill_ = 0;
        }
    }
    taken_ += take;
    if (!finished() && taken_ >= cap) state_ = State::TooLong;
    return take;
}

void VoiceWatch::frame(double level)
{
    // The quietest stretch so far is the room; the take starts before the voice does. Some
    // devices begin with a few buffers of pure zeros, which are not the room.
    if (level >= 1 && (noiseFloor_ < 0 || level < noiseFloor_)) noiseFloor_ = level;
    const bool loud = level >= voiceThreshold(noiseFloor_);
    if (state_ == State::Waiting) {
        loudFrames_ = loud ? loudFrames_ + 1 : 0;
        if (loudFrames_ >= kVoiceFrames) state_ = State::Speaking;
    } else if (state_ == State::Speaking) {
        quietFrames_ = loud ? 0 : quietFrames_ + 1;
        if (quietFrames_ * kFrameMs >= kEndSilenceMs) state_ = State::Ended;
    }
}

bool hasClipping(const std::vector<std::int16_t>& samples)
{
    int run = 0;
    int sign = 0;
    for (std::int16_t s : samples) {
        const int v = s;
        const int side = v >= kClipLevel ? 1 : v <= -kClipLevel ? -1 : 0;
        run = side != 0 && side == sign ? run + 1 : side != 0 ? 1 : 0;
        sign = side;
        if (run >= kClipRun) return true;
    }
    return false;
}

CleanTake cleanTake(const std::vector<std::int16_t>& raw, int sampleRate, double loudness)
{
    CleanTake out;
    if (sampleRate <= 0) return out;
    const std::size_t cap = std::size_t(sampleRate) * kMaxTakeSeconds;
    out.cut = raw.size() > cap;
    const std::size_t length = std::min(raw.size(), cap);
    out.clipped = hasClipping(raw);

    const std::size_t frame = std::max<std::size_t>(1, msToSamples(sampleRate, kFrameMs));
    std::vector<double> levels;
    for (std::size_t at = 0; at + frame <= length; at += frame) levels.push_back(rms(raw.data() + at, frame));
    if (levels.empty()) return out;
    // The room: the quietest twentieth of the take (not the quietest frame alone). A take that is voice almost throughout has no
    // room to hear; the voice is then what comes near its loudest part.
    std::vector<double> sorted;
    for (double l : levels)
        if (l >= 1) sorted.push_back(l); // a device's first buffers of pure zeros are not the room
    if (sorted.empty()) return out;
    const auto room = sorted.begin() + std::ptrdiff_t(sorted.size() / 20);
    std::nth_element(sorted.begin(), room, sorted.end());
    const double loudest = *std::max_element(levels.begin(), levels.end());
    const double threshold = std::min(voiceThreshold(*room), std::max(kQuietestVoice, loudest * 0.3));

    // The voice runs from the first to the last stretch of kVoiceFrames loud frames.
    std::ptrdiff_t first = -1, last = -1;
    int run = 0;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        run = levels[i] >= threshold ? run + 1 : 0;
        if (run >= kVoiceFrames) {
            if (first < 0) first = std::ptrdiff_t(i) - kVoiceFrames + 1;
            last = std::ptrdiff_t(i);
        }
    }
    if (first < 0) return out;

    // The onset to the sample: the first loud one from the frame before the voice's first.
    const std::size_t searchFrom = std::size_t(std::max<std::ptrdiff_t>(0, first - 1)) * frame;
    std::size_t onset = searchFrom;
    while (onset < length && std::abs(int(raw[onset])) < threshold) ++onset;
    const std::size_t preRoll = msToSamples(sampleRate, kPreRollMs);
    const std::size_t begin = onset > preRoll ? onset - preRoll : 0;
    const std::size_t end = std::min(length, std::size_t(last + 1) * frame + msToSamples(sampleRate, kTailMs));

    std::vector<std::int16_t> voice(raw.begin() + std::ptrdiff_t(begin), raw.begin() + std::ptrdiff_t(end));
    voice = deck::matchLoudness(voice, loudness);
    // Faded in across the pre-roll (the voice itself starts at full strength) and out over
    // kFadeMs.
    const std::size_t fadeIn = std::max<std::size_t>(1, onset - begin);
    const std::size_t fadeOut = std::max<std::size_t>(1, msToSamples(sampleRate, kFadeMs));
    for (std::size_t i = 0; i < voice.size(); ++i) {
        double g = 1;
        if (i < fadeIn) g = double(i) / double(fadeIn);
        const std::size_t fromEnd = voice.size() - 1 - i;
        if (fromEnd < fadeOut) g = std::min(g, double(fromEnd) / double(fadeOut));
        voice[i] = std::int16_t(std::lround(voice[i] * g));
    }
    out.samples = std::move(voice);
    return out;
}

} // namespace mokuri::voices
