target_sources(mokuri_core PRIVATE
  dialogs/Form2.cpp
  dialogs/Form3.cpp
  dialogs/OpenDialogs.cpp
)
