target_sources(mokuri_core PRIVATE
  content/Globals.cpp
  content/TextEncoding.cpp
  content/FieldReader.cpp
  content/TextFile.cpp
  content/SettingsFile.cpp
  content/PraiseFile.cpp
  content/PictureCatalog.cpp
  content/TaskListFile.cpp
)
