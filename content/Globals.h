#pragma once
// The program-wide state shared by start-up, the game and the dialogs.
#include <QString>
#include <cstdint>

namespace mokuri {

// Truth values are 16-bit with all bits set for true, as they are stored in the files.
constexpr int16_t VbTrue = -1;
constexpr int16_t VbFalse = 0;
inline int16_t VbBool(bool b) { return b ? VbTrue : VbFalse; }

constexpr int MaxPictures = 101;
constexpr int MaxPraiseTexts = 21;

struct GameSettingsT {
    int16_t ArrangeMode = VbTrue;
    int16_t ShowModel = VbTrue;
    int16_t DecoyCount = 0;
    int16_t DecoyKind = 0;
    int16_t ShowCursor = VbTrue;
    int16_t TouchOnly = VbFalse;
    bool operator==(const GameSettingsT&) const = default;
};

extern QString CommandLineText;
extern QString DataFolder;
extern GameSettingsT GameSettings;
extern QString AllPictures[MaxPictures];
extern int16_t AllPictureCount;
extern QString TaskPictures[MaxPictures];
extern int16_t TaskPictureCount;

// Puts every global back to its state before start-up (tests start several screens per process).
void ResetGlobals();

} // namespace mokuri
