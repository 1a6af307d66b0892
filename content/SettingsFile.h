// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Word.txt in the picture folder: the six settings on one line, truth values as #TRUE# /
// #FALSE#, the decoys as numbers.
#include "content/Settings.h"
#include "support/Trace.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace mokuri {

QByteArray formatSettings(const Settings& s);
// Six fields in order; nothing when the text does not hold six usable values.
std::optional<Settings> parseSettings(const QByteArray& bytes);

// Reads Word.txt of `folder` (empty: the current folder), writing the defaults when it is
// missing or damaged; a damaged file is first kept beside it (Word.txt.damaged), and
// `notice` gets a sentence for the adult saying so.
Settings loadSettings(const QString& folder, Trace& trace, QString* notice = nullptr);
// False (and a message on stderr) when it could not be written.
bool saveSettings(const QString& folder, const Settings& s, Trace& trace);

// A copy of the adult's damaged file `path` beside it, never over an older copy; its path,
// or nothing when no copy could be made.
QString keepDamagedCopy(const QString& path);

} // namespace mokuri
