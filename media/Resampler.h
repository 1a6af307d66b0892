// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Mono 16-bit speech at the synthesiser's rate to float frames at the device's rate, for the
// mixer's speech voice. Both speech voices use it: espeak-ng piece by piece while it speaks,
// Open JTalk on a whole WAV at once.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mokuri {

// Streaming Catmull-Rom resampler, mono: a couple of input samples of delay, so the first
// piece of speech goes out at once (SDL's stream converter holds back far more).
class StreamResampler {
public:
    StreamResampler(int inRate, int outRate) : step_(double(inRate) / double(outRate)) {}

    void push(const std::int16_t* in, std::size_t n, std::vector<float>& out)
    {
        for (std::size_t i = 0; i < n; ++i)
            buffer_.push_back(float(in[i]) * (1.0f / 32768.0f));
        produce(buffer_.size(), out);
    }
    void flush(std::vector<float>& out)
    {
        const std::size_t end = buffer_.size();
        buffer_.insert(buffer_.end(), 3, 0.0f);
        produce(end + 1, out);
    }

private:
    // Produces every output sample whose four neighbours lie inside buffer_ and whose
    // position is before `limit`.
    void produce(std::size_t limit, std::vector<float>& out)
    {
        for (;;) {
            const std::size_t i = std::size_t(pos_);
            if (i + 2 >= buffer_.size() || i >= limit)
                break;
            const float t = float(pos_ - double(i));
            const float y0 = buffer_[i - 1], y1 = buffer_[i], y2 = buffer_[i + 1], y3 = buffer_[i + 2];
            const float v = y1 + 0.5f * t * (y2 - y0 + t * (2.0f * y0 - 5.0f * y1 + 4.0f * y2 - y3
                                                            + t * (3.0f * (y1 - y2) + y3 - y0)));
            out.push_back(v);
            pos_ += step_;
        }
        const std::size_t drop = std::size_t(pos_) - 1;
        if (drop > 0 && drop < buffer_.size()) {
            buffer_.erase(buffer_.begin(), buffer_.begin() + std::ptrdiff_t(drop));
            pos_ -= double(drop);
        }
    }

    double step_;
    double pos_ = 1.0;               // position in buffer_ of the next output sample
    std::vector<float> buffer_{0.0f}; // one sample of leading silence as history
};

// A whole clip at once; samples already at `outRate` are only scaled.
inline std::vector<float> resampleSpeech(const std::int16_t* in, std::size_t n, int inRate, int outRate)
{
    std::vector<float> out;
    if (inRate == outRate) {
        out.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            out.push_back(float(in[i]) * (1.0f / 32768.0f));
        return out;
    }
    out.reserve(std::size_t(double(n) * outRate / inRate) + 4);
    StreamResampler resampler(inRate, outRate);
    resampler.push(in, n, out);
    resampler.flush(out);
    return out;
}

} // namespace mokuri
