// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The speech voice: MeCab + espeak-ng on a worker thread, played on the AudioMixer's
// speech voice.
#include "media/AudioMixer.h"
#include "media/SpeechVoice.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace mokuri {

class EspeakSpeechVoice final : public SpeechVoice {
    Q_OBJECT
public:
    explicit EspeakSpeechVoice(std::shared_ptr<AudioMixer> mixer = AudioMixer::shared(),
                               QObject* parent = nullptr);
    ~EspeakSpeechVoice() override; // silences; no speechEnded afterwards

    // Returns at once. The worker synthesizes in pieces of about 10 ms and each piece goes
    // to the speech voice as soon as it is made. speechEnded is posted to this object's
    // thread (queued) once the last sample has gone to the device; also when synthesis
    // fails (then one line on stderr). A speak during another text cuts that text off
    // (it gets no speechEnded).
    void speak(const QString& text) override;
    // Silences at once (what is already in the device buffer, at most one buffer, still
    // sounds); the stopped text raises no speechEnded.
    void stop() override;

    // For tests and benchmarks: the mixer, and the speech-voice stream of the latest text
    // (0 until the worker has started it).
    AudioMixer& mixer() { return *mixer_; }
    std::uint64_t currentStreamId() const { return streamId_.load(); }

private:
    struct Job {
        std::uint64_t generation;
        QString text;
    };
    void run();
    void synthesize(const Job& job);

    std::shared_ptr<AudioMixer> mixer_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool quit_ = false;
    std::optional<Job> pending_;
    std::atomic<std::uint64_t> generation_{0}; // bumped by every speak and stop
    std::atomic<std::uint64_t> streamId_{0};
    std::thread worker_;
};

} // namespace mokuri
