// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Crash-safe writes of the program's small text files.
#include "support/Trace.h"

#include <QByteArray>
#include <QString>

namespace mokuri {

// Writes through a temporary file in the same folder renamed over the old one, so a
// failure at any point leaves the old file as it was. A symbolic link is written through
// (the link stays a link), the old file's permission bits are kept, and a file without
// any write permission is left alone like one in a read-only folder. A file-size limit
// makes the write fail instead of killing the program. On failure prints a message
// naming the file on stderr and returns false.
bool saveFileAtomically(const QString& path, const QByteArray& bytes, Trace& trace);

// Removes what saves of `path` cut short by a crash or a kill left behind; a save still
// in progress in another instance is left alone.
void removeInterruptedSaves(const QString& path);

} // namespace mokuri
