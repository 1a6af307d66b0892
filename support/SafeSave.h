// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Crash-safe writes of the program's small text files.
#include "support/Trace.h"

#include <QByteArray>
#include <QString>

namespace mokuri {

// Writes through a temporary file in the same folder renamed over the old one, so a
// failure at any point leaves the old file as it was. Where that would do harm, as careful
// editors do, the file is written in place instead, its old content kept first where a
// crash cannot lose it: a folder that takes no new file (a teacher's class folder with
// files everyone may write), a file with other hard links, or another account's file.
// A symbolic link of the user's own is written through (the link stays a link); one made
// by another account is left alone. The old file's permission bits are kept, and a file
// without any write permission is left alone like one in a read-only folder. A file-size limit
// makes the write fail instead of killing the program. On failure prints a message
// naming the file on stderr and returns false.
bool saveFileAtomically(const QString& path, const QByteArray& bytes, Trace& trace);
// The same save, for the helper programs: says nothing, gives the reason of a failure.
bool saveFile(const QString& path, const QByteArray& bytes, QString* why);

// Creates `path` with `bytes` without ever replacing a file, a dangling link or one made
// meanwhile: the bytes are written and synced under a temporary name first, so a failure
// leaves no half-written file either. The new file is readable by all (0644).
enum class CreateOutcome { Created, Existed, Failed };
CreateOutcome createFile(const QString& path, const QByteArray& bytes, QString* why);

// Removes what saves of `path` cut short by a crash or a kill left behind, and puts back
// the old content of a file whose in-place save was cut short; a save still in progress in
// another instance is left alone.
void removeInterruptedSaves(const QString& path);

// Where an in-place save of `file` keeps the file's old content while it runs (in the
// user's state folder); empty without a home folder.
QString inPlaceBackupOf(const QString& file);

} // namespace mokuri
