// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Logging.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#ifndef MOKURI_VERSION
#define MOKURI_VERSION "unknown"
#endif

namespace mokuri {

Q_LOGGING_CATEGORY(logSupport, "mokuri.support")
Q_LOGGING_CATEGORY(logContent, "mokuri.content")
Q_LOGGING_CATEGORY(logMedia, "mokuri.media")
Q_LOGGING_CATEGORY(logPictures, "mokuri.pictures")
Q_LOGGING_CATEGORY(logScreens, "mokuri.screens")
Q_LOGGING_CATEGORY(logApp, "mokuri.app")
Q_LOGGING_CATEGORY(logTools, "mokuri.tools")

namespace {

std::atomic<const char*> g_program{"mokuri"};
QtMessageHandler g_qtHandler = nullptr;

void programLog(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!context.category || std::strncmp(context.category, "mokuri.", 7) != 0) {
        if (g_qtHandler) g_qtHandler(type, context, text);
        return;
    }
    // One write per line, so lines from the executor's threads never interleave.
    const QByteArray line = QByteArray(g_program.load()) + ": " + text.toLocal8Bit() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void installProgramLog(const char* program)
{
    g_program = program;
    QtMessageHandler previous = qInstallMessageHandler(programLog);
    if (previous != programLog) g_qtHandler = previous;
}

const char* programVersion() { return MOKURI_VERSION; }

} // namespace mokuri
