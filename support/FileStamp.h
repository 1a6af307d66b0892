// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a cache keeps of a file to know, without reading it again, whether it changed since:
// its size and its modification time to the nanosecond (a picture or a letter sound replaced
// within the same second, as a copy does, is still seen).
#include <QString>

namespace mokuri {

struct FileStamp {
    bool exists = false;
    qint64 bytes = -1;
    qint64 modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;

    // Follows links, as opening the file does. Never blocks on a FIFO (it is not opened).
    static FileStamp of(const QString& path);
};

} // namespace mokuri
