target_sources(mokuri_core PRIVATE
  media/SoundControl.h
  media/SpeechControl.h
  media/JapaneseReading.h
  media/JapaneseReading.cpp
  media/SpeechSynthesis.h
  media/SpeechSynthesis.cpp
)
