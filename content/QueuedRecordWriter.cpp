// SPDX-License-Identifier: GPL-3.0-or-later
#include "content/QueuedRecordWriter.h"

namespace mokuri {

QueuedRecordWriter::QueuedRecordWriter(QString folder, WriteQueue& writes)
    : folder_(folder), writer_(std::make_shared<RecordWriter>(std::move(folder))), writes_(writes)
{
}

bool QueuedRecordWriter::append(const RecordLine& line)
{
    writes_.post(QStringLiteral("the practice record of ") + folder_, [writer = writer_, line] { return writer->append(line); });
    return true;
}

} // namespace mokuri
