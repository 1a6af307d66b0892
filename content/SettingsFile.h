#pragma once
// Word.txt in the data folder: the six settings on one line.
#include "content/Globals.h"
#include <QByteArray>
#include <optional>

namespace mokuri {

QByteArray FormatSettings(const GameSettingsT& s);
// Six fields in order; nothing when the text does not hold six usable values.
std::optional<GameSettingsT> ParseSettings(const QByteArray& bytes);

// Reads DataFolder + "Word.txt" into GameSettings, writing the defaults when it is
// missing or damaged.
void LoadSettings();
// Writes GameSettings to DataFolder + "Word.txt"; false (and a message on stderr) on failure.
bool SaveSettings();

} // namespace mokuri
