// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A take as a microphone gives it, made up: a room with a little noise, a vowel-like voice
// at 180 Hz with a soft rise and fall, the room again. The voice's level is its peak before
// the microphone; above full scale it clips, as a converter does.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

namespace mokuri::test {

struct SpokenVoice {
    std::vector<std::int16_t> samples;
    std::size_t onset = 0; // where the voice begins
    std::size_t end = 0;   // and ends
};

inline SpokenVoice spokenVoice(int rate, int leadMs, int voiceMs, int trailMs, double level, double noise,
                               unsigned seed = 1)
{
    SpokenVoice s;
    const auto ms = [rate](int v) { return std::size_t(rate) * std::size_t(v) / 1000; };
    s.onset = ms(leadMs);
    s.end = s.onset + ms(voiceMs);
    const std::size_t total = s.end + ms(trailMs);
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < total; ++i) {
        state = state * 1664525u + 1013904223u;
        double v = noise * (double(state >> 8) / double(1 << 24) * 2 - 1);
        if (i >= s.onset && i < s.end) {
            const double t = double(i - s.onset) / rate;
            const double left = double(s.end - i) / rate;
            const double envelope = std::min({1.0, t / 0.015, left / 0.04});
            const double w = 2 * std::numbers::pi * 180 * t;
            v += level * envelope * (0.6 * std::sin(w) + 0.3 * std::sin(2 * w + 0.5) + 0.1 * std::sin(3 * w + 1));
        }
        s.samples.push_back(std::int16_t(std::clamp(std::lround(v), -32768L, 32767L)));
    }
    return s;
}

// What is wrong with a kept voice, empty if nothing: heard at once (its first tenth of full
// strength within 10 ms), `loudness` within 1 dB of `target`, its peak under full scale.
inline std::string voiceFault(const std::vector<std::int16_t>& samples, int rate, double loudness, double target)
{
    int peak = 0;
    for (std::int16_t v : samples) peak = std::max(peak, std::abs(int(v)));
    std::size_t onset = 0;
    while (onset < samples.size() && std::abs(int(samples[onset])) < peak / 10) ++onset;
    const double db = 20 * std::log10(loudness / target);
    if (onset > std::size_t(rate) / 100) return "the voice begins at sample " + std::to_string(onset);
    if (std::abs(db) > 1.0) return "the loudness is off by " + std::to_string(db) + " dB";
    if (peak >= 32700) return "the peak is at full scale";
    return {};
}

} // namespace mokuri::test
