target_sources(mokuri_core PRIVATE
  game/Random.cpp
  game/TaskOrder.cpp
  game/Letters.cpp
  game/TileGeometry.cpp
  game/QuestionSetUp.cpp
  game/TileLayout.cpp
  game/Decoys.cpp
  game/AnswerChecking.cpp
  game/SoundPrimitives.cpp
  game/FeedbackTimers.cpp
  game/Keyboard.cpp
)
