// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Ending.h"

#include "support/Executor.h"

#include <QDir>
#include <cstdio>

namespace mokuri {

int endProgram(int status, WriteQueue* writes, Trace& trace)
{
    const QStringList unwritten = writes ? writes->finish(kWritesPatience) : QStringList();
    for (const QString& file : unwritten) {
        std::fprintf(stderr, "mokuri: %s was not written: its folder did not answer before the program ended\n",
                     qPrintable(QDir::toNativeSeparators(file)));
        trace.event("warning", {QStringLiteral("not saved ") + file});
    }
    // Decodes stop at their next row and reads of a folder that answers end at once; one
    // stuck in the kernel holds only what it owns, and the process's end takes it along.
    if (!Executor::shared().finish(kWorkPatience))
        trace.event("warning", {QStringLiteral("ended with %1 file jobs unfinished").arg(Executor::shared().unfinished())});
    std::fflush(nullptr);
    return status;
}

} // namespace mokuri
