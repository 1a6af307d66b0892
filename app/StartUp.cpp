// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/StartUp.h"
#include "support/Logging.h"

#include "content/AccessSettingsFile.h"
#include "content/PraiseLines.h"
#include "content/SettingsFile.h"

#include <QFileInfo>

namespace mokuri {

QString folderFromArguments(const QStringList& argsWithoutProgram) { return argsWithoutProgram.join(u' '); }

std::optional<StartValues> loadStartValues(const QString& folder, Trace& trace)
{
    trace.event("start", {QStringLiteral("folder=") + folder});

    // A folder that is not there gets nothing written into it or anywhere else.
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        qCWarning(logApp, "the folder \"%s\" does not exist", qPrintable(folder));
        return std::nullopt;
    }

    StartValues v;
    v.settings = loadSettings(folder, trace, &v.settingsNotice);
    QString accessNotice;
    v.access = loadAccessSettings(folder, trace, &accessNotice);
    if (!accessNotice.isEmpty())
        v.settingsNotice = v.settingsNotice.isEmpty() ? accessNotice : v.settingsNotice + u'\n' + accessNotice;
    v.praise = loadPraiseLines(trace);
    v.folder = loadPictureFolder(folder, trace);
    if (v.folder.pictures.isEmpty()) return std::nullopt;
    v.tasks = loadTaskList(v.folder, trace, &v.taskListNotice);
    return v;
}

} // namespace mokuri
