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
// Open JTalk (OpenJTalkSpeechVoice) when open_jtalk, its dictionary and a voice file are
// there (a .htsvoice file in the current folder, else Mei; see media/OpenJTalk.h), else
// MeCab + espeak-ng (EspeakSpeechVoice), saying once on stderr and to `trace` why. Owned
// by `parent` if one is given; `trace` must outlive the voice.
SpeechVoice* createSystemSpeechVoice(Trace& trace, QObject* parent = nullptr);
// The same, with nothing traced.
SpeechVoice* createSystemSpeechVoice(QObject* parent = nullptr);

} // namespace mokuri
