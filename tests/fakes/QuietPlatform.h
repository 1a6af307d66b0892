// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The offscreen platform cannot raise windows and says so at every return to the main
// screen; those lines are dropped, everything else goes where it went.
#include <QtGlobal>
#include <QString>

namespace mokuri::test {

inline void quietenOffscreenPlatform()
{
    static QtMessageHandler previous = nullptr;
    previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (!text.contains(QLatin1String("does not support raise()")) &&
            !text.contains(QLatin1String("does not support propagateSizeHints()")))
            previous(type, context, text);
    });
}

} // namespace mokuri::test
