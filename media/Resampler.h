// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Mono 16-bit speech at the synthesiser's rate to float frames at the device's rate, for the
// mixer's speech voice. Both speech voices use it: espeak-ng piece by piece while it speaks,
// Open JTalk on a whole WAV at once. libsamplerate's fastest sinc filter (a real low-pass,
// far above what a voice needs): each piece comes out at once but for about 1 ms of input,
// whatever the two rates, and the filter's delay is taken off, so the speech starts on time.
#include <cstddef>
#include <cstdint>
#include <vector>

struct SRC_STATE_tag; // libsamplerate's SRC_STATE

namespace mokuri {

class StreamResampler {
public:
    StreamResampler(int inRate, int outRate);
    ~StreamResampler();
    StreamResampler(const StreamResampler&) = delete;
    StreamResampler& operator=(const StreamResampler&) = delete;

    // Appends to `out` what `in` gives at the output rate so far.
    void push(const std::int16_t* in, std::size_t n, std::vector<float>& out);
    // Appends the rest, after the last piece.
    void flush(std::vector<float>& out);

private:
    void process(const float* in, std::size_t n, bool last, std::vector<float>& out);

    double ratio_;
    ::SRC_STATE_tag* state_ = nullptr; // null when the rates are equal: samples are only scaled
    std::vector<float> scaled_;
};

// A whole clip at once; samples already at `outRate` are only scaled.
std::vector<float> resampleSpeech(const std::int16_t* in, std::size_t n, int inRate, int outRate);

} // namespace mokuri
