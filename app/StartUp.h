// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game starts from: the picture folder named on the command line, its settings and
// task list, and the praise lines of the current folder.
#include "content/AccessSettings.h"
#include "content/PictureFolder.h"
#include "content/Settings.h"
#include "content/TaskListFile.h"
#include "support/Trace.h"

#include <QStringList>
#include <optional>

namespace mokuri {

struct StartValues {
    PictureFolder folder;
    TaskList tasks;
    Settings settings;
    AccessSettings access;
    QStringList praise;
    // For the adult, at the first opening of the settings (with the access settings'
    // file) / the picture choice.
    QString settingsNotice;
    QString taskListNotice;
};

// The whole command line is the folder, so a folder name with blanks needs no quotes.
QString folderFromArguments(const QStringList& argsWithoutProgram);

// Loads everything in the order the files depend on, creating missing files with their
// defaults. Nothing when the folder does not exist or holds no picture: the game cannot
// start (the caller tells the adult).
std::optional<StartValues> loadStartValues(const QString& folder, Trace& trace);

} // namespace mokuri
