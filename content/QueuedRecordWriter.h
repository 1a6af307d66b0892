// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The practice record written on the program's write thread: a folder on a stalled network
// share then holds that thread, never the child's game. Lines keep their order.
#include "content/RecordWriter.h"
#include "support/WriteQueue.h"

#include <memory>

namespace mokuri {

class QueuedRecordWriter final : public RecordSink {
public:
    // `writes` must outlive this writer's lines, which may still wait in it.
    QueuedRecordWriter(QString folder, WriteQueue& writes);
    // Always true: the line is queued, and a failure to write it is said on stderr then.
    bool append(const RecordLine& line) override;

private:
    QString folder_;
    // Shared with the queued lines, which may be written after this object is gone.
    std::shared_ptr<RecordWriter> writer_;
    WriteQueue& writes_;
};

} // namespace mokuri
