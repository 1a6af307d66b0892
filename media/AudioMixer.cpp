// SPDX-License-Identifier: GPL-3.0-or-later
// A mixer of our own rather than SDL2_mixer's channels: speech is a stream that grows while
// espeak-ng synthesises it, and SDL2_mixer plays whole chunks only (its one hook for a
// stream, Mix_HookMusic, would leave this same buffer, locking and end-of-stream detection
// to us behind it); closing the device while nothing plays would still be ours to do around
// Mix_OpenAudio; and tests and benchmarks need the device frame at which a sound started and
// ended, which its finished callback does not give. What remains is two voices added up.
#include "media/AudioMixer.h"
#include "support/Logging.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mokuri {

namespace {

std::atomic<bool> g_fallbackReported{false};

void reportFallbackOnce(const QString& why)
{
    if (!g_fallbackReported.exchange(true))
        qCWarning(logMedia, "no audio device could be opened (%s); sound and speech are silent",
                     why.toLocal8Bit().constData());
}

QString sdlError()
{
    const QString why = QString::fromUtf8(SDL_GetError());
    return why.isEmpty() ? QStringLiteral("unknown error") : why;
}

} // namespace

std::shared_ptr<AudioMixer> AudioMixer::shared()
{
    static std::mutex mutex;
    static std::weak_ptr<AudioMixer> shared;
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<AudioMixer> mixer = shared.lock();
    if (!mixer) {
        mixer = std::make_shared<AudioMixer>();
        shared = mixer;
    }
    return mixer;
}

AudioMixer::AudioMixer(Clock::duration linger) : linger_(linger)
{
    pacingScratch_.assign(std::size_t(kBufferFrames) * 16 * 8, 0.0f); // 160 ms, up to 8 channels
    if (!openDevice(nullptr, true)) {
        fallback_ = true;
        reportFallbackOnce(sdlError());
        if (!openDevice("dummy", true)) {
            // Even SDL's dummy driver failed: the keeper thread keeps real time itself.
            rate_ = kRequestedRate;
            channels_ = 2;
            bufferFrames_ = kBufferFrames;
            driver_ = QStringLiteral("none");
            paced_ = true;
        }
    }
    open_ = device_ != 0;
    keeper_ = std::thread([this] { keepDevice(); });
}

AudioMixer::~AudioMixer()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    keeper_.join();
    if (sdlInit_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool AudioMixer::openDevice(const char* forcedDriver, bool firstTime)
{
    if (firstTime) {
        if (forcedDriver)
            SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, forcedDriver, SDL_HINT_OVERRIDE);
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "mokuri");
        // SDL would otherwise take SIGINT and SIGTERM for a quit event nobody reads, and the
        // game could not be stopped by the session or a script.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        const bool initOk = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        // The driver chosen stays for as long as the subsystem is up, reopenings included.
        if (forcedDriver)
            SDL_ResetHint(SDL_HINT_AUDIODRIVER);
        if (!initOk)
            return false;
        const char* current = SDL_GetCurrentAudioDriver();
        paced_ = fallback_ || (current && std::strcmp(current, "dummy") == 0);
    }
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = firstTime ? kRequestedRate : rate_;
    want.format = AUDIO_F32SYS;
    want.channels = firstTime ? 2 : Uint8(channels_);
    want.samples = Uint16(firstTime ? kBufferFrames : bufferFrames_);
    want.callback = &AudioMixer::callback;
    want.userdata = this;
    // The first opening takes the device's own rate and channels; later ones ask for the same
    // again (SDL converts should the device have changed), so that decoded clips stay valid.
    const int changes = firstTime ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE : 0;
    pacingStarted_ = false; // no device thread runs yet
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, changes);
    if (!device) {
        if (firstTime)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    if (firstTime) {
        sdlInit_ = true;
        rate_ = have.freq;
        channels_ = std::max<int>(1, have.channels);
        bufferFrames_ = have.samples;
        const char* name = SDL_GetCurrentAudioDriver();
        driver_ = QString::fromUtf8(name ? name : "");
    }
    device_ = device;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        openedAtFrame_ = framesRendered_.load();
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void AudioMixer::closeDevice()
{
    if (device_)
        SDL_CloseAudioDevice(device_); // waits for the device's thread to end
    device_ = 0;
}

void AudioMixer::keepDevice()
{
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        if (busy() && !open_) {
            bool opened = false;
            if (sdlInit_) {
                lock.unlock();
                opened = openDevice(nullptr, false);
                const QString why = opened ? QString() : sdlError();
                lock.lock();
                if (!opened)
                    reportFallbackOnce(why);
            }
            if (opened) {
                open_ = true;
                changed_.notify_all();
            } else {
                playWithoutDevice(lock);
            }
        } else if (!busy() && open_) {
            const std::uint64_t seen = activity_;
            if (changed_.wait_for(lock, linger_, [&] { return quit_ || busy() || activity_ != seen; }))
                continue;
            // A voice starting while the device closes finds it closed right after and
            // opens it again.
            lock.unlock();
            closeDevice();
            lock.lock();
            open_ = false;
            changed_.notify_all();
        } else {
            changed_.wait(lock, [&] { return quit_ || busy() != open_; });
        }
    }
    lock.unlock();
    closeDevice();
}

void AudioMixer::playWithoutDevice(std::unique_lock<std::mutex>& lock)
{
    std::vector<float> buffer(std::size_t(bufferFrames_) * std::size_t(channels_));
    const auto period = std::chrono::microseconds(1000000LL * bufferFrames_ / rate_);
    pacingStarted_ = false; // no device thread runs: this thread is the audio thread now
    auto next = Clock::now();
    while (!quit_ && busy()) {
        lock.unlock();
        mix(buffer.data(), bufferFrames_, true);
        lock.lock();
        next += period;
        changed_.wait_until(lock, next, [&] { return quit_; });
    }
}

void SDLCALL AudioMixer::callback(void* self, Uint8* stream, int len)
{
    auto* mixer = static_cast<AudioMixer*>(self);
    const int frames = len / int(sizeof(float) * std::size_t(mixer->channels_));
    mixer->mix(reinterpret_cast<float*>(stream), frames, mixer->paced_);
}

void AudioMixer::mix(float* out, int frames, bool paced)
{
    if (!paced) {
        render(out, frames);
        return;
    }
    // Silent (fallback or chosen) dummy driver: SDL's dummy driver calls back roughly every
    // buffer period, but late by a varying amount. Nothing is heard, so advance the voices by
    // the wall-clock time instead, keeping every sound and speech at its real length.
    std::fill(out, out + std::size_t(frames) * std::size_t(channels_), 0.0f);
    const Clock::time_point now = Clock::now();
    const std::uint64_t rendered = framesRendered_.load();
    if (!pacingStarted_) {
        pacingStarted_ = true;
        pacingStart_ = now;
        pacingBase_ = rendered;
    }
    const auto due = std::uint64_t(std::chrono::duration<double>(now - pacingStart_).count() * rate_) + std::uint64_t(frames);
    const std::uint64_t done = rendered - pacingBase_;
    const std::size_t capacity = pacingScratch_.size() / std::size_t(channels_);
    std::size_t advance = due > done ? std::size_t(due - done) : 0;
    if (advance > capacity) { // far behind (the machine stalled): skip ahead, do not catch up
        pacingStart_ = now - std::chrono::microseconds(std::int64_t(done + capacity - std::uint64_t(frames)) * 1000000 / rate_);
        advance = capacity;
    }
    if (advance > 0)
        render(pacingScratch_.data(), int(advance));
}

void AudioMixer::render(float* out, int frames)
{
    const int ch = channels_;
    std::fill(out, out + std::size_t(frames) * std::size_t(ch), 0.0f);
    bool soundEnded = false;
    std::uint64_t endedToken = 0;
    std::vector<std::weak_ptr<SoundEndListener>> listeners;
    bool speechDrained = false;
    const Clock::time_point now = Clock::now();
    const std::uint64_t bufferStart = framesRendered_.load();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (soundActive_ && clip_) {
            const std::size_t total = clip_->frameCount();
            const std::size_t n = std::min<std::size_t>(std::size_t(frames), total - clipPos_);
            if (n > 0 && clipPos_ == 0)
                soundFirst_ = now;
            const float* src = clip_->samples.data() + clipPos_ * std::size_t(ch);
            for (std::size_t i = 0; i < n * std::size_t(ch); ++i)
                out[i] += src[i];
            clipPos_ += n;
            if (clipPos_ >= total) {
                soundActive_ = false;
                soundEnded = true;
                endedToken = soundToken_;
                listeners = endListeners_;
            }
        }
        if (speechActive_) {
            const std::size_t n = std::min<std::size_t>(std::size_t(frames), speech_.size() - speechPos_);
            if (n > 0) {
                if (!speechFirst_)
                    speechFirst_ = now;
                const float* src = speech_.data() + speechPos_;
                for (std::size_t f = 0; f < n; ++f)
                    for (int c = 0; c < ch; ++c)
                        out[f * std::size_t(ch) + std::size_t(c)] += src[f];
                speechPos_ += n;
                speechLastFrame_ = bufferStart + n;
            }
            if (speechEnded_ && speechPos_ == speech_.size()) {
                speechActive_ = false;
                speechDrainedId_ = speechId_;
                speechDrained = true;
            }
        }
    }
    for (std::size_t i = 0; i < std::size_t(frames) * std::size_t(ch); ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
    framesRendered_ += std::uint64_t(frames);
    if (soundEnded || speechDrained)
        changed_.notify_all();
    for (const std::weak_ptr<SoundEndListener>& weak : listeners)
        if (std::shared_ptr<SoundEndListener> listener = weak.lock())
            (*listener)(endedToken);
}

std::shared_ptr<void> AudioMixer::listenForSoundEnds(SoundEndListener listener)
{
    auto kept = std::make_shared<SoundEndListener>(std::move(listener));
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(endListeners_, [](const std::weak_ptr<SoundEndListener>& w) { return w.expired(); });
    endListeners_.push_back(kept);
    return kept;
}

std::shared_ptr<const AudioClip> AudioMixer::convert(const SDL_AudioSpec& spec, const std::uint8_t* data,
                                                     std::size_t bytes) const
{
    const int frameBytes = int(SDL_AUDIO_BITSIZE(spec.format) / 8) * int(spec.channels);
    if (frameBytes <= 0 || spec.freq <= 0)
        return nullptr;
    bytes -= bytes % std::size_t(frameBytes);
    auto clip = std::make_shared<AudioClip>();
    clip->channels = channels_;
    clip->sampleRate = rate_;
    if (bytes == 0)
        return clip;
    if (spec.format == AUDIO_F32SYS && spec.channels == channels_ && spec.freq == rate_) {
        clip->samples.resize(bytes / sizeof(float));
        std::memcpy(clip->samples.data(), data, bytes);
        return clip;
    }
    // SDL_AudioCVT converts the whole clip at once (SDL 2.26's SDL_AudioStream drops the
    // last few ms of a resampled clip at its flush).
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_F32SYS, Uint8(channels_), rate_) < 0)
        return nullptr;
    if (bytes > std::size_t(INT32_MAX / std::max(1, cvt.len_mult)) / 2)
        return nullptr;
    std::vector<std::uint8_t> work(bytes * std::size_t(std::max(1, cvt.len_mult)) + 64);
    std::memcpy(work.data(), data, bytes);
    cvt.buf = work.data();
    cvt.len = int(bytes);
    if (cvt.needed && SDL_ConvertAudio(&cvt) < 0)
        return nullptr;
    const std::size_t outBytes = cvt.needed ? std::size_t(cvt.len_cvt) : bytes;
    clip->samples.resize(outBytes / sizeof(float) / std::size_t(channels_) * std::size_t(channels_));
    std::memcpy(clip->samples.data(), work.data(), clip->samples.size() * sizeof(float));
    return clip;
}

std::uint64_t AudioMixer::playSound(std::shared_ptr<const AudioClip> clip)
{
    std::shared_ptr<const AudioClip> old; // freed outside the lock
    std::uint64_t token;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = std::move(clip_);
        clip_ = std::move(clip);
        clipPos_ = 0;
        token = ++soundToken_;
        soundActive_ = clip_ && clip_->frameCount() > 0;
        ++activity_;
        soundFirst_.reset();
    }
    changed_.notify_all();
    return token;
}

void AudioMixer::stopSound(std::uint64_t token)
{
    std::shared_ptr<const AudioClip> old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (token != soundToken_)
            return;
        soundActive_ = false;
        old = std::move(clip_);
    }
    changed_.notify_all();
}

bool AudioMixer::soundPlaying(std::uint64_t token) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return soundActive_ && token == soundToken_;
}

void AudioMixer::waitSoundEnd(std::uint64_t token, Clock::duration slack)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto playing = [&] { return soundActive_ && token == soundToken_; };
    if (!playing())
        return;
    const std::size_t remaining = clip_ ? clip_->frameCount() - clipPos_ : 0;
    const auto deadline = Clock::now() + slack
                          + std::chrono::microseconds(std::int64_t(remaining) * 1000000 / rate_);
    if (!changed_.wait_until(lock, deadline, [&] { return !playing(); })) {
        soundActive_ = false; // the device stalled: give up rather than hang the game
        changed_.notify_all();
    }
}

bool AudioMixer::deviceOpen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

std::uint64_t AudioMixer::openedAtFrame() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return openedAtFrame_;
}

std::optional<AudioMixer::Clock::time_point> AudioMixer::soundFirstMixed(std::uint64_t token) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return token == soundToken_ ? soundFirst_ : std::nullopt;
}

std::uint64_t AudioMixer::beginSpeech()
{
    std::uint64_t id;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        id = ++speechId_;
        speech_.clear();
        speechPos_ = 0;
        speechActive_ = true;
        speechEnded_ = false;
        ++activity_;
        speechFirst_.reset();
        speechLastFrame_.reset();
    }
    changed_.notify_all();
    return id;
}

void AudioMixer::appendSpeech(std::uint64_t id, const float* mono, std::size_t frames)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (id != speechId_ || !speechActive_ || speechEnded_)
        return;
    if (speechPos_ >= std::size_t(rate_) && speechPos_ * 2 >= speech_.size()) {
        speech_.erase(speech_.begin(), speech_.begin() + std::ptrdiff_t(speechPos_));
        speechPos_ = 0;
    }
    speech_.insert(speech_.end(), mono, mono + frames);
}

void AudioMixer::endSpeech(std::uint64_t id)
{
    bool drained = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (id != speechId_ || !speechActive_)
            return;
        speechEnded_ = true;
        if (speechPos_ == speech_.size()) {
            speechActive_ = false;
            speechDrainedId_ = id;
            drained = true;
        }
    }
    if (drained)
        changed_.notify_all();
}

void AudioMixer::stopSpeech()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++speechId_;
        speechActive_ = false;
        speechEnded_ = false;
        speech_.clear();
        speechPos_ = 0;
    }
    changed_.notify_all();
}

bool AudioMixer::waitSpeechDrained(std::uint64_t id, Clock::duration slack)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto done = [&] { return speechDrainedId_ == id || speechId_ != id; };
    if (!done()) {
        const std::size_t remaining = speech_.size() - speechPos_;
        const auto deadline = Clock::now() + slack
                              + std::chrono::microseconds(std::int64_t(remaining) * 1000000 / rate_);
        if (!changed_.wait_until(lock, deadline, done)) {
            // The device stalled: give up rather than make the game wait for ever.
            speechActive_ = false;
            speechDrainedId_ = id;
            changed_.notify_all();
        }
    }
    return speechDrainedId_ == id;
}

std::optional<AudioMixer::Clock::time_point> AudioMixer::speechFirstMixed(std::uint64_t id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return id == speechId_ ? speechFirst_ : std::nullopt;
}

std::optional<std::uint64_t> AudioMixer::speechLastFrame(std::uint64_t id) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return (id == speechId_ || id == speechDrainedId_) ? speechLastFrame_ : std::nullopt;
}

} // namespace mokuri
