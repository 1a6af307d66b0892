// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Appends lines to a picture folder's practice record: in the folder when it can be
// written, otherwise in the state folder. Only a regular file of the user's own is
// appended to, never one reached through a link. Each line goes out in one write under a lock, so
// two games on one folder never mix within a line, and a line torn by a crash or a full disk
// is closed before the next one. Failing to record never stops the game.
#include "content/PracticeRecord.h"

#include <QString>

namespace mokuri {

// Where the game's record lines go.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    // False when the line could not be written (said once on stderr).
    virtual bool append(const RecordLine& line) = 0;
};

class RecordWriter final : public RecordSink {
public:
    explicit RecordWriter(QString folder);
    ~RecordWriter() override;
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    bool append(const RecordLine& line) override;
    // Where the lines go; empty before the first append or when no place could be written.
    QString path() const { return path_; }

private:
    bool open();
    int openForAppend(const QString& file, QString* why);
    bool stillInPlace() const;
    int columnsOfOpenRecord() const;

    QString folder_;
    QString path_;
    int fd_ = -1;
    int columns_ = -1;  // of the open record, once known
    bool opened_ = false;
    bool complained_ = false;
    bool toldWhy_ = false;
};

} // namespace mokuri
