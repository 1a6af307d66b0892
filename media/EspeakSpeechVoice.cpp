// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/EspeakSpeechVoice.h"

#include "media/SpeechSynthesis.h"

#include <QMetaObject>

#include <cmath>
#include <cstdio>
#include <vector>

namespace mokuri {

namespace {

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

} // namespace

EspeakSpeechVoice::EspeakSpeechVoice(std::shared_ptr<AudioMixer> mixer, QObject* parent)
    : SpeechVoice(parent), mixer_(std::move(mixer))
{
    worker_ = std::thread([this] { run(); });
}

EspeakSpeechVoice::~EspeakSpeechVoice()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
        ++generation_;
        pending_.reset();
        mixer_->stopSpeech();
    }
    cv_.notify_all();
    worker_.join();
}

void EspeakSpeechVoice::speak(const QString& text)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const std::uint64_t generation = ++generation_;
        pending_ = Job{generation, text};
        mixer_->stopSpeech(); // cut off whatever is being spoken
    }
    cv_.notify_all();
}

void EspeakSpeechVoice::stop()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    pending_.reset();
    mixer_->stopSpeech();
}

void EspeakSpeechVoice::run()
{
    prepareSpeechSynthesis(); // load espeak-ng and MeCab now, not at the first speak
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait(lock, [this] { return quit_ || pending_.has_value(); });
            if (quit_)
                return;
            job = std::move(*pending_);
            pending_.reset();
        }
        synthesize(job);
    }
}

void EspeakSpeechVoice::synthesize(const Job& job)
{
    std::uint64_t stream;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (quit_ || generation_ != job.generation)
            return;
        stream = mixer_->beginSpeech();
        streamId_ = stream;
    }
    auto current = [&] { return generation_.load() == job.generation; };

    std::optional<StreamResampler> resampler;
    std::vector<float> converted;
    int sourceRate = 0;
    const QString error = synthesizeSpeechChunks(
        job.text,
        [&](const std::int16_t* samples, std::size_t count) {
            if (!current())
                return false;
            if (!resampler)
                resampler.emplace(sourceRate, mixer_->sampleRate());
            converted.clear();
            resampler->push(samples, count, converted);
            mixer_->appendSpeech(stream, converted.data(), converted.size());
            return true;
        },
        &sourceRate);
    if (!current())
        return; // cut off by stop or another speak: no speechEnded
    if (resampler) {
        converted.clear();
        resampler->flush(converted);
        mixer_->appendSpeech(stream, converted.data(), converted.size());
    }
    if (!error.isEmpty())
        std::fprintf(stderr, "mokuri: speech failed: %s\n", error.toLocal8Bit().constData());
    mixer_->endSpeech(stream);
    if (!mixer_->waitSpeechDrained(stream))
        return; // cut off while playing
    // The text has been heard to its end: report it through the event loop.
    std::lock_guard<std::mutex> lock(mutex_);
    if (!quit_)
        QMetaObject::invokeMethod(this, [this] { emit speechEnded(); }, Qt::QueuedConnection);
}

} // namespace mokuri
