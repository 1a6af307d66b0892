// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One SDL2 audio device and a mixer of our own with two voices: the sound player's voice
// (whole decoded clips) and the speech voice (a stream appended while it plays), so that a
// letter and a spoken sentence can sound together. The device is open only while a voice
// plays (and a short while after): a game waiting for a touch costs no CPU, neither here nor
// in the sound server.
#include <SDL.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace mokuri {

// Decoded sound in the device's format: interleaved float frames.
struct AudioClip {
    std::vector<float> samples;
    int channels = 2;
    int sampleRate = 48000;
    std::size_t frameCount() const { return channels > 0 ? samples.size() / std::size_t(channels) : 0; }
    double seconds() const { return sampleRate > 0 ? double(frameCount()) / sampleRate : 0.0; }
};

class AudioMixer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kRequestedRate = 48000;
    // 10 ms at 48 kHz (see BENCHMARKS.md for the measurements behind it): short enough that
    // a letter touched while the device is open is heard within 30 ms through PulseAudio,
    // long enough that the sound server is not woken every few ms while something plays.
    // A whole number of ms, so that SDL's dummy and disk drivers (which sleep whole ms)
    // keep real time.
    static constexpr int kBufferFrames = 480;
    // How long the device stays open after the last voice ended: a child touching letters
    // one after another does not reopen it at every touch.
    static constexpr std::chrono::milliseconds kDefaultLinger{1000};

    // Opens the default device; when none opens, SDL's "dummy" driver (silent, real time),
    // said once on stderr. Never fails. The device closes `linger` after the voices fell
    // silent and opens again at the next sound or speech.
    explicit AudioMixer(Clock::duration linger = kDefaultLinger);
    ~AudioMixer();
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    // The process-wide mixer, created at the first call and kept while anyone holds it.
    static std::shared_ptr<AudioMixer> shared();

    int sampleRate() const { return rate_; }
    int channels() const { return channels_; }
    int bufferFrames() const { return bufferFrames_; }
    QString driverName() const { return driver_; }
    bool silentFallback() const { return fallback_; }
    // True on SDL's dummy driver (chosen or fallen back to): silent, voices follow the clock.
    bool paced() const { return paced_; }

    // Converts PCM in any SDL format to a clip in the device's format; nullptr on failure.
    std::shared_ptr<const AudioClip> convert(const SDL_AudioSpec& spec, const std::uint8_t* data,
                                             std::size_t bytes) const;

    // --- sound voice: one clip at a time, each play has a token -------------------------
    // Starts `clip` from its start, cutting off the sound before. Returns the play's token.
    std::uint64_t playSound(std::shared_ptr<const AudioClip> clip);
    void stopSound(std::uint64_t token); // no effect unless `token` is the current play
    bool soundPlaying(std::uint64_t token) const;
    // Blocks (condition variable, signalled by the audio thread; no polling) until `token`
    // no longer plays. Returns at once if it does not play. Should the device stall, gives up
    // `slack` after the sound's due end and stops it, so that the caller never hangs.
    void waitSoundEnd(std::uint64_t token, Clock::duration slack = std::chrono::seconds(2));
    // `listener(token)` is called on the audio thread each time a play has been mixed to its
    // end (not when it was stopped or cut off), for as long as the returned handle is kept.
    // It must not call back into the mixer.
    using SoundEndListener = std::function<void(std::uint64_t token)>;
    std::shared_ptr<void> listenForSoundEnds(SoundEndListener listener);

    // --- speech voice: mono frames at sampleRate(), appended while playing ---------------
    std::uint64_t beginSpeech(); // cuts off any speech; returns the new stream's id
    void appendSpeech(std::uint64_t id, const float* mono, std::size_t frames); // ignored if cut off
    void endSpeech(std::uint64_t id);                                          // no more frames
    void stopSpeech();                                                         // silences now
    // Blocks until every frame of the ended stream `id` has gone to the device (true) or `id`
    // was cut off by beginSpeech/stopSpeech (false). Should the device stall, gives up `slack`
    // after the stream's due end, stops it and returns true.
    bool waitSpeechDrained(std::uint64_t id, Clock::duration slack = std::chrono::seconds(2));

    // --- for tests and benchmarks -------------------------------------------------------
    std::uint64_t framesRendered() const { return framesRendered_.load(); }
    bool deviceOpen() const;
    // Device frame index (framesRendered scale) at which the device last opened.
    std::uint64_t openedAtFrame() const;
    // When the first frame of this play / speech stream was mixed into a device buffer.
    std::optional<Clock::time_point> soundFirstMixed(std::uint64_t token) const;
    std::optional<Clock::time_point> speechFirstMixed(std::uint64_t id) const;
    // Device frame index (framesRendered scale) at which the speech stream's last frame was mixed.
    std::optional<std::uint64_t> speechLastFrame(std::uint64_t id) const;

private:
    static void SDLCALL callback(void* self, Uint8* stream, int len);
    void mix(float* out, int frames, bool paced); // the device's callback
    void render(float* out, int frames); // mixes `frames` frames of both voices
    bool openDevice(const char* forcedDriver, bool firstTime);
    void closeDevice();
    bool busy() const { return soundActive_ || speechActive_; } // mutex_ held
    void keepDevice();                                          // the keeper thread
    void playWithoutDevice(std::unique_lock<std::mutex>& lock);

    SDL_AudioDeviceID device_ = 0; // only the constructor, then the keeper thread, change it
    bool sdlInit_ = false;
    bool fallback_ = false; // no device opened: SDL's dummy driver instead
    bool paced_ = false;    // silent dummy driver or no device: voices advance by the wall clock
    int rate_ = kRequestedRate;
    int channels_ = 2;
    int bufferFrames_ = kBufferFrames;
    QString driver_;
    Clock::duration linger_;
    bool pacingStarted_ = false; // only the audio thread touches these four
    Clock::time_point pacingStart_;
    std::uint64_t pacingBase_ = 0;
    std::vector<float> pacingScratch_;
    std::atomic<std::uint64_t> framesRendered_{0};

    mutable std::mutex mutex_;
    // Signalled when a voice starts or ends and when the device opens or closes.
    std::condition_variable changed_;
    bool quit_ = false;
    bool open_ = false;         // the device renders
    std::uint64_t activity_ = 0; // bumped by every start of a voice
    std::uint64_t openedAtFrame_ = 0;
    std::thread keeper_;

    // sound voice
    std::shared_ptr<const AudioClip> clip_;
    std::size_t clipPos_ = 0;
    std::uint64_t soundToken_ = 0;
    bool soundActive_ = false;
    std::optional<Clock::time_point> soundFirst_;
    std::vector<std::weak_ptr<SoundEndListener>> endListeners_;

    // speech voice
    std::vector<float> speech_;
    std::size_t speechPos_ = 0;
    std::uint64_t speechId_ = 0;
    bool speechActive_ = false; // the stream `speechId_` can still play
    bool speechEnded_ = false;  // no more frames will be appended
    std::uint64_t speechDrainedId_ = 0;
    std::optional<Clock::time_point> speechFirst_;
    std::optional<std::uint64_t> speechLastFrame_;
};

} // namespace mokuri
