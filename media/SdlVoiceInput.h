// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The default microphone through SDL2's capture devices (which reach PulseAudio, PipeWire
// and ALSA). SDL's callback thread only appends to a buffer and asks, once, for it to be
// emptied on the window's thread: nothing polls while the microphone is closed.
#include "media/VoiceInput.h"

#include <SDL.h>

#include <QTimer>

#include <atomic>
#include <mutex>

namespace mokuri {

class SdlVoiceInput final : public VoiceInput {
    Q_OBJECT
public:
    static constexpr int kRate = 48000;
    static constexpr int kBufferFrames = 480;
    // A microphone that has given nothing for this long has gone, whatever SDL says.
    static constexpr int kSilentDeviceMs = 1500;

    explicit SdlVoiceInput(QObject* parent = nullptr);
    ~SdlVoiceInput() override;

    bool start(QString* message) override;
    void stop() override;
    bool running() const override { return device_ != 0; }
    int sampleRate() const override { return kRate; }

private:
    static void SDLCALL callback(void* self, Uint8* stream, int len);
    void hand();     // on the window's thread: emits what came
    void checkAlive();
    void close();

    SDL_AudioDeviceID device_ = 0;
    bool sdlInit_ = false;
    std::mutex mutex_;
    std::vector<std::int16_t> pending_;
    bool handAsked_ = false;     // mutex_ held
    std::atomic<bool> arrived_{false}; // samples since the last check
    QTimer* watchdog_;
};

} // namespace mokuri
