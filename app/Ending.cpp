// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Ending.h"
#include "support/Logging.h"

#include "support/Executor.h"

#include <QDir>
#include <cstdio>
#include <cstdlib>

namespace mokuri {

int endProgram(int status, WriteQueue* writes, Trace& trace)
{
    const QStringList unwritten = writes ? writes->finish(kWritesPatience) : QStringList();
    for (const QString& file : unwritten) {
        qCWarning(logApp, "%s was not written: its folder did not answer before the program ended",
                     qPrintable(QDir::toNativeSeparators(file)));
        trace.event("warning", {QStringLiteral("not saved ") + file});
    }
    // Decodes stop at their next row and reads of a folder that answers end at once.
    if (Executor::shared().finish(kWorkPatience)) {
        std::fflush(nullptr);
        return status;
    }
    // A read stuck in the kernel on a share that does not answer holds only what it owns,
    // but it is in the middle of a call into Qt or the C library: the program's static
    // objects must not be torn down under it when the share lets it go. The process ends
    // here, and the kernel takes the thread along.
    trace.event("warning", {QStringLiteral("ended with %1 file jobs unfinished").arg(Executor::shared().unfinished())});
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace mokuri
