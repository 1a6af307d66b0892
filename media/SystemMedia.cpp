// SPDX-License-Identifier: GPL-3.0-or-later
#include "media/SystemMedia.h"

#include "media/AudioMixer.h"
#include "media/EspeakSpeechVoice.h"
#include "media/SdlSoundPlayer.h"

namespace mokuri {

std::unique_ptr<SoundPlayer> createSystemSoundPlayer(Trace& trace)
{
    return std::make_unique<SdlSoundPlayer>(trace, AudioMixer::shared());
}

SpeechVoice* createSystemSpeechVoice(QObject* parent)
{
    return new EspeakSpeechVoice(AudioMixer::shared(), parent);
}

} // namespace mokuri
