target_sources(mokuri_core PRIVATE
  app/Trace.cpp
  app/Fonts.cpp
  app/TwipControls.cpp
  app/PictureLoader.cpp
  app/Form1.cpp
  app/WarningBox.cpp
)
