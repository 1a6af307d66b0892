target_sources(mokuri_core PRIVATE
  media/SoundControl.h
  media/SpeechControl.h
  media/JapaneseReading.h
  media/JapaneseReading.cpp
  media/SpeechSynthesis.h
  media/SpeechSynthesis.cpp
  media/AudioMixer.h
  media/AudioMixer.cpp
  media/SdlSoundControl.h
  media/SdlSoundControl.cpp
  media/EspeakSpeechControl.h
  media/EspeakSpeechControl.cpp
  media/SystemMedia.h
  media/SystemMedia.cpp
)
