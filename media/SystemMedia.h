#pragma once
// The real sound and speech controls, as app/main.cpp creates them. Both share one
// AudioMixer (one SDL2 audio device), opened by the first of these calls.
#include "media/SoundControl.h"
#include "media/SpeechControl.h"

#include <QObject>

#include <memory>

namespace mokuri {

// SDL2 WAV player (SdlSoundControl).
std::unique_ptr<SoundControl> CreateSystemSoundControl();
// MeCab + espeak-ng speaker (EspeakSpeechControl); owned by `parent` if one is given.
SpeechControl* CreateSystemSpeechControl(QObject* parent = nullptr);

} // namespace mokuri
