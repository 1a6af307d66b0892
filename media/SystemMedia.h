// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real sound player and speech voice, as app/main.cpp creates them. Both share one
// AudioMixer (one SDL2 audio device), created by the first of these calls.
#include "media/SoundPlayer.h"
#include "media/SpeechVoice.h"

#include <QObject>

#include <memory>

namespace mokuri {

class Trace;

// SDL2 WAV player (SdlSoundPlayer); files it cannot play are reported to `trace`, which must
// outlive it.
std::unique_ptr<SoundPlayer> createSystemSoundPlayer(Trace& trace);
// MeCab + espeak-ng speaker (EspeakSpeechVoice); owned by `parent` if one is given.
SpeechVoice* createSystemSpeechVoice(QObject* parent = nullptr);

} // namespace mokuri
