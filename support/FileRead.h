// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whole-file reads of the program's small text files.
#include <QByteArray>
#include <QString>

namespace mokuri {

enum class ReadStatus { Ok, Missing, Unreadable };

struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
    bool truncated = false;  // the file is longer than kMaxTextFileBytes
};

// Files bigger than this are not content files; reading stops there.
constexpr qint64 kMaxTextFileBytes = 4 * 1024 * 1024;

// Only regular files are read (a link is followed): a FIFO or a device would block the
// game for ever, so it counts as unreadable. A read cut at the limit never ends inside a
// UTF-8 letter.
ReadResult readFileBytes(const QString& path);

// True for a regular file, after following links; false for anything an open could block on.
bool isRegularFile(const QString& path);

} // namespace mokuri
