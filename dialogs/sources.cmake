target_sources(mokuri_core PRIVATE
  dialogs/DialogParts.h
  dialogs/DialogParts.cpp
  dialogs/Form2.h
  dialogs/Form2.cpp
  dialogs/Form3.h
  dialogs/Form3.cpp
  dialogs/OpenDialogs.cpp
)
