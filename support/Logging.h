// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the programs tell the adult on stderr, in one category per layer, so that
// QT_LOGGING_RULES can quieten a layer ("mokuri.media.warning=false") or widen one. The
// lines keep the program's own name in front, as adults and their scripts know them.
#include <QLoggingCategory>

namespace mokuri {

Q_DECLARE_LOGGING_CATEGORY(logSupport)
Q_DECLARE_LOGGING_CATEGORY(logContent)
Q_DECLARE_LOGGING_CATEGORY(logMedia)
Q_DECLARE_LOGGING_CATEGORY(logPictures)
Q_DECLARE_LOGGING_CATEGORY(logScreens)
Q_DECLARE_LOGGING_CATEGORY(logApp)
Q_DECLARE_LOGGING_CATEGORY(logTools)

// Lines of the mokuri.* categories go to stderr as "<program>: <text>", each whole; Qt's own
// messages keep Qt's form. Call once, first thing in main.
void installProgramLog(const char* program);

// The version every program's --version prints.
const char* programVersion();

} // namespace mokuri
