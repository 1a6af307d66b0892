#pragma once
// Whole-file reads and crash-safe writes of the program's small text files.
#include <QByteArray>
#include <QString>

namespace mokuri {

enum class ReadStatus { Ok, Missing, Unreadable };

struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
};

// Files bigger than this are not content files; reading stops there.
constexpr qint64 MaxTextFileBytes = 4 * 1024 * 1024;

ReadResult ReadFileBytes(const QString& path);

// Writes through a temporary file in the same folder renamed over the old one, so a
// failure at any point leaves the old file as it was. On failure prints a message
// naming the file on stderr and returns false.
bool SaveFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace mokuri
