// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/EffectSounds.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mokuri::deck {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

std::vector<double> silence(double seconds)
{
    return std::vector<double>(size_t(seconds * kEffectRate), 0.0);
}

// Scales to the given peak and rounds to 16 bits; a few milliseconds of fade at both ends
// keep the speaker from popping.
std::vector<int16_t> finish(std::vector<double> wave, double peak)
{
    double max = 0;
    for (double v : wave) max = std::max(max, std::abs(v));
    const double gain = max > 0 ? peak / max : 0;
    const size_t fade = size_t(0.004 * kEffectRate);
    std::vector<int16_t> out(wave.size());
    for (size_t i = 0; i < wave.size(); ++i) {
        double v = wave[i] * gain;
        const size_t edge = std::min(i, wave.size() - 1 - i);
        if (edge < fade) v *= double(edge) / double(fade);
        out[i] = int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767));
    }
    return out;
}

// A small deterministic noise source: the same bytes on every run keep a deck reproducible.
class Noise {
public:
    double next()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return double(int64_t(state_ >> 11) - (int64_t(1) << 52)) / double(int64_t(1) << 52);
    }

private:
    uint64_t state_ = 0x6d6f6b757269ULL;
};

// One strike: filtered noise and a ringing tone, both dying away fast.
void addStrike(std::vector<double>& wave, double at, double toneHz, double brightness,
               double decaySeconds, double level, Noise& noise)
{
    const size_t start = size_t(at * kEffectRate);
    double low = 0;
    for (size_t i = start; i < wave.size(); ++i) {
        const double t = double(i - start) / kEffectRate;
        const double env = std::exp(-t / decaySeconds);
        if (env < 1e-4) break;
        const double n = noise.next();
        low += (n - low) * brightness; // one-pole low-pass; brightness 1 = raw noise
        const double ring = std::sin(kTwoPi * toneHz * t);
        wave[i] += level * env * (0.6 * low + 0.4 * ring);
    }
}

} // namespace

std::vector<int16_t> clickSound()
{
    std::vector<double> wave = silence(0.16);
    Noise noise;
    addStrike(wave, 0.0, 850, 0.35, 0.012, 1.0, noise);   // "ga": duller, lower
    addStrike(wave, 0.055, 2600, 0.9, 0.018, 0.8, noise); // "cha": bright latch
    return finish(std::move(wave), 0.7);
}

std::vector<int16_t> buzzerSound()
{
    std::vector<double> wave = silence(0.6);
    const double f = 140;
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = double(i) / kEffectRate;
        // Odd harmonics make it buzz like a square wave, stopped below 5 kHz so it is not shrill.
        double v = 0;
        for (int h = 1; h * f < 5000; h += 2) v += std::sin(kTwoPi * h * f * t) / h;
        const double attack = std::min(1.0, t / 0.015);
        const double release = std::min(1.0, (0.6 - t) / 0.08);
        wave[i] = v * attack * std::max(0.0, release);
    }
    return finish(std::move(wave), 0.6);
}

std::vector<int16_t> chimeSound()
{
    std::vector<double> wave = silence(0.8);
    // The doorbell interval: a major third down, E6 then C6.
    const struct {
        double at, hz;
    } notes[] = {{0.0, 1318.5}, {0.3, 1046.5}};
    for (const auto& note : notes) {
        const size_t start = size_t(note.at * kEffectRate);
        for (size_t i = start; i < wave.size(); ++i) {
            const double t = double(i - start) / kEffectRate;
            const double env = std::exp(-t / 0.22) * std::min(1.0, t / 0.003);
            const double v = std::sin(kTwoPi * note.hz * t) +
                             0.25 * std::sin(kTwoPi * 2 * note.hz * t) * std::exp(-t / 0.08) +
                             0.1 * std::sin(kTwoPi * 2.76 * note.hz * t) * std::exp(-t / 0.05);
            wave[i] += v * env;
        }
    }
    // Let the second tone ring out instead of stopping dead at the end of the file.
    const size_t tail = size_t(0.15 * kEffectRate);
    for (size_t k = 0; k < tail; ++k) wave[wave.size() - tail + k] *= 1.0 - double(k) / tail;
    return finish(std::move(wave), 0.7);
}

} // namespace mokuri::deck
