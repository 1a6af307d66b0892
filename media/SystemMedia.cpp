#include "media/SystemMedia.h"

#include "media/AudioMixer.h"
#include "media/EspeakSpeechControl.h"
#include "media/SdlSoundControl.h"

namespace mokuri {

std::unique_ptr<SoundControl> CreateSystemSoundControl()
{
    return std::make_unique<SdlSoundControl>(AudioMixer::Shared());
}

SpeechControl* CreateSystemSpeechControl(QObject* parent)
{
    return new EspeakSpeechControl(AudioMixer::Shared(), parent);
}

} // namespace mokuri
