#include "media/AudioMixer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mokuri {

namespace {

std::atomic<bool> g_fallbackReported{false};

void ReportFallbackOnce(const QString& why)
{
    if (!g_fallbackReported.exchange(true))
        std::fprintf(stderr, "mokuri: no audio device could be opened (%s); sound and speech are silent\n",
                     why.toLocal8Bit().constData());
}

} // namespace

std::shared_ptr<AudioMixer> AudioMixer::Shared()
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

AudioMixer::AudioMixer()
{
    if (open(nullptr))
        return;
    const QString why = QString::fromUtf8(SDL_GetError());
    fallback_ = true;
    ReportFallbackOnce(why.isEmpty() ? QStringLiteral("unknown error") : why);
    if (open("dummy"))
        return;
    // Even SDL's dummy driver failed: keep real time with a thread of our own.
    rate_ = kRequestedRate;
    channels_ = 2;
    bufferFrames_ = kPacedBufferFrames;
    driver_ = QStringLiteral("none");
    paced_ = true;
    fallbackThread_ = std::thread([this] { fallbackLoop(); });
}

AudioMixer::~AudioMixer()
{
    quit_ = true;
    if (device_)
        SDL_CloseAudioDevice(device_);
    if (sdlInit_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (fallbackThread_.joinable())
        fallbackThread_.join();
}

bool AudioMixer::open(const char* forcedDriver)
{
    fallbackScratch_.assign(std::size_t(kBufferFrames) * 32 * 8, 0.0f); // 128 ms, up to 8 channels
    if (forcedDriver)
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, forcedDriver, SDL_HINT_OVERRIDE);
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "mokuri");
    // SDL would otherwise take SIGINT and SIGTERM for a quit event nobody reads, and the
    // game could not be stopped by the session or a script.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const bool initOk = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (initOk) {
        SDL_AudioSpec want{};
        SDL_AudioSpec have{};
        want.freq = kRequestedRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        // SDL's dummy driver is silent and paced by the wall clock here (see mix), so a
        // shorter period costs nothing and brings each sound's start closer to Play.
        const char* current = SDL_GetCurrentAudioDriver();
        paced_ = fallback_ || (current && std::strcmp(current, "dummy") == 0);
        want.samples = paced_ ? kPacedBufferFrames : kBufferFrames;
        want.callback = &AudioMixer::Callback;
        want.userdata = this;
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have,
                                      SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
        if (device_) {
            rate_ = have.freq;
            channels_ = std::max<int>(1, have.channels);
            bufferFrames_ = have.samples;
            const char* name = SDL_GetCurrentAudioDriver();
            driver_ = QString::fromUtf8(name ? name : "");
        } else {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    if (forcedDriver)
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!device_)
        return false;
    sdlInit_ = true;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void AudioMixer::fallbackLoop()
{
    std::vector<float> buffer(std::size_t(bufferFrames_) * std::size_t(channels_));
    const auto period = std::chrono::microseconds(1000000LL * bufferFrames_ / rate_);
    auto next = Clock::now();
    while (!quit_) {
        mix(buffer.data(), bufferFrames_);
        next += period;
        std::this_thread::sleep_until(next);
    }
}

void SDLCALL AudioMixer::Callback(void* self, Uint8* stream, int len)
{
    auto* mixer = static_cast<AudioMixer*>(self);
    const int frames = len / int(sizeof(float) * std::size_t(mixer->channels_));
    mixer->mix(reinterpret_cast<float*>(stream), frames);
}

void AudioMixer::mix(float* out, int frames)
{
    if (!paced_) {
        render(out, frames);
        return;
    }
    // Silent (fallback or chosen) dummy driver: SDL's dummy driver calls back roughly every buffer period, but late
    // by a varying amount. Nothing is heard, so advance the voices by the wall-clock time
    // instead, keeping every sound and speech at its real length.
    std::fill(out, out + std::size_t(frames) * std::size_t(channels_), 0.0f);
    const Clock::time_point now = Clock::now();
    if (!fallbackStarted_) {
        fallbackStarted_ = true;
        fallbackStart_ = now;
    }
    const auto due = std::uint64_t(std::chrono::duration<double>(now - fallbackStart_).count() * rate_) + std::uint64_t(frames);
    const std::uint64_t done = framesRendered_.load();
    const std::size_t capacity = fallbackScratch_.size() / std::size_t(channels_);
    std::size_t advance = due > done ? std::size_t(due - done) : 0;
    if (advance > capacity) { // far behind (the machine stalled): skip ahead, do not catch up
        fallbackStart_ = now - std::chrono::microseconds(std::int64_t(done + capacity - std::uint64_t(frames)) * 1000000 / rate_);
        advance = capacity;
    }
    if (advance > 0)
        render(fallbackScratch_.data(), int(advance));
}

void AudioMixer::render(float* out, int frames)
{
    const int ch = channels_;
    std::fill(out, out + std::size_t(frames) * std::size_t(ch), 0.0f);
    bool soundEnded = false;
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
    if (soundEnded)
        soundCv_.notify_all();
    if (speechDrained)
        speechCv_.notify_all();
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
        soundFirst_.reset();
    }
    soundCv_.notify_all();
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
    soundCv_.notify_all();
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
    if (!soundCv_.wait_until(lock, deadline, [&] { return !playing(); }))
        soundActive_ = false; // the device stalled: give up rather than hang the game
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
        speechFirst_.reset();
        speechLastFrame_.reset();
    }
    speechCv_.notify_all();
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
        speechCv_.notify_all();
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
    speechCv_.notify_all();
}

bool AudioMixer::waitSpeechDrained(std::uint64_t id, Clock::duration slack)
{
    std::unique_lock<std::mutex> lock(mutex_);
    auto done = [&] { return speechDrainedId_ == id || speechId_ != id; };
    if (!done()) {
        const std::size_t remaining = speech_.size() - speechPos_;
        const auto deadline = Clock::now() + slack
                              + std::chrono::microseconds(std::int64_t(remaining) * 1000000 / rate_);
        if (!speechCv_.wait_until(lock, deadline, done)) {
            // The device stalled: give up rather than make the game wait for ever.
            speechActive_ = false;
            speechDrainedId_ = id;
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
