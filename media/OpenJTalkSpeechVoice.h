// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The speech voice with Open JTalk: each text is synthesised whole by open_jtalk on a worker
// thread, kept in a small cache, and played on the AudioMixer's speech voice. prepare()
// synthesises ahead, so that a text asked for in time plays at once. A text Open JTalk cannot
// speak (failure, time-out, broken WAV) is spoken by espeak-ng instead.
#include "media/AudioMixer.h"
#include "media/OpenJTalk.h"
#include "media/SpeechVoice.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace mokuri {

class Trace;

class OpenJTalkSpeechVoice final : public SpeechVoice {
    Q_OBJECT
public:
    // Texts kept synthesised: the one playing, the next instruction, the praise, and a few
    // the game may come back to. About 0.2 MB a second of speech.
    static constexpr std::size_t kDefaultCacheTexts = 8;

    // `trace` (may be null) must outlive the voice.
    OpenJTalkSpeechVoice(OpenJTalkSetup setup, std::shared_ptr<AudioMixer> mixer = AudioMixer::shared(),
                         Trace* trace = nullptr, std::size_t cacheTexts = kDefaultCacheTexts,
                         QObject* parent = nullptr);
    ~OpenJTalkSpeechVoice() override; // silences; no speechEnded afterwards; kills a running open_jtalk

    // Returns at once. A text synthesised ahead starts playing before speak returns; another
    // is synthesised first (before any prepared text). speechEnded is posted to this object's
    // thread once the last sample has gone to the device. A speak during another text cuts
    // that text off (it gets no speechEnded).
    void speak(const QString& text) override;
    // Silences at once; the stopped text raises no speechEnded. A synthesis under way goes
    // on into the cache.
    void stop() override;
    // Synthesises `text` on the worker when it is idle, unless it is cached or queued.
    void prepare(const QString& text) override;

    // The praise (it ends "…だね。") is said in the praise voice, everything else in the
    // instruction voice.
    static bool isPraise(const QString& text);

    // For tests and benchmarks.
    AudioMixer& mixer() { return *mixer_; }
    std::uint64_t currentStreamId() const { return streamId_.load(); }
    bool isCached(const QString& text) const;
    std::size_t cachedTexts() const;
    int openJTalkRuns() const { return runs_.load(); }
    int fallbacks() const { return fallbacks_.load(); }

private:
    struct Clip {
        QString key;
        std::shared_ptr<const std::vector<float>> frames; // mono at the mixer's rate
    };
    struct Wanted {
        std::uint64_t generation = 0;
        QString key;
        std::uint64_t stream = 0; // 0 until playing
    };
    QString keyOf(const QString& text) const;
    std::shared_ptr<const std::vector<float>> cachedLocked(const QString& key); // moves it to the front
    void queueLocked(const QString& text, bool first);
    void startLocked(Wanted& wanted, const std::vector<float>& frames);
    std::shared_ptr<const std::vector<float>> synthesize(const QString& text);
    void synthesisLoop();
    void playbackLoop();

    const OpenJTalkSetup setup_;
    std::shared_ptr<AudioMixer> mixer_;
    Trace* trace_;
    const std::size_t cacheTexts_;

    mutable std::mutex mutex_;
    std::condition_variable work_;  // a text was queued, or quit
    std::condition_variable ready_; // a text was synthesised, a speak came, or quit
    bool quit_ = false;
    std::deque<QString> queue_; // texts to synthesise, the spoken one first
    QString inSynthesis_;       // the key being synthesised now
    std::list<Clip> cache_;     // most recently used first
    std::optional<Wanted> wanted_; // what speak asked for and no stop cut off
    std::uint64_t generation_ = 0;
    bool failureSaid_ = false;
    // An open_jtalk that hangs costs its time-out at every text: after a few failures in a
    // row espeak-ng speaks everything, so that the child does not wait seconds each time.
    static constexpr int kFailuresToGiveUp = 3;
    int failuresInARow_ = 0; // the synthesis thread's own

    std::atomic<std::uint64_t> streamId_{0};
    std::atomic<int> runs_{0};
    std::atomic<int> fallbacks_{0};
    std::unique_ptr<QThread> synthesis_; // a QThread: QProcess needs one
    std::thread playback_;
};

} // namespace mokuri
