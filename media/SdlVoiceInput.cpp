// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SdlVoiceInput.h"

namespace mokuri {

SdlVoiceInput::SdlVoiceInput(QObject* parent) : VoiceInput(parent), watchdog_(new QTimer(this))
{
    watchdog_->setInterval(kSilentDeviceMs);
    connect(watchdog_, &QTimer::timeout, this, &SdlVoiceInput::checkAlive);
}

SdlVoiceInput::~SdlVoiceInput()
{
    close();
    if (sdlInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool SdlVoiceInput::start(QString* message)
{
    if (device_) return true;
    auto fail = [&](const QString& what) {
        if (message) {
            const QString why = QString::fromUtf8(SDL_GetError());
            *message = why.isEmpty() ? what : what + QStringLiteral("\n(") + why + QLatin1Char(')');
        }
        return false;
    };
    if (!sdlInit_) {
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "mokuri-voices");
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return fail(QStringLiteral("音の装置が使えません。"));
        sdlInit_ = true;
    }
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    // 10 ms: closing the device waits for the callback's current buffer, on the window's
    // thread at the end of each take (a whole number of ms keeps SDL's disk driver in time).
    want.samples = kBufferFrames;
    want.callback = &SdlVoiceInput::callback;
    want.userdata = this;
    // SDL converts whatever the microphone gives to this format.
    device_ = SDL_OpenAudioDevice(nullptr, 1, &want, &have, 0);
    if (!device_)
        return fail(QStringLiteral("マイクが見つかりません。マイクをつないでから、もう一度どうぞ。"));
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.clear();
        handAsked_ = false;
    }
    arrived_ = true;
    watchdog_->start();
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlVoiceInput::stop()
{
    close();
}

void SdlVoiceInput::close()
{
    watchdog_->stop();
    if (device_) SDL_CloseAudioDevice(device_); // waits for the callback thread
    device_ = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.clear();
}

void SDLCALL SdlVoiceInput::callback(void* self, Uint8* stream, int len)
{
    auto* input = static_cast<SdlVoiceInput*>(self);
    const auto* samples = reinterpret_cast<const std::int16_t*>(stream);
    bool ask = false;
    {
        std::lock_guard<std::mutex> lock(input->mutex_);
        input->pending_.insert(input->pending_.end(), samples, samples + len / 2);
        ask = !input->handAsked_;
        input->handAsked_ = true;
    }
    input->arrived_ = true;
    if (ask) QMetaObject::invokeMethod(input, &SdlVoiceInput::hand, Qt::QueuedConnection);
}

void SdlVoiceInput::hand()
{
    std::vector<std::int16_t> came;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        came.swap(pending_);
        handAsked_ = false;
    }
    if (device_ && !came.empty()) emit samplesTaken(came);
}

void SdlVoiceInput::checkAlive()
{
    if (!device_) return;
    const bool gone = SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED || !arrived_.exchange(false);
    if (!gone) return;
    close();
    emit lost();
}

} // namespace mokuri
