#pragma once
// Whole-file reads of the program's small text files.
#include <QByteArray>
#include <QString>

namespace mokuri {

enum class ReadStatus { Ok, Missing, Unreadable };

struct ReadResult {
    ReadStatus status = ReadStatus::Missing;
    QByteArray bytes;
};

// Files bigger than this are not content files; reading stops there.
constexpr qint64 kMaxTextFileBytes = 4 * 1024 * 1024;

ReadResult readFileBytes(const QString& path);

} // namespace mokuri
