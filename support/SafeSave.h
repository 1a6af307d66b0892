#pragma once
// Crash-safe writes of the program's small text files.
#include "support/Trace.h"

#include <QByteArray>
#include <QString>

namespace mokuri {

// Writes through a temporary file in the same folder renamed over the old one, so a
// failure at any point leaves the old file as it was. On failure prints a message
// naming the file on stderr and returns false.
bool saveFileAtomically(const QString& path, const QByteArray& bytes, Trace& trace);

} // namespace mokuri
