// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/EspeakSpeechVoice.h"
#include "support/Logging.h"

#include "media/Resampler.h"
#include "media/SpeechSynthesis.h"

#include <QMetaObject>

#include <cmath>
#include <vector>

namespace mokuri {

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
        qCWarning(logMedia, "speech failed: %s", error.toLocal8Bit().constData());
    mixer_->endSpeech(stream);
    if (!mixer_->waitSpeechDrained(stream))
        return; // cut off while playing
    // The text has been heard to its end: report it through the event loop.
    std::lock_guard<std::mutex> lock(mutex_);
    if (!quit_)
        QMetaObject::invokeMethod(this, [this] { emit speechEnded(); }, Qt::QueuedConnection);
}

} // namespace mokuri
