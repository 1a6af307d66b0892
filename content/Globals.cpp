#include "content/Globals.h"

namespace mokuri {

QString CommandLineText;
QString DataFolder;
GameSettingsT GameSettings;
QString AllPictures[MaxPictures];
int16_t AllPictureCount = 0;
QString TaskPictures[MaxPictures];
int16_t TaskPictureCount = 0;

void ResetGlobals()
{
    CommandLineText.clear();
    DataFolder.clear();
    GameSettings = GameSettingsT{};
    for (auto& s : AllPictures) s.clear();
    for (auto& s : TaskPictures) s.clear();
    AllPictureCount = 0;
    TaskPictureCount = 0;
}

} // namespace mokuri
