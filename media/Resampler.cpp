// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/Resampler.h"

#include <samplerate.h>

namespace mokuri {

StreamResampler::StreamResampler(int inRate, int outRate)
    : ratio_(inRate > 0 ? double(outRate) / double(inRate) : 1.0)
{
    if (inRate == outRate || inRate <= 0 || outRate <= 0 || !src_is_valid_ratio(ratio_))
        return;
    int error = 0;
    state_ = src_new(SRC_SINC_FASTEST, 1, &error);
}

StreamResampler::~StreamResampler()
{
    if (state_)
        src_delete(state_);
}

void StreamResampler::push(const std::int16_t* in, std::size_t n, std::vector<float>& out)
{
    const std::size_t at = state_ ? 0 : out.size();
    std::vector<float>& scaled = state_ ? scaled_ : out;
    scaled.resize(at + n);
    for (std::size_t i = 0; i < n; ++i)
        scaled[at + i] = float(in[i]) * (1.0f / 32768.0f);
    if (state_)
        process(scaled_.data(), n, false, out);
}

void StreamResampler::flush(std::vector<float>& out)
{
    const float none = 0.0f; // libsamplerate wants a pointer even for no input
    if (state_)
        process(&none, 0, true, out);
}

void StreamResampler::process(const float* in, std::size_t n, bool last, std::vector<float>& out)
{
    std::size_t used = 0;
    for (;;) {
        const std::size_t room = std::size_t(double(n - used) * ratio_) + 64;
        const std::size_t at = out.size();
        out.resize(at + room);
        SRC_DATA data{};
        data.data_in = in + used;
        data.input_frames = long(n - used);
        data.data_out = out.data() + at;
        data.output_frames = long(room);
        data.end_of_input = last;
        data.src_ratio = ratio_;
        const int error = src_process(state_, &data);
        out.resize(at + std::size_t(data.output_frames_gen));
        used += std::size_t(data.input_frames_used);
        // Done when the input is in and the output did not fill the room it had.
        if (error || (used >= n && std::size_t(data.output_frames_gen) < room))
            return;
    }
}

std::vector<float> resampleSpeech(const std::int16_t* in, std::size_t n, int inRate, int outRate)
{
    std::vector<float> out;
    out.reserve(std::size_t(double(n) * (inRate > 0 ? double(outRate) / inRate : 1.0)) + 64);
    StreamResampler resampler(inRate, outRate);
    resampler.push(in, n, out);
    resampler.flush(out);
    return out;
}

} // namespace mokuri
